#include "pure/doctext/ooxmlcells.h"

#include <algorithm>

#include "pure/doctext/decodelimits.h"
#include "pure/doctext/package.h"
#include "pure/doctext/textsink.h"
#include "pure/doctext/xmltext.h"

namespace {

// A cell's value is the index of a shared string when the cell's type says so (t="s").
const TXmlTextRules IndexCellRules{
    .Breaks = "c", .Unless = {.Containers = "v", .Element = "c", .Attribute = "t", .Values = "s", .Only = true}};

// Collects the table's strings, one per run, until they pass Bound bytes.
class THoldSink : public TTextSink {
public:
    THoldSink(std::vector<std::u16string>& Strings, std::size_t Bound) : FStrings(Strings), FBound(Bound) {}
    bool Overflow = false;
    bool Text(const char16_t* Units, std::size_t Count) override {
        // A held string costs its units and the string's own bookkeeping.
        if (!FOpen) {
            FStrings.emplace_back();
            FOpen = true;
            FBytes += sizeof(std::u16string) + 8;
        }
        FStrings.back().append(Units, Count);
        FBytes += Count * 2;
        Overflow = FBytes > FBound;
        return !Overflow;
    }
    bool Break() override {
        FOpen = false;
        return true;
    }
    bool RawStream(TByteSource&) override { return true; }

private:
    std::vector<std::u16string>& FStrings;
    std::size_t FBound, FBytes = 0;
    bool FOpen = false;
};

// Reads each index cell's value and shows its string.
class TIndexSink : public TTextSink {
public:
    TIndexSink(TSharedStringCells& Cells, TTextSink& Out) : FCells(Cells), FOut(Out) {}
    bool Text(const char16_t* Units, std::size_t Count) override {
        for (std::size_t I = 0; I < Count; ++I) {
            const char16_t U = Units[I];
            if (U >= '0' && U <= '9' && FIndex < (std::size_t(1) << 40))
                FIndex = FIndex * 10 + (U - '0');
            else if (U != ' ')
                FValid = false;
            FDigits = FDigits || (U >= '0' && U <= '9');
        }
        return true;
    }
    bool Break() override {
        const bool Shown = !FDigits || !FValid || FCells.Show(FIndex, FOut);
        FIndex = 0, FDigits = false, FValid = true;
        return Shown;
    }
    bool RawStream(TByteSource&) override { return true; }

private:
    TSharedStringCells& FCells;
    TTextSink& FOut;
    std::size_t FIndex = 0;
    bool FDigits = false, FValid = true;
};

}  // namespace

bool TSharedStringCells::Hold(TPackage& Package, std::size_t Entry, const TXmlTextRules& Rules) {
    const std::size_t Bound =
        static_cast<std::size_t>(std::min<std::uint64_t>(OoxmlMaxHeldStrings, Package.Env().MemoryLeft() / 8));
    FLease = std::make_unique<TMemoryLease>(Package.Env().Budget, Bound);
    THoldSink Sink(FStrings, Bound);
    if (FLease->Granted()) Package.DecodeXml(Entry, Rules, Sink);
    if (!FLease->Granted() || Sink.Overflow || Package.Exhausted()) {
        std::vector<std::u16string>().swap(FStrings);
        FLease.reset();
        return false;
    }
    FShown.assign(FStrings.size(), false);
    return true;
}

bool TSharedStringCells::ShowCells(TPackage& Package, std::size_t Entry) {
    TIndexSink Sink(*this, Package.Sink());
    return Package.DecodeXml(Entry, IndexCellRules, Sink);
}

bool TSharedStringCells::Show(std::size_t Index, TTextSink& Sink) {
    if (Index >= FStrings.size() || FShown[Index]) return true;
    FShown[Index] = true;
    const std::u16string& S = FStrings[Index];
    return Sink.Text(S.data(), S.size()) && Sink.Break();
}

bool TSharedStringCells::ShowRest(TTextSink& Sink) {
    bool Placed = false;
    for (std::size_t I = 0; I < FStrings.size(); ++I) {
        if (FShown[I]) continue;
        if (!Placed && !Sink.Place(TTextPlace::Body)) return false;
        Placed = true;
        if (!Show(I, Sink)) return false;
    }
    return true;
}
