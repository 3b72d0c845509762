#include "pure/doctext/biff.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint16_t RecordBof = 0x0809;
constexpr std::uint16_t RecordEof = 0x000A;
constexpr std::uint16_t RecordFilePass = 0x002F;
constexpr std::uint16_t RecordSst = 0x00FC;
constexpr std::uint16_t RecordContinue = 0x003C;

// Reads a stream front to back through a window, so that small reads do not each reach the file.
class TWindowReader {
public:
    explicit TWindowReader(TByteSource& Source) : FSource(Source), FSize(Source.Size()) {}
    std::uint64_t Position() const { return FPos; }
    std::uint64_t Left() const { return FSize - FPos; }
    // Copies Count bytes at the position and moves past them; false when the stream holds fewer.
    bool Read(unsigned char* Out, std::size_t Count) {
        if (Count > Left()) return false;
        std::size_t Done = 0;
        while (Done < Count) {
            if (FPos < FWindowStart || FPos >= FWindowStart + FWindow.size()) Fill();
            const std::size_t At = static_cast<std::size_t>(FPos - FWindowStart);
            const std::size_t N = std::min(Count - Done, FWindow.size() - At);
            if (N == 0) return false;
            std::copy_n(FWindow.data() + At, N, Out + Done);
            Done += N;
            FPos += N;
        }
        return true;
    }
    void Skip(std::uint64_t Count) { FPos += std::min(Count, Left()); }

private:
    void Fill() {
        FWindowStart = FPos;
        FWindow.resize(static_cast<std::size_t>(std::min<std::uint64_t>(WindowSize, Left())));
        FWindow.resize(FSource.ReadAt(FPos, FWindow.data(), FWindow.size()));
    }
    static constexpr std::size_t WindowSize = 64 << 10;
    TByteSource& FSource;
    std::uint64_t FSize;
    std::uint64_t FPos = 0;
    std::uint64_t FWindowStart = 0;
    std::vector<unsigned char> FWindow;
};

std::uint16_t Le16(const unsigned char* P) { return static_cast<std::uint16_t>(P[0] | (P[1] << 8)); }
std::uint32_t Le32(const unsigned char* P) {
    return P[0] | (std::uint32_t(P[1]) << 8) | (std::uint32_t(P[2]) << 16) | (std::uint32_t(P[3]) << 24);
}

// The shared-string table's bytes: the SST record's data followed by that of the CONTINUE records
// after it, read as one sequence except where a string's characters are cut (see Characters).
class TSstReader {
public:
    TSstReader(TWindowReader& Reader, std::uint16_t Length) : FReader(Reader), FLeft(Length) {}

    bool Bytes(unsigned char* Out, std::size_t Count) {
        while (Count > 0) {
            if (FLeft == 0 && !NextRecord()) return false;
            const std::size_t N = std::min<std::size_t>(Count, FLeft);
            if (!FReader.Read(Out, N)) return false;
            Out += N;
            Count -= N;
            FLeft -= static_cast<std::uint16_t>(N);
        }
        return true;
    }
    bool Skip(std::uint64_t Count) {
        while (Count > 0) {
            if (FLeft == 0 && !NextRecord()) return false;
            const std::uint64_t N = std::min<std::uint64_t>(Count, FLeft);
            FReader.Skip(N);
            Count -= N;
            FLeft -= static_cast<std::uint16_t>(N);
        }
        return true;
    }
    // Hands Count characters to Sink. Where a record ends inside them, the CONTINUE record starts
    // with an option byte that says whether the rest is 8-bit (Latin-1) or 16-bit. False when the
    // table ends first or the sink wants no more (Stopped then tells which).
    bool Characters(std::size_t Count, bool Wide, TTextSink& Sink) {
        unsigned char Raw[2048];
        char16_t Units[1024];
        while (Count > 0) {
            if (FLeft == 0) {
                unsigned char Option;
                if (!NextRecord() || !Bytes(&Option, 1)) return false;
                Wide = (Option & 1) != 0;
                continue;
            }
            std::size_t N = std::min<std::size_t>({Count, Wide ? FLeft / 2u : FLeft, sizeof Units / sizeof Units[0]});
            if (N == 0) {  // half a 16-bit character before the record's end: damaged, dropped
                Skip(FLeft);
                continue;
            }
            if (!Bytes(Raw, Wide ? 2 * N : N)) return false;
            for (std::size_t I = 0; I < N; ++I)
                Units[I] = Wide ? static_cast<char16_t>(Le16(Raw + 2 * I)) : static_cast<char16_t>(Raw[I]);
            if (!Sink.Text(Units, N)) {
                Stopped = true;
                return false;
            }
            Count -= N;
        }
        return true;
    }
    bool Stopped = false;

private:
    bool NextRecord() {
        unsigned char Header[4];
        if (!FReader.Read(Header, 4)) return false;
        if (Le16(Header) != RecordContinue) return false;
        FLeft = Le16(Header + 2);
        return true;
    }
    TWindowReader& FReader;
    std::uint16_t FLeft;  // bytes left in the current record
};

// One string of the table: character count, option flags (bit 0 16-bit characters, bit 2 an
// extended block follows, bit 3 rich-text runs follow), the run count and extended block size
// when flagged, the characters, then the runs (4 bytes each) and the extended block, skipped.
bool ReadSharedString(TSstReader& Sst, TTextSink& Sink) {
    unsigned char Head[3];
    if (!Sst.Bytes(Head, 3)) return false;
    const std::size_t Count = Le16(Head);
    const unsigned Flags = Head[2];
    std::uint64_t Runs = 0, Extended = 0;
    unsigned char Field[4];
    if ((Flags & 0x08) != 0) {
        if (!Sst.Bytes(Field, 2)) return false;
        Runs = Le16(Field);
    }
    if ((Flags & 0x04) != 0) {
        if (!Sst.Bytes(Field, 4)) return false;
        Extended = Le32(Field);
    }
    if (!Sst.Characters(Count, (Flags & 0x01) != 0, Sink)) return false;
    if (!Sink.Break()) {
        Sst.Stopped = true;
        return false;
    }
    return Sst.Skip(4 * Runs + Extended);
}

}  // namespace

bool DecodeWorkbookStrings(TByteSource& Workbook, TTextSink& Sink) {
    TWindowReader Reader(Workbook);
    unsigned char Header[4];
    bool First = true;
    // The table belongs to the workbook's global part, which ends at the first EOF record. An
    // encrypted workbook (FILEPASS) is left to the raw scan.
    while (Reader.Read(Header, 4)) {
        const std::uint16_t Type = Le16(Header), Length = Le16(Header + 2);
        if (First && Type != RecordBof) return true;
        First = false;
        if (Type == RecordEof || Type == RecordFilePass) return true;
        if (Type != RecordSst) {
            Reader.Skip(Length);
            continue;
        }
        TSstReader Sst(Reader, Length);
        if (!Sst.Skip(8)) return true;  // total and unique string counts: the records' end is what counts
        while (ReadSharedString(Sst, Sink)) {
        }
        return !Sst.Stopped;
    }
    return true;
}
