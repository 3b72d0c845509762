#include "pure/doctext/biff.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "pure/doctext/biffrecords.h"
#include "pure/doctext/decodelimits.h"
#include "pure/doctext/sheetnumber.h"
#include "pure/doctext/sinkwriter.h"

namespace {

using namespace biff;

// Every cell record begins with its cell: row, column, format.
constexpr std::size_t CellBytes = 6;

// A string's header in the shared-string table: character count, option flags (bit 0 16-bit
// characters, bit 2 an extended block follows, bit 3 rich-text runs follow), the run count and
// extended block size when flagged. After holds the bytes of runs (4 each) and block that follow
// the characters.
struct TStringHead {
    std::size_t Count = 0;
    bool Wide = false;
    std::uint64_t After = 0;
};

bool ReadStringHead(TRecords& Records, TStringHead& Head) {
    unsigned char Bytes[4];
    if (!Records.Read(Bytes, 3)) return false;
    Head.Count = Le16(Bytes);
    const unsigned Flags = Bytes[2];
    Head.Wide = (Flags & 0x01) != 0;
    Head.After = 0;
    if ((Flags & 0x08) != 0) {
        if (!Records.Read(Bytes, 2)) return false;
        Head.After += 4 * std::uint64_t(Le16(Bytes));
    }
    if ((Flags & 0x04) != 0) {
        if (!Records.Read(Bytes, 4)) return false;
        Head.After += Le32(Bytes);
    }
    return true;
}

// The shared strings held for a sink that wants places: each is handed out where a cell first
// shows it. Units and string ends grow in blocks (no copying as they grow), within
// BiffMaxHeldStrings bytes.
class THeldStrings {
public:
    // The buffer protocol of TSinkWriter, for TRecords::Characters.
    char16_t* Space() { return FPiece + FPieceCount; }
    std::size_t Room() const { return PieceSize - FPieceCount; }
    bool Commit(std::size_t Count) {
        FPieceCount += Count;
        if (FPieceCount == PieceSize) Keep();
        return true;
    }

    // Whether one more string of Count units stays within the bound.
    bool Fits(std::size_t Count) const {
        return (FUnits.size() + Count) * 2 + (FEnds.size() + 1) * 5 <= BiffMaxHeldStrings;
    }
    void EndString() {
        Keep();
        FEnds.push_back(static_cast<std::uint32_t>(FUnits.size()));
        FShown.push_back(false);
    }
    // Hands string Index to Out as a run, unless it is not held or was handed out already.
    bool Show(std::size_t Index, TSinkWriter& Out) {
        if (Index >= FEnds.size() || FShown[Index]) return true;
        FShown[Index] = true;
        for (std::size_t I = Index == 0 ? 0 : FEnds[Index - 1]; I < FEnds[Index]; ++I)
            if (!Out.Put(FUnits[I])) return false;
        return Out.Break();
    }
    // Hands every string not shown yet to Out, after telling Out that they stand in the Body.
    bool ShowRest(TSinkWriter& Out) {
        const auto First = std::find(FShown.begin(), FShown.end(), false);
        if (First == FShown.end()) return true;
        if (!Out.Place(TTextPlace::Body)) return false;
        for (std::size_t I = static_cast<std::size_t>(First - FShown.begin()); I < FEnds.size(); ++I)
            if (!Show(I, Out)) return false;
        return true;
    }

private:
    static constexpr std::size_t PieceSize = 1024;
    void Keep() {
        FUnits.insert(FUnits.end(), FPiece, FPiece + FPieceCount);
        FPieceCount = 0;
    }
    char16_t FPiece[PieceSize];
    std::size_t FPieceCount = 0;
    std::deque<char16_t> FUnits;
    std::deque<std::uint32_t> FEnds;  // where each string ends in FUnits
    std::vector<bool> FShown;
};

// A sheet's name and where its substream's BOF record stands.
struct TSheet {
    std::uint32_t Position = 0;
    std::u16string Name;
};

// A character that can be part of a number's text.
bool InNumberText(char16_t C) {
    return (C >= '0' && C <= '9') || C == '.' || C == '-' || C == '+' || C == 'E' || C == 'e';
}

// The records of a sheet that give text: the numbers' only while the sink may want their text,
// the cells that show shared strings only when those are handed out in their cells. Looked up by
// the type's low byte, which tells these types apart, so that passing over a record takes no
// branch on its type (a sheet's types come in no order a processor could guess).
class TSheetRecords {
public:
    TSheetRecords(bool Numbers, bool Places) {
        std::fill(std::begin(FTypes), std::end(FTypes), 0);
        FTypes[0] = 0xFFFF;  // no type with a low byte of 0 is wanted
        for (const std::uint16_t Type : {RecordBof, RecordEof, RecordString, RecordLabel, RecordRString}) Add(Type);
        if (Numbers)
            for (const std::uint16_t Type : {RecordNumber, RecordRk, RecordMulRk, RecordFormula}) Add(Type);
        if (Places) Add(RecordLabelSst);
    }
    bool operator()(std::uint16_t Type) const { return FTypes[Type & 0xFF] == Type; }

private:
    void Add(std::uint16_t Type) { FTypes[Type & 0xFF] = Type; }
    std::uint16_t FTypes[256];
};

class TWorkbook {
public:
    TWorkbook(TByteSource& Stream, TTextSink& Sink, const TDecodeEnv& Env)
        : FRecords(Stream),
          FOut(Sink),
          FEnv(Env),
          FPlaces(Sink.WantsPlaces()),
          FWithNumbers(true, FPlaces),
          FWithoutNumbers(false, FPlaces) {}

