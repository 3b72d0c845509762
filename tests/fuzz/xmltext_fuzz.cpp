// Any bytes as an XML part, under rules of many names or of few: the text extracted must not
// depend on how the bytes arrive, whole or in pieces whose sizes the input chooses; and a keyword
// test of a few units of that text, which passes over the runs it does not wait for, must find the
// keyword as a search of the text does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "pure/doctext/xmltext.h"
#include "pure/engine/keymatch.h"

namespace {

class TCollect : public TTextSink {
public:
    std::u16string Text16;
    bool Text(const char16_t* Units, std::size_t Count) override {
        Text16.append(Units, Count);
        return Text16.size() < 100000;
    }
    bool Break() override {
        Text16 += u'|';
        return true;
    }
    bool RawStream(TByteSource&) override { return true; }
};

const TXmlTextRules Rules{.Containers = "t p h",
                          .Breaks = "p h tc si c",
                          .Skips = "Fallback",
                          .Spaces = "s",
                          .SpaceCount = "c",
                          .Tabs = "tab",
                          .LineBreaks = "br line-break",
                          .AttributeElement = "sheet",
                          .AttributeName = "name",
                          .Unless = {.Containers = "v", .Element = "c", .Attribute = "t", .Values = "s b e"}};
// Few names that act outside text: tags of no meaning are passed over unread.
const TXmlTextRules FewRules{
    .Containers = "t", .Breaks = "p tc si", .Skips = "Fallback", .Tabs = "tab", .LineBreaks = "br line-break"};

std::u16string Extract(const TXmlTextRules& Rules, const std::uint8_t* Data, std::size_t Size, std::size_t Piece) {
    TCollect Sink;
    TXmlTextExtractor Extractor(Rules, Sink);
    bool More = true;
    for (std::size_t At = 0; More && At < Size; At += Piece)
        More = Extractor.Feed(Data + At, Piece < Size - At ? Piece : Size - At);
    if (More) Extractor.Finish();
    return Sink.Text16;
}

char16_t Fold(char16_t U) { return (U >= u'a' && U <= u'z') ? static_cast<char16_t>(U - 0x20) : U; }

// Whether Text holds Keyword, letters folded (a keyword without '|' spans no break).
bool Holds(const std::u16string& Text, const std::u16string& Keyword) {
    for (std::size_t At = 0; At + Keyword.size() <= Text.size(); ++At) {
        std::size_t I = 0;
        while (I < Keyword.size() && Fold(Text[At + I]) == Fold(Keyword[I])) ++I;
        if (I == Keyword.size()) return true;
    }
    return false;
}

bool Matches(const TXmlTextRules& Rules, const std::uint8_t* Data, std::size_t Size, std::size_t Piece,
             const std::u16string& Keyword) {
    std::string Wide;
    for (char16_t U : Keyword) Wide += {static_cast<char>(U & 0xFF), static_cast<char>(U >> 8)};
    const TKeywordScanner Scanner("\x01", Wide);
    TKeywordMatcher Matcher(Wide, Scanner);
    TXmlTextExtractor Extractor(Rules, Matcher);
    bool More = true;
    for (std::size_t At = 0; More && At < Size; At += Piece)
        More = Extractor.Feed(Data + At, Piece < Size - At ? Piece : Size - At);
    if (More) Extractor.Finish();
    return Matcher.Found();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size == 0) return 0;
    const std::size_t Piece = Data[0] % 7 + 1;
    const TXmlTextRules& Chosen = (Data[0] & 0x40) != 0 ? FewRules : Rules;
    const std::u16string Whole = Extract(Chosen, Data + 1, Size - 1, Size);
    const std::u16string Pieces = Extract(Chosen, Data + 1, Size - 1, Piece);
    // The sink may stop at a different point within one chunk; compare what both saw.
    const std::size_t Common = Whole.size() < Pieces.size() ? Whole.size() : Pieces.size();
    if (Whole.size() < 100000 && Pieces.size() < 100000 && Whole != Pieces) std::abort();
    if (Whole.compare(0, Common, Pieces, 0, Common) != 0) std::abort();
    if (Whole.empty() || Whole.size() >= 100000) return 0;
    std::u16string Keyword = Whole.substr(Data[0] * 257u % Whole.size(), Data[0] % 3 + 1);
    if (Data[0] & 0x80) Keyword[0] = static_cast<char16_t>(Keyword[0] ^ 0x20);  // a letter's other case, or none
    if (Keyword.find(u'|') != std::u16string::npos) return 0;
    if (Matches(Chosen, Data + 1, Size - 1, Piece, Keyword) != Holds(Whole, Keyword)) std::abort();
    return 0;
}
