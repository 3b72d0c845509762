#include "pure/doctext/pdf/pdffont.h"

#include <algorithm>

#include "pure/doctext/pdf/pdffile.h"
#include "pure/support/bytetext.h"

namespace pdf {

namespace {

// The GB CMaps' codes are those of this code page (GBK, a superset of GB 2312).
constexpr unsigned GbCodePage = 936;
// A code is looked up in this many of the ranges that start at or below it, from the nearest
// (ranges may overlap; a later one that starts lower may still reach the code).
constexpr int RangeLookback = 16;

const char16_t MacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x00A4, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};

const char16_t WinAnsi80[32] = {0x20AC, 0x2022, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x2022, 0x017D, 0x2022, 0x2022, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x2022, 0x017E, 0x0178};

const char16_t PdfDoc18[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
const char16_t PdfDoc80[33] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039, 0x203A, 0x2212,
                               0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02, 0x0141,
                               0x0152, 0x0160, 0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E, 0x0000, 0x20AC};

// StandardEncoding's upper half, where it differs from Latin-1 (code, Unicode).
const std::pair<unsigned char, char16_t> StandardHigh[] = {
    {0xA1, 0x00A1}, {0xA2, 0x00A2}, {0xA3, 0x00A3}, {0xA4, 0x2044}, {0xA5, 0x00A5}, {0xA6, 0x0192}, {0xA7, 0x00A7},
    {0xA8, 0x00A4}, {0xA9, 0x0027}, {0xAA, 0x201C}, {0xAB, 0x00AB}, {0xAC, 0x2039}, {0xAD, 0x203A}, {0xAE, 0xFB01},
    {0xAF, 0xFB02}, {0xB1, 0x2013}, {0xB2, 0x2020}, {0xB3, 0x2021}, {0xB4, 0x00B7}, {0xB6, 0x00B6}, {0xB7, 0x2022},
    {0xB8, 0x201A}, {0xB9, 0x201E}, {0xBA, 0x201D}, {0xBB, 0x00BB}, {0xBC, 0x2026}, {0xBD, 0x2030}, {0xBF, 0x00BF},
    {0xC1, 0x0060}, {0xC2, 0x00B4}, {0xC3, 0x02C6}, {0xC4, 0x02DC}, {0xC5, 0x00AF}, {0xC6, 0x02D8}, {0xC7, 0x02D9},
    {0xC8, 0x00A8}, {0xCA, 0x02DA}, {0xCB, 0x00B8}, {0xCD, 0x02DD}, {0xCE, 0x02DB}, {0xCF, 0x02C7}, {0xD0, 0x2014},
    {0xE1, 0x00C6}, {0xE3, 0x00AA}, {0xE8, 0x0141}, {0xE9, 0x00D8}, {0xEA, 0x0152}, {0xEB, 0x00BA}, {0xF1, 0x00E6},
    {0xF5, 0x0131}, {0xF8, 0x0142}, {0xF9, 0x00F8}, {0xFA, 0x0153}, {0xFB, 0x00DF}};

// Glyph names of the printable ASCII range, from 0x20, and of Latin-1 from 0xA1.
const char* const AsciiNames[95] = {"space",       "exclam",
                                    "quotedbl",    "numbersign",
                                    "dollar",      "percent",
                                    "ampersand",   "quotesingle",
                                    "parenleft",   "parenright",
                                    "asterisk",    "plus",
                                    "comma",       "hyphen",
                                    "period",      "slash",
                                    "zero",        "one",
                                    "two",         "three",
                                    "four",        "five",
                                    "six",         "seven",
                                    "eight",       "nine",
                                    "colon",       "semicolon",
                                    "less",        "equal",
                                    "greater",     "question",
                                    "at",          "A",
                                    "B",           "C",
                                    "D",           "E",
                                    "F",           "G",
                                    "H",           "I",
                                    "J",           "K",
                                    "L",           "M",
                                    "N",           "O",
                                    "P",           "Q",
                                    "R",           "S",
                                    "T",           "U",
                                    "V",           "W",
                                    "X",           "Y",
                                    "Z",           "bracketleft",
                                    "backslash",   "bracketright",
                                    "asciicircum", "underscore",
                                    "grave",       "a",
                                    "b",           "c",
                                    "d",           "e",
                                    "f",           "g",
                                    "h",           "i",
                                    "j",           "k",
                                    "l",           "m",
                                    "n",           "o",
                                    "p",           "q",
                                    "r",           "s",
                                    "t",           "u",
                                    "v",           "w",
                                    "x",           "y",
                                    "z",           "braceleft",
                                    "bar",         "braceright",
                                    "asciitilde"};
const char* const Latin1Names[95] = {"exclamdown",
                                     "cent",
                                     "sterling",
                                     "currency",
                                     "yen",
                                     "brokenbar",
                                     "section",
                                     "dieresis",
                                     "copyright",
                                     "ordfeminine",
                                     "guillemotleft",
                                     "logicalnot",
                                     "sfthyphen",
                                     "registered",
                                     "macron",
                                     "degree",
                                     "plusminus",
                                     "twosuperior",
                                     "threesuperior",
                                     "acute",
                                     "mu",
                                     "paragraph",
                                     "periodcentered",
                                     "cedilla",
                                     "onesuperior",
                                     "ordmasculine",
                                     "guillemotright",
                                     "onequarter",
                                     "onehalf",
                                     "threequarters",
                                     "questiondown",
                                     "Agrave",
                                     "Aacute",
                                     "Acircumflex",
                                     "Atilde",
                                     "Adieresis",
                                     "Aring",
                                     "AE",
                                     "Ccedilla",
                                     "Egrave",
                                     "Eacute",
                                     "Ecircumflex",
                                     "Edieresis",
                                     "Igrave",
                                     "Iacute",
                                     "Icircumflex",
                                     "Idieresis",
                                     "Eth",
                                     "Ntilde",
                                     "Ograve",
                                     "Oacute",
                                     "Ocircumflex",
                                     "Otilde",
                                     "Odieresis",
                                     "multiply",
                                     "Oslash",
                                     "Ugrave",
                                     "Uacute",
                                     "Ucircumflex",
                                     "Udieresis",
                                     "Yacute",
                                     "Thorn",
                                     "germandbls",
                                     "agrave",
                                     "aacute",
                                     "acircumflex",
                                     "atilde",
                                     "adieresis",
                                     "aring",
                                     "ae",
                                     "ccedilla",
                                     "egrave",
                                     "eacute",
                                     "ecircumflex",
                                     "edieresis",
                                     "igrave",
                                     "iacute",
                                     "icircumflex",
                                     "idieresis",
                                     "eth",
                                     "ntilde",
                                     "ograve",
                                     "oacute",
                                     "ocircumflex",
                                     "otilde",
                                     "odieresis",
                                     "divide",
                                     "oslash",
                                     "ugrave",
                                     "uacute",
                                     "ucircumflex",
                                     "udieresis",
                                     "yacute",
                                     "thorn",
                                     "ydieresis"};
const std::pair<const char*, char16_t> OtherNames[] = {{"quoteright", 0x2019},
                                                       {"quoteleft", 0x2018},
                                                       {"Euro", 0x20AC},
                                                       {"quotesinglbase", 0x201A},
                                                       {"florin", 0x0192},
                                                       {"quotedblbase", 0x201E},
                                                       {"ellipsis", 0x2026},
                                                       {"dagger", 0x2020},
                                                       {"daggerdbl", 0x2021},
                                                       {"circumflex", 0x02C6},
                                                       {"perthousand", 0x2030},
                                                       {"Scaron", 0x0160},
                                                       {"guilsinglleft", 0x2039},
                                                       {"OE", 0x0152},
                                                       {"Zcaron", 0x017D},
                                                       {"quotedblleft", 0x201C},
                                                       {"quotedblright", 0x201D},
                                                       {"bullet", 0x2022},
                                                       {"endash", 0x2013},
                                                       {"emdash", 0x2014},
                                                       {"tilde", 0x02DC},
                                                       {"trademark", 0x2122},
                                                       {"scaron", 0x0161},
                                                       {"guilsinglright", 0x203A},
                                                       {"oe", 0x0153},
                                                       {"zcaron", 0x017E},
                                                       {"Ydieresis", 0x0178},
                                                       {"fi", 0xFB01},
                                                       {"fl", 0xFB02},
                                                       {"ff", 0xFB00},
                                                       {"ffi", 0xFB03},
                                                       {"ffl", 0xFB04},
                                                       {"fraction", 0x2044},
                                                       {"dotlessi", 0x0131},
                                                       {"Lslash", 0x0141},
                                                       {"lslash", 0x0142},
                                                       {"breve", 0x02D8},
                                                       {"dotaccent", 0x02D9},
                                                       {"ring", 0x02DA},
                                                       {"hungarumlaut", 0x02DD},
                                                       {"ogonek", 0x02DB},
                                                       {"caron", 0x02C7},
                                                       {"minus", 0x2212},
                                                       {"notequal", 0x2260},
                                                       {"infinity", 0x221E},
                                                       {"lessequal", 0x2264},
                                                       {"greaterequal", 0x2265},
                                                       {"partialdiff", 0x2202},
                                                       {"summation", 0x2211},
                                                       {"product", 0x220F},
                                                       {"pi", 0x03C0},
                                                       {"integral", 0x222B},
                                                       {"Omega", 0x03A9},
                                                       {"radical", 0x221A},
                                                       {"approxequal", 0x2248},
                                                       {"Delta", 0x2206},
                                                       {"lozenge", 0x25CA},
                                                       {"nbspace", 0x00A0},
                                                       {"nonbreakingspace", 0x00A0},
                                                       {"softhyphen", 0x00AD},
                                                       {"middot", 0x00B7},
                                                       {"apple", 0xF8FF}};

int HexDigit(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    return -1;
}

// The value of Digits hexadecimal digits at the start of S, or -1.
long HexPrefix(std::string_view S, std::size_t Digits) {
    if (S.size() < Digits) return -1;
    long V = 0;
    for (std::size_t I = 0; I < Digits; ++I) {
        const int D = HexDigit(S[I]);
        if (D < 0) return -1;
        V = V * 16 + D;
    }
    return V;
}

void BaseEncoding(std::string_view Name, std::array<char16_t, 256>& Table) {
    Table.fill(0);
    for (int C = 0x20; C < 0x7F; ++C) Table[C] = static_cast<char16_t>(C);
    if (Name == "WinAnsiEncoding") {
        for (int C = 0; C < 32; ++C) Table[0x80 + C] = WinAnsi80[C];
        for (int C = 0xA0; C < 0x100; ++C) Table[C] = static_cast<char16_t>(C);
        Table[0xA0] = 0x20;
        Table[0xAD] = 0x2D;
    } else if (Name == "MacRomanEncoding") {
        for (int C = 0; C < 128; ++C) Table[0x80 + C] = MacRomanHigh[C];
    } else if (Name == "PDFDocEncoding") {
        for (int C = 0; C < 8; ++C) Table[0x18 + C] = PdfDoc18[C];
        for (int C = 0; C < 33; ++C) Table[0x80 + C] = PdfDoc80[C];
        for (int C = 0xA1; C < 0x100; ++C) Table[C] = static_cast<char16_t>(C);
    } else {
        Table[0x27] = 0x2019;
        Table[0x60] = 0x2018;
        for (const auto& [Code, U] : StandardHigh) Table[Code] = U;
    }
}

bool KnownBaseEncoding(std::string_view Name) {
    return Name == "WinAnsiEncoding" || Name == "MacRomanEncoding" || Name == "StandardEncoding" ||
           Name == "PDFDocEncoding";
}

std::uint32_t CodeOf(std::string_view Bytes) {
    std::uint32_t V = 0;
    for (std::size_t I = 0; I < Bytes.size() && I < 4; ++I) V = (V << 8) | static_cast<unsigned char>(Bytes[I]);
    return V;
}

std::u16string Utf16Be(std::string_view Bytes) {
    std::u16string Out;
    for (std::size_t I = 0; I + 1 < Bytes.size(); I += 2)
        Out += static_cast<char16_t>((static_cast<unsigned char>(Bytes[I]) << 8) |
                                     static_cast<unsigned char>(Bytes[I + 1]));
    if (Bytes.size() == 1) Out += static_cast<char16_t>(static_cast<unsigned char>(Bytes[0]));
    return Out;
}

void AppendCodePoint(char32_t C, std::u16string& Out) {
    if (C >= 0x10000 && C < 0x110000) {
        C -= 0x10000;
        Out += static_cast<char16_t>(0xD800 + (C >> 10));
        Out += static_cast<char16_t>(0xDC00 + (C & 0x3FF));
    } else if (C < 0x10000) {
        Out += static_cast<char16_t>(C);
    }
}

// Parses a CMap stream after the ones it builds on (/UseCMap streams, a few levels deep), so that
// its own mappings override theirs.
void LoadCMap(TFile& File, const TObject& Stream, TCMap& Map) {
    std::vector<TObject> Chain;
    for (TObject S = Stream; S.IsStream() && Chain.size() < MaxUseCMapChain; S = File.Get(S, "UseCMap"))
        Chain.push_back(S);
    std::string Data;
    for (auto I = Chain.rbegin(); I != Chain.rend(); ++I)
        if (File.StreamData(*I, Data)) Map.Parse(Data, File.Bounds().OperandNodes);
}

}  // namespace

