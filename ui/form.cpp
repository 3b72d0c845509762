#include "ui/form.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

std::vector<HWND> ChildrenOf(HWND Parent) {
    std::vector<HWND> Children;
    for (HWND Child = GetWindow(Parent, GW_CHILD); Child; Child = GetWindow(Child, GW_HWNDNEXT))
        Children.push_back(Child);
    return Children;
}

// The dialog keys walk the windows in their z-order, so the tab stops of every parent are put in
// the order of their tab positions.
void OrderTabStops(HWND Parent) {
    std::vector<std::pair<int, HWND>> Ordered;
    for (HWND Child : ChildrenOf(Parent)) {
        const TControl* Control = TControl::FromHandle(Child);
        if (!Control) continue;
        if (Control->TabOrder() >= 0) Ordered.emplace_back(Control->TabOrder(), Child);
        OrderTabStops(Child);
    }
    std::stable_sort(Ordered.begin(), Ordered.end(), [](const auto& A, const auto& B) { return A.first < B.first; });
    HWND After = HWND_TOP;
    for (const auto& [Order, Child] : Ordered) {
        SetWindowPos(Child, After, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        After = Child;
    }
}

BOOL CALLBACK AddHintOf(HWND Window, LPARAM Hints) {
    const TControl* Control = TControl::FromHandle(Window);
    if (!Control || Control->Hint().empty()) return TRUE;
    auto& Tips = *reinterpret_cast<THints*>(Hints);
    Tips.Add(Window, Control->Hint());
    // Windows inside the control (the edit of a drop-down list) take the mouse there.
    for (HWND Inner : ChildrenOf(Window))
        if (!TControl::FromHandle(Inner)) Tips.Add(Inner, Control->Hint());
    return TRUE;
}

}  // namespace

TFormOwner* TForm::FOwner = nullptr;

void TForm::SetOwner(TFormOwner* Owner) { FOwner = Owner; }

TForm::~TForm() {
    if (FOwner) FOwner->FormDestroyed(this);
    DestroyHandle();
}

bool TForm::IsForm(HWND Window) { return dynamic_cast<TForm*>(FromHandle(Window)) != nullptr; }

void TForm::CreateFormWindow(const TFormArgs& Args) {
    RegisterOwnClass(Args.ClassName.c_str(), 0);
    FFont.Reset(CreateFontA(Args.FontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, Args.FontCharset,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            Args.FontName.c_str()));
    TControlArgs Window;
    Window.Name = Args.Name;
    Window.Text = Args.Caption;
    Window.Left = Args.Left;
    Window.Top = Args.Top;
    Window.Width = Args.Width;
    Window.Height = Args.Height;
    Window.Font = FFont.Get();
    CreateWindowOf(Args.ClassName.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, Window);
    if (Args.IconId != 0) {
        FBigIcon = LoadResourceIcon(Args.IconId, GetSystemMetrics(SM_CXICON));
        FSmallIcon = LoadResourceIcon(Args.IconId, GetSystemMetrics(SM_CXSMICON));
        SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FBigIcon.Get()));
        SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(FSmallIcon.Get()));
    }
}

void TForm::FinishCreate() {
    OrderTabStops(Handle());
    FHints.Create(Handle());
    EnumChildWindows(Handle(), AddHintOf, reinterpret_cast<LPARAM>(&FHints));
    FLoaded = true;
    Protect([this] {
        if (OnCreate) OnCreate(this);
    });
    Protect([this] { Realign(); });
}

void TForm::Show(int ShowCommand) {
    ShowWindow(Handle(), ShowCommand);
    UpdateWindow(Handle());
}

void TForm::Close() {
    TCloseAction Action = TCloseAction::Hide;
    if (OnClose) OnClose(this, Action);
    if (Action == TCloseAction::None) return;
    if (FOwner && FOwner->MainForm() == this)
        FOwner->Terminate();
    else
        ShowWindow(Handle(), SW_HIDE);
}

int TForm::ClientWidth() const {
    RECT Client{};
    GetClientRect(Handle(), &Client);
    return Client.right;
}

int TForm::ClientHeight() const {
    RECT Client{};
    GetClientRect(Handle(), &Client);
    return Client.bottom;
}

void TForm::Realign() {
    if (!FLoaded) return;  // the first size arrives before the controls exist
    int Bottom = ClientHeight();
    for (HWND Child : ChildrenOf(Handle())) {
        TControl* Control = FromHandle(Child);
        if (!Control || Control->Align() != TAlign::Bottom) continue;
        const int Height = Control->Height();
        Bottom -= Height;
        Control->SetBounds(0, Bottom, ClientWidth(), Height);
    }
    if (OnResize) OnResize(this);
}

void TForm::RestoreFocus() {
    HWND Target = FLastFocus;
    if (!Target || !IsWindow(Target) || !IsChild(Handle(), Target) || !IsWindowEnabled(Target) ||
        !IsWindowVisible(Target))
        Target = GetNextDlgTabItem(Handle(), nullptr, FALSE);
    if (Target) ::SetFocus(Target);
}

LRESULT TForm::WindowProc(UINT Message, WPARAM WParam, LPARAM LParam) {
    switch (Message) {
    case WM_COMMAND:
        // Enter and Escape arrive as IDOK and IDCANCEL without a control: nothing to do.
        if (TControl* Control = FromHandle(reinterpret_cast<HWND>(LParam))) {
            Control->Command(HIWORD(WParam));
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto& Header = *reinterpret_cast<const NMHDR*>(LParam);
        if (TControl* Control = FromHandle(Header.hwndFrom)) {
            LRESULT Result = 0;
            if (Control->Notify(Header, Result)) return Result;
        }
        break;
    }
    case WM_SIZE:
        Realign();
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(WParam) == WA_INACTIVE) {
            HWND Focus = GetFocus();
            if (Focus && IsChild(Handle(), Focus)) FLastFocus = Focus;
        } else if (!HIWORD(WParam)) {
            RestoreFocus();
        }
        return 0;
    case WM_SETFOCUS:
        RestoreFocus();
        return 0;
    case WM_SETTINGCHANGE:
        if (FOwner) FOwner->LocaleChanged();
        break;
    }
    return TControl::WindowProc(Message, WParam, LParam);
}