    bool Decode() {
        std::size_t Count;
        if (!FRecords.Next() || FRecords.Type() != RecordBof) return true;
        const unsigned char* Bof = FRecords.Data(Count);
        FBiff8 = !(Count >= 2 && Le16(Bof) == 0x0500);
        // The workbook's global part, up to the first EOF record: code page, sheet names, shared
        // strings. An encrypted workbook (FILEPASS) is left to the raw scan.
        bool TableRead = false;
        while (FRecords.Next() && FRecords.Type() != RecordEof) {
            switch (FRecords.Type()) {
            case RecordFilePass:
                return Finish();
            case RecordCodePage:
                ReadCodePage();
                break;
            case RecordBoundSheet:
                ReadSheetName();
                break;
            case RecordSst:
                if (!TableRead && !ReadSharedStrings()) return false;
                TableRead = true;
                break;
            default:
                break;
            }
        }
        // The sheets, each a substream from its BOF record to its EOF record, in which charts
        // nest substreams of their own.
        std::size_t Depth = 0, Sheets = 0;
        while (FRecords.NextWanted(SheetRecords())) {
            if (FRecords.Type() == RecordBof) {
                if (Depth++ == 0 && !FOut.Place(TTextPlace::Sheet, 0, SheetName(Sheets++))) return false;
            } else if (FRecords.Type() == RecordEof) {
                Depth -= Depth > 0;
            } else if (!ReadCell()) {
                return false;
            }
        }
        return Finish();
    }

private:
    bool Finish() { return (!FPlaces || FHeld.ShowRest(FOut)) && FOut.Flush(); }

    // The code page of the 8-bit text of a BIFF5 workbook: 0x8001 and 367 (ASCII) stand for
    // 1252, 0x8000 for Mac Roman; 1200 (UTF-16, as BIFF8 says) means none.
    void ReadCodePage() {
        std::size_t Count;
        const unsigned char* P = FRecords.Data(Count);
        if (Count < 2) return;
        const unsigned Page = Le16(P);
        FCodePage = Page == 0x8001 || Page == 367 ? 1252 : Page == 0x8000 ? 10000 : Page == 1200 ? 0 : Page;
    }

