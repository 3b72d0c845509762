#pragma once
// The raw keyword scan over file bytes: finds the keyword in its 8-bit form, its UTF-16LE form or
// its UTF-8 form at any byte position, with a..z folded to A..Z. No platform calls; the file
// arrives in blocks through a read function.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

// The UTF-8 bytes of UTF-16LE bytes (an odd last byte is ignored; a lone surrogate becomes U+FFFD).
std::string Utf16LeToUtf8(const std::string& Wide);

class TKeywordScanner {
public:
    // Ansi: the keyword's bytes (not empty). Wide: its UTF-16LE bytes (may be empty). The UTF-8
    // form is made from Wide and scanned only where it differs from Ansi (a keyword with any
    // character beyond ASCII).
    TKeywordScanner(std::string Ansi, std::string Wide);

    // The shortest form's length: content shorter than this holds no occurrence.
    std::size_t MinLength() const;
    // Bytes that consecutive blocks must share so that no occurrence is cut: the longest form's
    // length less one.
    std::size_t Overlap() const { return std::max({FAnsi.Bytes.size(), FWide.Bytes.size(), FUtf8.Bytes.size()}) - 1; }

    // True when an occurrence of any form starts at one of the positions 0 .. Count - 1 of
    // Data and lies wholly inside its Avail bytes (Count <= Avail).
    // Sixteen positions at a time where the processor has SSE2: a position becomes a candidate
    // when its first byte and the byte under the pattern's last byte fit, for any form.
    bool FindIn(const unsigned char* Data, std::size_t Avail, std::size_t Count) const;
    // The same answer from positions From .. Count - 1, each tried in turn: the tail of FindIn,
    // all of it on a processor without SSE2, and the reference the native tests hold FindIn to.
    bool FindInPlain(const unsigned char* Data, std::size_t Avail, std::size_t Count, std::size_t From = 0) const;

    // The forms of the keyword, in the order the scan tries them at one position.
    enum TForm { Ansi, Utf16Le, Utf8 };
    // The form of an occurrence that starts at Pos and lies wholly inside Data's Avail bytes, or
    // -1 when none does.
    int FormAt(const unsigned char* Data, std::size_t Pos, std::size_t Avail) const {
        return FAnsi.At(Data, Pos, Avail)   ? Ansi
               : FWide.At(Data, Pos, Avail) ? Utf16Le
               : FUtf8.At(Data, Pos, Avail) ? Utf8
                                            : -1;
    }
    // The length in bytes of a form (0 for a form that is not scanned).
    std::size_t FormLength(int Form) const {
        return (Form == Ansi ? FAnsi : Form == Utf16Le ? FWide : FUtf8).Bytes.size();
    }

private:
    // One form of the keyword with its first and last bytes prepared for the quick filter:
    // a byte b matches the folded byte X when (b | Or) == Target.
    struct TPattern {
        std::string Bytes;
        unsigned char FirstOr = 0, FirstTarget = 0, LastOr = 0, LastTarget = 0;
        bool Empty() const { return Bytes.empty(); }
        bool At(const unsigned char* Data, std::size_t Pos, std::size_t Avail) const;
    };
    static TPattern Prepare(std::string Bytes);
    bool MatchAt(const unsigned char* Data, std::size_t Pos, std::size_t Avail) const;

    TPattern FAnsi;
    TPattern FWide;
    TPattern FUtf8;  // empty when equal to FAnsi
};

// Block size of the file scan: memory stays bounded whatever the file's size.
inline constexpr std::size_t ScanBlockSize = std::size_t(4) << 20;

// Whether the Size bytes at Data, a whole content, hold an occurrence of any form.
inline bool ScanWhole(const TKeywordScanner& Scanner, const unsigned char* Data, std::size_t Size) {
    const std::size_t L = Scanner.MinLength();
    return Size >= L && Scanner.FindIn(Data, Size, Size - L + 1);
}

// Scans Size bytes delivered by Read(Buffer, Count), which fills exactly Count bytes or throws,
// in blocks of BlockSize bytes that share Overlap() bytes with the next one, so the answer is
// the same as a scan of the whole content at once.
template <typename TRead>
bool ScanStream(const TKeywordScanner& Scanner, std::uint64_t Size, std::size_t BlockSize, TRead&& Read) {
    const std::size_t L = Scanner.MinLength();
    if (Size < L) return false;
    const std::size_t Overlap = Scanner.Overlap();
    const std::size_t Block =
        static_cast<std::size_t>(std::min<std::uint64_t>(Size, std::max<std::size_t>(BlockSize, 1)));
    std::unique_ptr<unsigned char[]> Buffer(new unsigned char[Block + Overlap]);
    std::uint64_t Left = Size;
    std::size_t Carry = 0;  // bytes kept from the previous block, at the buffer's start
    while (Left > 0) {
        const std::size_t Want = static_cast<std::size_t>(std::min<std::uint64_t>(Left, Block));
        Read(Buffer.get() + Carry, Want);
        Left -= Want;
        const std::size_t Avail = Carry + Want;
        std::size_t Count;  // start positions whose occurrences are wholly inside this block
        if (Left == 0)
            Count = Avail >= L ? Avail - L + 1 : 0;
        else
            Count = Avail > Overlap ? Avail - Overlap : 0;
        if (Count > 0 && Scanner.FindIn(Buffer.get(), Avail, Count)) return true;
        Carry = Avail - Count;
        std::memmove(Buffer.get(), Buffer.get() + Count, Carry);
    }
    return false;
}
