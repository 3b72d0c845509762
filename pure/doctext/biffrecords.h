#pragma once
// The records of an Excel 97-2003 (BIFF5 and BIFF8) workbook stream, front to back: a 4-byte
// header (type, data length), then the data. Data longer than a record goes on in CONTINUE
// records; a string's characters cut there go on after an option byte that says whether the rest
// is 8-bit or 16-bit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pure/doctext/bytereader.h"

namespace biff {

// The record types read.
enum TRecordType : std::uint16_t {
    RecordBof = 0x0809,         // a substream begins: the workbook's globals, a sheet, a chart
    RecordEof = 0x000A,         // it ends
    RecordContinue = 0x003C,    // the data of the record before goes on
    RecordFilePass = 0x002F,    // the workbook is encrypted
    RecordCodePage = 0x0042,    // of BIFF5's 8-bit text
    RecordBoundSheet = 0x0085,  // a sheet's name and where its substream begins
    RecordSst = 0x00FC,         // the shared-string table
    RecordLabelSst = 0x00FD,    // a cell that shows a shared string
    RecordNumber = 0x0203,      // a number
    RecordRk = 0x027E,          // a number in 32 bits
    RecordMulRk = 0x00BD,       // numbers of adjacent cells of a row in 32 bits each
    RecordFormula = 0x0006,     // a formula with its cached result
    RecordString = 0x0207,      // the cached text of the string formula before it
    RecordLabel = 0x0204,       // a cell's own text
    RecordRString = 0x00D6,     // the same with rich-text runs (BIFF5)
};

class TRecords {
public:
    explicit TRecords(TByteSource& Stream) : FReader(Stream) {}

    // Moves to the next record, past what is left of this one and its CONTINUE records; false at
    // the stream's end.
    bool Next();
    // Moves to the next record whose type Wanted(Type) accepts, passing over the others where
    // they stand in the buffer, header to header; false at the stream's end.
    template <typename TWanted>
    bool NextWanted(TWanted&& Wanted);
    std::uint16_t Type() const { return FType; }
    // Where the record's header stands in the stream.
    std::uint64_t Start() const { return FStart; }

    // The rest of this record's data (not of its CONTINUE records) in memory, valid until the
    // next call; Count says how long it is.
    const unsigned char* Data(std::size_t& Count);

    // Copies or passes over Count bytes of the data, going on into CONTINUE records; false when
    // the data ends first.
    bool Read(unsigned char* Out, std::size_t Count);
    bool Skip(std::uint64_t Count);

    // Hands Count characters, 8-bit (each the low byte of a UTF-16 unit) or 16-bit as Wide says
    // until a CONTINUE record's option byte says otherwise, to Out, which has the buffer protocol
    // of TSinkWriter (Space, Room, Commit). False when the data ends first or Out wants no more.
    template <typename TOut>
    bool Characters(std::size_t Count, bool Wide, TOut& Out);

private:
    bool ReadHeader();
    // Moves into the CONTINUE record that follows; any other record is kept for Next.
    bool NextContinue();

    TForwardReader FReader;
    std::uint16_t FType = 0;
    std::uint16_t FLeft = 0;  // bytes of the current record not yet read
    std::uint64_t FStart = 0;
    bool FHeld = false;  // a record's header was read ahead by NextContinue
    std::uint16_t FHeldLength = 0;
    std::vector<unsigned char> FCopy;
};

template <typename TWanted>
bool TRecords::NextWanted(TWanted&& Wanted) {
    if (FHeld && Next() && Wanted(FType)) return true;
    for (;;) {
        FReader.Skip(FLeft);
        FLeft = 0;
        std::size_t Count;
        const unsigned char* P = FReader.Buffered(Count);
        std::size_t At = 0;
        while (At + 4 <= Count && !Wanted(Le16(P + At))) At += 4 + std::size_t(Le16(P + At + 2));
        if (At >= Count) {  // all that was buffered passed over: on past the buffer, then fill it
            FReader.Advance(Count);
            FReader.Skip(At - Count);
            if (FReader.Peek() < 0) return false;
            continue;
        }
        // A wanted record's header, or one cut by the buffer's end.
        FReader.Advance(At);
        if (!ReadHeader()) return false;
        if (Wanted(FType)) return true;
    }
}

template <typename TOut>
bool TRecords::Characters(std::size_t Count, bool Wide, TOut& Out) {
    unsigned char Raw[2048];
    while (Count > 0) {
        if (FLeft == 0) {
            unsigned char Option;
            if (!NextContinue() || !Read(&Option, 1)) return false;
            Wide = (Option & 1) != 0;
            continue;
        }
        // A record may claim more bytes than the stream holds: the characters there are count.
        const std::size_t Bytes = static_cast<std::size_t>(std::min<std::uint64_t>(FLeft, FReader.Left()));
        const std::size_t N = std::min<std::size_t>({Count, Wide ? Bytes / 2u : Bytes, sizeof Raw / 2, Out.Room()});
        if (N == 0) {
            if (Bytes < FLeft) return false;  // the stream ends inside the record
            Skip(FLeft);                      // half a 16-bit character before the record's end: damaged, dropped
            continue;
        }
        if (!Read(Raw, Wide ? 2 * N : N)) return false;
        char16_t* Units = Out.Space();
        for (std::size_t I = 0; I < N; ++I)
            Units[I] = Wide ? static_cast<char16_t>(Le16(Raw + 2 * I)) : static_cast<char16_t>(Raw[I]);
        if (!Out.Commit(N)) return false;
        Count -= N;
    }
    return true;
}

}  // namespace biff