    // 8-bit text of a BIFF5 workbook in its code page (the system's when it names none); without
    // a converter only ASCII is known.
    const std::u16string& EightBitText(const unsigned char* Bytes, std::size_t Count) {
        FText.clear();
        const std::string_view View(reinterpret_cast<const char*>(Bytes), Count);
        const bool Ascii = std::all_of(View.begin(), View.end(), [](char C) { return (C & 0x80) == 0; });
        const unsigned Page = FCodePage != 0 ? FCodePage : FEnv.SystemCodePage();
        if (!Ascii && FEnv.CodePages != nullptr && FEnv.CodePages->ToUtf16(Page, View, FText)) return FText;
        for (const char C : View)
            if ((C & 0x80) == 0) FText += static_cast<char16_t>(C);
        return FText;
    }

    // BOUNDSHEET: where the sheet's BOF record stands, visibility and kind, then the name: a
    // 1-byte count and, in BIFF8, the 8-bit / 16-bit flag.
    void ReadSheetName() {
        std::size_t Count;
        const unsigned char* P = FRecords.Data(Count);
        if (Count < 7 || FSheets.size() >= BiffMaxSheets) return;
        TSheet Sheet;
        Sheet.Position = Le32(P);
        const std::size_t Length = P[6];
        if (!FBiff8) {
            Sheet.Name = EightBitText(P + 7, std::min(Length, Count - 7));
        } else if (Count >= 8 && (P[7] & 1) != 0) {
            for (std::size_t I = 0; I < Length && 8 + 2 * I + 1 < Count; ++I)
                Sheet.Name += static_cast<char16_t>(Le16(P + 8 + 2 * I));
        } else if (Count >= 8) {
            for (std::size_t I = 0; I < Length && 8 + I < Count; ++I) Sheet.Name += static_cast<char16_t>(P[8 + I]);
        }
        FSheets.push_back(std::move(Sheet));
    }

    // The name of the Index-th sheet substream, whose BOF record was just read: the sheet whose
    // BOUNDSHEET names this place in the stream, else the Index-th one.
    std::u16string_view SheetName(std::size_t Index) {
        const std::uint64_t At = FRecords.Start();
        if (Index < FSheets.size() && FSheets[Index].Position == At) return FSheets[Index].Name;
        if (FByPosition.size() != FSheets.size()) {
            FByPosition.resize(FSheets.size());
            for (std::size_t I = 0; I < FSheets.size(); ++I) FByPosition[I] = I;
            std::stable_sort(FByPosition.begin(), FByPosition.end(),
                             [&](std::size_t A, std::size_t B) { return FSheets[A].Position < FSheets[B].Position; });
        }
        const auto Found = std::lower_bound(FByPosition.begin(), FByPosition.end(), At,
                                            [&](std::size_t I, std::uint64_t P) { return FSheets[I].Position < P; });
        if (Found != FByPosition.end() && FSheets[*Found].Position == At) return FSheets[*Found].Name;
        return Index < FSheets.size() ? std::u16string_view(FSheets[Index].Name) : std::u16string_view();
    }

    // SST: total and unique counts (the records' end is what counts), then the strings. Each is
    // handed out at once, or held for the cells when the sink wants places; once the held ones
    // reach the bound, the rest are handed out at once in the Body.
    bool ReadSharedStrings() {
        if (!FRecords.Skip(8)) return true;
        bool Overflow = false;
        TStringHead Head;
        while (ReadStringHead(FRecords, Head)) {
            const bool Hold = FPlaces && !Overflow && FHeld.Fits(Head.Count);
            if (FPlaces && !Hold && !Overflow) {
                Overflow = true;
                if (!FOut.Place(TTextPlace::Body)) return false;
            }
            // A string cut short by the table's end still ends its run.
            const bool Whole = Hold ? FRecords.Characters(Head.Count, Head.Wide, FHeld)
                                    : FRecords.Characters(Head.Count, Head.Wide, FOut);
            if (Hold) {
                FHeld.EndString();
            } else if (!FOut.Break()) {
                return false;
            }
            if (!Whole || !FRecords.Skip(Head.After)) break;
        }
        return true;
    }

    // The records of a sheet that matter now.
    const TSheetRecords& SheetRecords() const {
        const char16_t Awaited = FOut.Sink().AwaitedUnit();
        return Awaited == 0 || InNumberText(Awaited) ? FWithNumbers : FWithoutNumbers;
    }

