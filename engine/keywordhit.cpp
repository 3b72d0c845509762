#include "engine/keywordhit.h"

#include <vector>

#include "support/formatting.h"
#include "support/textrules.h"

namespace {

// UTF-16 text in the system code page; characters it lacks become "?".
std::string ToAnsi(const std::u16string& Text) {
    if (Text.empty()) return std::string();
    const auto* Wide = reinterpret_cast<const wchar_t*>(Text.data());
    const int Length = static_cast<int>(Text.size());
    const int Bytes = WideCharToMultiByte(CP_ACP, 0, Wide, Length, nullptr, 0, nullptr, nullptr);
    std::string Out(static_cast<std::size_t>(Bytes > 0 ? Bytes : 0), '\0');
    if (Bytes > 0) WideCharToMultiByte(CP_ACP, 0, Wide, Length, Out.data(), Bytes, nullptr, nullptr);
    return Out;
}

std::wstring ToWide(const std::u16string& Text) { return std::wstring(Text.begin(), Text.end()); }

std::wstring AnsiToWide(const std::string& Text) {
    std::vector<wchar_t> Area(Text.size() + 1);
    const int Units = AnsiToUtf16(Text, Area.data(), static_cast<int>(Area.size()));
    return std::wstring(Area.data(), static_cast<std::size_t>(Units));
}

std::string PlaceText(TTextPlace Place, std::uint32_t Number, const std::u16string& Name) {
    switch (Place) {
    case TTextPlace::Page:
        return FormatText("第 %d 页", {static_cast<std::int64_t>(Number)});
    case TTextPlace::Sheet:
        return "工作表「" + ToAnsi(Name) + "」";
    case TTextPlace::Comment:
        return "批注";
    case TTextPlace::HeaderFooter:
        return "页眉/页脚";
    case TTextPlace::Footnote:
        return "脚注";
    case TTextPlace::Properties:
        return "文档属性";
    case TTextPlace::Body:
        break;
    }
    return "正文";
}

}  // namespace

std::string HitWhereText(const THitPlace& Where) {
    if (Where.Kind == THitPlace::RawBytes)
        return FormatText("原始字节 (偏移 %d)", {static_cast<std::int64_t>(Where.Offset)});
    std::string Text = PlaceText(Where.Place, Where.Number, Where.Name);
    if (Where.Embedded.empty()) return Text;
    // Inside an attachment: its name (and those of the documents it holds), then the place
    // inside it unless that is its body.
    std::string Chain = "附件";
    for (const std::u16string& Name : Where.Embedded) Chain += "「" + ToAnsi(Name) + "」";
    return Where.Place == TTextPlace::Body ? Chain : Chain + " " + Text;
}

TKeywordHit ToKeywordHit(const TTextHit& Hit) {
    TKeywordHit Out;
    Out.Before = ToWide(Hit.Before);
    Out.Match = ToWide(Hit.Match);
    Out.After = ToWide(Hit.After);
    Out.Where = HitWhereText(Hit.Where);
    return Out;
}

bool NameHit(const std::string& Name, const std::string& Keyword, TKeywordHit& Hit) {
    if (!ContainsNoCase(Name, Keyword)) return false;
    // The name test compares by the locale's case rules; the match is found again in the upper
    // cased name, whose characters stand where the name's do.
    const std::wstring Shown = AnsiToWide(Name);
    std::wstring Upper = Shown, Wanted = AnsiToWide(Keyword);
    CharUpperBuffW(Upper.data(), static_cast<DWORD>(Upper.size()));
    CharUpperBuffW(Wanted.data(), static_cast<DWORD>(Wanted.size()));
    std::size_t At = Upper.size() == Shown.size() ? Upper.find(Wanted) : std::wstring::npos;
    if (At == std::wstring::npos || Wanted.empty()) {
        Hit.Match = Shown;  // the rules disagree on where: show the whole name
    } else {
        const std::size_t Start = At > HitContextChars ? At - HitContextChars : 0;
        Hit.Before = Shown.substr(Start, At - Start);
        Hit.Match = Shown.substr(At, Wanted.size());
        Hit.After = Shown.substr(At + Wanted.size(), HitContextChars);
    }
    Hit.Where = "文件名";
    return true;
}
