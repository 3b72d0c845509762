// The actions on the selected line of the result list, and the folder chooser of the folder field.
// Each acts on the selection at the moment it runs and does nothing without one; the list itself
// is never changed.
#include "support/dialogs.h"
#include "support/fileinfo.h"
#include "support/formatting.h"
#include "support/textrules.h"
#include "ui/Unit1.h"

namespace {

// The date and time of the status text: the date, then the time in the locale's long form.
const char* const StampTemplate = "yyyy-mm-dd tt";

// Asks for the target of a copy or move: a save-as dialog in the program's folder whose filter
// is the source's own extension. Empty when the user cancels.
std::string PickTarget(const std::string& Source) {
    std::string Target;
    PickSaveFile(ProgramFolder(), "*" + ExtensionPart(Source), Target);
    return Target;
}

}  // namespace

bool TForm1::SelectedPath(std::string& Path) const {
    const int Index = ListBox1.ItemIndex();
    if (Index < 0) return false;
    Path = ListBox1.Item(Index);
    return true;
}

void TForm1::ListBox1Click(TObject*) {
    std::string Path;
    if (!SelectedPath(Path)) return;
    const TDateTime Modified = GetFileModified(Path);
    const std::int64_t Size = GetFileLength(Path);
    StatusBar1.SetPanelText(1, FormatText("文件长度%d，最后修改日期", {Size}) + FormatStamp(StampTemplate, Modified));
}

void TForm1::ListBox1DblClick(TObject*) { BitBtn3.Click(); }

void TForm1::BitBtn3Click(TObject*) {
    std::string Path;
    if (SelectedPath(Path)) ShellOpen(Path, "");
}

void TForm1::BitBtn4Click(TObject*) {
    std::string Source;
    if (!SelectedPath(Source)) return;
    const std::string Target = PickTarget(Source);
    const bool Copied = CopyFileA(Source.c_str(), Target.c_str(), FALSE) != 0;  // replaces an existing target
    ShowNotice(Copied ? "成功复制" : "复制失败");
}

void TForm1::BitBtn5Click(TObject*) {
    std::string Source;
    if (!SelectedPath(Source)) return;
    const std::string Target = PickTarget(Source);
    const bool Moved = MoveFileA(Source.c_str(), Target.c_str()) != 0;  // never replaces an existing target
    ShowNotice(Moved ? "成功移动" : "移动失败");
}

void TForm1::BitBtn8Click(TObject*) {
    std::string Path;
    if (SelectedPath(Path)) ShellOpen("explorer.exe", FolderPart(Path));
}

void TForm1::BitBtn6Click(TObject*) {
    std::string Path;
    if (!SelectedPath(Path)) return;
    SetFileAttrFlags(Path, false, false, false);  // a read-only, hidden or system file can be deleted too
    ShowNotice(RemoveFile(Path) ? "成功删除" : "删除失败");
}

void TForm1::Button1Click(TObject*) {
    std::string Folder;
    ChooseFolder(false, Folder);
    Edit1.SetText(Folder);  // also when cancelled: the field is then empty
}
