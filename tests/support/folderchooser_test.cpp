// The folder chooser shown for real, driven by a script thread as a user would drive it.
#include "support/folderchooser.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "pure/support/folderchain.h"
#include "support/dialogs.h"
#include "support/textrules.h"
#include "tests/helpers/dialogdriver.h"
#include "tests/helpers/testfiles.h"

namespace {

const std::string Yen = "\x81\x5C";  // GBK characters whose second byte is "\"
const std::string Kuai = "\x95\x5C";

bool WaitUntil(const std::function<bool()>& Condition, DWORD TimeoutMs = 5000) {
    const DWORD Start = GetTickCount();
    while (!Condition()) {
        if (GetTickCount() - Start > TimeoutMs) return false;
        Sleep(5);
    }
    return true;
}

// The control that has the keyboard focus in the chooser's thread.
HWND FocusOf(HWND Chooser) {
    GUITHREADINFO Info{};
    Info.cbSize = sizeof(Info);
    GetGUIThreadInfo(GetWindowThreadProcessId(Chooser, nullptr), &Info);
    return Info.hwndFocus;
}

std::string LabelOf(HWND Chooser) { return TextOf(GetDlgItem(Chooser, fcPathLabel)); }

// Double-clicks the folder line showing Text and waits until the chooser shows Expected open.
bool OpenLine(HWND Chooser, const std::string& Text, const std::string& Expected) {
    HWND List = GetDlgItem(Chooser, fcFolderList);
    const int Line = FindLine(List, Text);
    if (Line < 0) return false;
    SendMessageA(List, LB_SETCURSEL, Line, 0);
    PostMessageA(Chooser, WM_COMMAND, MAKEWPARAM(fcFolderList, LBN_DBLCLK), reinterpret_cast<LPARAM>(List));
    return WaitUntil([&] { return LabelOf(Chooser) == Expected; });
}

// Picks the drive line that begins with Letter, as a user's choice in the drive list does.
bool ChooseDrive(HWND Chooser, char Letter, const std::string& Expected) {
    HWND Drives = GetDlgItem(Chooser, fcDriveList);
    for (LRESULT I = 0; I < SendMessageA(Drives, CB_GETCOUNT, 0, 0); ++I) {
        char Line[64] = {};
        SendMessageA(Drives, CB_GETLBTEXT, I, reinterpret_cast<LPARAM>(Line));
        if (Line[0] != Letter) continue;
        SendMessageA(Drives, CB_SETCURSEL, I, 0);
        PostMessageA(Chooser, WM_COMMAND, MAKEWPARAM(fcDriveList, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Drives));
        return WaitUntil([&] { return LabelOf(Chooser) == Expected; });
    }
    return false;
}

std::vector<std::string> DriveLines(HWND Chooser) {
    std::vector<std::string> Lines;
    HWND Drives = GetDlgItem(Chooser, fcDriveList);
    for (LRESULT I = 0; I < SendMessageA(Drives, CB_GETCOUNT, 0, 0); ++I) {
        char Line[64] = {};
        SendMessageA(Drives, CB_GETLBTEXT, I, reinterpret_cast<LPARAM>(Line));
        Lines.push_back(Line);
    }
    return Lines;
}

class TCurrentFolder {
public:
    explicit TCurrentFolder(const std::string& Folder) {
        GetCurrentDirectoryA(MAX_PATH, FBefore);
        SetCurrentDirectoryA(Folder.c_str());
    }
    ~TCurrentFolder() { SetCurrentDirectoryA(FBefore); }

private:
    char FBefore[MAX_PATH] = {};
};

class FolderChooser : public testing::Test {
protected:
    void SetUp() override {
        Owner =
            CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        SetDialogOwner(Owner);
        for (const std::string& Name : {std::string("b"), std::string("A"), Yen, std::string("子目录")})
            MakeFolder(Dir / Name);
        MakeFolder(Dir / (Yen + "\\" + Kuai));
        WriteBytes(Dir / "file.txt", "not a folder");
    }
    void TearDown() override {
        SetDialogOwner(nullptr);
        DestroyWindow(Owner);
    }

    // Runs ChooseFolder with Script answering it; Closed tells whether the script closed it.
    bool Choose(bool AllowCreate, std::string& Folder, const std::function<void(HWND)>& Script) {
        TDialogScript Run([&] {
            if (HWND Chooser = WaitForDialog("选择目录")) Script(Chooser);
        });
        const bool Result = ChooseFolder(AllowCreate, Folder);
        Closed = Run.Finish();
        return Result;
    }

