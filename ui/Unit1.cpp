#include "ui/Unit1.h"

#include <vector>

#include "pure/support/bytetext.h"
#include "support/datevalue.h"
#include "support/formatting.h"
#include "ui/application.h"
#include "ui/formtable.h"
#include "ui/res/resource.h"

TForm1* Form1 = nullptr;
std::unique_ptr<Tzemzuvave> SearchEngine;
bool StopRequested = false;

namespace {

// clang-format off
const TFormArgs FormDescription = {
    .ClassName = "TForm1",
    .Name = "Form1",
    .Caption = "砚桥文件搜索工具",
    .Left = 192, .Top = 111, .Width = 669, .Height = 536,
    .FontName = "宋体",
    .FontHeight = -13,  // character height 13 pixels
    .FontCharset = ANSI_CHARSET,
    .IconId = IDI_APP,
};

using TRow = TControlRow<TForm1>;

// Each row names only the settings it has; the others keep their defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
const std::vector<TRow> ControlTable = {
    {.Name = "Panel1", .Kind = Member<TPanel>(&TForm1::Panel1),
     .Left = 6, .Top = 12, .Width = 639, .Height = 153, .Tab = 0},
    {.Name = "Label1", .Kind = Member<TLabel>(&TForm1::Label1), .Parent = "Panel1",
     .Left = 32, .Top = 16, .Width = 73, .Height = 17, .Text = "搜索位置       "},
    {.Name = "Label2", .Kind = Member<TLabel>(&TForm1::Label2), .Parent = "Panel1",
     .Left = 32, .Top = 48, .Width = 73, .Height = 13, .Text = "文件类型   "},
    {.Name = "Label3", .Kind = Member<TLabel>(&TForm1::Label3), .Parent = "Panel1",
     .Left = 32, .Top = 88, .Width = 65, .Height = 13, .Text = "关键词　　"},
    {.Name = "Label4", .Kind = Member<TLabel>(&TForm1::Label4), .Parent = "Panel1",
     .Left = 32, .Top = 128, .Width = 26, .Height = 13, .Text = "在　"},
    {.Name = "Label5", .Kind = Member<TLabel>(&TForm1::Label5), .Parent = "Panel1",
     .Left = 320, .Top = 120, .Width = 52, .Height = 13, .Text = "之后修改"},
    {.Name = "Edit1", .Kind = Member<TEdit>(&TForm1::Edit1), .Parent = "Panel1",
     .Left = 112, .Top = 8, .Width = 321, .Height = 21, .Hint = "输入文件夹位置如“c:\\myfile”", .Tab = 0},
    {.Name = "Button1", .Kind = Member<TButton>(&TForm1::Button1), .Parent = "Panel1",
     .Left = 440, .Top = 6, .Width = 25, .Height = 25, .Text = "...", .Tab = 1,
     .OnClick = &TForm1::Button1Click},
    {.Name = "ComboBox1", .Kind = Member<TComboBox>(&TForm1::ComboBox1), .Parent = "Panel1",
     .Left = 112, .Top = 48, .Width = 145, .Height = 21, .Text = "*.txt",
     .Items = {"*.txt", "*.doc", "*.xls", "*.ppt", "*.wps", "*.htm", "*.docx", "*.xlsx", "*.pptx",
               "*.pdf", "*.ofd", "*.rtf", "*.et", "*.dps", "*.odt", "*.ods", "*.odp", "*.html", "*.mht",
               "*.eml", "*.csv", "*.*"},
     .ItemHeight = 13, .DropDownCount = 12, .Hint = "文件类型如“*.txt”", .Tab = 2},
    {.Name = "Edit2", .Kind = Member<TEdit>(&TForm1::Edit2), .Parent = "Panel1",
     .Left = 112, .Top = 80, .Width = 305, .Height = 21, .Hint = "输入要文档中包含的词句", .Tab = 3},
    {.Name = "DateTimePicker1", .Kind = Member<TDateTimePicker>(&TForm1::DateTimePicker1), .Parent = "Panel1",
     .Left = 112, .Top = 120, .Width = 186, .Height = 21, .Tab = 4},
    {.Name = "BitBtn1", .Kind = Member<TBitBtn>(&TForm1::BitBtn1), .Parent = "Panel1",
     .Left = 515, .Top = 11, .Width = 97, .Height = 39, .Text = "快速搜索", .Tab = 5, .Image = IDI_QUICK,
     .OnClick = &TForm1::BitBtn1Click},
    {.Name = "BitBtn2", .Kind = Member<TBitBtn>(&TForm1::BitBtn2), .Parent = "Panel1",
     .Left = 515, .Top = 100, .Width = 99, .Height = 39, .Text = "停止", .Tab = 6, .Image = IDI_STOP,
     .OnClick = &TForm1::BitBtn2Click},
    {.Name = "CheckBox1", .Kind = Member<TCheckBox>(&TForm1::CheckBox1), .Parent = "Panel1",
     .Left = 392, .Top = 115, .Width = 75, .Height = 28, .Text = "指定时间", .Tab = 7,
     .OnClick = &TForm1::CheckBox1Click},
    {.Name = "BitBtn7", .Kind = Member<TBitBtn>(&TForm1::BitBtn7), .Parent = "Panel1",
     .Left = 516, .Top = 58, .Width = 96, .Height = 37, .Text = "全面搜索", .Tab = 8, .Image = IDI_FULL,
     .OnClick = &TForm1::BitBtn7Click},
    {.Name = "StatusBar1", .Kind = Member<TStatusBar>(&TForm1::StatusBar1),
     .Left = 0, .Top = 480, .Width = 661, .Height = 22, .Panels = {200, 50}, .Align = TAlign::Bottom},
    {.Name = "Panel2", .Kind = Member<TPanel>(&TForm1::Panel2),
     .Left = 4, .Top = 417, .Width = 653, .Height = 58, .Tab = 2},
    {.Name = "BitBtn3", .Kind = Member<TBitBtn>(&TForm1::BitBtn3), .Parent = "Panel2",
     .Left = 17, .Top = 12, .Width = 98, .Height = 36, .Text = "打开", .Tab = 0, .Image = IDI_OPEN,
     .OnClick = &TForm1::BitBtn3Click},
    {.Name = "BitBtn4", .Kind = Member<TBitBtn>(&TForm1::BitBtn4), .Parent = "Panel2",
     .Left = 141, .Top = 12, .Width = 98, .Height = 36, .Text = "复制", .Tab = 1, .Image = IDI_COPY,
     .OnClick = &TForm1::BitBtn4Click},
    {.Name = "BitBtn5", .Kind = Member<TBitBtn>(&TForm1::BitBtn5), .Parent = "Panel2",
     .Left = 265, .Top = 12, .Width = 98, .Height = 36, .Text = "移动", .Tab = 2, .Image = IDI_MOVE,
     .OnClick = &TForm1::BitBtn5Click},
    {.Name = "BitBtn6", .Kind = Member<TBitBtn>(&TForm1::BitBtn6), .Parent = "Panel2",
     .Left = 513, .Top = 12, .Width = 98, .Height = 36, .Text = "删除", .Tab = 3, .Image = IDI_DELETE,
     .OnClick = &TForm1::BitBtn6Click},
    {.Name = "BitBtn8", .Kind = Member<TBitBtn>(&TForm1::BitBtn8), .Parent = "Panel2",
     .Left = 389, .Top = 12, .Width = 98, .Height = 36, .Text = "转到", .Tab = 4, .Image = IDI_GOTO,
     .OnClick = &TForm1::BitBtn8Click},
    {.Name = "ListBox1", .Kind = Member<TListBox>(&TForm1::ListBox1),
     .Left = 4, .Top = 180, .Width = 645, .Height = 225, .ItemHeight = 13, .Tab = 3,
     .OnClick = &TForm1::ListBox1Click, .OnDblClick = &TForm1::ListBox1DblClick,
     .OnContextPopup = &TForm1::ListBox1ContextPopup},
};
// clang-format on
#pragma GCC diagnostic pop

// The engine over the given cache root.
std::unique_ptr<Tzemzuvave> NewSearchEngine(const std::string& CacheRoot) {
    return std::make_unique<Tzemzuvave>(CacheRoot);
}

}  // namespace

