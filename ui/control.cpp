#include "ui/control.h"

#include <algorithm>
#include <vector>

namespace {

const char* const ObjectProperty = "yq.TControl";
// Control ids start above IDOK and IDCANCEL, so that the dialog keys never find a control.
int NextControlId = 100;
TControl::TErrorReport ErrorReport = nullptr;

}  // namespace

TControl::~TControl() { DestroyHandle(); }

void TControl::SetErrorReport(TErrorReport Report) { ErrorReport = Report; }

void TControl::Protect(const std::function<void()>& Action) noexcept {
    try {
        Action();
    } catch (...) {
        if (ErrorReport) ErrorReport();
    }
}

TControl* TControl::FromHandle(HWND Window) {
    return Window ? static_cast<TControl*>(GetPropA(Window, ObjectProperty)) : nullptr;
}

void TControl::Attach(HWND Window) {
    FHandle = Window;
    SetPropA(Window, ObjectProperty, this);
}

void TControl::Detach() {
    if (FHandle) RemovePropA(FHandle, ObjectProperty);
    FHandle = nullptr;
}

void TControl::DestroyHandle() {
    // A window that went with its parent no longer names this object.
    if (!FHandle || FromHandle(FHandle) != this) {
        FHandle = nullptr;
        return;
    }
    HWND Window = FHandle;
    Detach();
    DestroyWindow(Window);
}

void TControl::RegisterOwnClass(const char* ClassName, UINT ClassStyle) {
    const HINSTANCE Instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA Class{};
    Class.cbSize = sizeof Class;
    if (GetClassInfoExA(Instance, ClassName, &Class)) return;
    Class.style = ClassStyle;
    Class.lpfnWndProc = RoutingProc;
    Class.hInstance = Instance;
    Class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    Class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    Class.lpszClassName = ClassName;
    if (!RegisterClassExA(&Class)) throw TWindowError("不能注册窗口类 " + std::string(ClassName));
}

void TControl::CreateWindowOf(const char* ClassName, DWORD Style, DWORD ExStyle, const TControlArgs& Args) {
    if (FHandle) throw TWindowError("控件已经创建 " + Args.Name);
    FName = Args.Name;
    FHint = Args.Hint;
    FTabOrder = Args.TabOrder;
    FAlign = Args.Align;
    const auto Id = (Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId++)) : nullptr;
    HWND Window =
        CreateWindowExA(ExStyle, ClassName, Args.Text.c_str(), Style, Args.Left, Args.Top, std::max(0, Args.Width),
                        std::max(0, Args.Height), Args.Parent, Id, GetModuleHandleA(nullptr), this);
    if (!Window) throw TWindowError("不能创建窗口 " + Args.Name);
    if (FromHandle(Window) != this) Attach(Window);  // a system class: not tied while being created
    if (Args.Font) SendMessageA(Window, WM_SETFONT, reinterpret_cast<WPARAM>(Args.Font), FALSE);
}

LRESULT CALLBACK TControl::RoutingProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
    TControl* Self = FromHandle(Window);
    if (!Self && Message == WM_NCCREATE) {
        Self = static_cast<TControl*>(reinterpret_cast<const CREATESTRUCTA*>(LParam)->lpCreateParams);
        if (Self) Self->Attach(Window);
    }
    if (!Self) return DefWindowProcA(Window, Message, WParam, LParam);
    if (Message == WM_NCDESTROY) {
        Self->Detach();
        return DefWindowProcA(Window, Message, WParam, LParam);
    }
    try {
        return Self->WindowProc(Message, WParam, LParam);
    } catch (...) {
        // The handler's remaining steps are skipped; the window goes on.
        if (ErrorReport) ErrorReport();
        return 0;
    }
}

LRESULT TControl::WindowProc(UINT Message, WPARAM WParam, LPARAM LParam) {
    // Our own windows keep their font as the system's controls do.
    if (Message == WM_SETFONT) {
        FFont = reinterpret_cast<HFONT>(WParam);
        if (LOWORD(LParam)) InvalidateRect(FHandle, nullptr, TRUE);
        return 0;
    }
    if (Message == WM_GETFONT) return reinterpret_cast<LRESULT>(FFont);
    return DefWindowProcA(FHandle, Message, WParam, LParam);
}

RECT TControl::BoundsRect() const {
    RECT Bounds{};
    GetWindowRect(FHandle, &Bounds);
    if (GetWindowLongPtrA(FHandle, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(HWND_DESKTOP, GetParent(FHandle), reinterpret_cast<POINT*>(&Bounds), 2);
    return Bounds;
}

int TControl::Left() const { return BoundsRect().left; }
int TControl::Top() const { return BoundsRect().top; }
int TControl::Width() const {
    const RECT R = BoundsRect();
    return R.right - R.left;
}
int TControl::Height() const {
    const RECT R = BoundsRect();
    return R.bottom - R.top;
}

void TControl::SetBounds(int Left, int Top, int Width, int Height) {
    SetWindowPos(FHandle, nullptr, Left, Top, std::max(0, Width), std::max(0, Height), SWP_NOZORDER | SWP_NOACTIVATE);
}
void TControl::SetLeft(int Value) { SetBounds(Value, Top(), Width(), Height()); }
void TControl::SetTop(int Value) { SetBounds(Left(), Value, Width(), Height()); }
void TControl::SetWidth(int Value) { SetBounds(Left(), Top(), Value, Height()); }
void TControl::SetHeight(int Value) { SetBounds(Left(), Top(), Width(), Value); }

std::string TControl::Text() const {
    std::vector<char> Buffer(static_cast<std::size_t>(GetWindowTextLengthA(FHandle)) + 1);
    const int Length = GetWindowTextA(FHandle, Buffer.data(), static_cast<int>(Buffer.size()));
    return std::string(Buffer.data(), static_cast<std::size_t>(std::max(0, Length)));
}

void TControl::SetText(const std::string& Text) { SetWindowTextA(FHandle, Text.c_str()); }
bool TControl::Enabled() const { return IsWindowEnabled(FHandle) != FALSE; }
void TControl::SetEnabled(bool Value) { EnableWindow(FHandle, Value ? TRUE : FALSE); }
bool TControl::Visible() const { return IsWindowVisible(FHandle) != FALSE; }
void TControl::SetFocus() { ::SetFocus(FHandle); }

bool TControl::Focused() const {
    HWND Focus = GetFocus();
    return Focus && (Focus == FHandle || IsChild(FHandle, Focus));
}
