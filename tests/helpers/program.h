#pragma once
// The program itself, started as a user starts it and driven through its window from outside.
#include <windows.h>

#include <string>

// The program file the build made (its path comes from the build), in the Windows form.
std::string ProgramFile();

class TRunningProgram {
public:
    // Starts the program and waits up to 10 s for its main window to show; Window() is null when
    // none came.
    TRunningProgram();
    // Ends the program if it still runs.
    ~TRunningProgram();
    TRunningProgram(const TRunningProgram&) = delete;
    TRunningProgram& operator=(const TRunningProgram&) = delete;

    HWND Window() const { return FWindow; }
    // A control of the window by its class and caption (any caption when empty), nested ones included.
    HWND Control(const char* Class, const std::string& Caption = std::string()) const;
    // A visible dialog of the program with the caption (any caption when empty), waited for up to 10 s.
    HWND Dialog(const std::string& Caption = std::string()) const;
    // Closes the window and waits up to 15 s for the program to end; its exit code (259 while it runs).
    DWORD Close();

private:
    PROCESS_INFORMATION FProcess{};
    HWND FWindow = nullptr;
};
