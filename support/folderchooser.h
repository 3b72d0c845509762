#pragma once
// A modal folder chooser of our own: a drive list, a folder list showing the open folder's chain
// and its subfolders, a label with the open folder's path, and with fcAllowCreate a folder-name
// field holding that path for the user to change.
#include <windows.h>

#include <string>

enum : unsigned {
    fcAllowCreate = 1,    // the user may type a folder that does not exist
    fcPerformCreate = 2,  // create the chosen folder when the chooser closes with OK
    fcPrompt = 4,         // with fcAllowCreate: ask before accepting a folder that does not exist
};

// Folder on entry is where the chooser starts, when it begins with a drive letter and ":" and
// can be entered; otherwise it starts at the process's current folder. OK gives true and Folder
// the open folder (a drive root with its "\", others without), or with fcAllowCreate the typed
// text unchanged. Cancel gives false and leaves Folder as it was.
bool RunFolderChooser(HWND Owner, const std::string& Title, unsigned Options, std::string& Folder);

// Control ids inside the chooser, for whoever drives it from outside (tests).
enum : int {
    fcPathLabel = 101,
    fcFolderList = 102,
    fcDriveList = 103,
    fcNameEdit = 104,
};

// The question asked before a typed folder that does not exist is accepted, and its caption.
inline constexpr const char* FolderMissingQuestion = "指定的目录不存在. 创建吗?";
inline constexpr const char* FolderMissingCaption = "确认";
