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

    // Where the bytes from Offset on lie in the file being tested: sets FileOffset and returns
    // how many of them follow each other there unchanged, or 0 when this source cannot tell (the
    // default; a member inflated from a package, for one). A source over the file itself answers
    // Size() - Offset at Offset; a stream reassembled from pieces of the file answers piece by
    // piece. A matcher that has scanned the whole file already then need look only where two
    // pieces meet (see ForEachSeamWindow).
    virtual std::uint64_t FilePiece(std::uint64_t Offset, std::uint64_t& FileOffset) const {
        (void)Offset;
        (void)FileOffset;
        return 0;
    }
    // The source's bytes, when they lie in memory as ReadAt gives them, and how many there are:
    // a reader may then read them where they lie rather than copy them. Null (the default) when
    // not.
    virtual const unsigned char* Bytes(std::uint64_t& Count) const {
        Count = 0;
        return nullptr;
    }
};

// Calls Visit(Offset, Count) for each window of Stream where bytes that lie apart in the file
// meet, Radius bytes either side of the meeting point (clipped to the stream; overlapping windows
// merged), in order: an occurrence of a pattern of up to Radius + 1 bytes that no window holds lies
// unchanged in the file. Where the stream cannot tell where its bytes lie, the rest of it from
// Radius bytes before is one window. Stops and returns false when Visit does.
template <typename TVisit>
bool ForEachSeamWindow(const TByteSource& Stream, std::uint64_t Radius, TVisit&& Visit) {
    const std::uint64_t Size = Stream.Size();
    std::uint64_t Offset = 0, FileEnd = 0;
    std::uint64_t WindowStart = 0, WindowEnd = 0;  // the pending window, empty while equal
    while (Offset < Size) {
        std::uint64_t FileOffset = 0;
        const std::uint64_t Piece = std::min(Stream.FilePiece(Offset, FileOffset), Size - Offset);
        if (Piece == 0 || (Offset > 0 && FileOffset != FileEnd)) {
            const std::uint64_t Start = Offset > Radius ? Offset - Radius : 0;
            const std::uint64_t End = Piece == 0 ? Size : std::min(Size, Offset + Radius);
            if (WindowEnd > WindowStart && Start <= WindowEnd) {
                WindowEnd = std::max(WindowEnd, End);
            } else {
                if (WindowEnd > WindowStart && !Visit(WindowStart, WindowEnd - WindowStart)) return false;
                WindowStart = Start, WindowEnd = End;
            }
            if (Piece == 0) break;
        }
        FileEnd = FileOffset + Piece;
        Offset += Piece;
    }
    return WindowEnd > WindowStart ? Visit(WindowStart, WindowEnd - WindowStart) : true;
}

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
    const unsigned char* Bytes(std::uint64_t& Count) const override {
        Count = FSize;
        return FData;
    }

private:
    const unsigned char* FData;
    std::size_t FSize;
};

// The file being tested, held whole in memory by someone else: every offset is its own file
// offset, as for the file on disk.
class TFileImage : public TMemorySource {
public:
    using TMemorySource::TMemorySource;
    std::uint64_t FilePiece(std::uint64_t Offset, std::uint64_t& FileOffset) const override {
        FileOffset = Offset;
        return Offset < Size() ? Size() - Offset : 0;
    }
};

// Count bytes of another source from Offset on (fewer where it ends).
class TSliceSource : public TByteSource {
public:
    TSliceSource(TByteSource& Base, std::uint64_t Offset, std::uint64_t Count)
        : FBase(Base), FOffset(std::min(Offset, Base.Size())), FSize(std::min(Count, Base.Size() - FOffset)) {}
    std::uint64_t Size() const override { return FSize; }
    std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) override {
        if (Offset >= FSize) return 0;
        return FBase.ReadAt(FOffset + Offset, Buffer,
                            static_cast<std::size_t>(std::min<std::uint64_t>(Count, FSize - Offset)));
    }

private:
    TByteSource& FBase;
    std::uint64_t FOffset, FSize;
};
