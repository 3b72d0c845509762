#include "ui/resultexport.h"

#include <windows.h>

#include "pure/support/bytetext.h"
#include "pure/support/exporttext.h"
#include "support/dialogs.h"
#include "support/failure.h"
#include "support/fileinfo.h"
#include "support/registry.h"
#include "support/textrules.h"

namespace {

const char* const ExportFilter = "CSV 表格 (*.csv)|*.csv|文本文件 (*.txt)|*.txt";
const char* const ExportName = "搜索结果";
enum { TableType = 1, LinesType = 2 };

std::string AnsiToUtf8(const std::string& Text) {
    const int Units = MultiByteToWideChar(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
    if (Units <= 0) return std::string();
    std::u16string Wide(static_cast<std::size_t>(Units), u'\0');
    MultiByteToWideChar(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), reinterpret_cast<wchar_t*>(Wide.data()),
                        Units);
    return Utf16ToUtf8(Wide.data(), Wide.size());
}

// The kind of file to write: by the extension the name ends in when it is one of the two, else
// by the type chosen in the dialog.
int ExportType(const std::string& Path, int Chosen) {
    const std::string Extension = AsciiLower(ExtensionPart(Path));
    if (Extension == ".csv") return TableType;
    if (Extension == ".txt") return LinesType;
    return Chosen;
}

}  // namespace

std::string ResultTable(const std::vector<std::string>& Paths) {
    std::vector<TExportRow> Rows;
    Rows.reserve(Paths.size());
    for (const std::string& Path : Paths) {
        TExportRow Row;
        Row.Path = AnsiToUtf8(Path);
        Row.Size = GetFileLength(Path);
        const TDateTime Modified = GetFileModified(Path);
        if (Row.Size >= 0 && Modified != 0) Row.Modified = TableStamp(Modified);
        Rows.push_back(std::move(Row));
    }
    return CsvTable(Rows);
}

std::string ResultLines(const std::vector<std::string>& Paths) {
    TStringList Lines;
    for (const std::string& Path : Paths) Lines.Add(Path);
    return Lines.ToText();
}

void ExportResultList(const std::vector<std::string>& Paths) {
    std::string Path;
    int Chosen = 0;
    PickSaveFileOfType(FolderPart(LastDialogFile), ExportFilter, ExportName, Path, Chosen);
    if (Chosen == 0) return;
    try {
        SaveFileBytes(Path, ExportType(Path, Chosen) == TableType ? ResultTable(Paths) : ResultLines(Paths));
    } catch (const TSupportError& Error) {
        ShowNotice(std::string("导出失败\r\n") + Error.what());
        return;
    }
    ShowNotice("成功导出");
}
