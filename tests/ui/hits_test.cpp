// Why a listed file matched, as the window shows it: the hits window of the result list's menu
// (its state line and its hits, the file's name without a keyword, an unreadable file, Escape,
// double click, closing while it searches) and the tip of the line the mouse rests on.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "engine/zemzuvave.h"
#include "tests/helpers/dialogdriver.h"
#include "tests/helpers/mainform.h"
#include "tests/helpers/shellrecording.h"
#include "tests/helpers/testfiles.h"
#include "ui/Unit1.h"
#include "ui/application.h"

namespace {

// Handles messages until Done or for at most TimeoutMs.
bool PumpUntil(const std::function<bool()>& Done, DWORD TimeoutMs = 10000) {
    const DWORD Start = GetTickCount();
    while (!Done()) {
        if (GetTickCount() - Start > TimeoutMs) return false;
        Application.ProcessMessages();
        Sleep(5);
    }
    return true;
}

class Hits : public TMainFormTest {
protected:
    void SetUp() override {
        TMainFormTest::SetUp();
        WriteBytes(Dir / "plan.txt", "今年的部门预算已经批准，\r\n明年的预算还在讨论。");
        WriteBytes(Dir / "other.txt", "nothing");
        DeleteFileA(CacheFile().c_str());
    }
    void TearDown() override {
        TMainFormTest::TearDown();
        DeleteFileA(CacheFile().c_str());
    }
    std::string CacheFile() const { return ProgramFolder() + Dir.Path().substr(0, 1) + "txt.dat"; }
    void Search(const std::string& Keyword, const std::string& Type = "*.txt") {
        Form->Edit1.SetText(Dir.Path());
        Form->ComboBox1.SetText(Type);
        Form->Edit2.SetText(Keyword);
        Press(Form->BitBtn7);
    }
    // Opens the hits window of line Index from the menu and waits until its search is over.
    THitsWindow& OpenHits(int Index) {
        Form->ListBox1.SetItemIndex(Index);
        Form->ListBox1.SetFocus();
        TDialogScript Script([] { ChooseFromMenu("匹配内容…"); });
        PostMessageA(Form->ListBox1.Handle(), WM_KEYDOWN, VK_APPS, 1);
        Application.ProcessMessages();
        EXPECT_TRUE(Script.Finish());
        THitsWindow* Window = Form->HitsWindow();
        EXPECT_NE(Window, nullptr);
        PumpUntil([&] { return Window->StateText() != "正在查找…"; });
        return *Window;
    }
    // The tip's text while it shows, empty when it does not.
    std::string Tip() const {
        if (!IsWindowVisible(Form->HitTipWindow())) return std::string();
        wchar_t Text[1024] = {};
        TOOLINFOW Info{};
        Info.cbSize = sizeof Info;
        Info.hwnd = Form->ListBox1.Handle();
        Info.uId = 1;
        Info.lpszText = Text;
        SendMessageW(Form->HitTipWindow(), TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&Info));
        return Ansi(Text);
    }
    // The mouse comes to rest on line Index (-1: below the lines).
    void RestOn(int Index) {
        RECT Line{0, 150, 10, 160};
        if (Index >= 0)
            SendMessageA(Form->ListBox1.Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Index),
                         reinterpret_cast<LPARAM>(&Line));
        POINT At{Line.left + 5, (Line.top + Line.bottom) / 2};
        POINT Screen = At;
        ClientToScreen(Form->ListBox1.Handle(), &Screen);
        SetCursorPos(Screen.x, Screen.y);
        PostMessageA(Form->ListBox1.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(At.x, At.y));
        if (Index >= 0) PostMessageA(Form->ListBox1.Handle(), WM_MOUSEHOVER, 0, MAKELPARAM(At.x, At.y));
        Application.ProcessMessages();
    }

    TTempDir Dir;
};

TEST_F(Hits, TheWindowListsEveryHitWithItsPlaceAndContext) {
    Search("预算");
    ASSERT_EQ(Form->ListBox1.Count(), 1);
    THitsWindow& Window = OpenHits(0);
    const std::vector<TKeywordHit> Expected = Tzemzuvave::FileHits(Dir / "plan.txt", "预算", 100);
    ASSERT_EQ(Expected.size(), 2u);
    EXPECT_EQ(Window.StateText(), "找到 2 处");
    std::vector<std::string> Shown;
    for (const TKeywordHit& Hit : Expected)
        Shown.push_back(Hit.Where + "  " + Ansi(Hit.Before + Hit.Match + Hit.After));
    EXPECT_EQ(ListLines(Window.ListHandle()), Shown);
    EXPECT_NE(Shown[0].find("今年的部门预算已经批准"), std::string::npos) << Shown[0];
    EXPECT_EQ(GetWindow(Window.Handle(), GW_OWNER), Form->Handle());

    // Escape closes it.
    PostMessageA(Window.ListHandle(), WM_KEYDOWN, VK_ESCAPE, 1);
    Application.ProcessMessages();
    EXPECT_EQ(Form->HitsWindow()->Handle(), nullptr);
}

