#include "pure/doctext/rtfwords.h"

#include <algorithm>
#include <array>

namespace {

// The words by what they do, their names separated by spaces.
struct TWordList {
    TRtfAction Action;
    std::string_view Names;
    std::u16string_view Units = {};  // of Unit: the character of each name, in the names' order
    TTextPlace Place = TTextPlace::Body;
};

// \object is passed over as unknown: its \objdata is hidden, its \result shown.
constexpr TWordList Lists[] = {
    {TRtfAction::Break, "cell nestcell page par row sect"},
    {TRtfAction::LineBreak, "line"},
    {TRtfAction::Unit, "bullet emdash emspace endash enspace ldblquote lquote qmspace rdblquote rquote tab",
     u"\u2022\u2014\u2003\u2013\u2002\u201C\u2018\u2005\u201D\u2019\t"},
    {TRtfAction::Unicode, "u"},
    {TRtfAction::UnicodeSkip, "uc"},
    {TRtfAction::CodePage, "ansicpg"},
    {TRtfAction::FontTable, "fonttbl"},
    {TRtfAction::Font, "f"},
    {TRtfAction::FontCharset, "fcharset"},
    {TRtfAction::FontCodePage, "cpg"},
    {TRtfAction::Hide,
     "bkmkstart colortbl datastore fldinst listoverridetable listtable nonshppict objdata pict revtbl "
     "stylesheet themedata"},
    {TRtfAction::Place, "footer footerf footerl footerr header headerf headerl headerr", {}, TTextPlace::HeaderFooter},
    {TRtfAction::Place, "footnote", {}, TTextPlace::Footnote},
    {TRtfAction::Place, "annotation", {}, TTextPlace::Comment},
    {TRtfAction::Alternate, "upr"},
    {TRtfAction::UnicodeCopy, "ud"},
    {TRtfAction::Info, "info"},
    {TRtfAction::Property, "author category comment company doccomm keywords manager operator subject title"},
    {TRtfAction::Binary, "bin"},
};

// Calls Visit(Name, Index) for each name of the list.
template <typename TVisit>
constexpr void ForEachName(std::string_view Names, TVisit&& Visit) {
    for (std::size_t At = 0, Index = 0; At < Names.size(); ++Index) {
        const std::size_t End = std::min(Names.find(' ', At), Names.size());
        Visit(Names.substr(At, End - At), Index);
        At = End + 1;
    }
}

constexpr std::size_t CountWords() {
    std::size_t Count = 0;
    for (const TWordList& L : Lists) ForEachName(L.Names, [&](std::string_view, std::size_t) { ++Count; });
    return Count;
}

constexpr bool ByName(const TRtfWord& A, const TRtfWord& B) { return A.Name < B.Name; }

// The words of the lists sorted by name, for the binary search.
constexpr auto Words = [] {
    std::array<TRtfWord, CountWords()> Sorted{};
    std::size_t Count = 0;
    for (const TWordList& L : Lists)
        ForEachName(L.Names, [&](std::string_view Name, std::size_t Index) {
            Sorted[Count++] = {Name, L.Action, Index < L.Units.size() ? L.Units[Index] : u'\0', L.Place};
        });
    std::sort(Sorted.begin(), Sorted.end(), ByName);
    return Sorted;
}();

static_assert(std::adjacent_find(Words.begin(), Words.end(),
                                 [](const TRtfWord& A, const TRtfWord& B) { return A.Name == B.Name; }) == Words.end(),
              "a word in two lists");

}  // namespace

const TRtfWord* FindRtfWord(std::string_view Name) {
    const auto* At = std::lower_bound(Words.begin(), Words.end(), Name,
                                      [](const TRtfWord& W, std::string_view N) { return W.Name < N; });
    return At != Words.end() && At->Name == Name ? At : nullptr;
}

unsigned short RtfCharsetCodePage(std::int64_t Charset) {
    switch (Charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    default:
        return 0;
    }
}
