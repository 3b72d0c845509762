// The notice box and the save-as dialog, each shown for real and answered by a script on a
// second thread.
#include "support/dialogs.h"

#include <gtest/gtest.h>

#include "support/registry.h"
#include "tests/helpers/dialogdriver.h"
#include "tests/helpers/testfiles.h"

namespace {

const std::string Yen = "\x81\x5C";  // GBK characters whose second byte is "\"
const std::string Kuai = "\x95\x5C";

// Every dialog is owned by a top-level window of the test, as the program's are by its main window.
class Dialogs : public testing::Test {
protected:
    void SetUp() override {
        Owner =
            CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(Owner, nullptr);
        SetDialogOwner(Owner);
    }
    void TearDown() override {
        SetDialogOwner(nullptr);
        DestroyWindow(Owner);
    }
    HWND Owner = nullptr;
};

// ---- Notice ----

TEST_F(Dialogs, ANoticeIsATopmostInformationBoxOwnedByTheApplicationWindow) {
    HWND BoxOwner = nullptr;
    LONG_PTR ExStyle = 0;
    std::vector<std::string> Texts;
    TDialogScript Script([&] {
        HWND Box = WaitForDialog("提示");
        if (!Box) return;
        BoxOwner = GetWindow(Box, GW_OWNER);
        ExStyle = GetWindowLongPtrA(Box, GWL_EXSTYLE);
        Texts = ChildTexts(Box, "Static");
        Texts.push_back(std::to_string(ChildTexts(Box, "Button").size()));
        Click(GetDlgItem(Box, IDOK));
    });
    ShowNotice("成功复制");
    EXPECT_TRUE(Script.Finish());
    EXPECT_EQ(BoxOwner, Owner);
    EXPECT_TRUE(ExStyle & WS_EX_TOPMOST);
    EXPECT_NE(std::find(Texts.begin(), Texts.end(), "成功复制"), Texts.end());
    EXPECT_EQ(Texts.back(), "1");  // the OK button alone
}

TEST_F(Dialogs, WithoutALiveOwnerDialogsHaveNone) {
    EXPECT_EQ(DialogOwner(), Owner);
    DestroyWindow(Owner);
    EXPECT_EQ(DialogOwner(), nullptr);  // a destroyed window owns nothing
    SetDialogOwner(nullptr);
    EXPECT_EQ(DialogOwner(), nullptr);
    Owner = nullptr;
}

// ---- Save-as ----

// Types Name into the save-as dialog, optionally picks the filter pair FilterLine (0-based), and
// confirms; records the dialog's owner and the filter lines it offered.
struct TSaveAnswer {
    explicit TSaveAnswer(std::string TypedName = std::string(), int Line = -1)
        : Name(std::move(TypedName)), FilterLine(Line) {}
    std::string Name;
    int FilterLine = -1;
    bool Cancel = false;
    HWND DialogOwner = nullptr;
    std::vector<std::string> Filters;

    void operator()() {
        HWND Dialog = WaitForDialog();
        if (!Dialog) return;
        DialogOwner = GetWindow(Dialog, GW_OWNER);
        HWND FilterBox = FindChild(Dialog, "ComboBox", 0x470);
        Filters = ComboLines(FilterBox);
        if (Cancel) {
            Click(GetDlgItem(Dialog, IDCANCEL));
            return;
        }
        if (FilterLine >= 0) {
            SendMessageA(FilterBox, CB_SETCURSEL, FilterLine, 0);
            for (const WORD Code : {CBN_SELCHANGE, CBN_SELENDOK})  // what a user's choice sends
                SendMessageA(Dialog, WM_COMMAND, MAKEWPARAM(0x470, Code), reinterpret_cast<LPARAM>(FilterBox));
        }
        SendMessageA(FindChild(Dialog, "Edit", 0x47C), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Name.c_str()));
        PostCommand(Dialog, IDOK);
    }
};

std::string Picked(const std::string& Folder, const std::string& Filter, TSaveAnswer& Answer, bool& Closed) {
    std::string Path = "stale";
    TDialogScript Script([&] { Answer(); });
    PickSaveFile(Folder, Filter, Path);
    Closed = Script.Finish();
    return Path;
}

TEST_F(Dialogs, SaveAsCompletesTheTypedNameWithTheChosenPattern) {
    TTempDir Dir;
    LastDialogFile = "before";
    bool Closed = false;

    TSaveAnswer Typed("c");
    EXPECT_EQ(Picked(Dir.Path(), "*.txt", Typed, Closed), Dir / "c.txt");
    EXPECT_TRUE(Closed);
    EXPECT_EQ(LastDialogFile, Dir / "c.txt");
    EXPECT_EQ(Typed.DialogOwner, Owner);
    EXPECT_EQ(Typed.Filters, std::vector<std::string>{"*.txt"});  // the bare pattern is its own description

    // The pair chosen in the dialog decides; a typed extension stays.
    TSaveAnswer Second("c", 1);
    EXPECT_EQ(Picked(Dir.Path(), "Text|*.txt|Pages|*.htm", Second, Closed), Dir / "c.htm");
    EXPECT_EQ(Second.Filters, (std::vector<std::string>{"Text", "Pages"}));
    TSaveAnswer Own("报告.doc", 1);
    EXPECT_EQ(Picked(Dir.Path(), "Text|*.txt|Pages|*.htm", Own, Closed), Dir / "报告.doc");
    EXPECT_EQ(LastDialogFile, Dir / "报告.doc");

    // A file without extension offers "*", which adds nothing.
    TSaveAnswer Bare("noext");
    EXPECT_EQ(Picked(Dir.Path(), "*", Bare, Closed), Dir / "noext");
    EXPECT_EQ(Bare.Filters, std::vector<std::string>{"*"});

    // An existing target is taken without a question (the caller decides what happens to it).
    WriteBytes(Dir / "old.txt", "old");
    TSaveAnswer Existing("old");
    EXPECT_EQ(Picked(Dir.Path(), "*.txt", Existing, Closed), Dir / "old.txt");
    EXPECT_TRUE(Closed);

    // GBK names with a "\" as second byte, in the folder and in the name.
    MakeFolder(Dir / Yen);
    TSaveAnswer Chinese(Kuai);
    EXPECT_EQ(Picked(Dir / Yen, "*.txt", Chinese, Closed), Dir / (Yen + "\\" + Kuai + ".txt"));
    EXPECT_EQ(LastDialogFile, Dir / (Yen + "\\" + Kuai + ".txt"));
}

TEST_F(Dialogs, ACancelledSaveAsGivesEmptyTextAndKeepsTheRememberedPath) {
    TTempDir Dir;
    LastDialogFile = "C:\\kept.txt";
    bool Closed = false;
    TSaveAnswer Cancel;
    Cancel.Cancel = true;
    EXPECT_EQ(Picked(Dir.Path(), "*.txt", Cancel, Closed), "");
    EXPECT_TRUE(Closed);
    EXPECT_EQ(LastDialogFile, "C:\\kept.txt");
}

}  // namespace
