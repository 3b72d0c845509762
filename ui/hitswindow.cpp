#include "ui/hitswindow.h"

#include <algorithm>

#include "pure/support/bytetext.h"
#include "support/fileinfo.h"
#include "support/formatting.h"
#include "ui/hitjob.h"

namespace {

const char* const WindowClass = "TYqHits";
const UINT HitsFound = WM_APP + 1;
constexpr int StateId = 101;  // never 1 or 2, which the dialog keys take for OK and Cancel
constexpr int ListId = 102;
constexpr int StateHeight = 24;
const COLORREF MatchGround = RGB(255, 236, 140);

std::wstring Wide(const std::string& Ansi) {
    const int Units = MultiByteToWideChar(CP_ACP, 0, Ansi.data(), static_cast<int>(Ansi.size()), nullptr, 0);
    std::wstring Text(static_cast<std::size_t>(std::max(Units, 0)), L'\0');
    if (Units > 0) MultiByteToWideChar(CP_ACP, 0, Ansi.data(), static_cast<int>(Ansi.size()), Text.data(), Units);
    return Text;
}

std::string Ansi(const std::wstring& Text) {
    const int Bytes =
        WideCharToMultiByte(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0, nullptr, nullptr);
    std::string Out(static_cast<std::size_t>(std::max(Bytes, 0)), '\0');
    if (Bytes > 0)
        WideCharToMultiByte(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), Out.data(), Bytes, nullptr, nullptr);
    return Out;
}

int TextWidth(HDC Context, const std::wstring& Text) {
    SIZE Size{};
    GetTextExtentPoint32W(Context, Text.data(), static_cast<int>(Text.size()), &Size);
    return Size.cx;
}

// Draws Text from Left on, within Right; returns where the next piece starts.
int DrawPiece(HDC Context, const std::wstring& Text, int Left, const RECT& Row, UINT Flags = 0) {
    RECT Box{Left, Row.top, Row.right - 4, Row.bottom};
    if (Box.left >= Box.right || Text.empty()) return Left;
    DrawTextW(Context, Text.data(), static_cast<int>(Text.size()), &Box,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | Flags);
    return Left + TextWidth(Context, Text);
}

}  // namespace

THitsWindow::~THitsWindow() {
    if (FJob) FJob->Cancel();
}

void THitsWindow::Open(HWND Owner, HFONT Font, const std::string& Path, const std::string& Keyword) {
    FPath = Path;
    FKeyword = Keyword;
    FFont = Font;
    LOGFONTA Bold{};
    if (Font && GetObjectA(Font, sizeof Bold, &Bold)) {
        Bold.lfWeight = FW_BOLD;
        FBold.Reset(CreateFontIndirectA(&Bold));
    }
    RegisterOwnClass(WindowClass, CS_HREDRAW | CS_VREDRAW);
    RECT Below{};
    GetWindowRect(Owner, &Below);
    TControlArgs Args;
    Args.Parent = Owner;  // not a child: the owner, above which the window stays
    Args.Name = "HitsWindow";
    Args.Text = "匹配内容 - " + NamePart(Path);
    Args.Left = Below.left + 40;
    Args.Top = Below.top + 120;
    Args.Width = 620;
    Args.Height = 320;
    Args.Font = Font;
    CreateWindowOf(WindowClass, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, Args);
    const HINSTANCE Instance = GetModuleHandleA(nullptr);
    FState = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 0, 0, 0,
                             Handle(), reinterpret_cast<HMENU>(StateId), Instance, nullptr);
    FList = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                                LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT,
                            0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(ListId), Instance, nullptr);
    for (HWND Child : {FState, FList}) SendMessageA(Child, WM_SETFONT, reinterpret_cast<WPARAM>(Font), FALSE);
    Layout();
    if (Keyword.empty()) {
        ShowHits({{L"", Wide(NamePart(Path)), L"", "文件名"}}, "上次搜索没有关键词，只列出文件名");
    } else {
        SetWindowTextA(FState, "正在查找…");
        FJob = THitJob::Start(Handle(), HitsFound, 0, Path, Keyword, MaxHits);
    }
    // The program's icon, as the owner shows it.
    SendMessageA(Handle(), WM_SETICON, ICON_SMALL, SendMessageA(Owner, WM_GETICON, ICON_SMALL, 0));
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, SendMessageA(Owner, WM_GETICON, ICON_BIG, 0));
    ShowWindow(Handle(), SW_SHOWNORMAL);
    ::SetFocus(FList);
}

std::string THitsWindow::StateText() const {
    char Text[512] = {};
    GetWindowTextA(FState, Text, sizeof Text);
    return Text;
}

void THitsWindow::Close() {
    if (FJob) FJob->Cancel();  // the search ends at its next read
    FJob.reset();
    DestroyHandle();
}

void THitsWindow::Layout() {
    RECT Client{};
    GetClientRect(Handle(), &Client);
    MoveWindow(FState, 8, 5, std::max(0, static_cast<int>(Client.right) - 16), StateHeight - 8, TRUE);
    MoveWindow(FList, 0, StateHeight, Client.right, std::max(0, static_cast<int>(Client.bottom) - StateHeight), TRUE);
}