char32_t GlyphNameToUnicode(std::string_view Name) {
    // "a.sc", "f_i" and similar variants: the part before a period names the glyph.
    if (const auto Dot = Name.find('.'); Dot != std::string_view::npos && Dot > 0) Name = Name.substr(0, Dot);
    if (Name.size() >= 7 && Name.substr(0, 3) == "uni") {
        const long V = HexPrefix(Name.substr(3), 4);
        if (V >= 0 && !(V >= 0xD800 && V < 0xE000)) return static_cast<char32_t>(V);
    }
    if (Name.size() >= 5 && Name.size() <= 7 && Name[0] == 'u') {
        const long V = HexPrefix(Name.substr(1), Name.size() - 1);
        if (V >= 0 && V < 0x110000 && !(V >= 0xD800 && V < 0xE000)) return static_cast<char32_t>(V);
    }
    for (int I = 0; I < 95; ++I) {
        if (Name == AsciiNames[I]) return static_cast<char32_t>(0x20 + I);
        if (Name == Latin1Names[I]) return static_cast<char32_t>(0xA1 + I);
    }
    for (const auto& [N, U] : OtherNames)
        if (Name == N) return U;
    return 0;
}

std::u16string TextString(std::string_view Bytes) {
    if (Bytes.size() >= 2 && static_cast<unsigned char>(Bytes[0]) == 0xFE &&
        static_cast<unsigned char>(Bytes[1]) == 0xFF)
        return Utf16Be(Bytes.substr(2));
    std::u16string Out;
    if (Bytes.size() >= 3 && Bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        DecodeUtf8(Bytes.substr(3), Out);  // PDF 2.0
        return Out;
    }
    std::array<char16_t, 256> Table;
    BaseEncoding("PDFDocEncoding", Table);
    for (int C = 9; C <= 13; ++C) Table[C] = static_cast<char16_t>(C);
    for (const char C : Bytes)
        if (const char16_t U = Table[static_cast<unsigned char>(C)]) Out += U;
    return Out;
}

