#pragma once
// The entries of one folder, one at a time, over FindFirstFileA/FindNextFileA. The enumeration
// owns its find handle, closes it when it ends or goes out of scope, and leaves out "." and "..".
#include <windows.h>

#include <cstdint>
#include <string>

class TFolderEnum {
public:
    // Enumerates Dir + "\*.*" (Dir without a trailing "\"). A folder that does not exist or
    // cannot be read yields no entries.
    explicit TFolderEnum(const std::string& Dir);
    ~TFolderEnum() { Close(); }
    TFolderEnum(const TFolderEnum&) = delete;
    TFolderEnum& operator=(const TFolderEnum&) = delete;

    // Moves to the next entry (the first one on the first call); false when there are no more.
    bool Next();

    const std::string& Dir() const { return FDir; }
    // The entry's name as the file system returned it, without folder.
    const std::string& Name() const { return FName; }
    std::uint32_t Attributes() const { return FData.dwFileAttributes; }
    bool IsFolder() const { return (FData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    std::uint64_t Size() const { return (std::uint64_t{FData.nFileSizeHigh} << 32) | FData.nFileSizeLow; }
    // Dir + "\" + Name.
    std::string Path() const { return FDir + "\\" + FName; }

private:
    void Close();

    std::string FDir;
    std::string FName;
    HANDLE FFind = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA FData{};
    bool FHaveFirst = false;
};
