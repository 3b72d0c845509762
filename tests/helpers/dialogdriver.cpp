#include "tests/helpers/dialogdriver.h"

namespace {

struct TSearch {
    std::string Caption;
    DWORD Process;
    HWND Found = nullptr;
};

BOOL CALLBACK MatchDialog(HWND Window, LPARAM L) {
    auto* Search = reinterpret_cast<TSearch*>(L);
    DWORD Process = 0;
    GetWindowThreadProcessId(Window, &Process);
    if (Process != Search->Process || !IsWindowVisible(Window) || !IsWindowEnabled(Window)) return TRUE;
    if (ClassOf(Window) != "#32770") return TRUE;
    if (!Search->Caption.empty() && TextOf(Window) != Search->Caption) return TRUE;
    Search->Found = Window;
    return FALSE;
}

BOOL CALLBACK CancelDialog(HWND Window, LPARAM) {
    DWORD Process = 0;
    GetWindowThreadProcessId(Window, &Process);
    if (Process == GetCurrentProcessId() && IsWindowVisible(Window) && ClassOf(Window) == "#32770")
        PostMessageA(Window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return TRUE;
}

struct TChildSearch {
    std::string Class;
    std::vector<std::string> Texts;
};

BOOL CALLBACK CollectChild(HWND Window, LPARAM L) {
    auto* Search = reinterpret_cast<TChildSearch*>(L);
    if (ClassOf(Window) == Search->Class) Search->Texts.push_back(TextOf(Window));
    return TRUE;
}

struct TFind {
    std::string Class;
    int Id;
    HWND Found = nullptr;
};

BOOL CALLBACK FindDescendant(HWND Window, LPARAM L) {
    auto* Find = reinterpret_cast<TFind*>(L);
    if (ClassOf(Window) == Find->Class && (Find->Id == -1 || GetDlgCtrlID(Window) == Find->Id)) {
        Find->Found = Window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindChild(HWND Parent, const std::string& Class, int Id) {
    TFind Find{Class, Id};
    EnumChildWindows(Parent, FindDescendant, reinterpret_cast<LPARAM>(&Find));  // walks all descendants
    return Find.Found;
}

HWND WaitForDialog(const std::string& Caption, DWORD TimeoutMs, DWORD Process) {
    const DWORD Start = GetTickCount();
    for (;;) {
        TSearch Search{Caption, Process ? Process : GetCurrentProcessId()};
        EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&Search));
        if (Search.Found) return Search.Found;
        if (GetTickCount() - Start >= TimeoutMs) return nullptr;
        Sleep(10);
    }
}

std::string TextOf(HWND Window) {
    char Text[1024] = {};
    GetWindowTextA(Window, Text, sizeof(Text));
    return Text;
}

std::string ClassOf(HWND Window) {
    char Name[64] = {};
    GetClassNameA(Window, Name, sizeof(Name));
    return Name;
}

std::vector<std::string> ListLines(HWND List) {
    std::vector<std::string> Lines;
    const auto Count = SendMessageA(List, LB_GETCOUNT, 0, 0);
    for (LRESULT I = 0; I < Count; ++I) {
        std::string Line(static_cast<std::size_t>(SendMessageA(List, LB_GETTEXTLEN, I, 0)) + 1, '\0');
        const auto Got = SendMessageA(List, LB_GETTEXT, I, reinterpret_cast<LPARAM>(Line.data()));
        Line.resize(Got > 0 ? static_cast<std::size_t>(Got) : 0);
        Lines.push_back(Line);
    }
    return Lines;
}

std::vector<std::string> ComboLines(HWND Combo) {
    std::vector<std::string> Lines;
    const auto Count = SendMessageA(Combo, CB_GETCOUNT, 0, 0);
    for (LRESULT I = 0; I < Count; ++I) {
        char Line[256] = {};
        SendMessageA(Combo, CB_GETLBTEXT, I, reinterpret_cast<LPARAM>(Line));
        Lines.push_back(Line);
    }
    return Lines;
}

int FindLine(HWND List, const std::string& Text) {
    const std::vector<std::string> Lines = ListLines(List);
    for (std::size_t I = 0; I < Lines.size(); ++I) {
        if (Lines[I].substr(Lines[I].find_first_not_of(' ') == std::string::npos
                                ? Lines[I].size()
                                : Lines[I].find_first_not_of(' ')) == Text)
            return static_cast<int>(I);
    }
    return -1;
}

std::vector<std::string> ChildTexts(HWND Parent, const std::string& Class) {
    TChildSearch Search{Class, {}};
    EnumChildWindows(Parent, CollectChild, reinterpret_cast<LPARAM>(&Search));
    return Search.Texts;
}

HWND WaitForMenu(DWORD TimeoutMs) {
    const DWORD Start = GetTickCount();
    for (;;) {
        for (HWND Menu = FindWindowExA(nullptr, nullptr, "#32768", nullptr); Menu;
             Menu = FindWindowExA(nullptr, Menu, "#32768", nullptr)) {
            DWORD Process = 0;
            GetWindowThreadProcessId(Menu, &Process);
            if (Process == GetCurrentProcessId() && IsWindowVisible(Menu)) return Menu;
        }
        if (GetTickCount() - Start >= TimeoutMs) return nullptr;
        Sleep(10);
    }
}

std::vector<TMenuLine> MenuLines(HWND Menu) {
    std::vector<TMenuLine> Lines;
    const auto Items = reinterpret_cast<HMENU>(SendMessageA(Menu, MN_GETHMENU, 0, 0));
    for (int I = 0; Items && I < GetMenuItemCount(Items); ++I) {
        char Caption[256] = {};
        GetMenuStringA(Items, static_cast<UINT>(I), Caption, sizeof Caption, MF_BYPOSITION);
        const UINT State = GetMenuState(Items, static_cast<UINT>(I), MF_BYPOSITION);
        Lines.push_back({Caption, (State & (MF_GRAYED | MF_SEPARATOR)) == MF_GRAYED});
    }
    return Lines;
}

std::vector<TMenuLine> ChooseFromMenu(const std::string& Caption) {
    HWND Menu = WaitForMenu();
    if (!Menu) return {};
    const std::vector<TMenuLine> Lines = MenuLines(Menu);
    // Down moves over the lines that are not separators, the first press onto the first one.
    int Presses = 0;
    bool Found = false;
    for (const TMenuLine& Line : Lines) {
        if (Line.Caption.empty()) continue;
        ++Presses;
        if (Line.Caption == Caption) {
            Found = true;
            break;
        }
    }
    const auto Key = [Menu](WPARAM Code) {
        PostMessageA(Menu, WM_KEYDOWN, Code, 1);
        PostMessageA(Menu, WM_KEYUP, Code, static_cast<LPARAM>(0xC0000001u));
    };
    if (Found) {
        for (int I = 0; I < Presses; ++I) Key(VK_DOWN);
        Key(VK_RETURN);
    }
    // A greyed line takes no Enter: the menu is then dismissed.
    for (int Wait = 0; Wait < 100 && IsWindowVisible(Menu); ++Wait) {
        if (Wait == 20) Key(VK_ESCAPE);
        Sleep(10);
    }
    return Lines;
}

void Click(HWND Button) { PostMessageA(Button, BM_CLICK, 0, 0); }

void PostCommand(HWND Dialog, int Id) { PostMessageA(Dialog, WM_COMMAND, MAKEWPARAM(Id, BN_CLICKED), 0); }

std::string NoticeText(HWND Box) { return TextOf(GetDlgItem(Box, 0xFFFF)); }

std::string AnswerNotice(const std::string& Caption, int Answer) {
    HWND Box = WaitForDialog(Caption);
    if (!Box) return std::string();
    const std::string Text = NoticeText(Box);
    Click(GetDlgItem(Box, Answer));
    return Text;
}

std::string NoticeOf(const std::function<void()>& Action) {
    std::string Text;
    TDialogScript Script([&] { Text = AnswerNotice(); });
    Action();
    Script.Finish();
    return Text;
}

TDialogScript::TDialogScript(std::function<void()> Script) : FScript(std::move(Script)) {
    FReturned = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    FThread = CreateThread(nullptr, 0, &TDialogScript::Run, this, 0, nullptr);
}

TDialogScript::~TDialogScript() { Finish(); }

bool TDialogScript::Finish() {
    if (FThread) {
        SetEvent(FReturned);
        WaitForSingleObject(FThread, INFINITE);
        CloseHandle(FThread);
        CloseHandle(FReturned);
        FThread = nullptr;
    }
    return FRescued == 0;
}

DWORD WINAPI TDialogScript::Run(void* Self) {
    auto* Script = static_cast<TDialogScript*>(Self);
    Script->FScript();
    // The modal call should return soon after the script; if it does not, cancel what is open so
    // that the test fails instead of hanging.
    while (WaitForSingleObject(Script->FReturned, 3000) == WAIT_TIMEOUT) {
        InterlockedExchange(&Script->FRescued, 1);
        EnumWindows(CancelDialog, 0);
    }
    return 0;
}
