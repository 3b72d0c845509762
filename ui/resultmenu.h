#pragma once
// The context menu of the result list: its commands with their captions, greyed as the list
// allows, shown where the user asked for it.
#include <windows.h>

enum class TResultCommand {
    None = 0,  // the menu was dismissed
    Open = 100,
    OpenFolder,
    ShowHits,
    CopyPath,
    CopyAllPaths,
    Export,
    Properties,
};

// Shows the menu at a point of the screen, owned by Owner, until the user chooses or dismisses
// it. The commands on one file are greyed without a selected line.
TResultCommand ChooseResultCommand(HWND Owner, POINT Screen, bool HasSelection);
