// File information and file operations on real files and folders, and opening through the
// shell checked with a small program that records how it was started.
#include "support/fileinfo.h"

#include <gtest/gtest.h>

#include "support/formatting.h"
#include "support/textrules.h"
#include "tests/helpers/registrykey.h"
#include "tests/helpers/shellrecording.h"
#include "tests/helpers/testfiles.h"

namespace {

class FileInfo : public TTempFolderTest {};

constexpr DWORD ReadOnlyHiddenArchive = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;

TEST_F(FileInfo, ModificationTimeCountsMilliseconds) {
    const std::string File = Dir / "a.txt";
    WriteBytes(File, "x");
    SetLocalWriteTime(File, 2024, 3, 5, 10, 15, 30, 250);
    EXPECT_EQ(GetFileModified(File), 45356 + 36930250.0 / 86400000.0);
    EXPECT_EQ(FormatStamp("yyyy-mm-dd hh:nn:ss", GetFileModified(File)), "2024-03-05 10:15:30");
    // A pattern gives the entry it matches first.
    EXPECT_EQ(GetFileModified(Dir / "a*.txt"), GetFileModified(File));

    SetLocalWriteTime(File, 1975, 6, 1, 8);
    EXPECT_EQ(GetFileModified(File), FieldsToDateTime(1975, 6, 1, 8));
}

TEST_F(FileInfo, ModificationTimeOfFoldersAndMissingNames) {
    const std::string Folder = Dir / "sub";
    MakeFolder(Folder);
    SetLocalWriteTime(Folder, 2020, 1, 2, 3, 4, 5);
    EXPECT_EQ(GetFileModified(Folder), FieldsToDateTime(2020, 1, 2, 3, 4, 5));
    EXPECT_EQ(GetFileModified(Folder + "\\"), 0);
    EXPECT_EQ(GetFileModified(Dir / "missing.txt"), 0);
    EXPECT_EQ(GetFileModified(""), 0);
    EXPECT_EQ(FormatStamp("yyyy-mm-dd", GetFileModified(Dir / "missing.txt")), "1899-12-30");
}

// The UTC file time of local calendar fields, with Extra ticks below one millisecond.
FILETIME UtcOfLocal(int Y, int M, int D, int H, int N, int S, int Z, DWORD Extra = 0) {
    const SYSTEMTIME Fields{WORD(Y), WORD(M), 0, WORD(D), WORD(H), WORD(N), WORD(S), WORD(Z)};
    FILETIME Local{}, Utc{};
    EXPECT_TRUE(SystemTimeToFileTime(&Fields, &Local) && LocalFileTimeToFileTime(&Local, &Utc));
    Utc.dwLowDateTime += Extra;  // no carry: SystemTimeToFileTime gives whole milliseconds
    return Utc;
}

TEST_F(FileInfo, FileTimesOfEveryRange) {
    EXPECT_EQ(FileTimeToLocalDateTime(UtcOfLocal(2024, 3, 5, 23, 59, 59, 999, 9999)),
              FieldsToDateTime(2024, 3, 5, 23, 59, 59, 999));
    EXPECT_EQ(FileTimeToLocalDateTime(UtcOfLocal(1890, 6, 1, 6, 0, 0, 0)), FieldsToDateTime(1890, 6, 1, 6));
    // Times the calendar split refuses, or beyond the year 9999, still give a value.
    EXPECT_GT(FileTimeToLocalDateTime(FILETIME{0xFFFFFFFFu, 0xFFFFFFFFu}), LastDayNumber);
    EXPECT_GT(FileTimeToLocalDateTime(FILETIME{0xFFFFFFFFu, 0x7FFFFFFFu}), LastDayNumber);
    EXPECT_LT(FileTimeToLocalDateTime(FILETIME{0, 0}), DayNumber(1601, 1, 2));
}

TEST_F(FileInfo, LengthsBeyondFourGigabytes) {
    MakeSparseFile(Dir / "three.bin", 3221225472);
    MakeSparseFile(Dir / "four.bin", 4294967306);
    EXPECT_EQ(GetFileLength(Dir / "three.bin"), 3221225472);
    EXPECT_EQ(GetFileLength(Dir / "four.bin"), 4294967306);
    EXPECT_EQ(FormatText("%d", {GetFileLength(Dir / "three.bin")}), "3221225472");
}

TEST_F(FileInfo, LengthsOfSmallFilesFoldersAndRelativeNames) {
    WriteBytes(Dir / "empty.txt", "");
    WriteBytes(Dir / "five.txt", "12345");
    MakeFolder(Dir / "sub");
    EXPECT_EQ(GetFileLength(Dir / "empty.txt"), 0);
    EXPECT_EQ(GetFileLength(Dir / "five.txt"), 5);
    EXPECT_EQ(GetFileLength(Dir / "sub"), 0);
    EXPECT_EQ(GetFileLength(Dir / "missing.txt"), -1);
    EXPECT_EQ(GetFileLength(Dir / "sub\\"), -1);

    TCurrentFolder Inside(Dir / "sub");
    EXPECT_EQ(GetFileLength("..\\five.txt"), 5);
    EXPECT_EQ(GetFileLength("five.txt"), -1);
    WriteBytes(Dir / "sub\\five.txt", "123");
    EXPECT_EQ(GetFileLength("five.txt"), 3);
    EXPECT_EQ(GetFileLength(".\\..\\sub\\five.txt"), 3);
}

TEST_F(FileInfo, NamesBeyondThePathLimitFindNothing) {
    // Made through the wide entry points, which take longer paths.
    const std::string Long = Dir.Path() + "\\" + std::string(120, 'd') + "\\" + std::string(120, 'e');
    const std::wstring Wide = L"\\\\?\\" + std::wstring(Long.begin(), Long.end());
    ASSERT_TRUE(CreateDirectoryW(Wide.substr(0, Wide.size() - 121).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Wide.c_str(), nullptr));
    const std::wstring WideFile = Wide + L"\\file.txt";
    HANDLE File =
        CreateFileW(WideFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(File, INVALID_HANDLE_VALUE);
    CloseHandle(File);

    const std::string Name = Long + "\\file.txt";
    ASSERT_GE(Name.size(), 260u);
    EXPECT_EQ(GetFileModified(Name), 0);
    EXPECT_EQ(GetFileLength(Name), -1);
    EXPECT_FALSE(SetFileAttrFlags(Name, true, false, false));
    DeleteFileW(WideFile.c_str());
    RemoveDirectoryW(Wide.c_str());
    RemoveDirectoryW(Wide.substr(0, Wide.size() - 121).c_str());
}

TEST_F(FileInfo, AttributeFlagsKeepEveryOtherFlag) {
    const std::string File = Dir / "a.txt";
    WriteBytes(File, "x");
    ASSERT_TRUE(SetFileAttributesA(File.c_str(), ReadOnlyHiddenArchive));
    ASSERT_EQ(GetAttrs(File), ReadOnlyHiddenArchive);

    EXPECT_TRUE(SetFileAttrFlags(File, false, false, false));
    EXPECT_EQ(GetAttrs(File), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(SetFileAttrFlags(File, true, false, true));
    EXPECT_EQ(GetAttrs(File),
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(SetFileAttrFlags(File, true, false, true));  // stored again, also unchanged
    EXPECT_TRUE(SetFileAttrFlags(File, false, true, false));
    EXPECT_EQ(GetAttrs(File), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

    const std::string Folder = Dir / "sub";
    MakeFolder(Folder);
    // (Wine keeps no read-only flag on folders, so hidden and system show it here.)
    EXPECT_TRUE(SetFileAttrFlags(Folder, false, true, true));
    EXPECT_EQ(GetAttrs(Folder) &
                  (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(SetFileAttrFlags(Folder, false, false, false));
    EXPECT_EQ(GetAttrs(Folder) & ~FILE_ATTRIBUTE_ARCHIVE, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

    EXPECT_FALSE(SetFileAttrFlags(Dir / "missing.txt", false, false, false));
    EXPECT_EQ(GetAttrs(Dir / "missing.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(SetFileAttrFlags("", false, false, false));
}

TEST_F(FileInfo, AttributeFlagsOfAFileWrittenBefore1980) {
    const std::string File = Dir / "old.txt";
    WriteBytes(File, "x");
    SetLocalWriteTime(File, 1975, 6, 1);
    ASSERT_TRUE(SetFileAttributesA(File.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(SetFileAttrFlags(File, false, false, false));
    EXPECT_EQ(GetAttrs(File) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
    EXPECT_TRUE(RemoveFile(File));  // no longer protected
}

// ---- Opening through the shell ----

TEST(ShellOpen, ProgramInAFolderWithBlanksRunsThereWithTheParametersAsGiven) {
    TTempDir Dir;
    MakeFolder(Dir / "my tools");
    const std::string Program = PlaceHelper(Dir / "my tools", "record me.exe");
    ASSERT_TRUE(ShellOpen(Program, "C:\\my docs\\ \"quoted\" x"));
    const TRecord Record = WaitForRecord(Dir / "my tools");
    EXPECT_TRUE(EndsWith(Record.CommandLine, " C:\\my docs\\ \"quoted\" x")) << Record.CommandLine;
    EXPECT_NE(Record.CommandLine.find("my tools\\record me.exe"), std::string::npos) << Record.CommandLine;
    EXPECT_EQ(AsciiLower(Record.CurrentFolder), AsciiLower(Dir / "my tools"));
}

TEST(ShellOpen, ProgramWithoutFolderStartsInTheCurrentFolder) {
    TTempDir Dir;
    MakeFolder(Dir / "here");
    PlaceHelper(Dir / "here", "yqrecord.exe");
    TCurrentFolder Inside(Dir / "here");
    // As the go-to-folder command starts the file browser: a bare program name and a folder.
    ASSERT_TRUE(ShellOpen("yqrecord.exe", "C:\\docs\\"));
    const TRecord Record = WaitForRecord(Dir / "here");
    EXPECT_TRUE(EndsWith(Record.CommandLine, " C:\\docs\\")) << Record.CommandLine;
    EXPECT_EQ(AsciiLower(Record.CurrentFolder), AsciiLower(Dir / "here"));
}

// Associates the extension with the recording program for the scope.
class TAssociation {
public:
    TAssociation(const std::string& Extension, const std::string& Program) : FExtension(HKEY_CLASSES_ROOT, Extension) {
        SetDefault(Extension, ClassName);
        SetDefault(std::string(ClassName) + "\\shell\\open\\command", "\"" + Program + "\" \"%1\"");
    }

private:
    static constexpr const char* ClassName = "yqsearch.recordtest";
    static void SetDefault(const std::string& Key, const std::string& Value) {
        SetRawValue(HKEY_CLASSES_ROOT, Key, "", REG_SZ, std::string(Value.c_str(), Value.size() + 1));
    }
    TScratchKey FClass{HKEY_CLASSES_ROOT, ClassName};
    TScratchKey FExtension;
};

TEST(ShellOpen, DocumentOpensWithItsProgramInItsFolder) {
    TTempDir Dir;
    MakeFolder(Dir / "bin");
    MakeFolder(Dir / "年度 报告");
    const TAssociation Association(".yqrecdoc", PlaceHelper(Dir / "bin", "yqrecord.exe"));
    const std::string Document = Dir / "年度 报告\\note.yqrecdoc";
    WriteBytes(Document, "x");
    ASSERT_TRUE(ShellOpen(Document, ""));
    const TRecord Record = WaitForRecord(Dir / "bin");
    EXPECT_TRUE(EndsWith(AsciiLower(Record.CommandLine), AsciiLower("\"" + Document + "\""))) << Record.CommandLine;
    EXPECT_EQ(AsciiLower(Record.CurrentFolder), AsciiLower(Dir / "年度 报告"));
}

TEST(ShellOpen, MissingFileIsRefused) {
    TTempDir Dir;
    EXPECT_FALSE(ShellOpen(Dir / "missing.exe", ""));
    EXPECT_FALSE(ShellOpen(Dir / "missing folder\\missing.yqrecdoc", "x"));
}

}  // namespace
