// The main window on the virtual display: every control as laid out, the tab order and the
// keyboard, the state after creation, the layout on resizing, the routing of notifications
// through the panels, the tool tips, the default error report and closing.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "pure/support/bytetext.h"
#include "support/failure.h"
#include "support/textrules.h"
#include "tests/helpers/dialogdriver.h"
#include "tests/helpers/mainform.h"
#include "tests/helpers/testfiles.h"
#include "ui/Unit1.h"
#include "ui/application.h"

namespace {

LONG_PTR StyleOf(const TControl& Control) { return GetWindowLongPtrA(Control.Handle(), GWL_STYLE); }

// Keys as the keyboard delivers them, through the application's message loop.
void PressKey(WORD Key, bool Shift = false) {
    BYTE State[256] = {};
    GetKeyboardState(State);
    const BYTE ShiftBefore = State[VK_SHIFT];
    State[VK_SHIFT] = Shift ? 0x80 : 0;
    SetKeyboardState(State);
    HWND Focus = GetFocus();
    PostMessageA(Focus, WM_KEYDOWN, Key, 1);
    PostMessageA(Focus, WM_KEYUP, Key, static_cast<LPARAM>(0xC0000001u));
    Application.ProcessMessages();
    State[VK_SHIFT] = ShiftBefore;
    SetKeyboardState(State);
}

class MainWindow : public TMainFormTest {
protected:
    // The controls that take the focus by Tab, in their order, while the date picker is off.
    std::vector<TControl*> TabStops() const {
        return {&Form->Edit1,   &Form->Button1,   &Form->ComboBox1, &Form->Edit2,   &Form->BitBtn1,
                &Form->BitBtn2, &Form->CheckBox1, &Form->BitBtn7,   &Form->BitBtn3, &Form->BitBtn4,
                &Form->BitBtn5, &Form->BitBtn6,   &Form->BitBtn8,   &Form->ListBox1};
    }
};

TEST_F(MainWindow, EveryControlHasItsKindParentPlaceSizeAndText) {
    EXPECT_TRUE(StyleOf(*Form) & WS_THICKFRAME);
    EXPECT_FALSE(IsZoomed(Form->Handle()) || IsIconic(Form->Handle()));

    // Panel2 and ListBox1 are checked where the first resize puts them.
    struct TRow {
        const TControl& Control;
        const char* Class;
        const TControl* Parent;
        int Left, Top, Width, Height;
        std::string Text;
    };
    const TForm1& F = *Form;
    const std::vector<TRow> Rows = {
        {*Form, "TForm1", nullptr, 192, 111, 669, 536, "砚桥文件搜索工具"},
        {F.Panel1, "TPanel", nullptr, 6, 12, 639, 153, ""},
        {F.Label1, "Static", &F.Panel1, 32, 16, 73, 17, "搜索位置       "},
        {F.Label2, "Static", &F.Panel1, 32, 48, 73, 13, "文件类型   "},
        {F.Label3, "Static", &F.Panel1, 32, 88, 65, 13, "关键词　　"},
        {F.Label4, "Static", &F.Panel1, 32, 128, 26, 13, "在　"},
        {F.Label5, "Static", &F.Panel1, 320, 120, 52, 13, "之后修改"},
        {F.Edit1, "Edit", &F.Panel1, 112, 8, 321, 21, ""},
        {F.Button1, "Button", &F.Panel1, 440, 6, 25, 25, "..."},
        {F.ComboBox1, "ComboBox", &F.Panel1, 112, 48, 145, 21, "*.txt"},
        {F.Edit2, "Edit", &F.Panel1, 112, 80, 305, 21, ""},
        {F.DateTimePicker1, "SysDateTimePick32", &F.Panel1, 112, 120, 186, 21, ""},
        {F.BitBtn1, "Button", &F.Panel1, 515, 11, 97, 39, "快速搜索"},
        {F.BitBtn2, "Button", &F.Panel1, 515, 100, 99, 39, "停止"},
        {F.CheckBox1, "Button", &F.Panel1, 392, 115, 75, 28, "指定时间"},
        {F.BitBtn7, "Button", &F.Panel1, 516, 58, 96, 37, "全面搜索"},
        {F.BitBtn3, "Button", &F.Panel2, 17, 12, 98, 36, "打开"},
        {F.BitBtn4, "Button", &F.Panel2, 141, 12, 98, 36, "复制"},
        {F.BitBtn5, "Button", &F.Panel2, 265, 12, 98, 36, "移动"},
        {F.BitBtn6, "Button", &F.Panel2, 513, 12, 98, 36, "删除"},
        {F.BitBtn8, "Button", &F.Panel2, 389, 12, 98, 36, "转到"},
    };
    for (const TRow& Row : Rows) {
        SCOPED_TRACE(Row.Control.Name());
        EXPECT_EQ(AsciiLower(ClassOf(Row.Control.Handle())), AsciiLower(Row.Class));
        if (&Row.Control != Form) {
            EXPECT_EQ(GetParent(Row.Control.Handle()), Row.Parent ? Row.Parent->Handle() : Form->Handle());
            // The dialog keys would turn Enter and Escape into clicks of controls 1 and 2.
            EXPECT_GT(GetDlgCtrlID(Row.Control.Handle()), IDCANCEL);
        }
        EXPECT_EQ(Row.Control.Left(), Row.Left);
        EXPECT_EQ(Row.Control.Top(), Row.Top);
        EXPECT_EQ(Row.Control.Width(), Row.Width);
        EXPECT_EQ(Row.Control.Height(), Row.Height);
        if (&Row.Control != &F.DateTimePicker1) {
            EXPECT_EQ(Row.Control.Text(), Row.Text);
        }
        // The window's font: 宋体 with a character height of 13 pixels, ANSI character set.
        LOGFONTA Font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Row.Control.Handle(), WM_GETFONT, 0, 0)), sizeof Font, &Font);
        EXPECT_EQ(Font.lfHeight, -13);
        EXPECT_EQ(Font.lfCharSet, ANSI_CHARSET);
        EXPECT_EQ(Font.lfWeight, FW_NORMAL);
        EXPECT_STREQ(Font.lfFaceName, "宋体");
    }

    EXPECT_TRUE(GetWindowLongPtrA(F.Panel1.Handle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    EXPECT_TRUE(GetWindowLongPtrA(F.Panel2.Handle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    EXPECT_EQ(AsciiLower(ClassOf(F.ListBox1.Handle())), "listbox");
    EXPECT_EQ(AsciiLower(ClassOf(F.StatusBar1.Handle())), "msctls_statusbar32");
    EXPECT_EQ(GetParent(F.Panel2.Handle()), Form->Handle());
    EXPECT_EQ(GetParent(F.ListBox1.Handle()), Form->Handle());
    EXPECT_EQ(GetParent(F.StatusBar1.Handle()), Form->Handle());
    EXPECT_EQ(F.Panel2.Left(), 4);
    EXPECT_EQ(F.Panel2.Width(), 653);
    EXPECT_EQ(F.Panel2.Height(), 58);
    EXPECT_EQ(F.ListBox1.Left(), 4);

    // The status bar lies along the bottom of the client area, 22 high, in two panels.
    EXPECT_EQ(F.StatusBar1.Left(), 0);
    EXPECT_EQ(F.StatusBar1.Height(), 22);
    EXPECT_EQ(F.StatusBar1.Top(), Form->ClientHeight() - 22);
    EXPECT_EQ(F.StatusBar1.Width(), Form->ClientWidth());
    EXPECT_TRUE(StyleOf(F.StatusBar1) & SBARS_SIZEGRIP);
    int Rights[4] = {};
    ASSERT_EQ(SendMessageA(F.StatusBar1.Handle(), SB_GETPARTS, 4, reinterpret_cast<LPARAM>(Rights)), 2);
    EXPECT_EQ(Rights[0], 200);
    EXPECT_EQ(Rights[1], -1);
    // The last panel reaches to the grip at the right end of the bar.
    EXPECT_GE(F.StatusBar1.PanelRect(1).right, F.StatusBar1.Width() - 2 * GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(F.StatusBar1.PanelText(0), "");
    EXPECT_EQ(F.StatusBar1.PanelText(1), "");

    // The type list: editable, its items in order, 13 pixels per item, about twelve shown when open.
    EXPECT_EQ(StyleOf(F.ComboBox1) & 3, CBS_DROPDOWN);
    EXPECT_EQ(ComboLines(F.ComboBox1.Handle()),
              (std::vector<std::string>{"*.txt",  "*.doc",  "*.xls", "*.ppt", "*.wps", "*.htm", "*.docx", "*.xlsx",
                                        "*.pptx", "*.pdf",  "*.ofd", "*.rtf", "*.et",  "*.dps", "*.odt",  "*.ods",
                                        "*.odp",  "*.html", "*.mht", "*.eml", "*.csv", "*.*"}));
    EXPECT_EQ(F.ComboBox1.ItemHeight(), 13);
    SendMessageA(F.ComboBox1.Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO Combo{};
    Combo.cbSize = sizeof Combo;
    ASSERT_TRUE(GetComboBoxInfo(F.ComboBox1.Handle(), &Combo));
    RECT Open{};
    GetClientRect(Combo.hwndList, &Open);
    EXPECT_NEAR(Open.bottom / 13.0, 12, 0.5);
    SendMessageA(F.ComboBox1.Handle(), CB_SHOWDROPDOWN, FALSE, 0);

    // The result list: single selection, unsorted, notifying, its exact height.
    const LONG_PTR List = StyleOf(F.ListBox1);
    EXPECT_TRUE(List & LBS_NOTIFY);
    EXPECT_TRUE(List & LBS_NOINTEGRALHEIGHT);
    EXPECT_FALSE(List & (LBS_SORT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
    EXPECT_EQ(F.ListBox1.ItemHeight(), 13);
    EXPECT_EQ(F.ListBox1.Count(), 0);
    EXPECT_EQ(F.ListBox1.ItemIndex(), -1);

    // The date picker shows the short date, drops its calendar at the left edge and parses no
    // typed text.
    EXPECT_EQ(StyleOf(F.DateTimePicker1) & (DTS_LONGDATEFORMAT | DTS_TIMEFORMAT | DTS_SHORTDATECENTURYFORMAT),
              DTS_SHORTDATEFORMAT);
    EXPECT_FALSE(StyleOf(F.DateTimePicker1) & (DTS_APPCANPARSE | DTS_RIGHTALIGN | DTS_SHOWNONE | DTS_UPDOWN));

    // No default button; every image button carries a 32 x 32 image.
    for (const TBitBtn* Button :
         {&F.BitBtn1, &F.BitBtn2, &F.BitBtn3, &F.BitBtn4, &F.BitBtn5, &F.BitBtn6, &F.BitBtn7, &F.BitBtn8}) {
        SCOPED_TRACE(Button->Name());
        EXPECT_EQ(StyleOf(*Button) & BS_TYPEMASK, BS_PUSHBUTTON);
        const auto Image = reinterpret_cast<HICON>(SendMessageA(Button->Handle(), BM_GETIMAGE, IMAGE_ICON, 0));
        ASSERT_NE(Image, nullptr);
        ICONINFO Info{};
        ASSERT_TRUE(GetIconInfo(Image, &Info));
        BITMAP Colour{};
        GetObjectA(Info.hbmColor, sizeof Colour, &Colour);
        EXPECT_EQ(Colour.bmWidth, 32);
        EXPECT_EQ(Colour.bmHeight, 32);
        EXPECT_EQ(Colour.bmBitsPixel, 32);
        DeleteObject(Info.hbmColor);
        DeleteObject(Info.hbmMask);
    }
    EXPECT_EQ(StyleOf(F.Button1) & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_EQ(StyleOf(F.CheckBox1) & BS_TYPEMASK, BS_AUTOCHECKBOX);
    EXPECT_NE(SendMessageA(Form->Handle(), WM_GETICON, ICON_BIG, 0), 0);
}

TEST_F(MainWindow, TabOrderRunsThroughBothPanelsAndTheList) {
    const auto Walk = [this](bool Backwards) {
        std::vector<HWND> Seen;
        HWND At = GetNextDlgTabItem(Form->Handle(), nullptr, FALSE);
        if (Backwards) At = GetNextDlgTabItem(Form->Handle(), At, TRUE);
        for (std::size_t I = 0; I < 20 && At && (Seen.empty() || At != Seen.front()); ++I) {
            Seen.push_back(At);
            At = GetNextDlgTabItem(Form->Handle(), At, Backwards);
        }
        return Seen;
    };
    std::vector<TControl*> Order = TabStops();
    std::vector<HWND> Expected;
    for (TControl* Control : Order) Expected.push_back(Control->Handle());
    EXPECT_EQ(Walk(false), Expected);
    // Backwards from the last stop, so the list comes first.
    EXPECT_EQ(Walk(true), std::vector<HWND>(Expected.rbegin(), Expected.rend()));

    // With the date filter on, the picker takes its place after the keyword.
    Form->DateTimePicker1.SetEnabled(true);
    Expected.insert(Expected.begin() + 4, Form->DateTimePicker1.Handle());
    EXPECT_EQ(Walk(false), Expected);
    for (HWND Stop : Expected) EXPECT_TRUE(GetWindowLongPtrA(Stop, GWL_STYLE) & WS_TABSTOP);
    EXPECT_FALSE(GetWindowLongPtrA(Form->StatusBar1.Handle(), GWL_STYLE) & WS_TABSTOP);
}

TEST_F(MainWindow, TabAndShiftTabMoveTheFocusInOrder) {
    EXPECT_TRUE(Form->Edit1.Focused());  // the first stop has the focus once the window shows
    const std::vector<TControl*> Order = TabStops();
    for (std::size_t I = 1; I <= Order.size(); ++I) {
        PressKey(VK_TAB);
        EXPECT_TRUE(Order[I % Order.size()]->Focused()) << "after Tab " << I;
    }
    for (std::size_t I = Order.size(); I-- > 0;) {
        PressKey(VK_TAB, true);
        EXPECT_TRUE(Order[I]->Focused()) << "after Shift+Tab to " << Order[I]->Name();
    }
}

TEST_F(MainWindow, EnterAndEscapeStartNothing) {
    int Clicks = 0;
    int Closes = 0;
    for (TButton* Button :
         {static_cast<TButton*>(&Form->BitBtn1), static_cast<TButton*>(&Form->BitBtn2),
          static_cast<TButton*>(&Form->BitBtn3), static_cast<TButton*>(&Form->BitBtn4),
          static_cast<TButton*>(&Form->BitBtn5), static_cast<TButton*>(&Form->BitBtn6),
          static_cast<TButton*>(&Form->BitBtn7), static_cast<TButton*>(&Form->BitBtn8), &Form->Button1})
        Button->OnClick = [&](TObject*) { ++Clicks; };
    Form->CheckBox1.OnClick = [&](TObject*) { ++Clicks; };
    Form->ListBox1.OnDblClick = [&](TObject*) { ++Clicks; };
    Form->OnClose = [&](TObject*, TCloseAction& Action) {
        ++Closes;
        Action = TCloseAction::None;
    };
    Form->ListBox1.Add("C:\\a.txt");
    Form->ListBox1.SetItemIndex(0);
    for (TControl* Control : std::vector<TControl*>{&Form->Edit1, &Form->ComboBox1, &Form->Edit2, &Form->BitBtn1,
                                                    &Form->CheckBox1, &Form->BitBtn3, &Form->ListBox1}) {
        Control->SetFocus();
        PressKey(VK_RETURN);
        PressKey(VK_ESCAPE);
        EXPECT_TRUE(Control->Focused()) << Control->Name();
    }
    EXPECT_EQ(Clicks, 0);
    EXPECT_EQ(Closes, 0);
    EXPECT_TRUE(Form->Visible());
    EXPECT_FALSE(Form->CheckBox1.Checked());
    // The keys do reach the controls: Space presses the focused button.
    Form->BitBtn3.SetFocus();
    PressKey(VK_SPACE);
    EXPECT_EQ(Clicks, 1);
}

TEST_F(MainWindow, StartsWithTodayDisabledFilterOffAndTheEngine) {
    SYSTEMTIME Now{};
    GetLocalTime(&Now);
    const TDateTime Picker = Form->DateTimePicker1.DateTime();
    SYSTEMTIME Shown{};
    ASSERT_TRUE(DateTimeToSystemTime(Picker, Shown));
    EXPECT_EQ(Picker, std::floor(Picker));  // at 00:00:00.000
    EXPECT_EQ(Shown.wYear, Now.wYear);
    EXPECT_EQ(Shown.wMonth, Now.wMonth);
    EXPECT_EQ(Shown.wDay, Now.wDay);
    EXPECT_FALSE(Form->DateTimePicker1.Enabled());
    EXPECT_FALSE(Form->CheckBox1.Checked());
    EXPECT_FALSE(StopRequested);
    ASSERT_NE(SearchEngine, nullptr);
    EXPECT_EQ(SearchEngine->GetCacheRoot(), ProgramFolder());
    EXPECT_EQ(SearchEngine->GetCacheRoot().back(), '\\');
    EXPECT_EQ(Form1, Form);
    EXPECT_EQ(Application.MainForm(), Form);
}

TEST(ProgramFolder, IsTheFolderOfTheProgramFileWhereverItStarts) {
    wchar_t Wide[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, Wide, MAX_PATH);
    std::wstring Folder(Wide);
    Folder.erase(Folder.rfind(L'\\') + 1);
    const std::string Expected = Ansi(Folder);
    EXPECT_EQ(ProgramFolder(), Expected);
    EXPECT_EQ(ProgramFolder().back(), '\\');

    char Before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, Before);
    TTempDir Elsewhere;
    ASSERT_TRUE(SetCurrentDirectoryA(Elsewhere.Path().c_str()));
    EXPECT_EQ(ProgramFolder(), Expected);
    SetCurrentDirectoryA(Before);
}

TEST_F(MainWindow, ResizingFitsTheListAndTheActionBarToTheOuterSize) {
    // The first size, as the window was created.
    EXPECT_EQ(Form->Panel2.Top(), 406);
    EXPECT_EQ(Form->ListBox1.Top(), 185);
    EXPECT_EQ(Form->ListBox1.Height(), 211);
    EXPECT_EQ(Form->ListBox1.Width(), 655);

    const auto ExpectLayout = [this](int W, int H) {
        SCOPED_TRACE(std::to_string(W) + " x " + std::to_string(H));
        EXPECT_EQ(Form->Width(), W);
        EXPECT_EQ(Form->Height(), H);
        EXPECT_EQ(Form->StatusBar1.Top(), Form->ClientHeight() - 22);
        EXPECT_EQ(Form->StatusBar1.Width(), Form->ClientWidth());
        EXPECT_EQ(Form->Panel2.Top(), H - 22 - 58 - 50);
        EXPECT_EQ(Form->ListBox1.Top(), 12 + 153 + 20);
        EXPECT_EQ(Form->ListBox1.Height(), std::max(0, H - 22 - 58 - 50 - 185 - 10));
        EXPECT_EQ(Form->ListBox1.Width(), std::max(0, W - 4 - 10));
        // Nothing else moves.
        EXPECT_EQ(Form->Panel1.Left(), 6);
        EXPECT_EQ(Form->Panel1.Top(), 12);
        EXPECT_EQ(Form->Panel1.Width(), 639);
        EXPECT_EQ(Form->Panel2.Left(), 4);
        EXPECT_EQ(Form->Panel2.Width(), 653);
        EXPECT_EQ(Form->ListBox1.Left(), 4);
        EXPECT_EQ(Form->BitBtn3.Top(), 12);
    };
    SetWindowPos(Form->Handle(), nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER);
    ExpectLayout(800, 600);
    EXPECT_EQ(Form->Panel2.Top(), 470);
    EXPECT_EQ(Form->ListBox1.Height(), 275);
    EXPECT_EQ(Form->ListBox1.Width(), 786);

    // Too small for the list: it shrinks to nothing and nothing fails.
    SetWindowPos(Form->Handle(), nullptr, 0, 0, 200, 300, SWP_NOMOVE | SWP_NOZORDER);
    ExpectLayout(200, 300);
    EXPECT_EQ(Form->ListBox1.Height(), 0);

    ShowWindow(Form->Handle(), SW_MAXIMIZE);
    Application.ProcessMessages();
    ExpectLayout(Form->Width(), Form->Height());
    ShowWindow(Form->Handle(), SW_RESTORE);
    Application.ProcessMessages();
    ExpectLayout(200, 300);
}

TEST_F(MainWindow, TheResultListScrollsOnlyUpAndDown) {
    TListBox& List = Form->ListBox1;
    List.Add(std::string(2000, 'x'));
    for (int I = 0; I < 40; ++I) List.Add("C:\\" + std::to_string(I) + ".txt");
    EXPECT_EQ(List.Count(), 41);
    EXPECT_EQ(List.Item(40), "C:\\39.txt");  // kept in the order added
    EXPECT_TRUE(GetWindowLongPtrA(List.Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_FALSE(GetWindowLongPtrA(List.Handle(), GWL_STYLE) & WS_HSCROLL);
    List.SetItemIndex(3);
    EXPECT_EQ(List.ItemIndex(), 3);
    List.Clear();
    EXPECT_EQ(List.Count(), 0);
    EXPECT_EQ(List.ItemIndex(), -1);
}

TEST_F(MainWindow, NotificationsReachTheirHandlersThroughThePanels) {
    std::vector<std::string> Events;
    const auto Note = [&Events](const char* What) { return [&Events, What](TObject*) { Events.push_back(What); }; };
    Form->Edit1.OnChange = Note("edit");
    Form->ComboBox1.OnChange = Note("combo");
    Form->CheckBox1.OnClick = Note("check");
    Form->DateTimePicker1.OnChange = Note("date");
    Form->ListBox1.OnClick = Note("select");
    Form->ListBox1.OnDblClick = Note("double");
    Form->BitBtn4.OnClick = Note("copy");

    Form->Edit1.SetText("c:\\docs");
    Press(Form->CheckBox1);
    EXPECT_TRUE(Form->CheckBox1.Checked());
    Press(Form->BitBtn4);
    Form->ComboBox1.SetFocus();
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    EXPECT_EQ(Form->ComboBox1.Text().substr(0, 2), "*.");
    EXPECT_NE(Form->ComboBox1.Text(), "*.txt");
    Form->DateTimePicker1.SetEnabled(true);
    Form->DateTimePicker1.SetFocus();
    PressKey(VK_UP);
    Form->ListBox1.Add("C:\\a.txt");
    Form->ListBox1.Add("C:\\b.txt");
    const LPARAM Second = MAKELPARAM(5, Form->ListBox1.ItemHeight() + 3);
    SendMessageA(Form->ListBox1.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Second);
    SendMessageA(Form->ListBox1.Handle(), WM_LBUTTONUP, 0, Second);
    SendMessageA(Form->ListBox1.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, Second);
    SendMessageA(Form->ListBox1.Handle(), WM_LBUTTONUP, 0, Second);
    Application.ProcessMessages();
    EXPECT_EQ(Form->ListBox1.ItemIndex(), 1);
    EXPECT_EQ(Form->ListBox1.Item(1), "C:\\b.txt");
    EXPECT_EQ(Events,
              (std::vector<std::string>{"edit", "check", "copy", "combo", "combo", "date", "select", "double"}));

    // Set by the program: the check box reports a change only, the list and picker nothing.
    Events.clear();
    Form->CheckBox1.SetChecked(true);
    Form->CheckBox1.SetChecked(false);
    Form->ListBox1.SetItemIndex(0);
    Form->DateTimePicker1.SetDateTime(45356);
    EXPECT_EQ(Events, std::vector<std::string>{"check"});
}

LRESULT CALLBACK CountColourRequests(HWND Window, UINT Message, WPARAM W, LPARAM L, UINT_PTR, DWORD_PTR Count) {
    if (Message == WM_CTLCOLORSTATIC) ++*reinterpret_cast<int*>(Count);
    return DefSubclassProc(Window, Message, W, L);
}

TEST_F(MainWindow, PanelsPassColourRequestsToTheForm) {
    int Requests = 0;
    ASSERT_TRUE(SetWindowSubclass(Form->Handle(), CountColourRequests, 1, reinterpret_cast<DWORD_PTR>(&Requests)));
    RedrawWindow(Form->Label1.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RemoveWindowSubclass(Form->Handle(), CountColourRequests, 1);
    EXPECT_GT(Requests, 0);
}

TEST_F(MainWindow, ControlsWithAHintShowItAsToolTip) {
    const auto TipOf = [this](HWND Tool) {
        char Text[256] = {};
        TOOLINFOA Info{};
        Info.cbSize = sizeof Info;
        Info.hwnd = Form->Handle();
        Info.uId = reinterpret_cast<UINT_PTR>(Tool);
        Info.lpszText = Text;
        SendMessageA(Form->HintWindow(), TTM_GETTEXTA, sizeof Text, reinterpret_cast<LPARAM>(&Info));
        return std::string(Text);
    };
    COMBOBOXINFO Combo{};
    Combo.cbSize = sizeof Combo;
    ASSERT_TRUE(GetComboBoxInfo(Form->ComboBox1.Handle(), &Combo));
    EXPECT_EQ(TipOf(Form->Edit1.Handle()), "输入文件夹位置如“c:\\myfile”");
    EXPECT_EQ(TipOf(Form->ComboBox1.Handle()), "文件类型如“*.txt”");
    EXPECT_EQ(TipOf(Combo.hwndItem), "文件类型如“*.txt”");  // the mouse is over the box's edit
    EXPECT_EQ(TipOf(Form->Edit2.Handle()), "输入要文档中包含的词句");
    EXPECT_EQ(SendMessageA(Form->HintWindow(), TTM_GETTOOLCOUNT, 0, 0), 4);
}

// The message box of the error report, answered from a timer inside its own modal loop.
struct TReportSeen {
    int Boxes = 0;
    std::string Text;
    std::string Caption;
};
TReportSeen Report;

void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND Box = WaitForDialog("", 0);
    if (!Box) return;
    ++Report.Boxes;
    Report.Text = NoticeText(Box);
    Report.Caption = TextOf(Box);
    PostCommand(Box, IDOK);
}

TEST_F(MainWindow, AnErrorInAHandlerIsShownAndTheWindowStaysUsable) {
    int Later = 0;
    Form->BitBtn1.OnClick = [](TObject*) { Fail(FailureText::CannotOpenFile, "C:\\缓存\\C.txt.dat"); };
    Form->BitBtn2.OnClick = [&Later](TObject*) { ++Later; };
    Form->BitBtn3.OnClick = [](TObject*) { throw 7; };
    const UINT_PTR Timer = SetTimer(nullptr, 0, 30, AnswerTimer);

    Report = {};
    Press(Form->BitBtn1);
    EXPECT_EQ(Report.Boxes, 1);
    EXPECT_EQ(Report.Text, "不能打开文件 C:\\缓存\\C.txt.dat");
    EXPECT_EQ(Report.Caption, "砚桥文件搜索工具");

    EXPECT_TRUE(IsWindowEnabled(Form->Handle()));
    Press(Form->BitBtn2);
    EXPECT_EQ(Later, 1);
    Press(Form->BitBtn1);  // reported again, every time
    EXPECT_EQ(Report.Boxes, 2);
    Press(Form->BitBtn3);
    EXPECT_EQ(Report.Boxes, 3);
    EXPECT_EQ(Report.Text, "发生未知错误");
    KillTimer(nullptr, Timer);
    EXPECT_TRUE(IsWindowVisible(Form->Handle()));
}

TEST_F(MainWindow, ASettingsChangeRereadsTheLocale) {
    SetLeadByteRanges({});
    SendMessageA(Form->Handle(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("intl"));
    EXPECT_TRUE(DoubleByteMode());
    EXPECT_TRUE(IsLeadByte(0x81));
}

TEST_F(MainWindow, ClosingReleasesTheEngineAndEndsTheLoop) {
    ASSERT_NE(SearchEngine, nullptr);
    PostMessageA(Form->Handle(), WM_CLOSE, 0, 0);
    Application.Run();  // returns once the main form is closed
    EXPECT_TRUE(Application.Terminated());
    EXPECT_EQ(SearchEngine, nullptr);
}

TEST_F(MainWindow, DatePickerKeepsTheValueItIsGiven) {
    TDateTimePicker& Picker = Form->DateTimePicker1;
    ASSERT_TRUE(Picker.SetDateTime(45356));
    EXPECT_EQ(Picker.DateTime(), 45356);
    ASSERT_TRUE(Picker.SetDateTime(36585.75));
    EXPECT_EQ(Picker.DateTime(), 36585.75);
    EXPECT_FALSE(Picker.SetDateTime(1e12));
    EXPECT_FALSE(Picker.SetDateTime(std::nan("")));
    EXPECT_EQ(Picker.DateTime(), 36585.75);
}

}  // namespace
