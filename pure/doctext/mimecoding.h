#pragma once
// The transfer encodings of mail (base64, quoted-printable, and the identity of 7bit, 8bit and
// binary), decoded piece by piece, and a part of a mail read as the document it holds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "pure/doctext/bytesource.h"

enum class TTransferEncoding : std::uint8_t { Identity, Base64, QuotedPrintable };

// The encoding a Content-Transfer-Encoding value names; the identity for any other.
TTransferEncoding TransferEncodingOf(std::string_view Value);

class TTransferDecoder {
public:
    explicit TTransferDecoder(TTransferEncoding Encoding = TTransferEncoding::Identity) : FEncoding(Encoding) {}
    TTransferEncoding Encoding() const { return FEncoding; }
    // Decodes the next Size bytes into Out, which has room for Size + 2 bytes (decoding makes at
    // most two more than it reads: those of an escape or group begun before), and returns how
    // many it wrote. An escape or group cut at the end of In is finished
    // by the next call. Bytes outside the base64 alphabet are passed over; an '=' that starts no
    // escape in quoted-printable text stands for itself.
    std::size_t Decode(const unsigned char* In, std::size_t Size, unsigned char* Out);
    // Ends the text: what a cut escape or group leaves, into Out (room for 3 bytes).
    std::size_t Finish(unsigned char* Out);

private:
    TTransferEncoding FEncoding;
    std::uint32_t FBits = 0;   // base64: the sextets of the group so far
    int FCount = 0;            // base64: sextets in FBits; quoted-printable: the escape's state
    unsigned char FDigit = 0;  // quoted-printable: the first digit of an escape
};

// The bytes [Start, End) of Source, a part of a mail, with their transfer encoding decoded: the
// source of a document attached to the mail. Size is the decoded size, known from a first pass.
// Read front to back; a read behind the last one starts decoding over from Start.
class TPartSource : public TByteSource {
public:
    TPartSource(TByteSource& Source, std::uint64_t Start, std::uint64_t End, TTransferEncoding Encoding,
                std::uint64_t Size);
    std::uint64_t Size() const override { return FSize; }
    std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) override;

private:
    // Decodes the next block of the part; false at its end.
    bool Refill();

    static constexpr std::size_t BlockSize = 16 * 1024;
    TByteSource& FSource;
    std::uint64_t FStart, FEnd, FSize;
    TTransferDecoder FDecoder;
    std::uint64_t FRead = 0;  // bytes of the part read from the source
    std::uint64_t FAt = 0;    // decoded offset of the block's first byte
    std::unique_ptr<unsigned char[]> FRaw, FBlock;
    std::size_t FBlockSize = 0;
    bool FFinished = false;
};
