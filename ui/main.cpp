#include <windows.h>

// Placeholder window until the main form exists.
static LRESULT CALLBACK WindowProc(HWND Window, UINT Message, WPARAM W, LPARAM L) {
    if (Message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(Window, Message, W, L);
}

int WINAPI WinMain(HINSTANCE Instance, HINSTANCE, LPSTR, int Show) {
    WNDCLASSA Class{};
    Class.lpfnWndProc = WindowProc;
    Class.hInstance = Instance;
    Class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    Class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    Class.lpszClassName = "TForm1";
    RegisterClassA(&Class);
    HWND Window = CreateWindowA("TForm1", "砚桥文件搜索工具", WS_OVERLAPPEDWINDOW, 192, 111, 669, 536, nullptr,
                                nullptr, Instance, nullptr);
    ShowWindow(Window, Show);
    MSG Msg;
    while (GetMessageA(&Msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&Msg);
        DispatchMessageA(&Msg);
    }
    return 0;
}