void THitsWindow::TakeOutcome() {
    if (!FJob || !FJob->Done()) return;
    const std::shared_ptr<THitJob> Job = std::move(FJob);
    if (Job->Failed()) {
        ShowHits({}, "不能读取此文件：" + Job->Error());
    } else if (Job->Hits().empty()) {
        ShowHits({}, "文件中没有找到“" + FKeyword + "”");
    } else {
        const std::size_t Count = Job->Hits().size();
        const char* Template = Count >= MaxHits ? "只列出前 %d 处" : "找到 %d 处";
        ShowHits(Job->Hits(), FormatText(Template, {static_cast<std::int64_t>(Count)}));
    }
}

void THitsWindow::ShowHits(const std::vector<TKeywordHit>& Hits, const std::string& State) {
    FHits = Hits;
    SetWindowTextA(FState, State.c_str());
    HDC Context = GetDC(FList);
    const HGDIOBJ Before = SelectObject(Context, FFont);
    FWhereWidth = 0;
    for (const TKeywordHit& Hit : FHits) FWhereWidth = std::max(FWhereWidth, TextWidth(Context, Wide(Hit.Where)));
    FWhereWidth = std::min(FWhereWidth + 16, 220);
    SelectObject(Context, Before);
    ReleaseDC(FList, Context);
    // The text of each line as other programs read it; drawn from the hits themselves.
    SendMessageA(FList, LB_RESETCONTENT, 0, 0);
    for (const TKeywordHit& Hit : FHits) {
        const std::string Line = Hit.Where + "  " + Ansi(Hit.Before + Hit.Match + Hit.After);
        SendMessageA(FList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Line.c_str()));
    }
    // The keyboard starts at the first hit, which stays unselected so that its mark shows.
    if (!FHits.empty()) SendMessageA(FList, LB_SETCARETINDEX, 0, FALSE);
}

void THitsWindow::DrawHit(const DRAWITEMSTRUCT& Item) const {
    if (Item.itemID >= FHits.size()) return;
    const TKeywordHit& Hit = FHits[Item.itemID];
    HDC Context = Item.hDC;
    const bool Selected = (Item.itemState & ODS_SELECTED) != 0;
    FillRect(Context, &Item.rcItem, GetSysColorBrush(Selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const HGDIOBJ Before = SelectObject(Context, FFont);
    SetBkMode(Context, TRANSPARENT);
    SetTextColor(Context, GetSysColor(Selected ? COLOR_HIGHLIGHTTEXT : COLOR_GRAYTEXT));
    const RECT Row = Item.rcItem;
    DrawPiece(Context, Wide(Hit.Where), Row.left + 6, {Row.left, Row.top, Row.left + FWhereWidth, Row.bottom},
              DT_END_ELLIPSIS);
    SetTextColor(Context, GetSysColor(Selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    int Left = DrawPiece(Context, Hit.Before, Row.left + FWhereWidth, Row);
    SelectObject(Context, FBold ? FBold.Get() : FFont);
    if (!Selected && !Hit.Match.empty()) {
        RECT Ground{Left, Row.top + 1, std::min<LONG>(Left + TextWidth(Context, Hit.Match), Row.right), Row.bottom - 1};
        SetBkColor(Context, MatchGround);
        ExtTextOutW(Context, 0, 0, ETO_OPAQUE, &Ground, nullptr, 0, nullptr);
    }
    Left = DrawPiece(Context, Hit.Match, Left, Row);
    SelectObject(Context, FFont);
    DrawPiece(Context, Hit.After, Left, Row, DT_END_ELLIPSIS);
    SelectObject(Context, Before);
    if (Item.itemState & ODS_FOCUS) DrawFocusRect(Context, &Item.rcItem);
}

LRESULT THitsWindow::WindowProc(UINT Message, WPARAM WParam, LPARAM LParam) {
    switch (Message) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_SETFOCUS:
        ::SetFocus(FList);
        return 0;
    case WM_MEASUREITEM: {
        auto& Item = *reinterpret_cast<MEASUREITEMSTRUCT*>(LParam);
        TEXTMETRICA Metrics{};
        HDC Context = GetDC(Handle());
        const HGDIOBJ Before = SelectObject(Context, FFont);
        GetTextMetricsA(Context, &Metrics);
        SelectObject(Context, Before);
        ReleaseDC(Handle(), Context);
        Item.itemHeight = static_cast<UINT>(Metrics.tmHeight + 6);
        return TRUE;
    }
    case WM_DRAWITEM:
        DrawHit(*reinterpret_cast<const DRAWITEMSTRUCT*>(LParam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(WParam) == ListId && HIWORD(WParam) == LBN_DBLCLK && !FHits.empty()) ShellOpen(FPath, "");
        return 0;
    case WM_VKEYTOITEM:
        if (LOWORD(WParam) == VK_ESCAPE) {
            Close();
            return -2;
        }
        if (LOWORD(WParam) == VK_RETURN && !FHits.empty()) {
            ShellOpen(FPath, "");
            return -2;
        }
        return -1;
    case WM_KEYDOWN:
        if (WParam == VK_ESCAPE) Close();
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case HitsFound:
        TakeOutcome();
        return 0;
    }
    return TControl::WindowProc(Message, WParam, LParam);
}
