// The actions on the result list and the folder button, driven through the main window with
// their real dialogs answered by a script: status text, open, copy, move, go to, delete.
#include <gtest/gtest.h>

#include "support/dialogs.h"
#include "support/registry.h"
#include "support/textrules.h"
#include "tests/helpers/dialogdriver.h"
#include "tests/helpers/mainform.h"
#include "tests/helpers/shellrecording.h"
#include "tests/helpers/testfiles.h"
#include "ui/Unit1.h"
#include "ui/application.h"

namespace {

class ListActions : public TMainFormTest {
protected:
    void List(const std::vector<std::string>& Lines) {
        Form->ListBox1.Clear();
        for (const auto& L : Lines) Form->ListBox1.Add(L);
    }

    TTempDir Dir;
};

// Answers a save-as dialog with Name (cancels when empty), then the notice that follows, and
// keeps what they showed.
struct TSaveAndNotice {
    explicit TSaveAndNotice(std::string Typed) : Name(std::move(Typed)) {}
    std::string Name;
    std::vector<std::string> Filters;
    std::string Notice;
    void operator()() {
        HWND Dialog = WaitForDialog();
        if (!Dialog) return;
        Filters = ComboLines(FindChild(Dialog, "ComboBox", 0x470));
        if (Name.empty()) {
            Click(GetDlgItem(Dialog, IDCANCEL));
        } else {
            SendMessageA(FindChild(Dialog, "Edit", 0x47C), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Name.c_str()));
            PostCommand(Dialog, IDOK);
        }
        while (IsWindow(Dialog)) Sleep(10);
        Notice = AnswerNotice();
    }
};

TEST_F(ListActions, WithoutASelectionNothingHappens) {
    WriteBytes(Dir / "a.txt", "a");
    List({Dir / "a.txt"});
    Form->StatusBar1.SetPanelText(1, "unchanged");
    ASSERT_EQ(Form->ListBox1.ItemIndex(), -1);
    for (TControl* Button :
         std::vector<TControl*>{&Form->BitBtn3, &Form->BitBtn4, &Form->BitBtn5, &Form->BitBtn6, &Form->BitBtn8}) {
        bool Appeared = false;
        TDialogScript Script([&] { Appeared = WaitForDialog("", 300) != nullptr; });
        Press(*Button);
        Script.Finish();
        EXPECT_FALSE(Appeared) << Button->Name();
    }
    Form->ListBox1Click(nullptr);
    Form->ListBox1DblClick(nullptr);
    EXPECT_EQ(Status(), "unchanged");
    EXPECT_EQ(ReadBytes(Dir / "a.txt"), "a");
}

TEST_F(ListActions, SelectingALineShowsItsSizeAndDate) {
    WriteBytes(Dir / "a.txt", std::string(1234, 'x'));
    SetLocalWriteTime(Dir / "a.txt", 2024, 3, 5, 14, 7, 9);
    MakeSparseFile(Dir / "big.bin", 3221225472LL);
    List({Dir / "a.txt", Dir / "gone.txt", Dir / "big.bin"});
    ClickLine(0);
    EXPECT_EQ(Form->ListBox1.ItemIndex(), 0);
    EXPECT_EQ(Status(), "文件长度1234，最后修改日期2024-03-05 14:07:09");
    ClickLine(1);
    EXPECT_EQ(Status(), "文件长度-1，最后修改日期1899-12-30 00:00:00");
    ClickLine(2);
    EXPECT_EQ(Status().rfind("文件长度3221225472，最后修改日期", 0), 0u) << Status();
}

TEST_F(ListActions, OpenAndDoubleClickStartTheFileThroughTheShell) {
    MakeFolder(Dir / "my tools");
    const std::string Program = PlaceHelper(Dir / "my tools", "record me.exe");
    List({Program});
    ClickLine(0);
    Press(Form->BitBtn3);
    TRecord Record = WaitForRecord(Dir / "my tools");
    EXPECT_NE(Record.CommandLine.find("record me.exe"), std::string::npos) << Record.CommandLine;
    EXPECT_EQ(AsciiLower(Record.CurrentFolder), AsciiLower(Dir / "my tools"));
    DeleteFileA((Dir / "my tools\\record.txt").c_str());

    Form->StatusBar1.SetPanelText(1, "");
    ClickLine(0, true);  // selects (status text) and opens
    Record = WaitForRecord(Dir / "my tools");
    EXPECT_NE(Record.CommandLine.find("record me.exe"), std::string::npos);
    EXPECT_EQ(Status().rfind("文件长度", 0), 0u);
}

TEST_F(ListActions, GoToStartsTheFileBrowserWithTheFolderUnquoted) {
    MakeFolder(Dir / "my docs");
    WriteBytes(Dir / "my docs\\a.txt", "");
    List({Dir / "my docs\\a.txt"});
    ClickLine(0);
    Press(Form->BitBtn8);
    // The system's file browser, found by the shell for the bare name, with the folder as its
    // one parameter string, trailing "\" included and no quotes added.
    const std::string Line = TakeProcessCommandLine("explorer.exe", "my docs");
    EXPECT_TRUE(EndsWith(Line, "explorer.exe\" " + Dir / "my docs\\")) << Line;
}

