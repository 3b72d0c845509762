// The context menu of the result list and the commands that only it offers: the file's hits,
// copying paths, exporting the list and the file's properties.
#include "pure/support/exporttext.h"
#include "support/dialogs.h"
#include "support/fileinfo.h"
#include "support/formatting.h"
#include "ui/Unit1.h"
#include "ui/clipboard.h"
#include "ui/resultexport.h"
#include "ui/resultmenu.h"

namespace {

// What the window can tell of a file when the shell has no properties dialog to show (Wine
// has none).
std::string FileFacts(const std::string& Path) {
    const std::int64_t Size = GetFileLength(Path);
    if (Size < 0) return "找不到文件 " + Path;
    return "文件：" + Path + "\r\n" + FormatText("大小：%d 字节", {Size}) + "\r\n修改时间：" +
           TableStamp(GetFileModified(Path));
}

}  // namespace

std::vector<std::string> TForm1::ListedPaths() const {
    std::vector<std::string> Paths;
    for (int I = 0; I < ListBox1.Count(); ++I) Paths.push_back(ListBox1.Item(I));
    return Paths;
}

void TForm1::ListBox1ContextPopup(TObject*, POINT Screen) {
    std::string Path;
    const TResultCommand Command = ChooseResultCommand(Handle(), Screen, SelectedPath(Path));
    // The selection as it stands once the menu has closed.
    const bool Selected = SelectedPath(Path);
    switch (Command) {
    case TResultCommand::Open:
        BitBtn3Click(this);
        break;
    case TResultCommand::OpenFolder:
        BitBtn8Click(this);
        break;
    case TResultCommand::ShowHits:
        if (Selected) ShowHits(Path);
        break;
    case TResultCommand::CopyPath:
        if (Selected) CopyPaths({Path});
        break;
    case TResultCommand::CopyAllPaths:
        CopyPaths(ListedPaths());
        break;
    case TResultCommand::Export:
        ExportResultList(ListedPaths());
        break;
    case TResultCommand::Properties:
        if (Selected && !ShowFileProperties(Path)) ShowNotice(FileFacts(Path));
        break;
    case TResultCommand::None:
        break;
    }
}

void TForm1::CopyPaths(const std::vector<std::string>& Paths) {
    if (!CopyTextToClipboard(Handle(), JoinedLines(Paths))) ShowNotice("不能写入剪贴板");
}

void TForm1::ShowHits(const std::string& Path) {
    FHitsWindow = std::make_unique<THitsWindow>();  // one at a time: an earlier one closes
    FHitsWindow->Open(Handle(), Font(), Path, FLastKeyword);
}
