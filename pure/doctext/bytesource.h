#pragma once
// A document read at random offsets: the file itself, or a stream that a container holds (one
// stream of a compound file, one member of a package). Decoders read only through this, so the
// same decoder serves a file on disk, a stream reassembled in memory and a fuzzer's input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

class TByteSource {
public:
    virtual ~TByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies up to Count bytes from Offset into Buffer and returns how many: fewer only where the
    // source ends (none at or past its end). A failing read of the underlying file throws: that
    // is the file's failure, not the format's, and it passes through every decoder.
    virtual std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) = 0;

    // True when all Count bytes at Offset were read.
    bool ReadExactAt(std::uint64_t Offset, void* Buffer, std::size_t Count) {
        return ReadAt(Offset, Buffer, Count) == Count;
    }
};

// Bytes held in memory by someone else.
class TMemorySource : public TByteSource {
public:
    TMemorySource(const void* Data, std::size_t Size) : FData(static_cast<const unsigned char*>(Data)), FSize(Size) {}
    std::uint64_t Size() const override { return FSize; }
    std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) override {
        if (Offset >= FSize) return 0;
        const std::size_t N = std::min<std::uint64_t>(Count, FSize - Offset);
        if (N > 0) std::memcpy(Buffer, FData + Offset, N);
        return N;
    }

private:
    const unsigned char* FData;
    std::size_t FSize;
};