TPredefined PredefinedCMap(std::string_view Name) {
    if (Name.size() > 2 && (Name.substr(Name.size() - 2) == "-H" || Name.substr(Name.size() - 2) == "-V"))
        Name = Name.substr(0, Name.size() - 2);
    else
        return TPredefined::None;
    if (Name == "Identity") return TPredefined::Identity;
    if (Name == "UniGB-UCS2") return TPredefined::Ucs2;
    if (Name == "UniGB-UTF16") return TPredefined::Utf16;
    if (Name == "GB-EUC") return TPredefined::GbEuc;
    if (Name == "GBpc-EUC") return TPredefined::GbpcEuc;
    if (Name == "GBK-EUC") return TPredefined::GbkEuc;
    if (Name == "GBK2K") return TPredefined::Gbk2K;
    return TPredefined::None;
}

void TCMap::Parse(std::string_view Data, std::size_t OperandNodes) {
    TParser P(reinterpret_cast<const unsigned char*>(Data.data()), Data.size());
    std::vector<TObject> Operands;
    std::size_t Held = 0;  // parser nodes of the operands kept
    std::size_t Mappings = FChars.size() + FRanges.size();
    for (;;) {
        P.Budget = OperandNodes - Held;
        TObject O = P.Next(false);
        if (O.Is(TKind::End)) break;
        if (O.Is(TKind::Error)) {
            // Operands too large to keep: dropped, and reading goes on from the next token.
            Operands.clear();
            Held = 0;
            continue;
        }
        if (!O.Is(TKind::Keyword)) {
            if (Operands.size() < MaxCMapOperands) {
                Held = OperandNodes - P.Budget;
                Operands.push_back(std::move(O));
            }
            continue;
        }
        const std::string& Op = O.Text;
        if (Op == "usecmap") {
            if (!Operands.empty() && Operands.back().Is(TKind::Name)) UseCMap = Operands.back().Text;
        } else if (Op == "endcodespacerange") {
            CodeSpaces(Operands);
        } else if (Op == "endbfchar") {
            BfChars(Operands, Mappings);
        } else if (Op == "endbfrange") {
            BfRanges(Operands, Mappings);
        }
        // Other operators (begin..., cidrange, def, findresource...) only end the operand list.
        Operands.clear();
        Held = 0;
    }
    std::stable_sort(FRanges.begin(), FRanges.end(), [](const TRange& A, const TRange& B) { return A.Low < B.Low; });
}

