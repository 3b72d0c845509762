#pragma once
// Text on the system clipboard.
#include <windows.h>

#include <string>

// Replaces the clipboard's content with Text (the program's code page) in both the ANSI and the
// Unicode text formats, so that every program pastes it whole. False when the clipboard could
// not be had or took nothing.
bool CopyTextToClipboard(HWND Owner, const std::string& Text);
