// Text and path rules that reach the platform: the locale's case rules, UTF-16 conversion,
// full paths, file queries, enumeration and the line-list file, on real files under Wine.
#include "support/textrules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "tests/helpers/testfiles.h"

namespace {

class TextRules : public TTempFolderTest {};

std::string ErrorText(const std::function<void()>& Action) {
    try {
        Action();
    } catch (const TSupportError& E) {
        return E.what();
    }
    return "(no failure)";
}

TEST_F(TextRules, LeadBytesComeFromTheChineseLocale) {
    SetLeadByteRanges({});
    ReadLocaleLeadBytes();
    EXPECT_EQ(GetACP(), 936u);
    EXPECT_TRUE(DoubleByteMode());
    EXPECT_TRUE(IsLeadByte(0x81));
    EXPECT_TRUE(IsLeadByte(0xFE));
    EXPECT_FALSE(IsLeadByte(0x80));
    EXPECT_FALSE(IsLeadByte(0xFF));
    EXPECT_FALSE(IsLeadByte('\\'));
}

TEST_F(TextRules, LocaleCaseAndSearch) {
    EXPECT_EQ(LocaleUpper("report.txt"), "REPORT.TXT");
    EXPECT_EQ(LocaleUpper(""), "");
    const std::string Chinese = "中文abc";
    EXPECT_EQ(LocaleUpper(Chinese).size(), Chinese.size());
    EXPECT_EQ(LocaleUpper(Chinese), "中文ABC");

    EXPECT_TRUE(ContainsNoCase("Report.TXT", "port"));
    EXPECT_TRUE(ContainsNoCase("年度报告.doc", "报告"));
    EXPECT_FALSE(ContainsNoCase("Report.TXT", ""));
    EXPECT_FALSE(ContainsNoCase("Report.TXT", "ports"));
    // "\" inside 乗 (81 5C) is no occurrence of "\".
    EXPECT_EQ(LocalePos("\\", "\x81\x5C"), 0);
    EXPECT_EQ(LocalePos("\\", "\x81\x5C\\"), 3);
    EXPECT_EQ(LocalePos("", "abc"), 0);
}

TEST_F(TextRules, ReplaceKeepsCaseOutsideTheReplacedParts) {
    EXPECT_EQ(ReplaceAllText("*.txt", "*", ""), ".txt");
    EXPECT_EQ(ReplaceAllText("*.*", "*", ""), ".");
    EXPECT_EQ(ReplaceAllText("a*b**c", "*", ""), "abc");
    EXPECT_EQ(ReplaceAllText(".doc", "*", ""), ".doc");
    EXPECT_EQ(ReplaceAllText("", "*", ""), "");
    EXPECT_EQ(ReplaceText("Abc abc ABC", "b", "[x]", IgnoreCase), "A[x]c abc ABC");
    EXPECT_EQ(ReplaceText("Abc abc ABC", "b", "[x]", ReplaceAll), "A[x]c a[x]c ABC");
    EXPECT_EQ(ReplaceText("Abc abc ABC", "B", "-", ReplaceAll | IgnoreCase), "A-c a-c A-C");
    EXPECT_EQ(ReplaceText("aaa", "a", "aa", ReplaceAll), "aaaaaa");  // replaced text is not searched again
    EXPECT_EQ(ReplaceText("abc", "", "x", ReplaceAll), "abc");
}

TEST_F(TextRules, AnsiToUtf16ConvertsTheWholeTextWithinTheArea) {
    wchar_t Area[8];
    EXPECT_EQ(AnsiToUtf16("中文", Area, 8), 2);
    EXPECT_EQ(Area[0], 0x4E2D);
    EXPECT_EQ(Area[1], 0x6587);
    EXPECT_EQ(Area[2], 0);
    EXPECT_EQ(AnsiToUtf16(std::string("a\0b", 3), Area, 8), 3);  // zero bytes are converted too
    EXPECT_EQ(Area[2], L'b');
    EXPECT_EQ(AnsiToUtf16("", Area, 8), 0);
    EXPECT_EQ(Area[0], 0);
    EXPECT_EQ(AnsiToUtf16("abcdefgh", Area, 4), 0);  // no room: nothing counts as converted
    EXPECT_EQ(Area[0], 0);
}

TEST_F(TextRules, FullPathsAndFileQueries) {
    WriteBytes(Dir / "a.txt", "x");
    WriteBytes(Dir / "old.txt", "x");
    SetLocalWriteTime(Dir / "old.txt", 1975, 6, 1);
    MakeFolder(Dir / "sub");

    char Current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, Current);
    SetCurrentDirectoryA(Dir.Path().c_str());
    EXPECT_EQ(FullPathOf("sub\\..\\a.txt"), Dir / "a.txt");
    EXPECT_EQ(FullPathOf("."), Dir.Path());
    SetCurrentDirectoryA(Current);
    EXPECT_EQ(FullPathOf("C:\\" + std::string(300, 'x')), "");  // beyond the platform's limit

