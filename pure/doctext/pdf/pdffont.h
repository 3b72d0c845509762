#pragma once
// From a font's character codes to Unicode: ToUnicode CMaps (code-space ranges of one to four
// bytes, bfchar, bfrange with ranges and arrays), the predefined Chinese CMaps used without a
// ToUnicode map (UCS-2 and UTF-16 ones directly, the GB ones through code page 936), and the
// simple fonts' encodings (WinAnsi, MacRoman, Standard, PDFDoc, /Differences with glyph names).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pure/doctext/decodeenv.h"
#include "pure/doctext/pdf/pdfobject.h"

namespace pdf {

class TFile;

// A parsed CMap: code-space ranges and code-to-Unicode mappings.
class TCMap {
public:
    // Reads the CMap program in Data, adding to what was read before; an operator's operands are
    // kept up to OperandNodes parser nodes together.
    void Parse(std::string_view Data, std::size_t OperandNodes = MaxOperandNodes);
    // The CMap this one builds on ("usecmap"), empty when none.
    std::string UseCMap;
    // Bytes of the code at P (1 to 4), by the code-space ranges; 0 when there are none.
    int CodeLength(const unsigned char* P, std::size_t N) const;
    // Appends the Unicode text of Code; false when it is not mapped.
    bool Lookup(std::uint32_t Code, std::u16string& Out) const;
    bool Empty() const { return FChars.empty() && FRanges.empty(); }
    bool HasCodeSpace() const { return !FSpaces.empty(); }
    // What the CMap costs in memory, counted in mappings (MappingBytes each): its mappings and,
    // for texts too long to be held inside their string, their units.
    std::size_t Weight() const {
        return FChars.size() + FRanges.size() + FSpaces.size() + FLongUnits * 2 / MappingBytes;
    }

private:
    struct TSpace {
        int Bytes;
        unsigned char Low[4], High[4];
    };
    struct TRange {
        std::uint32_t Low, High;
        std::u16string Start;  // the text of Low; later codes add to its last unit
    };
    std::vector<TSpace> FSpaces;
    std::unordered_map<std::uint32_t, std::u16string> FChars;
    std::vector<TRange> FRanges;  // sorted by Low once parsing ends
    std::size_t FLongUnits = 0;   // units of the texts held outside their strings
    // The operators that end a block: code-space ranges, character and range mappings (counting
    // in Mappings what the CMap holds).
    void CodeSpaces(const std::vector<TObject>& Operands);
    void BfChars(const std::vector<TObject>& Operands, std::size_t& Mappings);
    void BfRanges(const std::vector<TObject>& Operands, std::size_t& Mappings);
    void CountText(const std::u16string& Text) {
        if (Text.size() > ShortTextUnits) FLongUnits += Text.size();
    }
    // Texts up to this many units are held inside their string.
    static constexpr std::size_t ShortTextUnits = 7;
};

// The predefined CMaps that a Type0 font may name as its encoding.
enum class TPredefined { None, Identity, Ucs2, Utf16, GbEuc, GbpcEuc, GbkEuc, Gbk2K };
TPredefined PredefinedCMap(std::string_view Name);

// Unicode of a glyph name: "uni5408", "u1F600", the standard Latin names; 0 when unknown.
char32_t GlyphNameToUnicode(std::string_view Name);
// The Unicode text of a string in PDFDocEncoding, or UTF-16BE / UTF-8 with a byte-order mark.
std::u16string TextString(std::string_view Bytes);

class TFont {
public:
    // Builds the decoding of the font dictionary Font (resolved) of File.
    void Load(TFile& File, const TObject& Font, const TDecodeEnv& Env);
    // Appends the Unicode text of the string Bytes shown with this font.
    void Decode(std::string_view Bytes, std::u16string& Out) const;
    std::size_t Weight() const { return FontOwnWeight + FToUnicode.Weight() + FEncodingCMap.Weight(); }

private:
    const TCodePageConverter* FCodePages = nullptr;
    bool FComposite = false;
    TCMap FToUnicode;
    TPredefined FPredefined = TPredefined::None;
    TCMap FEncodingCMap;  // an embedded encoding CMap: its code-space ranges split the codes
    bool FHasSimple = false;
    std::array<char16_t, 256> FSimple{};
    int CodeLength(const unsigned char* P, std::size_t N) const;
};

}  // namespace pdf