    TTempDir Dir;
    HWND Owner = nullptr;
    bool Closed = false;
};

TEST_F(FolderChooser, StartsAtTheCurrentFolderAndConfirmsADriveRoot) {
    const TCurrentFolder Current(Dir.Path());
    const std::vector<std::string> Chain = FolderChain(Dir.Path());
    std::vector<std::string> Lines;
    HWND ChooserOwner = nullptr;
    bool HasEdit = true;
    bool Opened = false;
    std::string Folder;
    const bool Ok = Choose(false, Folder, [&](HWND Chooser) {
        ChooserOwner = GetWindow(Chooser, GW_OWNER);
        HasEdit = GetDlgItem(Chooser, fcNameEdit) != nullptr;
        Lines = ListLines(GetDlgItem(Chooser, fcFolderList));
        Opened = LabelOf(Chooser) == Dir.Path() && OpenLine(Chooser, Chain[0], Chain[0]);
        Click(GetDlgItem(Chooser, IDOK));
    });
    EXPECT_TRUE(Closed);
    EXPECT_TRUE(Opened);
    EXPECT_TRUE(Ok);
    EXPECT_EQ(Folder, Chain[0]);
    EXPECT_EQ(Chain[0].size(), 3u);  // a drive root keeps its "\"
    EXPECT_EQ(ChooserOwner, Owner);
    EXPECT_FALSE(HasEdit);

    // The chain, each step one level deeper, then the subfolders (no files) one level deeper still.
    std::vector<std::string> Expected;
    for (std::size_t I = 0; I < Chain.size(); ++I)
        Expected.push_back(std::string(2 * I, ' ') + (I ? NamePart(Chain[I]) : Chain[I]));
    const std::string Indent(2 * Chain.size(), ' ');
    ASSERT_EQ(Lines.size(), Expected.size() + 4);
    EXPECT_TRUE(std::equal(Expected.begin(), Expected.end(), Lines.begin()));
    std::vector<std::string> Subfolders(Lines.begin() + static_cast<long>(Expected.size()), Lines.end());
    EXPECT_EQ(Subfolders[0], Indent + "A");  // sorted without regard to case
    EXPECT_EQ(Subfolders[1], Indent + "b");
    std::sort(Subfolders.begin(), Subfolders.end());
    EXPECT_TRUE(std::binary_search(Subfolders.begin(), Subfolders.end(), Indent + Yen));
    EXPECT_TRUE(std::binary_search(Subfolders.begin(), Subfolders.end(), Indent + "子目录"));
}

TEST_F(FolderChooser, ConfirmsASubfolderWithoutTrailingBackslash) {
    const std::string Inner = Dir / (Yen + "\\" + Kuai);
    std::vector<bool> Steps;
    std::vector<std::string> InnerLines;
    std::string Folder = Dir.Path() + "\\";  // a given folder that can be entered is the start
    const bool Ok = Choose(false, Folder, [&](HWND Chooser) {
        HWND List = GetDlgItem(Chooser, fcFolderList);
        Steps.push_back(LabelOf(Chooser) == Dir.Path());
        Steps.push_back(OpenLine(Chooser, Yen, Dir / Yen));
        Steps.push_back(OpenLine(Chooser, Kuai, Inner));
        InnerLines = ListLines(List);
        Steps.push_back(OpenLine(Chooser, Yen, Dir / Yen));  // back up through the chain
        // Enter in the folder list opens the selected folder instead of closing the chooser.
        SendMessageA(List, LB_SETCURSEL, FindLine(List, Kuai), 0);
        PostMessageA(Chooser, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(List), TRUE);
        Steps.push_back(WaitUntil([&] { return FocusOf(Chooser) == List; }));
        PostCommand(Chooser, IDOK);
        Steps.push_back(WaitUntil([&] { return LabelOf(Chooser) == Inner; }));
        Steps.push_back(IsWindowVisible(Chooser) != FALSE);
        Click(GetDlgItem(Chooser, IDOK));
    });
    EXPECT_TRUE(Closed);
    EXPECT_EQ(Steps, std::vector<bool>(7, true));
    EXPECT_TRUE(Ok);
    EXPECT_EQ(Folder, Inner);
    // The "\" inside the characters split nothing: Yen and Kuai are two steps of the chain.
    const std::size_t Depth = FolderChain(Dir.Path()).size();
    ASSERT_EQ(InnerLines.size(), Depth + 2);
    EXPECT_EQ(InnerLines[Depth], std::string(2 * Depth, ' ') + Yen);
    EXPECT_EQ(InnerLines[Depth + 1], std::string(2 * Depth + 2, ' ') + Kuai);
}

TEST_F(FolderChooser, ADriveChangeOpensThatDrivesCurrentFolder) {
    if ((GetLogicalDrives() & (1u << ('Z' - 'A'))) == 0) GTEST_SKIP() << "no drive Z: here";
    const TCurrentFolder Current(Dir.Path());  // the current folder of drive C: is Dir
    std::vector<std::string> Drives;
    std::vector<bool> Steps;
    std::string Folder = "z:\\";
    const bool Ok = Choose(false, Folder, [&](HWND Chooser) {
        Drives = DriveLines(Chooser);
        Steps.push_back(LabelOf(Chooser) == "z:\\");
        Steps.push_back(ChooseDrive(Chooser, 'C', Dir.Path()));
        Steps.push_back(ChooseDrive(Chooser, 'Z', "Z:\\"));  // Z: has no current folder of its own
        Click(GetDlgItem(Chooser, IDOK));
    });
    EXPECT_TRUE(Closed);
    EXPECT_EQ(Steps, std::vector<bool>(3, true));
    EXPECT_TRUE(Ok);
    EXPECT_EQ(Folder, "Z:\\");
    EXPECT_NE(std::find(Drives.begin(), Drives.end(), "C:\\"), Drives.end());
    EXPECT_NE(std::find(Drives.begin(), Drives.end(), "Z:\\"), Drives.end());
}

TEST_F(FolderChooser, CancelLeavesTheFolderTextAsItWas) {
    const TCurrentFolder Current(Dir / "A");
    for (const std::string& Given :
         {std::string(), Dir / "missing", Dir / "file.txt", std::string("A"), std::string("\\\\")}) {
        std::string Folder = Given;
        std::string Start;
        const bool Ok = Choose(false, Folder, [&](HWND Chooser) {
            Start = LabelOf(Chooser);
            Click(GetDlgItem(Chooser, IDCANCEL));
        });
        EXPECT_TRUE(Closed);
        EXPECT_FALSE(Ok) << Given;
        EXPECT_EQ(Folder, Given);
        EXPECT_EQ(Start, Dir / "A") << Given;  // none of them can be the start: the current folder is
    }
}

TEST_F(FolderChooser, WithAllowCreateATypedMissingFolderIsAskedForButNotCreated) {
    const std::string Typed = Dir / "new\\";
    std::string EditAtStart, Question, AfterNo;
    bool AskedTwice = false;
    std::string Folder = Dir.Path();
    const bool Ok = Choose(true, Folder, [&](HWND Chooser) {
        HWND Edit = GetDlgItem(Chooser, fcNameEdit);
        EditAtStart = TextOf(Edit);
        SendMessageA(Edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Typed.c_str()));
        Click(GetDlgItem(Chooser, IDOK));
        Question = AnswerNotice(FolderMissingCaption, IDNO);  // No keeps the chooser open
        if (Question.empty() || !WaitForDialog("选择目录")) return;
        AfterNo = TextOf(Edit);
        Click(GetDlgItem(Chooser, IDOK));
        AskedTwice = !AnswerNotice(FolderMissingCaption, IDYES).empty();
    });
    EXPECT_TRUE(Closed);
    EXPECT_EQ(EditAtStart, Dir.Path());
    EXPECT_EQ(Question, "指定的目录不存在. 创建吗?");
    EXPECT_EQ(AfterNo, Typed);
    EXPECT_TRUE(AskedTwice);
    EXPECT_TRUE(Ok);
    EXPECT_EQ(Folder, Typed);  // the typed text unchanged
    EXPECT_FALSE(IsExistingFolder(Typed));

