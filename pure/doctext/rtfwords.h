#pragma once
// The control words of Rich Text that change what a reader sees, each with what it does, and the
// code pages of the fonts' character sets. Every other word is passed over.
#include <cstdint>
#include <string_view>

#include "pure/doctext/textsink.h"

enum class TRtfAction : unsigned char {
    // Characters
    Break,        // ends a paragraph, cell, row, section or page
    LineBreak,    // a manual line break inside the paragraph
    Unit,         // a character given by the table
    Unicode,      // \uN
    UnicodeSkip,  // \ucN: how many characters stand in for each \uN
    // Code pages and fonts
    CodePage,      // \ansicpg
    FontTable,     // \fonttbl
    Font,          // \fN: selects a font, or names one in the font table
    FontCharset,   // \fcharsetN in the font table
    FontCodePage,  // \cpgN in the font table
    // Destinations
    Hide,         // a destination a reader does not see
    Place,        // text that stands apart from the body: a header or footer, a footnote, a comment
    Alternate,    // \upr: an 8-bit copy, then a Unicode one
    UnicodeCopy,  // \ud inside \upr
    // Document properties
    Info,      // the document properties
    Property,  // one property inside \info
    // Data
    Binary,  // \binN: N bytes of data follow
};

struct TRtfWord {
    std::string_view Name;
    TRtfAction Action;
    char16_t Unit = 0;                    // of a Unit; 0: none
    TTextPlace Place = TTextPlace::Body;  // of a Place
};

// The word of that name, or null for one that changes nothing a reader sees.
const TRtfWord* FindRtfWord(std::string_view Name);

// The Windows code page of a font character set (\fcharsetN); 0 for the document's own.
unsigned short RtfCharsetCodePage(std::int64_t Charset);
