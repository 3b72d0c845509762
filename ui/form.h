#pragma once
// A top-level window holding controls: its font and icon, the tool tips of its controls, the tab
// order, the keyboard focus, the docking of controls to its edges, and the events of creation,
// closing and resizing. Notifications of all its controls, also those inside panels, arrive here
// and go to the control they are about.
#include <string>

#include "ui/control.h"
#include "ui/gdiobjects.h"
#include "ui/hints.h"

class TForm;

// What the forms need from the application that keeps them: the main form (closing it ends the
// application), the end of a form, and a change of the system's regional settings.
class TFormOwner {
public:
    virtual TForm* MainForm() const = 0;
    virtual void Terminate() = 0;
    virtual void FormDestroyed(const TForm* Form) = 0;
    virtual void LocaleChanged() = 0;

protected:
    ~TFormOwner() = default;
};

enum class TCloseAction { None, Hide };
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

struct TFormArgs {
    std::string ClassName;  // the window class of the form
    std::string Name;
    std::string Caption;
    int Left = 0, Top = 0, Width = 0, Height = 0;  // on the screen, frame and title bar included
    std::string FontName;
    int FontHeight = 0;  // negative: the character height in pixels; positive: the cell height
    BYTE FontCharset = DEFAULT_CHARSET;
    int IconId = 0;  // icon resource of the window; 0: none
};

class TForm : public TControl {
public:
    ~TForm() override;

    TNotifyEvent OnCreate;  // every control exists with its settings
    TCloseEvent OnClose;    // Action starts as Hide; setting None keeps the form open
    TNotifyEvent OnResize;  // every size change, the first one included

    void Show(int ShowCommand = SW_SHOWNORMAL);
    // Asks the form to close, as its close box does. Closing the application's main form ends
    // the application's message loop.
    void Close();

    HFONT Font() const { return FFont.Get(); }
    HWND HintWindow() const { return FHints.Handle(); }
    int ClientWidth() const;
    int ClientHeight() const;

    // True for the window of a form of this layer.
    static bool IsForm(HWND Window);
    // The owner every form reports to; without one a form reports nothing and closing only hides it.
    static void SetOwner(TFormOwner* Owner);

protected:
    // Creates the form's window, hidden, with its font and icon. The controls come next, then
    // FinishCreate.
    void CreateFormWindow(const TFormArgs& Args);
    // Puts the tab stops in their order, adds the hints, runs OnCreate and lays out the first size.
    void FinishCreate();
    LRESULT WindowProc(UINT Message, WPARAM WParam, LPARAM LParam) override;

private:
    void Realign();
    void RestoreFocus();

    TFontHandle FFont;
    TIconHandle FBigIcon;
    TIconHandle FSmallIcon;
    THints FHints;
    HWND FLastFocus = nullptr;
    bool FLoaded = false;
    static TFormOwner* FOwner;
};
