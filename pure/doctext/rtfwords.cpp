#include "pure/doctext/rtfwords.h"

#include <algorithm>
#include <iterator>

namespace {

// Sorted by name for the binary search.
constexpr TRtfWord Words[] = {
    {"annotation", TRtfAction::Place, 0, TTextPlace::Comment},
    {"ansicpg", TRtfAction::CodePage},
    {"author", TRtfAction::Property},
    {"bin", TRtfAction::Binary},
    {"bkmkstart", TRtfAction::Hide},
    {"bullet", TRtfAction::Unit, 0x2022},
    {"category", TRtfAction::Property},
    {"cell", TRtfAction::Break},
    {"colortbl", TRtfAction::Hide},
    {"comment", TRtfAction::Property},
    {"company", TRtfAction::Property},
    {"cpg", TRtfAction::FontCodePage},
    {"datastore", TRtfAction::Hide},
    {"doccomm", TRtfAction::Property},
    {"emdash", TRtfAction::Unit, 0x2014},
    {"emspace", TRtfAction::Unit, 0x2003},
    {"endash", TRtfAction::Unit, 0x2013},
    {"enspace", TRtfAction::Unit, 0x2002},
    {"f", TRtfAction::Font},
    {"fcharset", TRtfAction::FontCharset},
    {"fldinst", TRtfAction::Hide},
    {"fonttbl", TRtfAction::FontTable},
    {"footer", TRtfAction::Place, 0, TTextPlace::HeaderFooter},
    {"footerf", TRtfAction::Place, 0, TTextPlace::HeaderFooter},
    {"footerl", TRtfAction::Place, 0, TTextPlace::HeaderFooter},
    {"footerr", TRtfAction::Place, 0, TTextPlace::HeaderFooter},
    {"footnote", TRtfAction::Place, 0, TTextPlace::Footnote},
    {"header", TRtfAction::Place, 0, TTextPlace::HeaderFooter},
    {"headerf", TRtfAction::Place, 0, TTextPlace::HeaderFooter},
    {"headerl", TRtfAction::Place, 0, TTextPlace::HeaderFooter},
    {"headerr", TRtfAction::Place, 0, TTextPlace::HeaderFooter},
    {"info", TRtfAction::Info},
    {"keywords", TRtfAction::Property},
    {"ldblquote", TRtfAction::Unit, 0x201C},
    {"line", TRtfAction::LineBreak},
    {"listoverridetable", TRtfAction::Hide},
    {"listtable", TRtfAction::Hide},
    {"lquote", TRtfAction::Unit, 0x2018},
    {"manager", TRtfAction::Property},
    {"nestcell", TRtfAction::Break},
    {"nonshppict", TRtfAction::Hide},
    {"objdata", TRtfAction::Hide},
    {"object", TRtfAction::Unit, 0},  // holds \objdata (hidden) and \result (visible)
    {"operator", TRtfAction::Property},
    {"page", TRtfAction::Break},
    {"par", TRtfAction::Break},
    {"pict", TRtfAction::Hide},
    {"qmspace", TRtfAction::Unit, 0x2005},
    {"rdblquote", TRtfAction::Unit, 0x201D},
    {"revtbl", TRtfAction::Hide},
    {"row", TRtfAction::Break},
    {"rquote", TRtfAction::Unit, 0x2019},
    {"sect", TRtfAction::Break},
    {"stylesheet", TRtfAction::Hide},
    {"subject", TRtfAction::Property},
    {"tab", TRtfAction::Unit, u'\t'},
    {"themedata", TRtfAction::Hide},
    {"title", TRtfAction::Property},
    {"u", TRtfAction::Unicode},
    {"uc", TRtfAction::UnicodeSkip},
    {"ud", TRtfAction::UnicodeCopy},
    {"upr", TRtfAction::Alternate},
};

static_assert(std::is_sorted(std::begin(Words), std::end(Words),
                             [](const TRtfWord& A, const TRtfWord& B) { return A.Name < B.Name; }));

}  // namespace

const TRtfWord* FindRtfWord(std::string_view Name) {
    const auto* End = std::end(Words);
    const auto* At = std::lower_bound(std::begin(Words), End, Name,
                                      [](const TRtfWord& W, std::string_view N) { return W.Name < N; });
    return At != End && At->Name == Name ? At : nullptr;
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