std::string ProgramFolder() { return FolderPart(Application.ExeName()); }

TForm1::TForm1() {
    OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
    OnClose = [this](TObject* Sender, TCloseAction& Action) { FormClose(Sender, Action); };
    OnResize = [this](TObject* Sender) { FormResize(Sender); };
    CreateFormWindow(FormDescription);
    BuildControls(*this, ControlTable);
    FPreview.Attach(ListBox1.Handle(), [this] { return FLastKeyword; });
    FinishCreate();
}

TForm1::~TForm1() {
    if (Form1 == this) Form1 = nullptr;
}

void TForm1::FormCreate(TObject*) {
    StopRequested = false;
    DateTimePicker1.SetDateTime(TodayDate());
    CheckBox1.SetChecked(false);
    DateTimePicker1.SetEnabled(false);
    SearchEngine = NewSearchEngine(ProgramFolder());
}

void TForm1::FormClose(TObject*, TCloseAction& Action) {
    if (FSearching) {  // the engine must outlive its search: stop it, and close once it has returned
        StopRequested = true;
        FCloseAfterSearch = true;
        Action = TCloseAction::None;
        return;
    }
    SearchEngine.reset();
}

// Keeps the result list and the bar of file actions fitted to the window's outer size.
void TForm1::FormResize(TObject*) {
    Panel2.SetTop(Height() - StatusBar1.Height() - Panel2.Height() - 50);
    ListBox1.SetTop(Panel1.Top() + Panel1.Height() + 20);
    ListBox1.SetHeight(Panel2.Top() - ListBox1.Top() - 10);
    ListBox1.SetWidth(Width() - ListBox1.Left() - 10);
}
