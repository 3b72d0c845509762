#pragma once
// The control kinds of the window, each over one system control (or a window class of our own
// for the panel), each with its creation settings and its events.
#include <string>
#include <vector>

#include "support/datevalue.h"
#include "ui/control.h"
#include "ui/gdiobjects.h"

// A container with a lowered bevel and no caption. Its children's notifications and colour
// requests go on to the form, so that the form alone answers them.
class TPanel : public TControl {
public:
    struct CreateArgs : TControlArgs {};
    void Create(const CreateArgs& Args);

protected:
    LRESULT WindowProc(UINT Message, WPARAM WParam, LPARAM LParam) override;
};

// A caption of fixed size on one line; "&" is shown as it is.
class TLabel : public TControl {
public:
    struct CreateArgs : TControlArgs {};
    void Create(const CreateArgs& Args);
};

// A single-line edit.
class TEdit : public TControl {
public:
    struct CreateArgs : TControlArgs {};
    void Create(const CreateArgs& Args);
    TNotifyEvent OnChange;

protected:
    void Command(WORD Code) override;
};

class TButton : public TControl {
public:
    struct CreateArgs : TControlArgs {};
    void Create(const CreateArgs& Args);
    TNotifyEvent OnClick;
    // Runs OnClick as a click of the user does.
    void Click();

protected:
    void Command(WORD Code) override;
};

// A push button with a 32 x 32 image of the program's resources left of its caption.
class TBitBtn : public TButton {
public:
    struct CreateArgs : TButton::CreateArgs {
        int ImageId = 0;  // icon resource; 0 or a missing icon: no image
    };
    void Create(const CreateArgs& Args);
    HICON Image() const { return FImage.Get(); }

private:
    TIconHandle FImage;
};

class TCheckBox : public TControl {
public:
    struct CreateArgs : TControlArgs {};
    void Create(const CreateArgs& Args);
    TNotifyEvent OnClick;  // the user changed the state
    bool Checked() const;
    // A change of the state runs OnClick, as a click does; setting the state it has runs nothing.
    void SetChecked(bool Value);

protected:
    void Command(WORD Code) override;
};

// An editable drop-down list. Its height is that of the closed box; the open list shows
// DropDownCount items.
class TComboBox : public TControl {
public:
    struct CreateArgs : TControlArgs {
        std::vector<std::string> Items;
        int ItemHeight = 0;  // of the list's items; 0: from the font
        int DropDownCount = 8;
    };
    void Create(const CreateArgs& Args);
    TNotifyEvent OnChange;  // text typed or an item chosen

    int ItemCount() const;
    std::string Item(int Index) const;  // empty out of range
    void AddItem(const std::string& Text);
    int ItemHeight() const;

protected:
    void Command(WORD Code) override;
};

// A list of text lines, one selected at most, kept in the order added. No horizontal scroll
// bar: a long line is cut at the right edge. The right mouse button selects the line under it;
// releasing it, Shift+F10 or the menu key then ask for a context menu.
class TListBox : public TControl {
public:
    struct CreateArgs : TControlArgs {
        int ItemHeight = 0;  // 0: from the font
    };
    void Create(const CreateArgs& Args);
    TNotifyEvent OnClick;  // the selection changed by mouse or keyboard
    TNotifyEvent OnDblClick;
    TContextEvent OnContextPopup;

    int Count() const;
    std::string Item(int Index) const;  // empty out of range
    int Add(const std::string& Line);   // the new line's index, -1 when the list refuses it
    void Clear();
    int ItemIndex() const;         // -1: no line selected
    void SetItemIndex(int Index);  // runs no event; -1 removes the selection
    int ItemHeight() const;
    // The line at a point of the list's client area; -1 when there is none.
    int ItemAt(POINT Client) const;

protected:
    void Command(WORD Code) override;

private:
    static LRESULT CALLBACK ListProc(HWND Window, UINT Message, WPARAM W, LPARAM L, UINT_PTR, DWORD_PTR Self);
    // Where a menu asked for by the keyboard opens: below the selected line, else at the top.
    POINT KeyboardMenuPoint() const;
};

// A bar of text panels with a size grip; the last panel reaches to the right edge.
class TStatusBar : public TControl {
public:
    struct CreateArgs : TControlArgs {
        std::vector<int> PanelWidths;
    };
    void Create(const CreateArgs& Args);

    int PanelCount() const;
    RECT PanelRect(int Index) const;
    std::string PanelText(int Index) const;
    void SetPanelText(int Index, const std::string& Text);
};

// A date field in the locale's short date format with a drop-down calendar; the user edits the
// date's parts or picks a day, and the time of day of the value stays as it was set.
class TDateTimePicker : public TControl {
public:
    struct CreateArgs : TControlArgs {};
    void Create(const CreateArgs& Args);
    TNotifyEvent OnChange;

    TDateTime DateTime() const;
    // False when the control refuses the date (out of its calendar's range).
    bool SetDateTime(TDateTime Value);

protected:
    bool Notify(const NMHDR& Header, LRESULT& Result) override;
};