    // An existing folder is taken as typed, without a question; a drive root as well.
    for (const std::string& Existing : {Dir / "子目录", std::string("c:\\")}) {
        Folder = Dir.Path();
        EXPECT_TRUE(Choose(true, Folder, [&](HWND Chooser) {
            SetDlgItemTextA(Chooser, fcNameEdit, Existing.c_str());
            Click(GetDlgItem(Chooser, IDOK));
        }));
        EXPECT_TRUE(Closed);
        EXPECT_EQ(Folder, Existing);
    }
}

TEST_F(FolderChooser, PerformCreateMakesTheWholeMissingChain) {
    const std::string Typed = Dir / "made\\deeper";
    std::string Folder;
    TDialogScript Run([&] {
        if (HWND Chooser = WaitForDialog("选择目录")) {
            SetDlgItemTextA(Chooser, fcNameEdit, Typed.c_str());
            Click(GetDlgItem(Chooser, IDOK));
        }
    });
    const bool Ok = RunFolderChooser(Owner, "选择目录", fcAllowCreate | fcPerformCreate, Folder);
    EXPECT_TRUE(Run.Finish());  // no question without fcPrompt
    EXPECT_TRUE(Ok);
    EXPECT_EQ(Folder, Typed);
    EXPECT_TRUE(IsExistingFolder(Typed));
}

}  // namespace
