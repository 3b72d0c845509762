// The program entry: the locale, the modules' start work, the main window and its message loop,
// then the modules' exit work. The program reads no command line.
#include <windows.h>

#include "pure/support/modulehooks.h"
#include "support/dialogs.h"
#include "support/formatting.h"
#include "support/textrules.h"
#include "ui/Unit1.h"
#include "ui/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Start-up, in this order: the lead bytes of the code page (every text rule cuts by them), the
    // locale's number and date settings (texts cut by those rules), then the modules' start work.
    ReadLocaleLeadBytes();
    ReadLocaleSettings();
    RunStartHooks();
    Application.Initialize();
    try {
        Application.CreateForm(Form1);
        SetDialogOwner(Form1->Handle());
        Application.Run();
    } catch (...) {
        Application.HandleException();
    }
    // The modules' exit work runs before the main window object is released.
    RunExitHooks();
    Application.DestroyForms();
    return 0;
}
