#include "support/fileinfo.h"

#include <shellapi.h>

#include "support/datevalue.h"
#include "support/textrules.h"

namespace {

std::uint64_t Ticks(const FILETIME& Time) {
    return (static_cast<std::uint64_t>(Time.dwHighDateTime) << 32) | Time.dwLowDateTime;
}

}  // namespace

TDateTime FileTimeToLocalDateTime(const FILETIME& Utc) {
    const FILETIME Copy = Utc;
    FILETIME Local = Copy;
    if (!FileTimeToLocalFileTime(&Copy, &Local)) Local = Copy;
    SYSTEMTIME Fields{};
    TDateTime Value = 0;
    if (FileTimeToSystemTime(&Local, &Fields) && SystemTimeToDateTime(Fields, Value)) return Value;
    // A time the calendar split refuses, or one beyond the year 9999, still gets its value.
    return FileTicksToDateTime(Ticks(Local));
}

TDateTime GetFileModified(const std::string& Name) {
    TSearchRec Entry;
    TEnumScope Scope(Entry);
    if (EnumFirst(Name, faAnyFile, Entry) != 0) return 0;
    return FileTimeToLocalDateTime(Entry.FindData.ftLastWriteTime);
}

std::int64_t GetFileLength(const std::string& Name) {
    TSearchRec Entry;
    TEnumScope Scope(Entry);
    if (EnumFirst(FullPathOf(Name), faAnyFile, Entry) != 0) return -1;
    const WIN32_FIND_DATAA& Raw = Entry.FindData;
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(Raw.nFileSizeHigh) << 32) | Raw.nFileSizeLow);
}

bool SetFileAttrFlags(const std::string& Name, bool ReadOnly, bool Hidden, bool System) {
    if (!IsExistingFile(Name) && !IsExistingFolder(Name)) return false;
    DWORD Attrs = GetFileAttributesA(Name.c_str());
    if (Attrs == INVALID_FILE_ATTRIBUTES) return false;
    const auto Put = [&Attrs](DWORD Flag, bool On) { Attrs = On ? (Attrs | Flag) : (Attrs & ~Flag); };
    Put(FILE_ATTRIBUTE_READONLY, ReadOnly);
    Put(FILE_ATTRIBUTE_HIDDEN, Hidden);
    Put(FILE_ATTRIBUTE_SYSTEM, System);
    return SetFileAttributesA(Name.c_str(), Attrs) != 0;
}

bool ShellOpen(const std::string& File, const std::string& Parameters) {
    const std::string Folder = FolderPart(File);
    const HINSTANCE Result =
        ShellExecuteA(GetActiveWindow(), nullptr, File.c_str(), Parameters.c_str(), Folder.c_str(), SW_SHOWNORMAL);
    return reinterpret_cast<UINT_PTR>(Result) > 32;
}

bool ShowFileProperties(const std::string& File) {
    SHELLEXECUTEINFOA Request{};
    Request.cbSize = sizeof Request;
    Request.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_FLAG_NO_UI;
    Request.hwnd = GetActiveWindow();
    Request.lpVerb = "properties";
    Request.lpFile = File.c_str();
    Request.nShow = SW_SHOWNORMAL;
    return ShellExecuteExA(&Request) != FALSE;
}