    EXPECT_TRUE(IsExistingFile(Dir / "a.txt"));
    EXPECT_TRUE(IsExistingFile(Dir / "old.txt"));  // a file is a file whatever its date
    EXPECT_FALSE(IsExistingFile(Dir / "sub"));
    EXPECT_FALSE(IsExistingFile(Dir / "none.txt"));
    EXPECT_FALSE(IsExistingFile(Dir / "*.txt"));
    EXPECT_TRUE(IsExistingFolder(Dir / "sub"));
    EXPECT_FALSE(IsExistingFolder(Dir / "a.txt"));

    EXPECT_EQ(SetAttrs(Dir / "a.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
    EXPECT_EQ(GetAttrs(Dir / "a.txt") & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetAttrs(Dir / "none.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(SetAttrs(Dir / "none.txt", FILE_ATTRIBUTE_NORMAL), 0u);
    EXPECT_FALSE(RemoveFile(Dir / "a.txt"));  // read-only
    SetAttrs(Dir / "a.txt", FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(RemoveFile(Dir / "a.txt"));
    EXPECT_FALSE(RemoveFile(Dir / "a.txt"));
}

TEST_F(TextRules, EnumerationReturnsEveryEntryWithMask63) {
    WriteBytes(Dir / "plain.txt", "12345");
    WriteBytes(Dir / "hidden.txt", "");
    WriteBytes(Dir / "system.dat", "");
    WriteBytes(Dir / "中文名.txt", "");
    MakeFolder(Dir / "folder");
    SetAttrs(Dir / "hidden.txt", FILE_ATTRIBUTE_HIDDEN);
    SetAttrs(Dir / "system.dat", FILE_ATTRIBUTE_SYSTEM);

    std::map<std::string, TSearchRec> Seen;
    TSearchRec Entry;
    {
        TEnumScope Scope(Entry);
        for (DWORD R = EnumFirst(Dir / "*.*", faAnyFile, Entry); R == 0; R = EnumNext(Entry)) Seen[Entry.Name] = Entry;
    }
    EXPECT_EQ(Entry.FindHandle, INVALID_HANDLE_VALUE);
    std::vector<std::string> Names;
    for (const auto& [Name, E] : Seen) Names.push_back(Name);
    EXPECT_EQ(Names,
              (std::vector<std::string>{".", "..", "folder", "hidden.txt", "plain.txt", "system.dat", "中文名.txt"}));
    EXPECT_EQ(Seen["plain.txt"].Size, 5);
    EXPECT_TRUE(Seen["folder"].Attr & faDirectory);
    EXPECT_TRUE(Seen["hidden.txt"].Attr & faHidden);
    EXPECT_TRUE(Seen["system.dat"].Attr & faSysFile);
    EXPECT_NE(Seen["plain.txt"].Time, 0);

    // Without the hidden, system and directory bits in the mask those entries are skipped.
    Names.clear();
    for (DWORD R = EnumFirst(Dir / "*", faReadOnly | faArchive, Entry); R == 0; R = EnumNext(Entry))
        Names.push_back(Entry.Name);
    EnumClose(Entry);
    EnumClose(Entry);  // a second close does nothing
    std::sort(Names.begin(), Names.end());
    EXPECT_EQ(Names, (std::vector<std::string>{"plain.txt", "中文名.txt"}));

    EXPECT_NE(EnumFirst(Dir / "missing\\*.*", faAnyFile, Entry), 0u);
    EXPECT_EQ(Entry.FindHandle, INVALID_HANDLE_VALUE);
    EXPECT_NE(EnumFirst(Dir / "nothing*.xyz", faAnyFile, Entry), 0u);
    EXPECT_EQ(Entry.FindHandle, INVALID_HANDLE_VALUE);
}

TEST_F(TextRules, EmptyFolderGivesDotEntriesThenTheEnd) {
    TSearchRec Entry;
    TEnumScope Scope(Entry);
    std::vector<std::string> Names;
    for (DWORD R = EnumFirst(Dir / "*.*", faAnyFile, Entry); R == 0; R = EnumNext(Entry)) Names.push_back(Entry.Name);
    EXPECT_EQ(Names, (std::vector<std::string>{".", ".."}));
}

TEST_F(TextRules, LineListFileBytesAndRoundTrip) {
    const std::string Name = Dir / "list.dat";
    TStringList List;
    List.Add("c:\\data");
    List.Add("c:\\data\\中文\x81\x5C");
    List.Add("");
    List.SaveLines(Name);
    EXPECT_EQ(ReadBytes(Name), "c:\\data\r\nc:\\data\\中文\x81\x5C\r\n\r\n");

    TStringList Back;
    Back.LoadLines(Name);
    ASSERT_EQ(Back.Count(), 3);
    EXPECT_EQ(Back[1], List[1]);
    EXPECT_EQ(Back[2], "");

    TStringList Empty;
    Empty.SaveLines(Name);  // replaces the whole file
    EXPECT_EQ(ReadBytes(Name), "");
    Back.LoadLines(Name);
    EXPECT_EQ(Back.Count(), 0);

    WriteBytes(Name, std::string("a\n\rb\0c", 6));
    Back.LoadLines(Name);
    ASSERT_EQ(Back.Count(), 3);
    EXPECT_EQ(Back[2], "b");

    // No temporary file is left beside the target.
    TSearchRec Entry;
    TEnumScope Scope(Entry);
    int Files = 0;
    for (DWORD R = EnumFirst(Dir / "*", faAnyFile, Entry); R == 0; R = EnumNext(Entry))
        Files += !(Entry.Attr & faDirectory);
    EXPECT_EQ(Files, 1);
}

TEST_F(TextRules, LineListFailuresCarryTheirTextsAndKeepTheOldFile) {
    const std::string Name = Dir / "list.dat";
    TStringList List;
    List.Add("kept");

    EXPECT_EQ(ErrorText([&] { List.LoadLines(Dir / "none.dat"); }), "不能打开文件 " + Dir / "none.dat");
    ASSERT_EQ(List.Count(), 1);  // a failed load leaves the list as it was
    EXPECT_EQ(ErrorText([&] { List.SaveLines(Dir / "no\\such\\folder.dat"); }),
              "不能创建文件 " + Dir / "no\\such\\folder.dat");
    MakeFolder(Dir / "taken.dat");
    EXPECT_EQ(ErrorText([&] { List.SaveLines(Dir / "taken.dat"); }), "不能创建文件 " + Dir / "taken.dat");

    // A file held open for writing by another handle can be neither read nor replaced.
    WriteBytes(Name, "old\r\n");
    HANDLE Writer = CreateFileA(Name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(Writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorText([&] { List.LoadLines(Name); }), "不能打开文件 " + Name);
    EXPECT_EQ(ErrorText([&] { ReadWholeFile(Name); }), "不能打开文件 " + Name);
    CloseHandle(Writer);

    // Nor is a file that another handle holds open.
    HANDLE Reader = CreateFileA(Name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(Reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorText([&] { List.SaveLines(Name); }), "不能创建文件 " + Name);
    CloseHandle(Reader);
    EXPECT_EQ(ReadBytes(Name), "old\r\n");

    // A read-only target is not replaced.
    SetAttrs(Name, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ErrorText([&] { List.SaveLines(Name); }), "不能创建文件 " + Name);
    SetAttrs(Name, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(Name), "old\r\n");
}

TEST_F(TextRules, WholeFileReadGivesEveryByte) {
    std::string Bytes;
    for (int I = 0; I < 70000; ++I) Bytes += static_cast<char>(I * 7);
    WriteBytes(Dir / "b.bin", Bytes);
    EXPECT_EQ(ReadWholeFile(Dir / "b.bin"), Bytes);
    WriteBytes(Dir / "e.bin", "");
    EXPECT_EQ(ReadWholeFile(Dir / "e.bin"), "");
    EXPECT_EQ(ErrorText([&] { ReadWholeFile(Dir / "none.bin"); }), "不能打开文件 " + Dir / "none.bin");
}

}  // namespace
