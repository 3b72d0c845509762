#pragma once
// The application object: the common controls, the forms it creates (the first one is the main
// form), the message loop with the dialog keys of its forms, the processing of pending messages
// on request, and the default error report.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/form.h"

class TApplication : public TFormOwner {
public:
    // Loads the common controls the forms use and installs the default error report for the
    // exceptions that leave an event handler.
    void Initialize();

    // Creates a form of class T and keeps it until DestroyForms; the first form created becomes
    // the main form. Reference is set once the form and its controls exist.
    template <class T>
    void CreateForm(T*& Reference) {
        auto Form = std::make_unique<T>();
        Reference = Form.get();
        if (!FMainForm) FMainForm = Form.get();
        FForms.push_back(std::move(Form));
    }
    void DestroyForms();
    TForm* MainForm() const override { return FMainForm; }

    // Shows the main form and handles messages until the application ends (its main form is
    // closed, or Terminate is called).
    void Run();
    // Handles every message that is waiting, then returns.
    void ProcessMessages();
    void Terminate() override;
    bool Terminated() const { return FTerminated; }
    // The time stamp (in GetTickCount's terms) of the message that Run or ProcessMessages took
    // from the queue and is handling now: the input or posted message behind the running
    // handler. False when no such message is being handled, as for a handler called directly.
    bool HandledMessageTime(DWORD& Time) const;
    // The moment of the call in the clock that stamps queued messages (GetTickCount's terms):
    // the time of a message the calling thread posts to itself and takes back. Windows stamps with
    // GetTickCount; Wine with its server's clock, which can be a little ahead of GetTickCount.
    // Messages for this thread's windows that other threads send are handled meanwhile.
    static DWORD QueueClock();

    // Full path of the running program file.
    std::string ExeName() const;

    // The default error report: shows the text of the exception being handled in a message box.
    // Call it inside a catch block.
    void HandleException() noexcept;
    void ShowException(const std::string& Text) noexcept;
    // Re-reads the locale's settings after the system announced a change.
    void LocaleChanged() override;

    // Called by a form as it goes.
    void FormDestroyed(const TForm* Form) override;

private:
    void Dispatch(MSG& Message);

    std::vector<std::unique_ptr<TForm>> FForms;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    const MSG* FHandled = nullptr;  // innermost message being dispatched
};

extern TApplication Application;
