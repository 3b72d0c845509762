#include "support/textrules.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

// ---- Lead bytes from the locale ----

void ReadLocaleLeadBytes() {
    char Buffer[16] = {};
    UINT CodePage = 0;
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, Buffer, sizeof Buffer) > 0)
        CodePage = static_cast<UINT>(std::strtoul(Buffer, nullptr, 10));
    if (CodePage == 0) CodePage = GetACP();
    TLeadByteRanges Ranges;
    CPINFO Info{};
    if (GetCPInfo(CodePage, &Info))
        for (int I = 0; I + 1 < MAX_LEADBYTES && Info.LeadByte[I] != 0; I += 2)
            Ranges.emplace_back(Info.LeadByte[I], Info.LeadByte[I + 1]);
    SetLeadByteRanges(Ranges);
}

// ---- Locale-aware case and search ----

std::string LocaleUpper(const std::string& S) {
    std::string R(S);
    if (!R.empty()) CharUpperBuffA(R.data(), static_cast<DWORD>(R.size()));
    return R;
}

int LocalePos(const std::string& Sub, const std::string& S) {
    const int At = PosNotAtTrail(Sub, S);
    if (At == 0) return 0;
    // The locale's own comparison of the occurrence; for identical bytes it always agrees.
    const int Len = static_cast<int>(std::string(Sub.c_str()).size());
    if (CompareStringA(LOCALE_USER_DEFAULT, 0, S.c_str() + At - 1, Len, Sub.c_str(), Len) != CSTR_EQUAL) return 0;
    return At;
}

bool ContainsNoCase(const std::string& Text, const std::string& Sub) {
    return LocalePos(LocaleUpper(Sub), LocaleUpper(Text)) > 0;
}

std::string ReplaceText(const std::string& S, const std::string& Old, const std::string& New, unsigned Flags) {
    const bool Ignore = (Flags & IgnoreCase) != 0;
    std::string Search = Ignore ? LocaleUpper(S) : S;
    const std::string Pattern = Ignore ? LocaleUpper(Old) : Old;
    std::string Rest = S;
    std::string Result;
    while (!Search.empty()) {
        const int P = LocalePos(Pattern, Search);
        if (P == 0) break;
        Result += SubText(Rest, 1, P - 1);
        Result += New;
        Rest = SubText(Rest, P + static_cast<int>(Old.size()));
        if ((Flags & ReplaceAll) == 0) break;
        Search = SubText(Search, P + static_cast<int>(Pattern.size()));
    }
    return Result + Rest;
}

std::string ReplaceAllText(const std::string& S, const std::string& Old, const std::string& New) {
    return ReplaceText(S, Old, New, ReplaceAll | IgnoreCase);
}

int AnsiToUtf16(const std::string& S, wchar_t* Dest, int DestSize) {
    if (Dest == nullptr || DestSize < 1) return 0;
    int Units = 0;
    if (!S.empty() && DestSize > 1)
        Units = MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), Dest, DestSize - 1);
    Dest[Units] = L'\0';
    return Units;
}

// ---- Paths and file queries ----

std::string FullPathOf(const std::string& Path) {
    std::vector<char> Area(MAX_PATH);
    DWORD N = GetFullPathNameA(Path.c_str(), static_cast<DWORD>(Area.size()), Area.data(), nullptr);
    if (N >= Area.size()) {  // the full form is longer than the usual area: give it whole
        Area.resize(N + 1);
        N = GetFullPathNameA(Path.c_str(), static_cast<DWORD>(Area.size()), Area.data(), nullptr);
        if (N >= Area.size()) return std::string();
    }
    return std::string(Area.data(), N);
}

