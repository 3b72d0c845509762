#pragma once
// Answers the real modal dialogs of the code under test from a second thread: the test thread
// sits in the dialog's modal loop while a script finds the dialog window, fills it in and
// presses its buttons.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A visible, enabled dialog window (#32770) of the process (this one unless named) with the given
// caption (any caption when empty) that appears within the time; nullptr when none does. A
// timeout of 0 looks once.
HWND WaitForDialog(const std::string& Caption = std::string(), DWORD TimeoutMs = 10000, DWORD Process = 0);

std::string TextOf(HWND Window);
std::string ClassOf(HWND Window);
// The lines of a list box.
std::vector<std::string> ListLines(HWND List);
// The lines of a combo box's list.
std::vector<std::string> ComboLines(HWND Combo);
// Index of the line whose text, less its leading spaces, is Text; -1 when there is none.
int FindLine(HWND List, const std::string& Text);
// The texts of all child windows of the given class.
std::vector<std::string> ChildTexts(HWND Parent, const std::string& Class);
// The first window of the class and id among all descendants of Parent (id -1: any id).
HWND FindChild(HWND Parent, const std::string& Class, int Id = -1);
// Clicks a button from outside, by a posted click, so that a script never waits on the dialog.
// The button takes the focus, as under the mouse.
void Click(HWND Button);
// Posts the command of the dialog's button Id, as the Enter key or a button sends it; the focus
// stays where it is.
void PostCommand(HWND Dialog, int Id);

// The message text of a message box.
std::string NoticeText(HWND Box);
// Waits for a message box with the caption, presses its button Answer and returns its message
// text; empty when none appeared.
std::string AnswerNotice(const std::string& Caption = "提示", int Answer = IDOK);
// Runs Action while a script answers the notice it shows with OK; the notice's text, empty when
// none appeared.
std::string NoticeOf(const std::function<void()>& Action);

// A popup menu of this process (window class #32768) that appears within the time; nullptr
// when none does.
HWND WaitForMenu(DWORD TimeoutMs = 10000);
struct TMenuLine {
    std::string Caption;  // empty for a separator
    bool Greyed = false;
    bool operator==(const TMenuLine&) const = default;
};
std::vector<TMenuLine> MenuLines(HWND Menu);
// Waits for a popup menu and chooses the line with the caption by the keyboard, as a person does
// (the menu is dismissed when there is no such line); the lines the menu showed, empty when none
// appeared.
std::vector<TMenuLine> ChooseFromMenu(const std::string& Caption);

class TDialogScript {
public:
    explicit TDialogScript(std::function<void()> Script);
    ~TDialogScript();
    TDialogScript(const TDialogScript&) = delete;
    TDialogScript& operator=(const TDialogScript&) = delete;

    // Call when the modal call has returned: true when the script closed the dialog itself, false
    // when a dialog was still open after the script and had to be cancelled.
    bool Finish();

private:
    static DWORD WINAPI Run(void* Self);
    std::function<void()> FScript;
    HANDLE FReturned = nullptr;
    HANDLE FThread = nullptr;
    volatile LONG FRescued = 0;
};
