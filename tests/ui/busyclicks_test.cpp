// Search commands given while a search runs, read by the window only after the search ended:
// clicks and keys posted from another thread in every phase of a keyword search are ignored,
// and a click given after the end starts a search.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/helpers/mainform.h"
#include "tests/helpers/testfiles.h"
#include "ui/Unit1.h"
#include "ui/application.h"

namespace {

// Counts, on the window's thread, the searches started (each clears the list first) and the
// lines listed since, for a thread that watches the search from outside.
class TListWatch {
public:
    explicit TListWatch(HWND List) : FList(List) {
        SetWindowSubclass(FList, Proc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    ~TListWatch() { RemoveWindowSubclass(FList, Proc, 1); }
    TListWatch(const TListWatch&) = delete;
    TListWatch& operator=(const TListWatch&) = delete;

    std::atomic<int> Clears{0};
    std::atomic<int> Lines{0};

private:
    static LRESULT CALLBACK Proc(HWND Window, UINT Message, WPARAM W, LPARAM L, UINT_PTR, DWORD_PTR Data) {
        auto* Self = reinterpret_cast<TListWatch*>(Data);
        if (Message == LB_RESETCONTENT) {
            Self->Lines = 0;
            ++Self->Clears;
        }
        const LRESULT Result = DefSubclassProc(Window, Message, W, L);
        if (Message == LB_ADDSTRING) ++Self->Lines;
        return Result;
    }
    HWND FList;
};

enum class TPhase { BeforeFirstLine, BetweenLines, LastFileTest, AfterLastLine };
enum class TInput { Mouse, SpaceKey, PostedClick };

// A command on a button as the queue brings it: a click of the mouse, the space key, or a click
// posted by another program.
void PostCommand(HWND Button, TInput Input) {
    switch (Input) {
    case TInput::Mouse:
        PostMessageA(Button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageA(Button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        break;
    case TInput::SpaceKey:
        PostMessageA(Button, WM_KEYDOWN, VK_SPACE, 0x00390001);
        PostMessageA(Button, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0390001u));
        break;
    case TInput::PostedClick:
        PostMessageA(Button, BM_CLICK, 0, 0);
        break;
    }
}

// Posts a command on both search buttons from another thread once the search reaches Phase,
// and DelayUs later: after the last line the posts then fall anywhere in the walk's end and the
// cache write.
class TBusyClicks {
public:
    TBusyClicks(const TListWatch& Watch, HWND Quick, HWND Full, TPhase Phase, TInput Input, int Files, int DelayUs)
        : FThread([=, this, &Watch] {
              Run(Watch, {Quick, Full}, Phase, Input, Files, DelayUs);
          }) {}
    ~TBusyClicks() {
        if (FThread.joinable()) FThread.join();
    }
    TBusyClicks(const TBusyClicks&) = delete;
    TBusyClicks& operator=(const TBusyClicks&) = delete;

    void Join() { FThread.join(); }
    // The queue's clock after the last post: every posted message carries a time at or before it.
    DWORD PostedBy() const { return FPostedBy; }
    bool Posted() const { return FPosted; }

private:
    void Run(const TListWatch& Watch, std::vector<HWND> Buttons, TPhase Phase, TInput Input, int Files, int DelayUs) {
        const auto Reached = [&] {
            switch (Phase) {
            case TPhase::BeforeFirstLine:
                return Watch.Clears > 0;
            case TPhase::BetweenLines:
                return Watch.Lines >= 1;
            case TPhase::LastFileTest:
                return Watch.Lines >= Files - 1;
            case TPhase::AfterLastLine:
                return Watch.Lines >= Files;
            }
            return true;
        };
        const DWORD Start = GetTickCount();
        while (!Reached()) {
            if (GetTickCount() - Start > 20000) return;
            std::this_thread::yield();
        }
        LARGE_INTEGER Frequency{}, From{}, Now{};
        QueryPerformanceFrequency(&Frequency);
        QueryPerformanceCounter(&From);
        do QueryPerformanceCounter(&Now);
        while ((Now.QuadPart - From.QuadPart) * 1000000 < DelayUs * Frequency.QuadPart);
        for (HWND Button : Buttons) PostCommand(Button, Input);
        FPostedBy = TApplication::QueueClock();
        FPosted = true;
    }

    DWORD FPostedBy = 0;
    bool FPosted = false;
    std::thread FThread;
};

class BusyClicks : public TMainFormTest {
protected:
    void SetUp() override {
        TMainFormTest::SetUp();
        // Larger files whose keyword stands at the end, so that each test reads the whole file.
        for (int I = 0; I < Files; ++I)
            WriteBytes(Tree / ("f" + std::to_string(I) + ".txt"), std::string(1 << 20, 'a') + "needle");
        WriteBytes(Tree / "other.txt", "hay");
        DeleteFileA(CacheFile().c_str());
        Form->Edit1.SetText(Tree.Path());
        Form->ComboBox1.SetText("*.txt");
        Form->Edit2.SetText("needle");
    }
    void TearDown() override {
        TMainFormTest::TearDown();
        DeleteFileA(CacheFile().c_str());
    }
    std::string CacheFile() const { return ProgramFolder() + Tree.Path().substr(0, 1) + "txt.dat"; }
    std::vector<std::string> Listed() const {
        std::vector<std::string> R;
        for (int I = 0; I < Form->ListBox1.Count(); ++I) R.push_back(Form->ListBox1.Item(I));
        return R;
    }
    // Lets the window read what is waiting, as it does once back in its message loop.
    static void Settle() {
        for (int I = 0; I < 5; ++I) {
            Application.ProcessMessages();
            Sleep(5);
        }
    }

    static constexpr int Files = 9;
    TTempDir Tree;
};

TEST_F(BusyClicks, CommandsGivenWhileASearchRunsAreIgnoredWheneverTheyAreRead) {
    TListWatch Watch(Form->ListBox1.Handle());
    Press(Form->BitBtn7);
    const std::vector<std::string> First = Listed();
    const std::string Cache = ReadBytes(CacheFile());
    ASSERT_EQ(First.size(), static_cast<std::size_t>(Files));

    int Checked[4] = {};
    int Round = 0;
    for (int Repeat = 0; Repeat < 4; ++Repeat) {
        for (TPhase Phase :
             {TPhase::BeforeFirstLine, TPhase::BetweenLines, TPhase::LastFileTest, TPhase::AfterLastLine}) {
            for (TInput Input : {TInput::Mouse, TInput::SpaceKey, TInput::PostedClick}) {
                SCOPED_TRACE("phase " + std::to_string(static_cast<int>(Phase)) + ", input " +
                             std::to_string(static_cast<int>(Input)) + ", round " + std::to_string(Round));
                Watch.Clears = 0;
                TBusyClicks Clicks(Watch, Form->BitBtn1.Handle(), Form->BitBtn7.Handle(), Phase, Input, Files,
                                   (Round++ % 8) * 200);
                Press(Form->BitBtn7);
                const DWORD Ended = Form->LastSearchEnd();
                Clicks.Join();
                Settle();
                ASSERT_TRUE(Clicks.Posted());
                // A post that may have come after the end is a new command: nothing to check.
                if (static_cast<LONG>(Clicks.PostedBy() - Ended) > 0) continue;
                ++Checked[static_cast<int>(Phase)];
                EXPECT_EQ(Watch.Clears, 1);  // no second search ran
                EXPECT_EQ(Listed(), First);
                EXPECT_EQ(ReadBytes(CacheFile()), Cache);
                EXPECT_FALSE(Form->Searching());
            }
        }
    }
    for (int Phase = 0; Phase < 4; ++Phase) EXPECT_GT(Checked[Phase], 0) << "phase " << Phase;
    RecordProperty("checked", std::to_string(Checked[0] + Checked[1] + Checked[2] + Checked[3]));
}

TEST_F(BusyClicks, ACommandGivenAfterTheEndStartsASearch) {
    TListWatch Watch(Form->ListBox1.Handle());
    std::string Lower = Tree.Path();
    CharLowerA(Lower.data());
    for (TInput Input : {TInput::Mouse, TInput::SpaceKey, TInput::PostedClick}) {
        Press(Form->BitBtn7);
        ASSERT_EQ(Listed().size(), static_cast<std::size_t>(Files));
        while (TApplication::QueueClock() == Form->LastSearchEnd()) Sleep(1);
        Watch.Clears = 0;
        PostCommand(Form->BitBtn1.Handle(), Input);
        Settle();
        EXPECT_EQ(Watch.Clears, 1);
        // The quick search's lines are the cache's lower-cased folder with the names found.
        ASSERT_EQ(Listed().size(), static_cast<std::size_t>(Files));
        EXPECT_EQ(Listed()[0].rfind(Lower, 0), 0u);
    }
}

}  // namespace