void TCMap::CodeSpaces(const std::vector<TObject>& Operands) {
    for (std::size_t I = 0; I + 1 < Operands.size(); I += 2) {
        const std::string& Lo = Operands[I].Text;
        const std::string& Hi = Operands[I + 1].Text;
        if (Lo.empty() || Lo.size() > 4 || Lo.size() != Hi.size()) continue;
        TSpace S{static_cast<int>(Lo.size()), {}, {}};
        for (std::size_t K = 0; K < Lo.size(); ++K) {
            S.Low[K] = static_cast<unsigned char>(Lo[K]);
            S.High[K] = static_cast<unsigned char>(Hi[K]);
        }
        if (FSpaces.size() < MaxCodeSpaces) FSpaces.push_back(S);
    }
}

void TCMap::BfChars(const std::vector<TObject>& Operands, std::size_t& Mappings) {
    for (std::size_t I = 0; I + 1 < Operands.size() && Mappings < MaxMappings; I += 2) {
        const TObject& Src = Operands[I];
        const TObject& Dst = Operands[I + 1];
        if (!Src.Is(TKind::String) || Src.Text.empty()) continue;
        std::u16string Text;
        if (Dst.Is(TKind::String))
            Text = Utf16Be(Dst.Text);
        else if (Dst.Is(TKind::Name))
            AppendCodePoint(GlyphNameToUnicode(Dst.Text), Text);
        if (Text.empty()) continue;
        CountText(Text);
        FChars[CodeOf(Src.Text)] = std::move(Text);
        ++Mappings;
    }
}

