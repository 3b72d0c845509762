// The program itself, started as a user starts it and driven through its window from outside:
// the save path confirmed in one run is remembered by the next.
#include <gtest/gtest.h>
#include <windows.h>

#include "support/registry.h"
#include "support/textrules.h"
#include "tests/testfiles.h"
#include "ui/Unit1.h"

namespace {

class TRunningProgram {
public:
    TRunningProgram() {
        const std::string Program = ProgramFolder() + "..\\ui\\yqsearch.exe";
        STARTUPINFOA Startup{};
        Startup.cb = sizeof Startup;
        std::string Command = "\"" + Program + "\"";
        if (!CreateProcessA(nullptr, Command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &FProcess))
            return;
        WaitForInputIdle(FProcess.hProcess, 10000);
        for (int Wait = 0; Wait < 200 && !FWindow; ++Wait, Sleep(50))
            FWindow = FindWindowA("TForm1", "砚桥文件搜索工具");
    }
    ~TRunningProgram() {
        if (FProcess.hProcess) {
            if (WaitForSingleObject(FProcess.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(FProcess.hProcess, 1);
            CloseHandle(FProcess.hThread);
            CloseHandle(FProcess.hProcess);
        }
    }
    TRunningProgram(const TRunningProgram&) = delete;
    TRunningProgram& operator=(const TRunningProgram&) = delete;

    HWND Window() const { return FWindow; }
    // A control of the window by its class and caption (any caption when empty), nested ones included.
    HWND Control(const char* Class, const std::string& Caption = std::string()) const {
        struct TSearch {
            const char* Class;
            std::string Caption;
            HWND Found = nullptr;
        } Search{Class, Caption};
        EnumChildWindows(
            FWindow,
            [](HWND Child, LPARAM Data) {
                auto& S = *reinterpret_cast<TSearch*>(Data);
                char Name[64] = {}, Text[256] = {};
                GetClassNameA(Child, Name, sizeof Name);
                GetWindowTextA(Child, Text, sizeof Text);
                if (_stricmp(Name, S.Class) != 0 || (!S.Caption.empty() && S.Caption != Text)) return TRUE;
                S.Found = Child;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&Search));
        return Search.Found;
    }
    // A visible dialog of the program, waited for.
    HWND Dialog(const std::string& Caption = std::string()) const {
        for (int Wait = 0; Wait < 200; ++Wait, Sleep(50)) {
            struct TSearch {
                DWORD Process;
                std::string Caption;
                HWND Found = nullptr;
            } Search{FProcess.dwProcessId, Caption};
            EnumWindows(
                [](HWND Window, LPARAM Data) {
                    auto& S = *reinterpret_cast<TSearch*>(Data);
                    DWORD Owner = 0;
                    GetWindowThreadProcessId(Window, &Owner);
                    char Name[64] = {}, Text[256] = {};
                    GetClassNameA(Window, Name, sizeof Name);
                    GetWindowTextA(Window, Text, sizeof Text);
                    if (Owner != S.Process || std::string(Name) != "#32770" || !IsWindowVisible(Window) ||
                        (!S.Caption.empty() && S.Caption != Text))
                        return TRUE;
                    S.Found = Window;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&Search));
            if (Search.Found) return Search.Found;
        }
        return nullptr;
    }
    // Closes the window and waits for the program to end; its exit code.
    DWORD Close() {
        PostMessageA(FWindow, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(FProcess.hProcess, 15000) != WAIT_OBJECT_0) return 259;
        DWORD Code = 1;
        GetExitCodeProcess(FProcess.hProcess, &Code);
        return Code;
    }

private:
    PROCESS_INFORMATION FProcess{};
    HWND FWindow = nullptr;
};

std::string StoredPath(bool& Found) {
    std::string Value;
    Found = RegReadString("HKEY_CURRENT_USER", "Software\\zemvold", "DialogSelectfile", Value);
    return Value;
}

TEST(Program, TheSavePathConfirmedInOneRunIsRememberedByTheNext) {
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\zemvold");
    TTempDir Dir;
    WriteBytes(Dir / "report.txt", "content");
    bool Found = false;

    {  // First run on a clean system: the exit stores the empty path.
        TRunningProgram Run;
        ASSERT_NE(Run.Window(), nullptr);
        EXPECT_EQ(Run.Close(), 0u);
        EXPECT_EQ(StoredPath(Found), "");
        EXPECT_TRUE(Found);
    }
    {  // A search, a copy confirmed in the save-as dialog, then the end of the program.
        TRunningProgram Run;
        ASSERT_NE(Run.Window(), nullptr);
        const std::string Folder = Dir.Path();
        SendMessageA(Run.Control("Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Folder.c_str()));
        PostMessageA(Run.Control("Button", "全面搜索"), BM_CLICK, 0, 0);
        HWND List = Run.Control("ListBox");
        for (int Wait = 0; Wait < 200 && SendMessageA(List, LB_GETCOUNT, 0, 0) < 1; ++Wait) Sleep(50);
        ASSERT_EQ(SendMessageA(List, LB_GETCOUNT, 0, 0), 1);
        SendMessageA(List, LB_SETCURSEL, 0, 0);
        PostMessageA(Run.Control("Button", "复制"), BM_CLICK, 0, 0);
        HWND Save = Run.Dialog();
        ASSERT_NE(Save, nullptr);
        const std::string Target = Dir / "copy";
        SendMessageA(GetDlgItem(Save, 0x47C), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Target.c_str()));
        PostMessageA(Save, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        HWND Notice = Run.Dialog("提示");
        ASSERT_NE(Notice, nullptr);
        PostMessageA(Notice, WM_COMMAND, IDOK, 0);
        for (int Wait = 0; Wait < 100 && IsWindow(Notice); ++Wait) Sleep(50);
        EXPECT_EQ(ReadBytes(Dir / "copy.txt"), "content");
        EXPECT_EQ(Run.Close(), 0u);
        EXPECT_EQ(StoredPath(Found), Dir / "copy.txt");
    }
    {  // The next run reads it at start and stores it again at its end.
        TRunningProgram Run;
        ASSERT_NE(Run.Window(), nullptr);
        EXPECT_EQ(Run.Close(), 0u);
        EXPECT_EQ(StoredPath(Found), Dir / "copy.txt");
    }
    DeleteFileA((ProgramFolder() + "..\\ui\\" + Dir.Path().substr(0, 1) + "txt.dat").c_str());
}

}  // namespace
