#pragma once
// The main window of the program, created in the test process for each test as the program
// creates it: shown, owning the dialogs, released at the end.
#include <gtest/gtest.h>

#include "support/dialogs.h"
#include "ui/Unit1.h"
#include "ui/application.h"

class TMainFormTest : public testing::Test {
protected:
    void SetUp() override {
        Application.Initialize();
        Application.CreateForm(Form1);
        Form = Form1;
        SetDialogOwner(Form->Handle());
        Form->Show();
        SetForegroundWindow(Form->Handle());
        Application.ProcessMessages();
    }
    void TearDown() override {
        SetDialogOwner(nullptr);
        Application.DestroyForms();
        Application.ProcessMessages();
    }

    // Presses a button of the window as a click does, and returns once its handler has run.
    static void Press(const TControl& Button) { SendMessageA(Button.Handle(), BM_CLICK, 0, 0); }
    // The status bar's text of the moment.
    std::string Status() const { return Form->StatusBar1.PanelText(1); }

    // A mouse click on line Index of the result list, as a person selects it; optionally a
    // double click.
    void ClickLine(int Index, bool Double = false) {
        HWND Box = Form->ListBox1.Handle();
        RECT Item{};
        SendMessageA(Box, LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Item));
        const LPARAM At = MAKELPARAM(Item.left + 5, (Item.top + Item.bottom) / 2);
        SendMessageA(Box, WM_LBUTTONDOWN, MK_LBUTTON, At);
        SendMessageA(Box, WM_LBUTTONUP, 0, At);
        if (Double) {
            SendMessageA(Box, WM_LBUTTONDBLCLK, MK_LBUTTON, At);
            SendMessageA(Box, WM_LBUTTONUP, 0, At);
        }
        Application.ProcessMessages();
    }

    TForm1* Form = nullptr;
};
