// The search commands driven through the main window on real trees: the list, the status text
// during and after a search, the date filter, stopping, a second search or a close while one
// runs, and a failing cache file shown by the default error report.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>

#include "support/fileinfo.h"
#include "support/formatting.h"
#include "tests/helpers/dialogdriver.h"
#include "tests/helpers/mainform.h"
#include "tests/helpers/testfiles.h"
#include "ui/Unit1.h"
#include "ui/application.h"

namespace {

// Runs an action inside the message processing of the search that is about to start: the
// message is handled at the first moment the window processes its messages.
class TDuringSearch {
public:
    explicit TDuringSearch(std::function<void()> Action) : FAction(std::move(Action)) {
        WNDCLASSA Class{};
        Class.lpfnWndProc = Proc;
        Class.hInstance = GetModuleHandleA(nullptr);
        Class.lpszClassName = "YqDuringSearch";
        RegisterClassA(&Class);
        FWindow = CreateWindowA("YqDuringSearch", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        PostMessageA(FWindow, WM_APP, 0, 0);
    }
    ~TDuringSearch() { DestroyWindow(FWindow); }
    bool Ran() const { return FRan; }
    // Runs the action again a moment later, when the window next processes its messages.
    void Again() const { SetTimer(FWindow, 1, 1, nullptr); }

private:
    static LRESULT CALLBACK Proc(HWND Window, UINT Message, WPARAM W, LPARAM L) {
        if (Message == WM_TIMER) KillTimer(Window, 1);
        if (Message == WM_APP || Message == WM_TIMER) {
            auto* Self = reinterpret_cast<TDuringSearch*>(GetWindowLongPtrA(Window, GWLP_USERDATA));
            Self->FRan = true;
            Self->FAction();
            return 0;
        }
        return DefWindowProcA(Window, Message, W, L);
    }
    std::function<void()> FAction;
    HWND FWindow = nullptr;
    bool FRan = false;
};

class WindowSearch : public TMainFormTest {
protected:
    void SetUp() override {
        TMainFormTest::SetUp();
        RemoveCacheFiles();
    }
    void TearDown() override {
        TMainFormTest::TearDown();
        RemoveCacheFiles();
    }
    void RemoveCacheFiles() {
        for (const char* Letters : {"txt", "", "doc", "pdf"}) DeleteFileA(CacheFile(Letters).c_str());
    }
    std::string CacheFile(const std::string& Letters = "txt") const {
        return ProgramFolder() + Tree.Path().substr(0, 1) + Letters + ".dat";
    }

    void Search(TControl& Button, const std::string& Folder, const std::string& Type = "*.txt",
                const std::string& Keyword = "") {
        Form->Edit1.SetText(Folder);
        Form->ComboBox1.SetText(Type);
        Form->Edit2.SetText(Keyword);
        Press(Button);
    }
    std::vector<std::string> Listed() const {
        std::vector<std::string> R;
        for (int I = 0; I < Form->ListBox1.Count(); ++I) R.push_back(Form->ListBox1.Item(I));
        return R;
    }

    // Folders F0..F{N-1} with Files .txt files each.
    void MakeFolders(int N, int Files) {
        for (int I = 0; I < N; ++I) {
            MakeFolder(Tree / ("F" + std::to_string(I)));
            for (int J = 0; J < Files; ++J)
                WriteBytes(Tree / ("F" + std::to_string(I) + "\\n" + std::to_string(J) + ".txt"), "x");
        }
    }