    bool ReadCell() {
        std::size_t Count;
        const unsigned char* P;
        switch (FRecords.Type()) {
        case RecordNumber:
            P = FRecords.Data(Count);
            return Count < CellBytes + 8 || PutNumber(Double(P + CellBytes));
        case RecordRk:
            P = FRecords.Data(Count);
            return Count < CellBytes + 4 || PutNumber(RkValue(Le32(P + CellBytes)));
        case RecordMulRk:
            // Row, first column, then a format and an RK number per cell, then the last column.
            P = FRecords.Data(Count);
            for (std::size_t At = 4; At + 6 + 2 <= Count; At += 6)
                if (!PutNumber(RkValue(Le32(P + At + 2)))) return false;
            return true;
        case RecordFormula:
            // The cached result: a number, or (top two bytes 0xFFFF, not a number's) a string
            // that the following STRING record holds, a boolean, an error or an empty string.
            P = FRecords.Data(Count);
            return Count < CellBytes + 8 || Le16(P + CellBytes + 6) == 0xFFFF || PutNumber(Double(P + CellBytes));
        case RecordString:
            return PutCellString(0);
        case RecordLabel:
        case RecordRString:
            return PutCellString(CellBytes);
        case RecordLabelSst:
            if (!FPlaces) return true;  // the shared strings were handed out already
            P = FRecords.Data(Count);
            return Count < CellBytes + 4 || FHeld.Show(Le32(P + CellBytes), FOut);
        default:
            return true;
        }
    }

    static double Double(const unsigned char* P) {
        const std::uint64_t Bits = Le64(P);
        double Value;
        std::memcpy(&Value, &Bits, sizeof Value);
        return Value;
    }

    bool PutNumber(double Value) {
        // Digits, a point, a sign and an exponent are all a number's text can hold.
        const char16_t Awaited = FOut.Sink().AwaitedUnit();
        if (Awaited != 0 && !InNumberText(Awaited)) return true;
        char Text[SheetNumberMaxChars];
        const std::size_t Length = FormatSheetNumber(Value, Text);
        if (Length == 0) return true;
        if (FOut.Room() < Length && !FOut.Flush()) return false;
        char16_t* Units = FOut.Space();
        for (std::size_t I = 0; I < Length; ++I) Units[I] = static_cast<char16_t>(Text[I]);
        return FOut.Commit(Length) && FOut.Break();
    }

    // A string of the cell's own after Skip bytes of the record: in BIFF8 a 2-byte count, the
    // 8-bit / 16-bit flag and the characters (going on into CONTINUE records); in BIFF5 a count
    // and 8-bit text in the workbook's code page.
    bool PutCellString(std::size_t Skip) {
        unsigned char Head[3];
        if (!FRecords.Skip(Skip)) return true;
        if (FBiff8) {
            if (!FRecords.Read(Head, 3)) return true;
            FRecords.Characters(Le16(Head), (Head[2] & 1) != 0, FOut);
        } else {
            if (!FRecords.Read(Head, 2)) return true;
            std::size_t Count;
            const unsigned char* P = FRecords.Data(Count);
            FOut.Put(EightBitText(P, std::min<std::size_t>(Count, Le16(Head))));
        }
        return FOut.Break();
    }

    TRecords FRecords;
    TSinkWriter FOut;
    const TDecodeEnv& FEnv;
    const bool FPlaces;
    const TSheetRecords FWithNumbers, FWithoutNumbers;
    bool FBiff8 = true;
    unsigned FCodePage = 0;  // of BIFF5's 8-bit text; 0: the system's
    std::vector<TSheet> FSheets;
    std::vector<std::size_t> FByPosition;  // indices of FSheets by the position of their BOF
    THeldStrings FHeld;
    std::u16string FText;
};

}  // namespace

bool DecodeWorkbook(TByteSource& Workbook, TTextSink& Sink, const TDecodeEnv& Env) {
    TWorkbook Decoder(Workbook, Sink, Env);
    return Decoder.Decode();
}
