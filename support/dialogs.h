#pragma once
// The platform's standard dialogs behind small fixed interfaces: a notice box, the save-as
// dialog with its filter rules, and the folder chooser. Each call returns when its dialog closed.
// User-interface thread only.
#include <windows.h>

#include <string>

#include "pure/support/filtertext.h"

// The application's top-level window, set by the window layer at start; dialogs and notices are
// owned by it. Until it is set, or once it is gone, they have no owner.
void SetDialogOwner(HWND Owner);
HWND DialogOwner();

// A modal, topmost information box with the caption "提示" and one OK button.
void ShowNotice(const std::string& Text);

// Save-as dialog starting in InitialFolder with the filter made by NormalizeFilter. On confirm,
// Path is the chosen path completed by AddFilterExtension and LastDialogFile takes it; on cancel
// Path is empty and LastDialogFile stays.
void PickSaveFile(const std::string& InitialFolder, const std::string& Filter, std::string& Path);

// The same dialog for a filter of several types ("CSV 文件|*.csv|文本文件|*.txt"), with Name in
// the file-name field at start, asking before an existing file is replaced. Type is the 1-based
// pair of the filter chosen when the dialog was confirmed; 0 on cancel.
void PickSaveFileOfType(const std::string& InitialFolder, const std::string& Filter, const std::string& Name,
                        std::string& Path, int& Type);

// Folder chooser titled "选择目录", starting at Folder when it begins with a drive letter and ":"
// and can be entered, else at the process's current folder. With AllowCreate the user may type a
// folder that does not exist (after a question; nothing is created). OK gives true and the chosen
// folder; Cancel gives false and leaves Folder as it was.
bool ChooseFolder(bool AllowCreate, std::string& Folder);
