#pragma once
// Text and path rules that need the platform: locale-aware case and search, conversion to
// UTF-16, full paths, file queries, directory enumeration and file reading. The pure byte rules
// live in bytetext.h, which this header brings along.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "pure/support/bytetext.h"
#include "support/failure.h"

// Reads the double-byte mode and lead-byte set from the user's locale (its ANSI code page, or
// the system's when the locale names none). Runs at start-up and on every settings change,
// before anything else reads the locale.
void ReadLocaleLeadBytes();

// ---- Locale-aware case and search ----

std::string LocaleUpper(const std::string& S);                // CharUpperBuffA over the whole text
int LocalePos(const std::string& Sub, const std::string& S);  // occurrence not at a trail byte
bool ContainsNoCase(const std::string& Text, const std::string& Sub);

enum : unsigned { ReplaceAll = 1, IgnoreCase = 2 };
std::string ReplaceText(const std::string& S, const std::string& Old, const std::string& New, unsigned Flags);
std::string ReplaceAllText(const std::string& S, const std::string& Old, const std::string& New);

// Converts all bytes of S from the ANSI code page into Dest (DestSize code units, the last kept
// for the terminating zero). On failure Dest holds just the zero unit. Returns the units written
// before the zero unit.
int AnsiToUtf16(const std::string& S, wchar_t* Dest, int DestSize);

// ---- Paths and file queries ----

std::string FullPathOf(const std::string& Path);  // GetFullPathNameA; empty text on failure
bool IsExistingFile(const std::string& Path);     // an entry that is not a folder
bool IsExistingFolder(const std::string& Path);
DWORD GetAttrs(const std::string& Path);               // INVALID_FILE_ATTRIBUTES (all bits) on failure
DWORD SetAttrs(const std::string& Path, DWORD Attrs);  // 0 or the platform's error code
bool RemoveFile(const std::string& Path);

// ---- Directory enumeration ----

enum : std::uint32_t {
    faReadOnly = 1,
    faHidden = 2,
    faSysFile = 4,
    faVolumeID = 8,
    faDirectory = 16,
    faArchive = 32,
    faAnyFile = 63
};

struct TSearchRec {
    std::int32_t Time = 0;  // local last-write time as DOS date (high word) and time
    std::int32_t Size = 0;  // low 32 bits of the length
    std::uint32_t Attr = 0;
    std::string Name;  // without folder, at most 259 bytes
    std::uint32_t ExcludeAttr = 0;
    HANDLE FindHandle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA FindData{};
};

DWORD EnumFirst(const std::string& Pattern, std::uint32_t Mask, TSearchRec& Entry);
DWORD EnumNext(TSearchRec& Entry);
void EnumClose(TSearchRec& Entry);

// Closes an enumeration on every way out of the scope that opened it.
class TEnumScope {
public:
    explicit TEnumScope(TSearchRec& Entry) : FEntry(Entry) {}
    ~TEnumScope() { EnumClose(FEntry); }
    TEnumScope(const TEnumScope&) = delete;
    TEnumScope& operator=(const TEnumScope&) = delete;

private:
    TSearchRec& FEntry;
};

// ---- Reading files ----

// Owns a file handle.
class TFileHandle {
public:
    TFileHandle() = default;
    explicit TFileHandle(HANDLE H) : FHandle(H) {}
    ~TFileHandle() { Close(); }
    TFileHandle(TFileHandle&& Other) noexcept : FHandle(Other.FHandle) { Other.FHandle = INVALID_HANDLE_VALUE; }
    TFileHandle& operator=(TFileHandle&& Other) noexcept;
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;

    bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return FHandle; }
    bool Close();

private:
    HANDLE FHandle = INVALID_HANDLE_VALUE;
};

// While a scope of this kind lives on a thread, reads of TFileReader on that thread fail with
// TReadCancelled once Flag is true: a file test whose result nobody wants any more ends at its
// next block instead of reading the file to its end.
struct TReadCancelled {};
class TReadCancelScope {
public:
    explicit TReadCancelScope(const std::atomic<bool>& Flag);
    ~TReadCancelScope();
    TReadCancelScope(const TReadCancelScope&) = delete;
    TReadCancelScope& operator=(const TReadCancelScope&) = delete;

private:
    const std::atomic<bool>* FOuter;
};
// Fails with TReadCancelled when a scope of this thread says so; every read of a file under test
// asks first.
void ThrowIfReadCancelled();

// A file opened for reading while others may read it but not write it.
class TFileReader {
public:
    // Fails with "不能打开文件 %s".
    explicit TFileReader(const std::string& FileName);
    // The same, taking the size that the folder's enumeration gave instead of asking for it
    // again. A file that has become shorter since fails its reads with TFileShrank.
    TFileReader(const std::string& FileName, std::uint64_t ListedSize);
    std::uint64_t Size() const { return FSize; }
    // Reads exactly Count bytes at the current position; fails with "读流发生错误".
    void ReadExact(void* Buffer, std::size_t Count);
    HANDLE Handle() const { return FFile.Get(); }

private:
    TFileHandle FFile;
    std::uint64_t FSize = 0;
    bool FListed = false;
};
struct TFileShrank {};

// The whole file in one block. Fails with "不能打开文件 %s", "读流发生错误" or
// "扩大内存流时内存溢出".
std::string ReadWholeFile(const std::string& FileName);

// ---- Writing files ----

// Writes Bytes as the whole content of the file through a temporary file beside it, which then
// replaces the file: the old content stays until the new one is complete, and a failure leaves
// no partial file. Fails with "不能创建文件 %s" (also for a read-only file or a folder in the
// way) or "写流出错".
void SaveFileBytes(const std::string& FileName, const std::string& Bytes);
