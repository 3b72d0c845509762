// The context menu of the result list driven as a person drives it: right button, menu key and
// Shift+F10, the greyed lines, the clipboard's texts, the exported files' bytes, the
// properties.
#include <windows.h>

#include <commdlg.h>
#include <gtest/gtest.h>

#include "support/registry.h"
#include "tests/helpers/dialogdriver.h"
#include "tests/helpers/mainform.h"
#include "tests/helpers/testfiles.h"
#include "ui/Unit1.h"
#include "ui/application.h"

namespace {

// The menu's lines as text: captions by "|", a greyed one in brackets.
std::string Shown(const std::vector<TMenuLine>& Lines) {
    std::string Text;
    for (const TMenuLine& Line : Lines) Text += (Line.Greyed ? "[" + Line.Caption + "]" : Line.Caption) + "|";
    return Text;
}

std::string Lines(bool Selected) {
    return Selected ? "打开|打开所在文件夹||匹配内容…||复制路径|复制全部路径|导出结果列表…||属性|"
                    : "[打开]|[打开所在文件夹]||[匹配内容…]||[复制路径]|复制全部路径|导出结果列表…||[属性]|";
}

std::wstring Wide(const std::string& Ansi) {
    std::wstring Units(Ansi.size(), L'\0');
    Units.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, Ansi.data(), static_cast<int>(Ansi.size()),
                                                              Units.data(), static_cast<int>(Units.size()))));
    return Units;
}

std::string Utf8(const std::string& Ansi) {
    const std::wstring Units = Wide(Ansi);
    std::string Out(Units.size() * 3, '\0');
    Out.resize(
        static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, Units.data(), static_cast<int>(Units.size()),
                                                     Out.data(), static_cast<int>(Out.size()), nullptr, nullptr)));
    return Out;
}

struct TClipboard {
    std::string Ansi;
    std::wstring Unicode;
};
TClipboard ReadClipboard() {
    TClipboard Got;
    if (!OpenClipboard(nullptr)) return Got;
    if (HANDLE Text = GetClipboardData(CF_TEXT)) Got.Ansi = static_cast<const char*>(GlobalLock(Text));
    if (HANDLE Text = GetClipboardData(CF_UNICODETEXT)) Got.Unicode = static_cast<const wchar_t*>(GlobalLock(Text));
    CloseClipboard();
    return Got;
}

class ResultMenu : public TMainFormTest {
protected:
    void SetUp() override {
        TMainFormTest::SetUp();
        WriteBytes(Dir / "报告,一.txt", "hello");
        SetLocalWriteTime(Dir / "报告,一.txt", 2024, 3, 5, 14, 7, 9);
        WriteBytes(Dir / "b.txt", "");
        List({Dir / "报告,一.txt", Dir / "b.txt"});
    }
    void List(const std::vector<std::string>& Paths) {
        Form->ListBox1.Clear();
        for (const auto& P : Paths) Form->ListBox1.Add(P);
    }
    // Opens the menu as Open does while a script chooses Caption; the lines the menu showed.
    std::string Choose(const std::function<void()>& Open, const std::string& Caption,
                       const std::function<void()>& Then = nullptr) {
        std::vector<TMenuLine> Shown;
        TDialogScript Script([&] {
            Shown = ChooseFromMenu(Caption);
            if (Then) Then();
        });
        Open();
        Application.ProcessMessages();
        EXPECT_TRUE(Script.Finish());
        return ::Shown(Shown);
    }
    void RightClick(int Index) {
        RECT Item{};
        SendMessageA(Form->ListBox1.Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Index),
                     reinterpret_cast<LPARAM>(&Item));
        const LPARAM At = MAKELPARAM(Item.left + 5, (Item.top + Item.bottom) / 2);
        SendMessageA(Form->ListBox1.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, At);
        SendMessageA(Form->ListBox1.Handle(), WM_RBUTTONUP, 0, At);
    }
    void Key(WORD Code, bool Shift = false) {
        BYTE State[256] = {};
        GetKeyboardState(State);
        State[VK_SHIFT] = Shift ? 0x80 : 0;
        SetKeyboardState(State);
        const UINT Down = Code == VK_F10 ? WM_SYSKEYDOWN : WM_KEYDOWN;
        PostMessageA(Form->ListBox1.Handle(), Down, Code, 1);
        PostMessageA(Form->ListBox1.Handle(), Down + 1, Code, static_cast<LPARAM>(0xC0000001u));
        Application.ProcessMessages();
        State[VK_SHIFT] = 0;
        SetKeyboardState(State);
    }

    TTempDir Dir;
};

TEST_F(ResultMenu, TheRightButtonSelectsTheLineAndTheMenuActsOnIt) {
    Form->StatusBar1.SetPanelText(1, "");
    EXPECT_EQ(Choose([&] { RightClick(1); }, "复制路径"), Lines(true));
    EXPECT_EQ(Form->ListBox1.ItemIndex(), 1);
    EXPECT_EQ(Status().rfind("文件长度0，", 0), 0u);  // selected as a click selects
    EXPECT_EQ(ReadClipboard().Ansi, Dir / "b.txt");

    // Below the last line nothing is selected, and the menu stays with the selection it had.
    SendMessageA(Form->ListBox1.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 150));
    EXPECT_EQ(Form->ListBox1.ItemIndex(), 1);
}