TEST_F(ListActions, CopyReplacesAnExistingTargetAndRemembersIt) {
    WriteBytes(Dir / "src.txt", "new content");
    WriteBytes(Dir / "target.txt", "old");
    List({Dir / "src.txt"});
    ClickLine(0);
    LastDialogFile.clear();
    TSaveAndNotice Answer(Dir / "target");
    TDialogScript Script([&] { Answer(); });
    Press(Form->BitBtn4);
    EXPECT_TRUE(Script.Finish());
    EXPECT_EQ(Answer.Filters, std::vector<std::string>{"*.txt"});
    EXPECT_EQ(Answer.Notice, "成功复制");
    EXPECT_EQ(ReadBytes(Dir / "target.txt"), "new content");
    EXPECT_EQ(ReadBytes(Dir / "src.txt"), "new content");
    EXPECT_EQ(LastDialogFile, Dir / "target.txt");

    TSaveAndNotice Cancelled("");
    TDialogScript Again([&] { Cancelled(); });
    Press(Form->BitBtn4);
    EXPECT_TRUE(Again.Finish());
    EXPECT_EQ(Cancelled.Notice, "复制失败");
    EXPECT_EQ(LastDialogFile, Dir / "target.txt");
}

TEST_F(ListActions, CopyOfAFileWithoutExtensionOffersEveryFile) {
    WriteBytes(Dir / "README", "r");
    List({Dir / "README"});
    ClickLine(0);
    TSaveAndNotice Answer(Dir / "COPYME");
    TDialogScript Script([&] { Answer(); });
    Press(Form->BitBtn4);
    EXPECT_TRUE(Script.Finish());
    EXPECT_EQ(Answer.Filters, std::vector<std::string>{"*"});
    EXPECT_EQ(Answer.Notice, "成功复制");
    EXPECT_EQ(ReadBytes(Dir / "COPYME"), "r");  // nothing appended to the name
}

TEST_F(ListActions, MoveNeverReplacesAndKeepsTheLine) {
    WriteBytes(Dir / "src.txt", "mine");
    WriteBytes(Dir / "taken.txt", "theirs");
    List({Dir / "src.txt"});
    ClickLine(0);
    TSaveAndNotice Onto(Dir / "taken.txt");
    TDialogScript Script([&] { Onto(); });
    Press(Form->BitBtn5);
    EXPECT_TRUE(Script.Finish());
    EXPECT_EQ(Onto.Notice, "移动失败");
    EXPECT_EQ(ReadBytes(Dir / "src.txt"), "mine");
    EXPECT_EQ(ReadBytes(Dir / "taken.txt"), "theirs");

    TSaveAndNotice Free(Dir / "moved");
    TDialogScript Again([&] { Free(); });
    Press(Form->BitBtn5);
    EXPECT_TRUE(Again.Finish());
    EXPECT_EQ(Free.Notice, "成功移动");
    EXPECT_EQ(ReadBytes(Dir / "moved.txt"), "mine");
    EXPECT_FALSE(IsExistingFile(Dir / "src.txt"));
    EXPECT_EQ(Form->ListBox1.Count(), 1);
    EXPECT_EQ(Form->ListBox1.Item(0), Dir / "src.txt");
}

TEST_F(ListActions, DeleteRemovesEvenAReadOnlyFileAndKeepsTheLine) {
    WriteBytes(Dir / "ro.txt", "x");
    WriteBytes(Dir / "other.txt", "y");
    SetFileAttributesA((Dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    List({Dir / "ro.txt", Dir / "other.txt"});
    ClickLine(0);
    EXPECT_EQ(NoticeOf([&] { Press(Form->BitBtn6); }), "成功删除");
    EXPECT_FALSE(IsExistingFile(Dir / "ro.txt"));
    EXPECT_EQ(Form->ListBox1.Count(), 2);
    ClickLine(1);
    ClickLine(0);
    EXPECT_EQ(Status().rfind("文件长度-1，", 0), 0u) << Status();
    EXPECT_EQ(NoticeOf([&] { Press(Form->BitBtn6); }), "删除失败");
}

TEST_F(ListActions, FolderButtonPutsTheChosenFolderOrNothingIntoTheField) {
    MakeFolder(Dir / "sub");
    TCurrentFolder Inside(Dir / "sub");
    bool Seen = false;
    TDialogScript Confirm([&] {
        HWND Chooser = WaitForDialog("选择目录");
        if (!Chooser) return;
        Seen = true;
        Click(GetDlgItem(Chooser, IDOK));
    });
    Form->Edit1.SetText("typed before");
    Press(Form->Button1);
    EXPECT_TRUE(Confirm.Finish());
    EXPECT_TRUE(Seen);
    EXPECT_EQ(AsciiLower(Form->Edit1.Text()), AsciiLower(Dir / "sub"));

    TDialogScript Cancel([&] {
        HWND Chooser = WaitForDialog("选择目录");
        if (Chooser) Click(GetDlgItem(Chooser, IDCANCEL));
    });
    Press(Form->Button1);
    EXPECT_TRUE(Cancel.Finish());
    EXPECT_EQ(Form->Edit1.Text(), "");
}

}  // namespace
