#include "ui/resultmenu.h"

namespace {

struct TMenuEntry {
    TResultCommand Command;  // None: a separator
    const char* Caption;
    bool NeedsSelection;
};

const TMenuEntry Entries[] = {
    {TResultCommand::Open, "打开", true},
    {TResultCommand::OpenFolder, "打开所在文件夹", true},
    {TResultCommand::None, "", false},
    {TResultCommand::ShowHits, "匹配内容…", true},
    {TResultCommand::None, "", false},
    {TResultCommand::CopyPath, "复制路径", true},
    {TResultCommand::CopyAllPaths, "复制全部路径", false},
    {TResultCommand::Export, "导出结果列表…", false},
    {TResultCommand::None, "", false},
    {TResultCommand::Properties, "属性", true},
};

class TPopupMenu {
public:
    TPopupMenu() : FMenu(CreatePopupMenu()) {}
    ~TPopupMenu() {
        if (FMenu) DestroyMenu(FMenu);
    }
    TPopupMenu(const TPopupMenu&) = delete;
    TPopupMenu& operator=(const TPopupMenu&) = delete;
    HMENU Get() const { return FMenu; }

private:
    HMENU FMenu;
};

}  // namespace

TResultCommand ChooseResultCommand(HWND Owner, POINT Screen, bool HasSelection) {
    const TPopupMenu Menu;
    if (!Menu.Get()) return TResultCommand::None;
    for (const TMenuEntry& Entry : Entries) {
        if (Entry.Command == TResultCommand::None) {
            AppendMenuA(Menu.Get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const UINT State = Entry.NeedsSelection && !HasSelection ? MF_GRAYED : MF_ENABLED;
        AppendMenuA(Menu.Get(), MF_STRING | State, static_cast<UINT_PTR>(Entry.Command), Entry.Caption);
    }
    // A double click opens, so opening is the default, shown in bold.
    if (HasSelection) SetMenuDefaultItem(Menu.Get(), static_cast<UINT>(TResultCommand::Open), FALSE);
    // The owner must be in front, or the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(Owner);
    const int Chosen = TrackPopupMenu(Menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, Screen.x, Screen.y, 0,
                                      Owner, nullptr);
    return static_cast<TResultCommand>(Chosen);
}