TEST_F(Hits, WithoutAKeywordTheNameAloneAndAnUnreadableFileSaysSo) {
    Search("");
    THitsWindow& Named = OpenHits(0);
    EXPECT_EQ(Named.StateText(), "上次搜索没有关键词，只列出文件名");
    EXPECT_EQ(ListLines(Named.ListHandle()), std::vector<std::string>{"文件名  " + NamePart(Form->ListBox1.Item(0))});

    Search("预算");
    HANDLE Locked = CreateFileA((Dir / "plan.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(Locked, INVALID_HANDLE_VALUE);
    THitsWindow& Unreadable = OpenHits(0);
    CloseHandle(Locked);
    EXPECT_EQ(Unreadable.StateText(), "不能读取此文件：不能打开文件 " + Dir / "plan.txt");
    EXPECT_TRUE(ListLines(Unreadable.ListHandle()).empty());
}

TEST_F(Hits, ADoubleClickOnAHitOpensTheFile) {
    const std::string Program = PlaceHelper(Dir.Path(), "record me.exe");
    Search("record", "*.exe");
    ASSERT_EQ(Form->ListBox1.Count(), 1);
    THitsWindow& Window = OpenHits(0);
    ASSERT_FALSE(ListLines(Window.ListHandle()).empty());
    EXPECT_EQ(ListLines(Window.ListHandle())[0], "文件名  record me.exe");
    SendMessageA(Window.ListHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 5));
    const TRecord Record = WaitForRecord(Dir.Path());
    EXPECT_NE(Record.CommandLine.find("record me.exe"), std::string::npos) << Record.CommandLine;
}

TEST_F(Hits, ClosingWhileItSearchesEndsTheSearch) {
    MakeSparseFile(Dir / "huge.txt", 1LL << 34);  // read whole, it would take many seconds
    Search("预算", "*.none");                     // lists nothing, but sets the keyword
    Form->ShowHits(Dir / "huge.txt");
    EXPECT_EQ(Form->HitsWindow()->StateText(), "正在查找…");
    SendMessageA(Form->HitsWindow()->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(Form->HitsWindow()->Handle(), nullptr);
    // The search gives up at its next read: the file can be removed at once.
    EXPECT_TRUE(PumpUntil([&] { return DeleteFileA((Dir / "huge.txt").c_str()) != FALSE; }, 5000));
}

TEST_F(Hits, TheLineTheMouseRestsOnShowsItsFirstHit) {
    WriteBytes(Dir / "second.txt", "另一份预算表");
    Search("预算");
    ASSERT_EQ(Form->ListBox1.Count(), 2);
    const int Plan = Form->ListBox1.Item(0) == Dir / "plan.txt" ? 0 : 1;
    const TKeywordHit First = Tzemzuvave::FileHits(Dir / "plan.txt", "预算", 1).at(0);
    RestOn(Plan);
    ASSERT_TRUE(PumpUntil([&] { return !Tip().empty(); }));
    EXPECT_EQ(Tip(), First.Where + "\r\n" + Ansi(First.Before) + "【预算】" + Ansi(First.After));

    // Moving off hides it; resting again shows what was kept.
    RestOn(-1);
    EXPECT_EQ(Tip(), "");
    RestOn(Plan);
    EXPECT_NE(Tip(), "");

    // Without a keyword in the last search there is no tip.
    Search("");
    RestOn(0);
    Sleep(200);
    Application.ProcessMessages();
    EXPECT_EQ(Tip(), "");
}

TEST_F(Hits, MovingOnBeforeTheHitIsFoundShowsNothing) {
    Search("预算");
    MakeSparseFile(Dir / "huge.txt", 1LL << 34);
    Form->ListBox1.Add(Dir / "huge.txt");
    RestOn(Form->ListBox1.Count() - 1);
    RestOn(-1);
    // The search was given up: the file is free and no tip comes.
    EXPECT_TRUE(PumpUntil([&] { return DeleteFileA((Dir / "huge.txt").c_str()) != FALSE; }, 5000));
    Sleep(100);
    Application.ProcessMessages();
    EXPECT_EQ(Tip(), "");
}

}  // namespace