    TTempDir Tree;
};

// The reported files of a search, in the engine's order, from an engine of its own.
std::vector<std::string> Reported;
void Collect(const std::string& Path, int Kind, bool&) {
    if (Kind == 0) Reported.push_back(Path);
}

int SummaryCount(const std::string& Text) {
    static const std::regex Summary("搜索完毕,找到文件(\\d+)个,耗时：\\d+\\.\\d\\d秒");
    std::smatch M;
    return std::regex_match(Text, M, Summary) ? std::stoi(M[1]) : -1;
}

TEST(SearchFileType, StarsAreRemovedButEveryFilePatternsSelectEveryFile) {
    EXPECT_EQ(SearchFileType("*.txt"), ".txt");
    EXPECT_EQ(SearchFileType("*.*"), "*.*");
    EXPECT_EQ(SearchFileType("*"), "*.*");
    EXPECT_EQ(SearchFileType("txt"), "txt");
    EXPECT_EQ(SearchFileType(""), "");
    EXPECT_EQ(SearchFileType("**.*"), ".");
    EXPECT_EQ(SearchFileType("*.DOC*"), ".DOC");
}

TEST_F(WindowSearch, FullThenQuickSearchFillTheListAndTheSummary) {
    MakeFolders(3, 2);
    WriteBytes(Tree / "top.txt", "");
    MakeFolder(Tree / "中文\x81\x5C");
    WriteBytes(Tree / "中文\x81\x5C\\报告.txt", "");
    WriteBytes(Tree / "other.doc", "");
    std::string FirstStatus;
    int ListedAtFirstStatus = -1;
    {
        TDuringSearch Peek([&] {
            FirstStatus = Status();
            ListedAtFirstStatus = Form->ListBox1.Count();
        });
        Search(Form->BitBtn7, Tree.Path());
        EXPECT_TRUE(Peek.Ran());
    }
    EXPECT_EQ(FirstStatus, Tree.Path());  // the first folder entered, before any file
    EXPECT_EQ(ListedAtFirstStatus, 0);

    Reported.clear();
    TTempDir OtherCache;
    Tzemzuvave Model(OtherCache.Path());
    Model.Search("", Tree.Path(), ".txt", false, Collect);
    EXPECT_EQ(Listed(), Reported);
    EXPECT_EQ(SummaryCount(Status()), 8) << testing::PrintToString(Status());
    EXPECT_TRUE(IsExistingFile(CacheFile()));

    Search(Form->BitBtn1, Tree.Path() + "\\F1");
    std::string Lower = Tree.Path();
    CharLowerA(Lower.data());
    std::vector<std::string> Quick = Listed();
    std::sort(Quick.begin(), Quick.end());
    EXPECT_EQ(Quick, (std::vector<std::string>{Lower + "\\f1\\n0.txt", Lower + "\\f1\\n1.txt"}));
    EXPECT_EQ(SummaryCount(Status()), 2);
    EXPECT_EQ(Form->ListBox1.ItemIndex(), -1);
}

TEST_F(WindowSearch, TheTypedTextsReachTheEngineAsTheySay) {
    WriteBytes(Tree / "a.txt", "needle");
    WriteBytes(Tree / "b.txt", "hay");
    WriteBytes(Tree / "README", "");
    Search(Form->BitBtn7, Tree.Path(), "*.*");
    EXPECT_EQ(Listed().size(), 3u);
    EXPECT_TRUE(IsExistingFile(CacheFile("")));
    Search(Form->BitBtn7, Tree.Path(), "*");
    EXPECT_EQ(Listed().size(), 3u);
    Search(Form->BitBtn7, Tree.Path(), "*.txt", "NEEDLE");
    EXPECT_EQ(Listed(), (std::vector<std::string>{Tree / "a.txt"}));
    Search(Form->BitBtn7, Tree.Path() + "\\", ".TXT");  // no star: passed as typed
    EXPECT_EQ(Listed().size(), 2u);
    Search(Form->BitBtn7, Tree.Path(), "txt");  // an extension always has its dot
    EXPECT_EQ(Listed().size(), 0u);
    Search(Form->BitBtn7, Tree.Path() + " ", "*.txt");  // not trimmed: that folder does not exist
    EXPECT_EQ(Listed().size(), 0u);
    EXPECT_EQ(SummaryCount(Status()), 0);
}

TEST_F(WindowSearch, TypesChosenFromTheListAreSearched) {
    WriteBytes(Tree / "a.pdf", "%PDF-1.4");
    WriteBytes(Tree / "b.txt", "");
    WriteBytes(Tree / "README", "");
    Form->Edit1.SetText(Tree.Path());
    // Down through the list as the keyboard chooses: *.pdf comes after the nine first entries,
    // every file (*.*) last.
    const auto Choose = [this](const std::string& Type) {
        Form->ComboBox1.SetFocus();
        for (int I = 0; I < 30 && Form->ComboBox1.Text() != Type; ++I) {
            PostMessageA(GetFocus(), WM_KEYDOWN, VK_DOWN, 1);
            Application.ProcessMessages();
        }
        return Form->ComboBox1.Text();
    };
    ASSERT_EQ(Choose("*.pdf"), "*.pdf");
    Press(Form->BitBtn7);
    EXPECT_EQ(Listed(), std::vector<std::string>{Tree / "a.pdf"});
    ASSERT_EQ(Choose("*.*"), "*.*");
    Press(Form->BitBtn7);
    EXPECT_EQ(Listed().size(), 3u);
}

TEST_F(WindowSearch, BlankFolderFieldDoesNothing) {
    WriteBytes(Tree / "a.txt", "");
    Search(Form->BitBtn7, Tree.Path());
    const std::string Summary = Status();
    ASSERT_EQ(Listed().size(), 1u);
    StopRequested = true;
    Search(Form->BitBtn7, " \t\r\n");
    Search(Form->BitBtn1, "");
    EXPECT_EQ(Listed().size(), 1u);
    EXPECT_EQ(Status(), Summary);
    EXPECT_TRUE(StopRequested);
    // Ideographic spaces are not blank: the search runs (and finds nothing there).
    Search(Form->BitBtn7, "　");
    EXPECT_EQ(Listed().size(), 0u);
    EXPECT_FALSE(StopRequested);
}

TEST_F(WindowSearch, DateFilterListsFilesWrittenAfterMidnightOfTheChosenDay) {
    const struct {
        const char* Name;
        int Day, Hour, Minute, Second, Millisecond;
    } Files[] = {{"exact.txt", 10, 0, 0, 0, 0},
                 {"later.txt", 10, 0, 0, 0, 1},
                 {"next.txt", 11, 8, 0, 0, 0},
                 {"before.txt", 9, 23, 59, 59, 999}};
    for (const auto& F : Files) {
        WriteBytes(Tree / F.Name, "");
        SetLocalWriteTime(Tree / F.Name, 2024, 3, F.Day, F.Hour, F.Minute, F.Second, F.Millisecond);
    }
    EXPECT_FALSE(Form->DateTimePicker1.Enabled());
    Press(Form->CheckBox1);
    EXPECT_TRUE(Form->CheckBox1.Checked());
    EXPECT_TRUE(Form->DateTimePicker1.Enabled());
    ASSERT_TRUE(Form->DateTimePicker1.SetDateTime(FieldsToDateTime(2024, 3, 10)));

    Search(Form->BitBtn7, Tree.Path());
    std::vector<std::string> Names;
    for (const auto& P : Listed()) Names.push_back(NamePart(P));
    std::sort(Names.begin(), Names.end());
    EXPECT_EQ(Names, (std::vector<std::string>{"later.txt", "next.txt"}));
    EXPECT_EQ(SummaryCount(Status()), 2);  // the listed lines, not the engine's four

    Press(Form->CheckBox1);
    EXPECT_FALSE(Form->DateTimePicker1.Enabled());
    Search(Form->BitBtn1, Tree.Path());
    EXPECT_EQ(Listed().size(), 4u);
}

TEST_F(WindowSearch, StopDuringAFullSearchKeepsTheListAndWritesNoCache) {
    MakeFolders(40, 3);
    WriteBytes(CacheFile(), "old\r\n");
    TDuringSearch PressStop([&] { Press(Form->BitBtn2); });
    Search(Form->BitBtn7, Tree.Path());
    ASSERT_TRUE(PressStop.Ran());
    EXPECT_TRUE(StopRequested);
    // Stopped at the first folder: each folder still open may list one more file.
    EXPECT_LE(Listed().size(), 2u);
    EXPECT_EQ(SummaryCount(Status()), static_cast<int>(Listed().size()));
    EXPECT_EQ(ReadBytes(CacheFile()), "old\r\n");
    // The next search runs to its end.
    Search(Form->BitBtn7, Tree.Path());
    EXPECT_EQ(Listed().size(), 120u);
    EXPECT_FALSE(StopRequested);
}

TEST_F(WindowSearch, ASearchCommandDuringASearchIsIgnored) {
    MakeFolders(10, 2);
    TDuringSearch PressQuick([&] {
        Press(Form->BitBtn1);
        Press(Form->BitBtn7);
    });
    Search(Form->BitBtn7, Tree.Path());
    ASSERT_TRUE(PressQuick.Ran());
    EXPECT_EQ(Listed().size(), 20u);
    std::vector<std::string> Unique = Listed();
    std::sort(Unique.begin(), Unique.end());
    EXPECT_EQ(std::unique(Unique.begin(), Unique.end()), Unique.end());
    EXPECT_EQ(SummaryCount(Status()), 20);
    EXPECT_TRUE(IsExistingFile(CacheFile()));
}

TEST_F(WindowSearch, TheListCanBeUsedWhileASearchFillsIt) {
    MakeFolders(300, 2);  // a search long enough for the timer of the action below
    std::string Selected;
    bool Visible = false;
    TDuringSearch* Self = nullptr;
    TDuringSearch SelectFirst([&] {
        if (Form->ListBox1.Count() < 3) {
            Self->Again();
            return;
        }
        ClickLine(1);
        Visible = IsWindowVisible(Form->ListBox1.Handle()) && IsWindowVisible(Form->StatusBar1.Handle());
        Selected = Form->ListBox1.Item(Form->ListBox1.ItemIndex());
    });
    Self = &SelectFirst;
    Search(Form->BitBtn7, Tree.Path());
    EXPECT_TRUE(Visible);
    EXPECT_EQ(Selected, Form->ListBox1.Item(1));
    EXPECT_EQ(Form->ListBox1.ItemIndex(), 1);
    EXPECT_EQ(Listed().size(), 600u);
}

TEST_F(WindowSearch, ClosingDuringASearchStopsItAndClosesAfterwards) {
    MakeFolders(20, 2);
    TDuringSearch PressClose([&] { SendMessageA(Form->Handle(), WM_CLOSE, 0, 0); });
    Search(Form->BitBtn7, Tree.Path());
    ASSERT_TRUE(PressClose.Ran());
    EXPECT_NE(SearchEngine, nullptr);  // not released under the running search
    EXPECT_LE(Listed().size(), 2u);
    EXPECT_FALSE(IsExistingFile(CacheFile()));  // the stopped walk wrote nothing
    Application.Run();                          // the close asked for is carried out now
    EXPECT_EQ(SearchEngine, nullptr);
    EXPECT_TRUE(Application.Terminated());
}

TEST_F(WindowSearch, AFailingCacheFileIsReportedAndTheWindowStaysUsable) {
    WriteBytes(Tree / "a.txt", "");
    Search(Form->BitBtn7, Tree.Path());
    HANDLE Writer = CreateFileA(CacheFile().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(Writer, INVALID_HANDLE_VALUE);
    Form->StatusBar1.SetPanelText(1, "before");
    std::vector<std::string> Boxes;
    TDialogScript Answer([&] {
        if (HWND Box = WaitForDialog()) {
            Boxes.push_back(NoticeText(Box));
            Click(GetDlgItem(Box, IDOK));
        }
    });
    Search(Form->BitBtn1, Tree.Path());
    EXPECT_TRUE(Answer.Finish());
    CloseHandle(Writer);
    EXPECT_EQ(Boxes, (std::vector<std::string>{"不能打开文件 " + CacheFile()}));
    EXPECT_EQ(Status(), "before");  // no summary after a failure
    EXPECT_FALSE(Form->Searching());

    Search(Form->BitBtn1, Tree.Path());
    EXPECT_EQ(Listed().size(), 1u);
    EXPECT_EQ(SummaryCount(Status()), 1);
}

}  // namespace