void TCMap::BfRanges(const std::vector<TObject>& Operands, std::size_t& Mappings) {
    for (std::size_t I = 0; I + 2 < Operands.size() && Mappings < MaxMappings; I += 3) {
        const TObject& Lo = Operands[I];
        const TObject& Hi = Operands[I + 1];
        const TObject& Dst = Operands[I + 2];
        if (!Lo.Is(TKind::String) || !Hi.Is(TKind::String) || Lo.Text.empty()) continue;
        const std::uint32_t L = CodeOf(Lo.Text), H = CodeOf(Hi.Text);
        if (H < L) continue;
        if (Dst.Is(TKind::String)) {
            std::u16string Start = Utf16Be(Dst.Text);
            if (Start.empty()) continue;
            CountText(Start);
            FRanges.push_back({L, H, std::move(Start)});
            ++Mappings;
        } else if (Dst.Is(TKind::Array)) {
            for (std::size_t K = 0; K < Dst.Size() && K <= H - L && Mappings < MaxMappings; ++K) {
                const TObject& Item = Dst.At(K);
                if (!Item.Is(TKind::String)) continue;
                std::u16string Text = Utf16Be(Item.Text);
                CountText(Text);
                FChars[L + static_cast<std::uint32_t>(K)] = std::move(Text);
                ++Mappings;
            }
        }
    }
}