TEST_F(ResultMenu, TheKeysOpenItForTheSelectedLineAndWithoutOneItGreysTheCommandsOnAFile) {
    Form->ListBox1.SetFocus();
    EXPECT_EQ(Choose([&] { Key(VK_APPS); }, "复制全部路径"), Lines(false));
    const TClipboard All = ReadClipboard();
    EXPECT_EQ(All.Ansi, Dir / "报告,一.txt" + "\r\n" + Dir / "b.txt");
    EXPECT_EQ(All.Unicode, Wide(All.Ansi));
    EXPECT_NE(All.Unicode.find(L"\u62A5\u544A,\u4E00.txt\r\n"), std::wstring::npos);  // 报告,一

    Form->ListBox1.SetItemIndex(0);
    EXPECT_EQ(Choose([&] { Key(VK_F10, true); }, "复制路径"), Lines(true));
    EXPECT_EQ(ReadClipboard().Ansi, Dir / "报告,一.txt");

    // An empty list: copying all empties the clipboard's text, and a greyed line does nothing.
    List({});
    EXPECT_EQ(Choose([&] { Key(VK_APPS); }, "复制全部路径"), Lines(false));
    EXPECT_EQ(ReadClipboard().Ansi, "");
    EXPECT_EQ(Choose([&] { Key(VK_APPS); }, "属性"), Lines(false));
}

// Answers the save-as dialog: notes the folder it starts in, chooses the type Type (1-based)
// and the name Name, confirms a replacement, and keeps the notice that follows.
struct TExportAnswer {
    TExportAnswer(std::string Typed, int Chosen = 1) : Name(std::move(Typed)), Type(Chosen) {}
    std::string Name;
    int Type;
    std::string Folder;
    std::string Notice;
    void operator()() {
        HWND Dialog = WaitForDialog();
        if (!Dialog) return;
        char Path[MAX_PATH] = {};
        SendMessageA(Dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(Path));
        Folder = Path;
        HWND Types = FindChild(Dialog, "ComboBox", 0x470);
        SendMessageA(Types, CB_SETCURSEL, static_cast<WPARAM>(Type - 1), 0);
        for (const WORD Code : {CBN_SELCHANGE, CBN_SELENDOK})
            SendMessageA(Dialog, WM_COMMAND, MAKEWPARAM(0x470, Code), reinterpret_cast<LPARAM>(Types));
        SendMessageA(FindChild(Dialog, "Edit", 0x47C), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Name.c_str()));
        PostCommand(Dialog, IDOK);
        for (int I = 0; I < 300 && IsWindow(Dialog); ++I) {
            HWND Box = WaitForDialog("", 0);
            if (Box && Box != Dialog) Click(GetDlgItem(Box, IDYES));  // replace the existing file
            Sleep(10);
        }
        Notice = AnswerNotice();
    }
};

TEST_F(ResultMenu, ExportWritesATableOrALineListInTheRememberedFolder) {
    MakeFolder(Dir / "out");
    LastDialogFile = Dir / "out\\earlier.txt";
    List({Dir / "报告,一.txt", Dir / "gone.txt"});
    TExportAnswer Table{"结果"};
    Choose([&] { Key(VK_APPS); }, "导出结果列表…", [&] { Table(); });
    EXPECT_EQ(Table.Notice, "成功导出");
    EXPECT_EQ(Table.Folder, Dir / "out");
    EXPECT_EQ(LastDialogFile, Dir / "out\\结果.csv");
    EXPECT_EQ(ReadBytes(Dir / "out\\结果.csv"), "\xEF\xBB\xBF" +
                                                    Utf8("路径,大小（字节）,修改时间\r\n\"" + Dir / "报告,一.txt") +
                                                    "\",5,2024-03-05 14:07:09\r\n" + Dir / "gone.txt" + ",,\r\n");

    TExportAnswer Paths{"列表", 2};
    Choose([&] { Key(VK_APPS); }, "导出结果列表…", [&] { Paths(); });
    EXPECT_EQ(Paths.Notice, "成功导出");
    EXPECT_EQ(LastDialogFile, Dir / "out\\列表.txt");
    EXPECT_EQ(ReadBytes(Dir / "out\\列表.txt"), Dir / "报告,一.txt\r\n" + Dir / "gone.txt\r\n");

    // A file that cannot be replaced: reported, left as it was, nothing written beside it.
    WriteBytes(Dir / "out\\ro.csv", "old");
    SetFileAttributesA((Dir / "out\\ro.csv").c_str(), FILE_ATTRIBUTE_READONLY);
    TExportAnswer Refused{"ro.csv"};
    Choose([&] { Key(VK_APPS); }, "导出结果列表…", [&] { Refused(); });
    EXPECT_EQ(Refused.Notice, "导出失败\r\n不能创建文件 " + Dir / "out\\ro.csv");
    EXPECT_EQ(ReadBytes(Dir / "out\\ro.csv"), "old");
    WIN32_FIND_DATAA Found{};
    HANDLE Search = FindFirstFileA((Dir / "out\\*.tmp").c_str(), &Found);
    EXPECT_EQ(Search, INVALID_HANDLE_VALUE) << Found.cFileName;
    if (Search != INVALID_HANDLE_VALUE) FindClose(Search);
}

TEST_F(ResultMenu, PropertiesWithoutTheShellsDialogShowWhatTheWindowKnows) {
    Form->ListBox1.SetItemIndex(0);
    std::string Notice;
    Choose([&] { Key(VK_APPS); }, "属性", [&] { Notice = AnswerNotice("提示", IDOK); });
    // Under Wine the shell has no properties dialog; Windows shows its own instead.
    EXPECT_EQ(Notice, "文件：" + Dir / "报告,一.txt" + "\r\n大小：5 字节\r\n修改时间：2024-03-05 14:07:09");
}

}  // namespace
