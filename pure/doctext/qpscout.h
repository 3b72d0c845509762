#pragma once
// The look of unitscout.h through a mail's text or page in UTF-8 sent quoted-printable, taken
// on the encoded bytes rather than the decoded ones, which saves decoding the many parts that
// cannot give the unit. A byte beyond ASCII comes out of such a body only from an escape ("=E8")
// or from a byte beyond ASCII written as it is; the escapes of one character stand next to each
// other but for soft line breaks ("=" and the line end), which give nothing. So the body may give
// the unit only where the escapes of its UTF-8 form follow each other so, where a byte beyond
// ASCII stands unescaped, or, in a page, where a character reference stands for it.
#include <cstddef>
#include <vector>

#include "pure/doctext/unitscout.h"

class TQuotedScout {
public:
    // Unit: one TUnitScout::Judges accepts. References: None for text, Html for a page.
    TQuotedScout(char16_t Unit, TReferences References);
    // Looks through the next bytes of the encoded body; true once it may give the unit.
    bool Feed(const unsigned char* Data, std::size_t Size);
    // The body's end. True when it may give the unit.
    bool Finish();

private:
    // Whether Data (Size bytes, of which the first Old were looked through before) may give the
    // unit. Final: the body ends with them; EndsData: no bytes were fed after them; Tailed: bytes
    // were fed before them that they do not hold.
    bool Holds(const unsigned char* Data, std::size_t Size, std::size_t Old, bool Final, bool EndsData,
               bool Tailed) const;
    // Whether the escapes of the form's bytes but the last end just before At, but for soft line
    // breaks; Known: false when Data starts too late to tell.
    bool FormEndsAt(const unsigned char* Data, std::size_t At, bool& Known) const;
    // Whether the reference after the "&" before At stands for the unit; Cut: Data ends first.
    bool ReferenceGives(const unsigned char* Data, std::size_t At, std::size_t Size, bool Final, bool& Cut) const;

    char16_t FUnit;
    TReferences FReferences;
    bool FNamed;
    unsigned char FForm[3] = {};
    std::size_t FFormLength;
    std::vector<unsigned char> FStart;  // the body's first bytes, until they tell it is no UTF-16
    bool FStarted = false;
    std::vector<unsigned char> FTail;  // the last bytes fed
    bool FFound = false;
};
