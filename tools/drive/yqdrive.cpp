// Drives the running program's window from outside, as a person would, for screenshots:
// yqdrive STEP...  with the steps
//   folder=TEXT  type=TEXT  keyword=TEXT   put TEXT into the folder, type or keyword field
//   click=CAPTION                           press the button with that caption
//   select=N                                select line N of the result list (0 = first)
//   menu=N                                  open the context menu of line N (the menu key)
//   choose=N                                choose line N of the open menu (1 = first; no separators)
//   hover=N                                 rest the mouse on line N of the result list
//   wait=MS                                 let MS milliseconds pass
// The command line reaches the program in its code page, as the window takes its texts.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const Caption = "砚桥文件搜索工具";

std::string ClassOf(HWND Window) {
    char Name[64] = {};
    GetClassNameA(Window, Name, sizeof Name);
    return Name;
}

std::string TextOf(HWND Window) {
    char Text[256] = {};
    GetWindowTextA(Window, Text, sizeof Text);
    return Text;
}

// The window's controls in creation order, nested ones included.
std::vector<HWND> Controls(HWND Form) {
    std::vector<HWND> All;
    EnumChildWindows(
        Form,
        [](HWND Child, LPARAM List) {
            reinterpret_cast<std::vector<HWND>*>(List)->push_back(Child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&All));
    return All;
}

HWND Nth(HWND Form, const std::string& Class, int N) {
    for (HWND Child : Controls(Form))
        if (_stricmp(ClassOf(Child).c_str(), Class.c_str()) == 0 && N-- == 0) return Child;
    return nullptr;
}

HWND ButtonWithCaption(HWND Form, const std::string& Text) {
    for (HWND Child : Controls(Form))
        if (_stricmp(ClassOf(Child).c_str(), "Button") == 0 && TextOf(Child) == Text) return Child;
    return nullptr;
}

[[noreturn]] void Fail(const std::string& What) {
    std::fprintf(stderr, "yqdrive: %s\n", What.c_str());
    std::exit(1);
}

// Chooses line N (1 = the first; separators not counted) of the open popup menu by the
// keyboard: Down N times, then Enter. A menu's lines cannot be read from another process under
// Wine, so they are counted, not named.
void ChooseFromMenu(int Line) {
    HWND Menu = nullptr;
    for (int I = 0; I < 100 && !Menu; ++I, Sleep(20))
        for (HWND Open = FindWindowExA(nullptr, nullptr, "#32768", nullptr); Open && !Menu;
             Open = FindWindowExA(nullptr, Open, "#32768", nullptr))
            if (IsWindowVisible(Open)) Menu = Open;
    if (!Menu) Fail("no menu is open");
    for (int K = 0; K < Line; ++K) PostMessageA(Menu, WM_KEYDOWN, VK_DOWN, 1);
    PostMessageA(Menu, WM_KEYDOWN, VK_RETURN, 1);
}

}  // namespace

int main(int argc, char** argv) {
    HWND Form = nullptr;
    // The window is shown once all its controls exist; before, some fields may be missing.
    for (int I = 0; I < 200 && !(Form && IsWindowVisible(Form)); ++I, Sleep(50)) Form = FindWindowA(nullptr, Caption);
    if (!Form || !IsWindowVisible(Form)) Fail("the program's window did not appear");
    // The fields in creation order: the folder edit, then the type box (with its edit), then the keyword edit.
    HWND Folder = Nth(Form, "Edit", 0);
    HWND Type = Nth(Form, "ComboBox", 0);
    HWND Keyword = Nth(Form, "Edit", 2);
    HWND List = Nth(Form, "ListBox", 0);
    for (int I = 1; I < argc; ++I) {
        const std::string Step = argv[I];
        const auto Eq = Step.find('=');
        if (Eq == std::string::npos) Fail("a step needs NAME=VALUE: " + Step);
        const std::string Name = Step.substr(0, Eq), Value = Step.substr(Eq + 1);
        if (Name == "folder" || Name == "type" || Name == "keyword") {
            HWND Field = Name == "folder" ? Folder : Name == "type" ? Type : Keyword;
            SendMessageA(Field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Value.c_str()));
        } else if (Name == "click") {
            HWND Button = ButtonWithCaption(Form, Value);
            if (!Button) Fail("no button " + Value);
            PostMessageA(Button, BM_CLICK, 0, 0);
        } else if (Name == "select") {
            SendMessageA(List, LB_SETCURSEL, static_cast<WPARAM>(std::atoi(Value.c_str())), 0);
            PostMessageA(GetParent(List), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(List), LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(List));
        } else if (Name == "menu") {
            SendMessageA(List, LB_SETCURSEL, static_cast<WPARAM>(std::atoi(Value.c_str())), 0);
            SetForegroundWindow(Form);
            PostMessageA(List, WM_KEYDOWN, VK_APPS, 1);
        } else if (Name == "choose") {
            ChooseFromMenu(std::atoi(Value.c_str()));
        } else if (Name == "hover") {
            RECT Line{};
            SendMessageA(List, LB_GETITEMRECT, static_cast<WPARAM>(std::atoi(Value.c_str())),
                         reinterpret_cast<LPARAM>(&Line));
            POINT At{Line.left + 40, (Line.top + Line.bottom) / 2};
            ClientToScreen(List, &At);
            SetCursorPos(At.x - 3, At.y);
            Sleep(50);
            SetCursorPos(At.x, At.y);
        } else if (Name == "wait") {
            Sleep(static_cast<DWORD>(std::atoi(Value.c_str())));
        } else {
            Fail("unknown step " + Step);
        }
    }
    return 0;
}
