#include "ui/hints.h"

#include <commctrl.h>

#include "ui/windowerror.h"

void THints::Create(HWND Form) {
    FForm = Form;
    FWindow =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Form, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!FWindow) throw TWindowError("不能创建提示窗口");
}

void THints::Add(HWND Tool, const std::string& Text) {
    TOOLINFOA Info{};
    Info.cbSize = sizeof Info;
    // The tip watches the tool's mouse messages itself.
    Info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    Info.hwnd = FForm;
    Info.uId = reinterpret_cast<UINT_PTR>(Tool);
    Info.lpszText = const_cast<char*>(Text.c_str());  // copied by the tip window
    SendMessageA(FWindow, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&Info));
}
