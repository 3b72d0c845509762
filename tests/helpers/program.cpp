#include "tests/helpers/program.h"

#include <cstring>

#include "tests/helpers/dialogdriver.h"

std::string ProgramFile() {
    // The build's path: a Unix path names a file of drive Z: under Wine.
    std::string Path = YQ_PROGRAM_FILE;
    if (!Path.empty() && Path[0] == '/') Path = "Z:" + Path;
    for (char& C : Path)
        if (C == '/') C = '\\';
    return Path;
}

TRunningProgram::TRunningProgram() {
    STARTUPINFOA Startup{};
    Startup.cb = sizeof Startup;
    std::string Command = "\"" + ProgramFile() + "\"";
    if (!CreateProcessA(nullptr, Command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &FProcess))
        return;
    WaitForInputIdle(FProcess.hProcess, 10000);
    // The window exists, hidden, while its controls are made; it is shown once they all exist.
    for (int Wait = 0; Wait < 200 && !FWindow; ++Wait, Sleep(50)) {
        HWND Window = FindWindowA("TForm1", "砚桥文件搜索工具");
        if (Window && IsWindowVisible(Window)) FWindow = Window;
    }
}

TRunningProgram::~TRunningProgram() {
    if (FProcess.hProcess) {
        if (WaitForSingleObject(FProcess.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(FProcess.hProcess, 1);
        CloseHandle(FProcess.hThread);
        CloseHandle(FProcess.hProcess);
    }
}

HWND TRunningProgram::Control(const char* Class, const std::string& Caption) const {
    struct TSearch {
        const char* Class;
        std::string Caption;
        HWND Found = nullptr;
    } Search{Class, Caption};
    EnumChildWindows(
        FWindow,
        [](HWND Child, LPARAM Data) {
            auto& S = *reinterpret_cast<TSearch*>(Data);
            if (_stricmp(ClassOf(Child).c_str(), S.Class) != 0 || (!S.Caption.empty() && S.Caption != TextOf(Child)))
                return TRUE;
            S.Found = Child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&Search));
    return Search.Found;
}

HWND TRunningProgram::Dialog(const std::string& Caption) const {
    return WaitForDialog(Caption, 10000, FProcess.dwProcessId);
}

DWORD TRunningProgram::Close() {
    PostMessageA(FWindow, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(FProcess.hProcess, 15000) != WAIT_OBJECT_0) return 259;
    DWORD Code = 1;
    GetExitCodeProcess(FProcess.hProcess, &Code);
    return Code;
}
