#pragma once
// The tool tips of a form: one tip window, owned by the form's window and destroyed with it,
// showing each control's hint while the mouse rests on it.
#include <windows.h>

#include <string>

class THints {
public:
    void Create(HWND Form);
    // Tool is the window under the mouse: a control, or a window inside one (the edit of a
    // drop-down list).
    void Add(HWND Tool, const std::string& Text);
    HWND Handle() const { return FWindow; }

private:
    HWND FForm = nullptr;
    HWND FWindow = nullptr;
};
