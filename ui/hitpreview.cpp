#include "ui/hitpreview.h"

#include <commctrl.h>
#include <windowsx.h>

#include "ui/control.h"
#include "ui/hitjob.h"

namespace {

const UINT_PTR SubclassId = 0x4850;  // "HP"
const UINT_PTR ToolId = 1;

UINT HitFoundMessage() {
    static const UINT Message = RegisterWindowMessageA("yq.HitPreview");
    return Message;
}

std::wstring Wide(const std::string& Ansi) {
    const int Units = MultiByteToWideChar(CP_ACP, 0, Ansi.data(), static_cast<int>(Ansi.size()), nullptr, 0);
    std::wstring Text(static_cast<std::size_t>(Units > 0 ? Units : 0), L'\0');
    if (Units > 0) MultiByteToWideChar(CP_ACP, 0, Ansi.data(), static_cast<int>(Ansi.size()), Text.data(), Units);
    return Text;
}

// The place, and on the next line the text around the match with the match in brackets.
std::wstring TipText(const THitJob& Job) {
    if (Job.Failed()) return L"\u4E0D\u80FD\u8BFB\u53D6\u6B64\u6587\u4EF6";        // 不能读取此文件
    if (Job.Hits().empty()) return L"\u6CA1\u6709\u627E\u5230\u5173\u952E\u8BCD";  // 没有找到关键词
    const TKeywordHit& Hit = Job.Hits().front();
    return Wide(Hit.Where) + L"\r\n" + Hit.Before + L"\u3010" + Hit.Match + L"\u3011" + Hit.After;
}

TOOLINFOW Tool(HWND List) {
    TOOLINFOW Info{};
    Info.cbSize = sizeof Info;
    Info.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    Info.hwnd = List;
    Info.uId = ToolId;
    return Info;
}

}  // namespace

THitPreview::~THitPreview() {
    StopSearch();
    if (FList && IsWindow(FList)) RemoveWindowSubclass(FList, ListProc, SubclassId);
    if (FTip && IsWindow(FTip)) DestroyWindow(FTip);
}

void THitPreview::Attach(HWND List, std::function<std::string()> Keyword) {
    FList = List;
    FKeyword = std::move(Keyword);
    FTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0,
                           GetAncestor(List, GA_ROOT), nullptr, GetModuleHandleA(nullptr), nullptr);
    TOOLINFOW Info = Tool(FList);
    Info.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(FTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&Info));
    SendMessageW(FTip, TTM_SETMAXTIPWIDTH, 0, 560);  // long contexts wrap
    SetWindowSubclass(FList, ListProc, SubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK THitPreview::ListProc(HWND Window, UINT Message, WPARAM W, LPARAM L, UINT_PTR, DWORD_PTR Data) {
    auto& Self = *reinterpret_cast<THitPreview*>(Data);
    if (Message == HitFoundMessage()) {
        TControl::Protect([&] { Self.TakeOutcome(W); });
        return 0;
    }
    switch (Message) {
    case WM_MOUSEMOVE:
        Self.MouseMoved({GET_X_LPARAM(L), GET_Y_LPARAM(L)});
        break;
    case WM_MOUSEHOVER:
        TControl::Protect([&] { Self.Rested({GET_X_LPARAM(L), GET_Y_LPARAM(L)}); });
        break;
    case WM_MOUSELEAVE:
        Self.FTracking = false;
        Self.FRestLine = -1;
        Self.StopSearch();
        Self.Hide();
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_VSCROLL:
    case WM_KEYDOWN:
        Self.Hide();
        break;
    case LB_RESETCONTENT:
        Self.Forget();
        break;  // a new search: its lines are new
    case WM_NCDESTROY:
        Self.StopSearch();
        RemoveWindowSubclass(Window, ListProc, SubclassId);
        Self.FList = nullptr;
        break;
    }
    return DefSubclassProc(Window, Message, W, L);
}

int THitPreview::LineAt(POINT At) const {
    const LRESULT Found = SendMessageA(FList, LB_ITEMFROMPOINT, 0, MAKELPARAM(At.x, At.y));
    const int Index = LOWORD(Found);
    RECT Line{};
    if (HIWORD(Found) != 0 ||
        SendMessageA(FList, LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Line)) == LB_ERR ||
        !PtInRect(&Line, At))
        return -1;
    return Index;
}

void THitPreview::MouseMoved(POINT At) {
    if (LineAt(At) == FRestLine && FTracking) return;
    // Moved on: what was shown or sought for the line before is of no use now.
    FRestLine = -1;
    Hide();
    StopSearch();
    TRACKMOUSEEVENT Track{};
    Track.cbSize = sizeof Track;
    Track.dwFlags = TME_HOVER | TME_LEAVE;
    Track.hwndTrack = FList;
    Track.dwHoverTime = HOVER_DEFAULT;
    FTracking = TrackMouseEvent(&Track) != FALSE;
}

void THitPreview::Rested(POINT At) {
    FRestLine = LineAt(At);
    const std::string Keyword = FKeyword ? FKeyword() : std::string();
    if (FRestLine < 0 || Keyword.empty()) return;
    if (FTips.count(FRestLine)) {
        Show(FRestLine);
        return;
    }
    if (FJob && FJobLine == FRestLine) return;  // already sought
    StopSearch();
    const int Length = static_cast<int>(SendMessageA(FList, LB_GETTEXTLEN, static_cast<WPARAM>(FRestLine), 0));
    if (Length <= 0) return;
    std::string Path(static_cast<std::size_t>(Length) + 1, '\0');
    Path.resize(static_cast<std::size_t>(
        SendMessageA(FList, LB_GETTEXT, static_cast<WPARAM>(FRestLine), reinterpret_cast<LPARAM>(Path.data()))));
    FJobLine = FRestLine;
    FJob = THitJob::Start(FList, HitFoundMessage(), ++FJobTag, Path, Keyword, 1);
}

void THitPreview::TakeOutcome(WPARAM Tag) {
    if (!FJob || Tag != FJobTag || !FJob->Done()) return;  // a search given up since
    FTips[FJobLine] = TipText(*FJob);
    FJob.reset();
    if (FRestLine == FJobLine) Show(FJobLine);
}

void THitPreview::Show(int Line) {
    TOOLINFOW Info = Tool(FList);
    Info.lpszText = FTips[Line].data();
    SendMessageW(FTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&Info));
    RECT Box{};
    SendMessageA(FList, LB_GETITEMRECT, static_cast<WPARAM>(Line), reinterpret_cast<LPARAM>(&Box));
    POINT Below{Box.left + 24, Box.bottom + 2};
    ClientToScreen(FList, &Below);
    SendMessageW(FTip, TTM_TRACKPOSITION, 0, MAKELPARAM(Below.x, Below.y));
    SendMessageW(FTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&Info));
}

void THitPreview::Hide() {
    if (!FTip) return;
    TOOLINFOW Info = Tool(FList);
    SendMessageW(FTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&Info));
}

void THitPreview::StopSearch() {
    if (FJob) FJob->Cancel();
    FJob.reset();
    FJobLine = -1;
}

void THitPreview::Forget() {
    StopSearch();
    Hide();
    FTips.clear();
    FRestLine = -1;
}
