#pragma once
// Path rules of the folder chooser: a folder in the form the platform gives a current folder
// (a drive root with its "\", any other folder without one) and the chain of folders that lead
// to it. Separators that are second bytes of double-byte characters separate nothing.
#include <string>
#include <vector>

// True when the text begins with a drive letter and ":".
bool BeginsWithDrive(const std::string& Path);

// True for "C:\" and for a network share root "\\server\share\".
bool IsRootFolder(const std::string& Folder);

// A full folder path in chooser form: drive and share roots keep their "\", others lose one.
std::string ChooserForm(const std::string& FullPath);

// The folders from the root down to Folder itself (chooser form), e.g. for C:\a\b:
// "C:\", "C:\a", "C:\a\b". A folder with no recognisable root is its own chain.
std::vector<std::string> FolderChain(const std::string& Folder);

// The folder Name inside Parent.
std::string JoinFolder(const std::string& Parent, const std::string& Name);