bool IsExistingFile(const std::string& Path) {
    const DWORD Attrs = GetFileAttributesA(Path.c_str());
    return Attrs != INVALID_FILE_ATTRIBUTES && (Attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsExistingFolder(const std::string& Path) {
    const DWORD Attrs = GetFileAttributesA(Path.c_str());
    return Attrs != INVALID_FILE_ATTRIBUTES && (Attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

DWORD GetAttrs(const std::string& Path) { return GetFileAttributesA(Path.c_str()); }

DWORD SetAttrs(const std::string& Path, DWORD Attrs) {
    return SetFileAttributesA(Path.c_str(), Attrs) ? 0 : GetLastError();
}

bool RemoveFile(const std::string& Path) { return DeleteFileA(Path.c_str()) != 0; }

// ---- Directory enumeration ----

namespace {

constexpr std::uint32_t SpecialAttrs = faHidden | faSysFile | faVolumeID | faDirectory;

DWORD LastErrorOrEnd() {
    const DWORD Code = GetLastError();
    return Code != 0 ? Code : ERROR_NO_MORE_FILES;
}

void FillEntry(TSearchRec& Entry) {
    const WIN32_FIND_DATAA& Raw = Entry.FindData;
    FILETIME Local{};
    WORD DosDate = 0, DosTime = 0;
    if (FileTimeToLocalFileTime(&Raw.ftLastWriteTime, &Local) && FileTimeToDosDateTime(&Local, &DosDate, &DosTime))
        Entry.Time = static_cast<std::int32_t>((static_cast<std::uint32_t>(DosDate) << 16) | DosTime);
    else
        Entry.Time = -1;
    Entry.Size = static_cast<std::int32_t>(Raw.nFileSizeLow);
    Entry.Attr = Raw.dwFileAttributes;
    const auto* Name = Raw.cFileName;
    Entry.Name.assign(Name, std::find(Name, Name + MAX_PATH - 1, '\0'));
}

// Skips raw entries that carry an excluded attribute; fills Entry from the first other one.
DWORD AcceptEntry(TSearchRec& Entry) {
    while ((Entry.FindData.dwFileAttributes & Entry.ExcludeAttr) != 0)
        if (!FindNextFileA(Entry.FindHandle, &Entry.FindData)) return LastErrorOrEnd();
    FillEntry(Entry);
    return 0;
}

}  // namespace

DWORD EnumFirst(const std::string& Pattern, std::uint32_t Mask, TSearchRec& Entry) {
    EnumClose(Entry);
    Entry.ExcludeAttr = ~Mask & SpecialAttrs;
    Entry.FindHandle = FindFirstFileA(Pattern.c_str(), &Entry.FindData);
    if (Entry.FindHandle == INVALID_HANDLE_VALUE) return LastErrorOrEnd();
    const DWORD Result = AcceptEntry(Entry);
    if (Result != 0) EnumClose(Entry);
    return Result;
}

DWORD EnumNext(TSearchRec& Entry) {
    if (!FindNextFileA(Entry.FindHandle, &Entry.FindData)) return LastErrorOrEnd();
    return AcceptEntry(Entry);
}

void EnumClose(TSearchRec& Entry) {
    if (Entry.FindHandle != INVALID_HANDLE_VALUE) {
        FindClose(Entry.FindHandle);
        Entry.FindHandle = INVALID_HANDLE_VALUE;
    }
}

// ---- Files ----

TFileHandle& TFileHandle::operator=(TFileHandle&& Other) noexcept {
    if (this != &Other) {
        Close();
        FHandle = Other.FHandle;
        Other.FHandle = INVALID_HANDLE_VALUE;
    }
    return *this;
}

bool TFileHandle::Close() {
    if (!Valid()) return true;
    const bool Closed = CloseHandle(FHandle) != 0;
    FHandle = INVALID_HANDLE_VALUE;
    return Closed;
}

namespace {
HANDLE OpenForReading(const std::string& FileName) {
    const HANDLE File = CreateFileA(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (File == INVALID_HANDLE_VALUE) Fail(FailureText::CannotOpenFile, FileName);
    return File;
}
}  // namespace

TFileReader::TFileReader(const std::string& FileName) : FFile(OpenForReading(FileName)) {
    LARGE_INTEGER Size{};
    if (!GetFileSizeEx(FFile.Get(), &Size)) Fail(FailureText::ReadFailed);
    FSize = static_cast<std::uint64_t>(Size.QuadPart);
}

TFileReader::TFileReader(const std::string& FileName, std::uint64_t ListedSize)
    : FFile(OpenForReading(FileName)), FSize(ListedSize), FListed(true) {}

namespace {
thread_local const std::atomic<bool>* ReadCancelFlag = nullptr;
}  // namespace

TReadCancelScope::TReadCancelScope(const std::atomic<bool>& Flag) : FOuter(ReadCancelFlag) { ReadCancelFlag = &Flag; }

TReadCancelScope::~TReadCancelScope() { ReadCancelFlag = FOuter; }

void ThrowIfReadCancelled() {
    if (ReadCancelFlag != nullptr && ReadCancelFlag->load(std::memory_order_relaxed)) throw TReadCancelled();
}

void TFileReader::ReadExact(void* Buffer, std::size_t Count) {
    ThrowIfReadCancelled();
    auto* At = static_cast<char*>(Buffer);
    while (Count > 0) {
        const DWORD Want = static_cast<DWORD>(std::min<std::size_t>(Count, 1u << 30));
        DWORD Got = 0;
        if (!ReadFile(FFile.Get(), At, Want, &Got, nullptr)) Fail(FailureText::ReadFailed);
        if (Got == 0) {
            if (FListed) throw TFileShrank();
            Fail(FailureText::ReadFailed);
        }
        At += Got;
        Count -= Got;
    }
}

namespace {

std::string ReadAll(TFileReader& Reader) {
    if (Reader.Size() > SIZE_MAX / 2) Fail(FailureText::OutOfMemory);
    std::string Bytes;
    try {
        Bytes.resize(static_cast<std::size_t>(Reader.Size()));
    } catch (const std::bad_alloc&) {
        Fail(FailureText::OutOfMemory);
    } catch (const std::length_error&) {
        Fail(FailureText::OutOfMemory);
    }
    Reader.ReadExact(Bytes.data(), Bytes.size());
    return Bytes;
}

}  // namespace

std::string ReadWholeFile(const std::string& FileName) {
    TFileReader Reader(FileName);
    return ReadAll(Reader);
}

// ---- The line-list file ----

void TStringList::LoadLines(const std::string& FileName) {
    TFileReader Reader(FileName);
    SetText(ReadAll(Reader));
}

namespace {

// A temporary file beside Target, removed again unless it was moved into place.
class TTempFile {
public:
    explicit TTempFile(const std::string& Target) {
        std::string Folder = FolderPart(Target);
        if (Folder.empty()) Folder = ".";
        char Name[MAX_PATH] = {};
        if (GetTempFileNameA(Folder.c_str(), "yq", 0, Name) != 0) FName = Name;
    }
    ~TTempFile() {
        if (!FName.empty()) DeleteFileA(FName.c_str());
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    const std::string& Name() const { return FName; }
    bool MoveOnto(const std::string& Target) {
        if (!MoveFileExA(FName.c_str(), Target.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
        FName.clear();
        return true;
    }

private:
    std::string FName;
};

}  // namespace

void SaveFileBytes(const std::string& FileName, const std::string& Bytes) {
    // A read-only file or a folder in the way cannot be created anew, and must not be replaced.
    const DWORD Existing = GetFileAttributesA(FileName.c_str());
    if (Existing != INVALID_FILE_ATTRIBUTES && (Existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        Fail(FailureText::CannotCreateFile, FileName);
    TTempFile Temp(FileName);
    if (Temp.Name().empty()) Fail(FailureText::CannotCreateFile, FileName);
    {
        TFileHandle File(CreateFileA(Temp.Name().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!File.Valid()) Fail(FailureText::CannotCreateFile, FileName);
        DWORD Written = 0;
        if (!Bytes.empty() &&
            (!WriteFile(File.Get(), Bytes.data(), static_cast<DWORD>(Bytes.size()), &Written, nullptr) ||
             Written != Bytes.size()))
            Fail(FailureText::WriteFailed);
        if (!File.Close()) Fail(FailureText::WriteFailed);
    }
    if (!Temp.MoveOnto(FileName)) Fail(FailureText::CannotCreateFile, FileName);
}

void TStringList::SaveLines(const std::string& FileName) const { SaveFileBytes(FileName, ToText()); }