int TCMap::CodeLength(const unsigned char* P, std::size_t N) const {
    int Shortest = 0;
    for (const TSpace& S : FSpaces) {
        if (static_cast<std::size_t>(S.Bytes) > N) continue;
        bool In = true;
        for (int K = 0; K < S.Bytes && In; ++K) In = P[K] >= S.Low[K] && P[K] <= S.High[K];
        if (In) return S.Bytes;
        if (Shortest == 0 || S.Bytes < Shortest) Shortest = S.Bytes;
    }
    // A code outside every range takes the shortest length, so that decoding goes on.
    return Shortest;
}

bool TCMap::Lookup(std::uint32_t Code, std::u16string& Out) const {
    if (const auto I = FChars.find(Code); I != FChars.end()) {
        Out += I->second;
        return true;
    }
    // The last range starting at or below Code that reaches it.
    auto I = std::upper_bound(FRanges.begin(), FRanges.end(), Code,
                              [](std::uint32_t C, const TRange& R) { return C < R.Low; });
    for (int Tries = 0; I != FRanges.begin() && Tries < RangeLookback; ++Tries) {
        --I;
        if (Code <= I->High) {
            std::u16string Text = I->Start;
            Text.back() = static_cast<char16_t>(Text.back() + (Code - I->Low));
            Out += Text;
            return true;
        }
    }
    return false;
}

