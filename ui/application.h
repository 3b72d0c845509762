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
};

extern TApplication Application;
