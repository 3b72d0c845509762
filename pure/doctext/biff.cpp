#include "pure/doctext/biff.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "pure/doctext/bytereader.h"
#include "pure/doctext/sinkwriter.h"

namespace {

constexpr std::uint16_t RecordBof = 0x0809;
constexpr std::uint16_t RecordEof = 0x000A;
constexpr std::uint16_t RecordFilePass = 0x002F;
constexpr std::uint16_t RecordSst = 0x00FC;
constexpr std::uint16_t RecordContinue = 0x003C;

// The shared-string table's bytes: the SST record's data followed by that of the CONTINUE records
// after it, read as one sequence except where a string's characters are cut (see Characters).
class TSstReader {
public:
    TSstReader(TForwardReader& Reader, std::uint16_t Length) : FReader(Reader), FLeft(Length) {}

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
    // Hands Count characters to Out. Where a record ends inside them, the CONTINUE record starts
    // with an option byte that says whether the rest is 8-bit (Latin-1) or 16-bit. False when the
    // table ends first or the sink wants no more (Out tells which).
    bool Characters(std::size_t Count, bool Wide, TSinkWriter& Out) {
        unsigned char Raw[2048];
        while (Count > 0) {
            if (FLeft == 0) {
                unsigned char Option;
                if (!NextRecord() || !Bytes(&Option, 1)) return false;
                Wide = (Option & 1) != 0;
                continue;
            }
            const std::size_t N = std::min<std::size_t>({Count, Wide ? FLeft / 2u : FLeft, sizeof Raw / 2, Out.Room()});
            if (N == 0) {  // half a 16-bit character before the record's end: damaged, dropped
                Skip(FLeft);
                continue;
            }
            if (!Bytes(Raw, Wide ? 2 * N : N)) return false;
            char16_t* Units = Out.Space();
            for (std::size_t I = 0; I < N; ++I)
                Units[I] = Wide ? static_cast<char16_t>(Le16(Raw + 2 * I)) : static_cast<char16_t>(Raw[I]);
            if (!Out.Commit(N)) return false;
            Count -= N;
        }
        return true;
    }

private:
    bool NextRecord() {
        unsigned char Header[4];
        if (!FReader.Read(Header, 4)) return false;
        if (Le16(Header) != RecordContinue) return false;
        FLeft = Le16(Header + 2);
        return true;
    }
    TForwardReader& FReader;
    std::uint16_t FLeft;  // bytes left in the current record
};

// One string of the table: character count, option flags (bit 0 16-bit characters, bit 2 an
// extended block follows, bit 3 rich-text runs follow), the run count and extended block size
// when flagged, the characters, then the runs (4 bytes each) and the extended block, skipped.
bool ReadSharedString(TSstReader& Sst, TSinkWriter& Out) {
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
    if (!Sst.Characters(Count, (Flags & 0x01) != 0, Out) || !Out.Break()) return false;
    return Sst.Skip(4 * Runs + Extended);
}

}  // namespace

bool DecodeWorkbookStrings(TByteSource& Workbook, TTextSink& Sink) {
    TForwardReader Reader(Workbook);
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
        TSinkWriter Out(Sink);
        while (ReadSharedString(Sst, Out)) {
        }
        return Out.Flush();
    }
    return true;
}
