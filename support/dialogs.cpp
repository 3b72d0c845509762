#include "support/dialogs.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>

#include "support/folderchooser.h"
#include "support/registry.h"

namespace {

HWND TopLevelOwner = nullptr;

const char* const NoticeCaption = "提示";
const char* const ChooserTitle = "选择目录";

// The file-name area of the save-as dialog; a longer name ends the dialog without a result.
constexpr DWORD FileNameBytes = 260;

// Lifts the notice box above all other windows when it first activates. MB_TOPMOST asks for this,
// but not every platform honours the flag (Wine ignores it); the hook makes it hold everywhere.
class TTopmostBoxHook {
public:
    TTopmostBoxHook() : FHook(SetWindowsHookExA(WH_CBT, &Proc, nullptr, GetCurrentThreadId())) {}
    ~TTopmostBoxHook() {
        if (FHook) UnhookWindowsHookEx(FHook);
    }
    TTopmostBoxHook(const TTopmostBoxHook&) = delete;
    TTopmostBoxHook& operator=(const TTopmostBoxHook&) = delete;

private:
    static LRESULT CALLBACK Proc(int Code, WPARAM W, LPARAM L) {
        if (Code == HCBT_ACTIVATE) {
            const HWND Window = reinterpret_cast<HWND>(W);
            char ClassName[16] = {};
            GetClassNameA(Window, ClassName, sizeof(ClassName));
            if (lstrcmpA(ClassName, "#32770") == 0 && (GetWindowLongPtrA(Window, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0)
                SetWindowPos(Window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
        return CallNextHookEx(nullptr, Code, W, L);
    }

    HHOOK FHook;
};

}  // namespace

void SetDialogOwner(HWND Owner) { TopLevelOwner = Owner; }

HWND DialogOwner() { return (TopLevelOwner && IsWindow(TopLevelOwner)) ? TopLevelOwner : nullptr; }

void ShowNotice(const std::string& Text) {
    const TTopmostBoxHook Topmost;
    MessageBoxA(DialogOwner(), Text.c_str(), NoticeCaption, MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
}

namespace {

// The save-as dialog behind both entries: the chosen pair of the filter, 0 on cancel.
int RunSaveDialog(const std::string& InitialFolder, const std::string& Filter, const std::string& Name, DWORD Flags,
                  std::string& Path) {
    const std::string Normalized = NormalizeFilter(Filter);
    const std::string Pairs = FilterPairs(Normalized);
    char FileName[FileNameBytes] = {};
    Name.copy(FileName, FileNameBytes - 1);

    OPENFILENAMEA Dialog{};
    Dialog.lStructSize = sizeof(Dialog);
    Dialog.hwndOwner = DialogOwner();
    Dialog.lpstrFilter = Pairs.c_str();
    Dialog.nFilterIndex = 1;
    Dialog.lpstrFile = FileName;
    Dialog.nMaxFile = FileNameBytes;
    Dialog.lpstrInitialDir = InitialFolder.empty() ? nullptr : InitialFolder.c_str();
    Dialog.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER | Flags;

    if (!GetSaveFileNameA(&Dialog)) {
        Path.clear();
        return 0;
    }
    const std::string Chosen(FileName, strnlen(FileName, FileNameBytes));
    AddFilterExtension(Chosen, Normalized, static_cast<int>(Dialog.nFilterIndex), Path);
    LastDialogFile = Path;
    return std::max(1, static_cast<int>(Dialog.nFilterIndex));
}

}  // namespace

void PickSaveFile(const std::string& InitialFolder, const std::string& Filter, std::string& Path) {
    RunSaveDialog(InitialFolder, Filter, std::string(), 0, Path);
}

void PickSaveFileOfType(const std::string& InitialFolder, const std::string& Filter, const std::string& Name,
                        std::string& Path, int& Type) {
    Type = RunSaveDialog(InitialFolder, Filter, Name, OFN_OVERWRITEPROMPT, Path);
}

bool ChooseFolder(bool AllowCreate, std::string& Folder) {
    const unsigned Options = AllowCreate ? (fcAllowCreate | fcPrompt) : fcPrompt;
    return RunFolderChooser(DialogOwner(), ChooserTitle, Options, Folder);
}
