#include "tests/helpers/testfiles.h"

#include <stdexcept>

namespace {

[[noreturn]] void Broken(const std::string& What, const std::string& Path) {
    throw std::runtime_error("test setup: " + What + " " + Path + " (error " + std::to_string(GetLastError()) + ")");
}

}  // namespace

TTempDir::TTempDir() {
    char Temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, Temp);
    static unsigned Serial = 0;
    for (;;) {
        FPath = std::string(Temp) + "yqt" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++Serial);
        if (CreateDirectoryA(FPath.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) Broken("cannot create", FPath);
    }
}

TTempDir::~TTempDir() { RemoveTree(FPath); }

void WriteBytes(const std::string& Path, const std::string& Bytes) {
    HANDLE File = CreateFileA(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (File == INVALID_HANDLE_VALUE) Broken("cannot create", Path);
    DWORD Written = 0;
    const bool Ok =
        Bytes.empty() ||
        (WriteFile(File, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Written, nullptr) && Written == Bytes.size());
    CloseHandle(File);
    if (!Ok) Broken("cannot write", Path);
}

std::string ReadBytes(const std::string& Path) {
    HANDLE File = CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (File == INVALID_HANDLE_VALUE) Broken("cannot open", Path);
    LARGE_INTEGER Size{};
    GetFileSizeEx(File, &Size);
    std::string Bytes(static_cast<std::size_t>(Size.QuadPart), '\0');
    DWORD Got = 0;
    const bool Ok = Bytes.empty() || (ReadFile(File, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Got, nullptr) &&
                                      Got == Bytes.size());
    CloseHandle(File);
    if (!Ok) Broken("cannot read", Path);
    return Bytes;
}

void MakeFolder(const std::string& Path) {
    if (!CreateDirectoryA(Path.c_str(), nullptr)) Broken("cannot create folder", Path);
}

void RemoveTree(const std::string& Path) {
    const DWORD Attrs = GetFileAttributesA(Path.c_str());
    if (Attrs == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(Path.c_str(), FILE_ATTRIBUTE_NORMAL | (Attrs & FILE_ATTRIBUTE_DIRECTORY));
    if ((Attrs & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DeleteFileA(Path.c_str());
        return;
    }
    WIN32_FIND_DATAA Data;
    HANDLE Find = FindFirstFileA((Path + "\\*").c_str(), &Data);
    if (Find != INVALID_HANDLE_VALUE) {
        do {
            const std::string Name = Data.cFileName;
            if (Name != "." && Name != "..") RemoveTree(Path + "\\" + Name);
        } while (FindNextFileA(Find, &Data));
        FindClose(Find);
    }
    RemoveDirectoryA(Path.c_str());
}

void SetLocalWriteTime(const std::string& Path, int Year, int Month, int Day, int Hour, int Minute, int Second,
                       int Millisecond) {
    SYSTEMTIME Local{};
    Local.wYear = static_cast<WORD>(Year);
    Local.wMonth = static_cast<WORD>(Month);
    Local.wDay = static_cast<WORD>(Day);
    Local.wHour = static_cast<WORD>(Hour);
    Local.wMinute = static_cast<WORD>(Minute);
    Local.wSecond = static_cast<WORD>(Second);
    Local.wMilliseconds = static_cast<WORD>(Millisecond);
    FILETIME LocalTime{}, Utc{};
    if (!SystemTimeToFileTime(&Local, &LocalTime) || !LocalFileTimeToFileTime(&LocalTime, &Utc))
        Broken("cannot convert time for", Path);
    const DWORD Attrs = GetFileAttributesA(Path.c_str());
    const DWORD Flags =
        (Attrs != INVALID_FILE_ATTRIBUTES && (Attrs & FILE_ATTRIBUTE_DIRECTORY)) ? FILE_FLAG_BACKUP_SEMANTICS : 0;
    HANDLE File = CreateFileA(Path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, Flags, nullptr);
    if (File == INVALID_HANDLE_VALUE) Broken("cannot open", Path);
    const bool Ok = SetFileTime(File, nullptr, nullptr, &Utc);
    CloseHandle(File);
    if (!Ok) Broken("cannot set time of", Path);
}

std::string Ansi(const std::wstring& Text) {
    if (Text.empty()) return std::string();
    const int N =
        WideCharToMultiByte(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0, nullptr, nullptr);
    std::string R(static_cast<std::size_t>(N), '\0');
    WideCharToMultiByte(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), R.data(), N, nullptr, nullptr);
    return R;
}

void MakeSparseFile(const std::string& Path, long long Length) {
    HANDLE File = CreateFileA(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (File == INVALID_HANDLE_VALUE) Broken("cannot create", Path);
    LARGE_INTEGER At{};
    At.QuadPart = Length;
    const bool Ok = SetFilePointerEx(File, At, nullptr, FILE_BEGIN) && SetEndOfFile(File);
    CloseHandle(File);
    if (!Ok) Broken("cannot extend", Path);
}

TCurrentFolder::TCurrentFolder(const std::string& Folder) {
    char Old[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, Old);
    FOld = Old;
    if (!SetCurrentDirectoryA(Folder.c_str())) Broken("cannot enter", Folder);
}

TCurrentFolder::~TCurrentFolder() { SetCurrentDirectoryA(FOld.c_str()); }
