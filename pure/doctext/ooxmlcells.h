#pragma once
// A workbook's shared strings in the cells that show them, for a sink that keeps places: the
// table is held, each worksheet hands out the strings its cells show by index on its own sheet
// (each string once, where a cell first shows it), and the strings no cell showed come last, in
// the Body. The text is the same as the table read in its own order; only the places differ.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "pure/doctext/decodeenv.h"

class TPackage;
class TTextSink;
struct TXmlTextRules;

class TSharedStringCells {
public:
    // Holds the table in member Entry, read by Rules (one run per string); false when it passes
    // the bound (then nothing is held and the table is to be read as it stands).
    bool Hold(TPackage& Package, std::size_t Entry, const TXmlTextRules& Rules);
    // Hands the held strings that the cells of worksheet Entry show to the package's sink, where
    // the sheet's place was given. False once the sink wants no more.
    bool ShowCells(TPackage& Package, std::size_t Entry);
    // Hands out the strings no cell showed, in the Body. False once the sink wants no more.
    bool ShowRest(TTextSink& Sink);

    // Hands string Index to Sink as a run unless it was handed out already or is not held.
    bool Show(std::size_t Index, TTextSink& Sink);

private:
    std::vector<std::u16string> FStrings;
    std::vector<bool> FShown;
    std::unique_ptr<TMemoryLease> FLease;
};
