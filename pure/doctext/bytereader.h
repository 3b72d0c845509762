#pragma once
// Reading binary and text formats through a byte source: little-endian fields, and a reader that
// goes front to back through a buffer, so that the many small reads of a decoder do not each
// reach the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pure/doctext/bytesource.h"

inline constexpr std::uint16_t Le16(const unsigned char* P) { return static_cast<std::uint16_t>(P[0] | (P[1] << 8)); }
inline constexpr std::uint32_t Le32(const unsigned char* P) {
    return P[0] | (std::uint32_t(P[1]) << 8) | (std::uint32_t(P[2]) << 16) | (std::uint32_t(P[3]) << 24);
}
inline constexpr std::uint64_t Le64(const unsigned char* P) { return Le32(P) | (std::uint64_t(Le32(P + 4)) << 32); }

// A byte source read forwards from a starting offset. Byte by byte (Get, Peek), by the buffered
// span (Buffered, Advance: a decoder's fast paths work on the buffer directly), or in counted
// pieces (Read, Skip).
class TForwardReader {
public:
    static constexpr std::size_t DefaultBufferSize = 64 * 1024;

    explicit TForwardReader(TByteSource& Source, std::uint64_t Start = 0, std::size_t BufferSize = DefaultBufferSize)
        : FSource(Source),
          FInPlace(Source.Bytes(FInPlaceSize)),
          FBufferSize(std::max<std::size_t>(BufferSize, 1)),
          FOffset(Start) {}

    // The next byte, or -1 at the end of the source.
    int Get() { return (FPos < FLen || Fill()) ? FData[FPos++] : -1; }
    int Peek() { return (FPos < FLen || Fill()) ? FData[FPos] : -1; }
    // The buffered bytes from the current one on (may be fewer than the rest of the source, and
    // none before the first Get or Peek).
    const unsigned char* Buffered(std::size_t& Count) const {
        Count = FLen - FPos;
        return FData + FPos;
    }
    // Moves past Count of the buffered bytes.
    void Advance(std::size_t Count) { FPos += std::min(Count, FLen - FPos); }

    // The offset in the source of the next byte.
    std::uint64_t Position() const { return FOffset - (FLen - FPos); }
    // Bytes from the position to the source's end.
    std::uint64_t Left() const {
        const std::uint64_t At = Position(), Size = FSource.Size();
        return At < Size ? Size - At : 0;
    }
    // Copies Count bytes and moves past them; false (having moved past what there was) when the
    // source holds fewer.
    bool Read(unsigned char* Out, std::size_t Count) {
        while (Count > 0) {
            if (FPos == FLen && !Fill()) return false;
            const std::size_t N = std::min(Count, FLen - FPos);
            std::copy_n(FData + FPos, N, Out);
            FPos += N;
            Out += N;
            Count -= N;
        }
        return true;
    }
    // Moves Count bytes on (past the end: to the end).
    void Skip(std::uint64_t Count) {
        const std::size_t InBuffer = FLen - FPos;
        if (Count <= InBuffer) {
            FPos += static_cast<std::size_t>(Count);
            return;
        }
        FOffset += std::min(Count - InBuffer, Left() - InBuffer);
        FPos = FLen = 0;
    }

private:
    bool Fill() {
        FPos = 0;
        if (FInPlace != nullptr) {
            // A source held in memory is read where it lies, a buffer's worth at a time.
            const std::uint64_t Size = FInPlaceSize;
            FLen = static_cast<std::size_t>(FOffset < Size ? std::min<std::uint64_t>(FBufferSize, Size - FOffset) : 0);
            FData = FInPlace + FOffset;
        } else {
            if (FBuffer.empty()) FBuffer.resize(FBufferSize);
            FLen = FSource.ReadAt(FOffset, FBuffer.data(), FBuffer.size());
            FData = FBuffer.data();
        }
        FOffset += FLen;
        return FLen > 0;
    }

    TByteSource& FSource;
    std::uint64_t FInPlaceSize = 0;  // declared first: set before FInPlace
    const unsigned char* FInPlace;   // the source's bytes, when it holds them in memory
    std::size_t FBufferSize;
    std::vector<unsigned char> FBuffer;
    const unsigned char* FData = nullptr;  // the bytes buffered
    std::uint64_t FOffset = 0;             // of the byte after the buffer's content
    std::size_t FPos = 0, FLen = 0;
};
