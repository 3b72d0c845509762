#pragma once
// Real temporary files and folders for the suites, under the prefix's %TEMP%.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

// A fresh folder under %TEMP%, removed with everything in it at the end of the scope.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    // The folder's path, without a trailing "\".
    const std::string& Path() const { return FPath; }
    // Path + "\" + Relative.
    std::string operator/(const std::string& Relative) const { return FPath + "\\" + Relative; }

private:
    std::string FPath;
};

// A suite whose every test starts with a fresh temporary folder, Dir.
class TTempFolderTest : public testing::Test {
protected:
    TTempDir Dir;
};

void WriteBytes(const std::string& Path, const std::string& Bytes);
std::string ReadBytes(const std::string& Path);
void MakeFolder(const std::string& Path);
// Removes a file or a folder tree, clearing read-only, hidden and system flags on the way.
void RemoveTree(const std::string& Path);
// Sets the last-write time from local calendar fields.
void SetLocalWriteTime(const std::string& Path, int Year, int Month, int Day, int Hour = 0, int Minute = 0,
                       int Second = 0, int Millisecond = 0);
// A file of Length bytes that holds no data blocks.
void MakeSparseFile(const std::string& Path, long long Length);

// Changes the process's current folder for one scope.
class TCurrentFolder {
public:
    explicit TCurrentFolder(const std::string& Folder);
    ~TCurrentFolder();
    TCurrentFolder(const TCurrentFolder&) = delete;
    TCurrentFolder& operator=(const TCurrentFolder&) = delete;

private:
    std::string FOld;
};

// The program's code page form of a UTF-16 text.
std::string Ansi(const std::wstring& Text);