void TFont::Load(TFile& File, const TObject& Font, const TDecodeEnv& Env) {
    FCodePages = Env.CodePages;
    LoadCMap(File, File.Get(Font, "ToUnicode"), FToUnicode);
    const TObject Subtype = File.Get(Font, "Subtype");
    const TObject Encoding = File.Get(Font, "Encoding");
    if (Subtype.IsName("Type0")) {
        FComposite = true;
        if (Encoding.Is(TKind::Name)) {
            FPredefined = PredefinedCMap(Encoding.Text);
        } else if (Encoding.IsStream()) {
            LoadCMap(File, Encoding, FEncodingCMap);
            const TObject Use = File.Get(Encoding, "UseCMap");
            FPredefined = PredefinedCMap(Use.Is(TKind::Name) ? Use.Text : FEncodingCMap.UseCMap);
        }
        return;
    }
    if (Encoding.Is(TKind::Name)) {
        if (!KnownBaseEncoding(Encoding.Text)) return;
        BaseEncoding(Encoding.Text, FSimple);
        FHasSimple = true;
    } else if (Encoding.Is(TKind::Dict)) {
        const TObject Base = File.Get(Encoding, "BaseEncoding");
        BaseEncoding(Base.Is(TKind::Name) ? Base.Text : "StandardEncoding", FSimple);
        const TObject Differences = File.Get(Encoding, "Differences");
        int Code = 0;
        for (std::size_t I = 0; I < Differences.Size(); ++I) {
            const TObject& Item = Differences.At(I);
            if (Item.Is(TKind::Int)) {
                Code = static_cast<int>(std::clamp<std::int64_t>(Item.Int, 0, 256));
            } else if (Item.Is(TKind::Name) && Code < 256) {
                const char32_t U = GlyphNameToUnicode(Item.Text);
                FSimple[Code++] = U < 0x10000 ? static_cast<char16_t>(U) : 0;
            }
        }
        FHasSimple = true;
    }
}

int TFont::CodeLength(const unsigned char* P, std::size_t N) const {
    if (FEncodingCMap.HasCodeSpace()) return FEncodingCMap.CodeLength(P, N);
    switch (FPredefined) {
    case TPredefined::Identity:
    case TPredefined::Ucs2:
        return 2;
    case TPredefined::Utf16:
        return (P[0] >= 0xD8 && P[0] <= 0xDB) ? 4 : 2;
    case TPredefined::GbEuc:
    case TPredefined::GbkEuc:
        return P[0] <= 0x80 ? 1 : 2;
    case TPredefined::GbpcEuc:
        return (P[0] <= 0x80 || P[0] >= 0xFD) ? 1 : 2;
    case TPredefined::Gbk2K:
        if (P[0] <= 0x80) return 1;
        return (N >= 4 && P[1] >= 0x30 && P[1] <= 0x39) ? 4 : 2;
    case TPredefined::None:
        break;
    }
    if (FToUnicode.HasCodeSpace()) return FToUnicode.CodeLength(P, N);
    return 2;
}

void TFont::Decode(std::string_view Bytes, std::u16string& Out) const {
    const unsigned char* P = reinterpret_cast<const unsigned char*>(Bytes.data());
    const std::size_t N = Bytes.size();
    if (!FComposite) {
        for (std::size_t I = 0; I < N; ++I) {
            if (FToUnicode.Lookup(P[I], Out)) continue;
            if (FHasSimple && FSimple[P[I]] != 0) Out += FSimple[P[I]];
        }
        return;
    }
    const bool Gb = FPredefined == TPredefined::GbEuc || FPredefined == TPredefined::GbpcEuc ||
                    FPredefined == TPredefined::GbkEuc || FPredefined == TPredefined::Gbk2K;
    std::string GbBytes;  // GB codes waiting for one conversion through code page 936
    auto FlushGb = [&] {
        if (!GbBytes.empty() && FCodePages) FCodePages->ToUtf16(GbCodePage, GbBytes, Out);
        GbBytes.clear();
    };
    for (std::size_t I = 0; I < N;) {
        int Length = CodeLength(P + I, N - I);
        if (Length <= 0) Length = 1;
        if (static_cast<std::size_t>(Length) > N - I) break;
        const std::string_view Code = Bytes.substr(I, static_cast<std::size_t>(Length));
        I += static_cast<std::size_t>(Length);
        if (!FToUnicode.Empty()) {
            FlushGb();
            if (FToUnicode.Lookup(CodeOf(Code), Out)) continue;
        }
        if (Gb) {
            GbBytes += Code;
        } else if (FPredefined == TPredefined::Ucs2 || FPredefined == TPredefined::Utf16) {
            Out += Utf16Be(Code);
        }
    }
    FlushGb();
}

}  // namespace pdf
