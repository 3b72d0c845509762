#include "ui/application.h"

#include <commctrl.h>

#include <exception>

#include "support/formatting.h"
#include "support/textrules.h"

TApplication Application;

namespace {
const char* const UnknownErrorText = "发生未知错误";
}

void TApplication::Initialize() {
    // The forms report to the application, and an exception that leaves an event handler is
    // shown by the default error report.
    TForm::SetOwner(this);
    TControl::SetErrorReport([]() noexcept { Application.HandleException(); });
    INITCOMMONCONTROLSEX Controls{};
    Controls.dwSize = sizeof Controls;
    Controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES;
    InitCommonControlsEx(&Controls);
}

void TApplication::DestroyForms() {
    while (!FForms.empty()) FForms.pop_back();  // last created first
    FMainForm = nullptr;
}

void TApplication::FormDestroyed(const TForm* Form) {
    if (FMainForm == Form) FMainForm = nullptr;
}

void TApplication::Run() {
    if (FMainForm && !FMainForm->Visible()) FMainForm->Show(SW_SHOWDEFAULT);
    while (!FTerminated) {
        MSG Message{};
        if (GetMessageA(&Message, nullptr, 0, 0) <= 0) {
            FTerminated = true;
            break;
        }
        Dispatch(Message);
    }
}

void TApplication::ProcessMessages() {
    MSG Message{};
    while (PeekMessageA(&Message, nullptr, 0, 0, PM_REMOVE)) {
        if (Message.message == WM_QUIT) {
            FTerminated = true;
            break;
        }
        Dispatch(Message);
    }
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::Dispatch(MSG& Message) {
    // Handlers may ask which queued message they run for; a nested loop's messages come and go
    // inside the outer one's handling.
    struct THandling {
        const MSG*& Slot;
        const MSG* Outer;
        ~THandling() { Slot = Outer; }
    } Handling{FHandled, FHandled};
    FHandled = &Message;
    // Tab, Shift+Tab and the arrow keys move between the controls of a form.
    HWND Root = Message.hwnd ? GetAncestor(Message.hwnd, GA_ROOT) : nullptr;
    if (Root && TForm::IsForm(Root) && IsDialogMessageA(Root, &Message)) return;
    TranslateMessage(&Message);
    DispatchMessageA(&Message);
}

DWORD TApplication::QueueClock() {
    static const UINT Marker = RegisterWindowMessageA("yq.QueueClock");
    MSG Message{};
    PeekMessageA(&Message, nullptr, 0, 0, PM_NOREMOVE);  // the thread has its queue from here on
    const HWND ThreadOnly = reinterpret_cast<HWND>(-1);
    if (Marker != 0 && PostThreadMessageA(GetCurrentThreadId(), Marker, 0, 0) &&
        PeekMessageA(&Message, ThreadOnly, Marker, Marker, PM_REMOVE))
        return Message.time;
    return GetTickCount();
}

bool TApplication::HandledMessageTime(DWORD& Time) const {
    if (!FHandled) return false;
    Time = FHandled->time;
    return true;
}

std::string TApplication::ExeName() const {
    std::string Path(MAX_PATH, '\0');
    for (;;) {
        const DWORD Length = GetModuleFileNameA(nullptr, Path.data(), static_cast<DWORD>(Path.size()));
        if (Length == 0) return std::string();
        if (Length < Path.size()) {
            Path.resize(Length);
            return Path;
        }
        Path.resize(Path.size() * 2);  // cut off: try a larger buffer
    }
}

void TApplication::HandleException() noexcept {
    try {
        throw;
    } catch (const std::exception& Error) {
        ShowException(Error.what());
    } catch (...) {
        ShowException(UnknownErrorText);
    }
}

void TApplication::ShowException(const std::string& Text) noexcept {
    try {
        HWND Owner = GetActiveWindow();
        if (!Owner && FMainForm) Owner = FMainForm->Handle();
        const std::string Title = FMainForm ? FMainForm->Text() : std::string();
        MessageBoxA(Owner, Text.c_str(), Title.empty() ? nullptr : Title.c_str(), MB_OK | MB_ICONERROR);
    } catch (...) {
        // Out of memory for the title: nothing more can be shown.
    }
}

void TApplication::LocaleChanged() {
    // The lead bytes first: the settings' texts are cut by them.
    ReadLocaleLeadBytes();
    ReadLocaleSettings();
}
