#pragma once
// Base of every window of the windowing layer: one window handle with its name, position, size,
// text, state, hint and tab position, tied to its object so that notifications find it, and the
// routing of the messages of our own window classes to a member function.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/windowerror.h"

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;
// A context menu asked for, to open at a point of the screen.
using TContextEvent = std::function<void(TObject* Sender, POINT Screen)>;

// A control docked to an edge of its form follows that edge on every resize.
enum class TAlign { None, Bottom };

// What every control takes at creation; each control kind adds its own settings.
struct TControlArgs {
    HWND Parent = nullptr;
    std::string Name;
    int Left = 0, Top = 0, Width = 0, Height = 0;  // in the parent's client area
    std::string Text;
    std::string Hint;   // shown as a tool tip; empty: none
    int TabOrder = -1;  // position in the tab order within the parent; -1: takes no focus by Tab
    TAlign Align = TAlign::None;
    HFONT Font = nullptr;
};

class TControl : public TObject {
public:
    TControl() = default;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;
    // Destroys the window unless it has already gone with its parent.
    ~TControl() override;

    HWND Handle() const { return FHandle; }
    const std::string& Name() const { return FName; }
    const std::string& Hint() const { return FHint; }
    int TabOrder() const { return FTabOrder; }
    TAlign Align() const { return FAlign; }

    // Position and size in the parent's client area; for a top-level window on the screen, with
    // frame and title bar. Negative sizes are set as 0.
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetBounds(int Left, int Top, int Width, int Height);
    void SetLeft(int Value);
    void SetTop(int Value);
    void SetWidth(int Value);
    void SetHeight(int Value);

    std::string Text() const;
    void SetText(const std::string& Text);
    bool Enabled() const;
    void SetEnabled(bool Value);
    bool Visible() const;
    void SetFocus();
    bool Focused() const;  // the control or a window inside it has the keyboard focus

    // The object of a window of this layer, or null.
    static TControl* FromHandle(HWND Window);

    // What happens to an exception that leaves a message handler of a window of this layer:
    // Report is called inside the catch block (the application shows the error), and the window
    // goes on. Without a report the exception is dropped.
    using TErrorReport = void (*)() noexcept;
    static void SetErrorReport(TErrorReport Report);
    // Runs Action; an exception leaving it is reported so, and the caller goes on.
    static void Protect(const std::function<void()>& Action) noexcept;

protected:
    // Creates the window with exactly the given styles and ties it to this object. Fails with
    // a TWindowError when the system refuses the window.
    void CreateWindowOf(const char* ClassName, DWORD Style, DWORD ExStyle, const TControlArgs& Args);
    // Registers a window class of our own whose messages go to WindowProc.
    static void RegisterOwnClass(const char* ClassName, UINT ClassStyle);
    // Messages of windows of our own classes; unhandled ones go to DefWindowProcA.
    virtual LRESULT WindowProc(UINT Message, WPARAM WParam, LPARAM LParam);
    // Notifications that the control's parent receives about it (WM_COMMAND codes, WM_NOTIFY).
    virtual void Command(WORD /*Code*/) {}
    virtual bool Notify(const NMHDR& /*Header*/, LRESULT& /*Result*/) { return false; }
    // Unties and destroys the window.
    void DestroyHandle();

private:
    friend class TForm;
    static LRESULT CALLBACK RoutingProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
    void Attach(HWND Window);
    void Detach();
    RECT BoundsRect() const;

    HWND FHandle = nullptr;
    std::string FName;
    std::string FHint;
    int FTabOrder = -1;
    TAlign FAlign = TAlign::None;
    HFONT FFont = nullptr;  // of a window of our own class
};
