// Byte rules of 8-bit text: built into the Windows suites and natively with the sanitizers.
#include "pure/support/bytetext.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// GBK's lead bytes, as the Chinese locale gives them.
class ByteText : public testing::Test {
protected:
    void SetUp() override { SetLeadByteRanges({{0x81, 0xFE}}); }
    void TearDown() override { SetLeadByteRanges({{0x81, 0xFE}}); }
};

const std::string Cheng = "\x81\x5C";  // a GBK character whose second byte is "\"
const std::string Kuai = "\x95\x5C";   // another one

TEST_F(ByteText, AsciiLowerFoldsEveryByteAndWholeCharsKeepsCharacters) {
    EXPECT_EQ(AsciiLower("C:\\DATA\\Sub"), "c:\\data\\sub");
    EXPECT_EQ(AsciiLower("\x81\x41Z"), "\x81\x61z");  // the byte rule changes the trail byte too
    EXPECT_EQ(AsciiLower("\xC4\xE3\xBA\xC3"), "\xC4\xE3\xBA\xC3");
    EXPECT_EQ(AsciiLowerWholeChars("C:\\\x81\x41Z\\AB"), "c:\\\x81\x41z\\ab");
    EXPECT_EQ(AsciiLowerWholeChars("\x81\x81\x41"), "\x81\x81\x61");  // 81 81 is one character, A stands alone
    SetLeadByteRanges({});
    EXPECT_EQ(AsciiLowerWholeChars("\x81\x41"), "\x81\x61");  // without double-byte mode every byte is single
}

TEST_F(ByteText, ComparisonsFoldOnlyAsciiLettersAndFoldUpward) {
    EXPECT_EQ(CompareNoCase(".TXT", ".txt"), 0);
    EXPECT_NE(CompareNoCase(".txt", ".txt."), 0);
    EXPECT_LT(CompareNoCase(".txt", ".txt."), 0);
    EXPECT_NE(CompareBytes(".TXT", ".txt"), 0);
    EXPECT_EQ(CompareBytes("abc", "abc"), 0);
    EXPECT_EQ(CompareNoCase("a", "_"), 0x41 - 0x5F);    // letters fold to upper case, below "_"
    EXPECT_EQ(CompareBytes("\xB0", "a"), 0xB0 - 0x61);  // bytes compare unsigned
    EXPECT_NE(CompareNoCase("\xC1", "\xE1"), 0);        // no folding above 0x7F
    EXPECT_EQ(CompareBytes("ab", "abc"), -1);
}

TEST_F(ByteText, TextPosSubTextAndTrim) {
    EXPECT_EQ(TextPos("", "abc"), 0);
    EXPECT_EQ(TextPos("abc", ""), 0);
    EXPECT_EQ(TextPos("abcd", "abc"), 0);
    EXPECT_EQ(TextPos("abc", "abc"), 1);
    EXPECT_EQ(TextPos("c:\\doc", "c:\\documents"), 1);
    EXPECT_EQ(TextPos("*.*", "x*.*"), 2);
    EXPECT_EQ(TextPos("\\", Cheng), 2);  // byte search: an occurrence may begin at a trail byte
    EXPECT_EQ(TextPos(std::string("b\0c", 3), std::string("ab\0c", 4)), 2);
    EXPECT_EQ(TextPos("A", "a"), 0);

    EXPECT_EQ(SubText("abcdef", 2, 3), "bcd");
    EXPECT_EQ(SubText("abcdef", 0, 2), "ab");
    EXPECT_EQ(SubText("abcdef", -5, 2), "ab");
    EXPECT_EQ(SubText("abcdef", 7, 1), "");
    EXPECT_EQ(SubText("abcdef", 2, -1), "");
    EXPECT_EQ(SubText("abcdef", 5, 100), "ef");
    EXPECT_EQ(SubText("abcdef", 3), "cdef");

    EXPECT_EQ(TrimControls(" \t\r\n "), "");
    EXPECT_EQ(TrimControls(std::string("\0 a b\x1F", 6)), "a b");
    EXPECT_EQ(TrimControls("\xA1\xA1x "), "\xA1\xA1x");  // the full-width space stays
    EXPECT_EQ(TrimControls(""), "");
}

TEST_F(ByteText, ByteClassesFollowTheRunOfLeadBytesBefore) {
    const std::string S = "a\x81\x5C\x81\x81\x81" + std::string(1, '\0') + "\x81";
    EXPECT_EQ(ByteClassAt(S, 1), TByteClass::Single);
    EXPECT_EQ(ByteClassAt(S, 2), TByteClass::Lead);
    EXPECT_EQ(ByteClassAt(S, 3), TByteClass::Trail);
    EXPECT_EQ(ByteClassAt(S, 4), TByteClass::Lead);
    EXPECT_EQ(ByteClassAt(S, 5), TByteClass::Trail);
    EXPECT_EQ(ByteClassAt(S, 6), TByteClass::Lead);
    EXPECT_EQ(ByteClassAt(S, 7), TByteClass::Single);  // a zero byte is always single
    EXPECT_EQ(ByteClassAt(S, 8), TByteClass::Lead);
    SetLeadByteRanges({});
    EXPECT_FALSE(DoubleByteMode());
    EXPECT_EQ(ByteClassAt(S, 3), TByteClass::Single);
}

TEST_F(ByteText, OnePassClassesEqualTheBackwardRuleOnRandomText) {
    std::mt19937 Random(7);
    const char Alphabet[] = {'a', '\\', '.', ':', '\0', '\x81', '\x95', '\xFE', '\x5C', '\x40', '\x80', '\xFF'};
    for (int Round = 0; Round < 2000; ++Round) {
        std::string S;
        const int Len = static_cast<int>(Random() % 12);
        for (int I = 0; I < Len; ++I) S += Alphabet[Random() % sizeof Alphabet];
        const auto Classes = ByteClasses(S);
        for (int I = 1; I <= Len; ++I) ASSERT_EQ(Classes[static_cast<std::size_t>(I - 1)], ByteClassAt(S, I)) << Round;
        // The search for a byte of its own agrees with the classes from any starting offset.
        for (std::size_t From = 0; From <= S.size(); ++From) {
            std::size_t Expected = From;
            while (Expected < S.size() && (S[Expected] != '\\' || Classes[Expected] == TByteClass::Trail)) ++Expected;
            ASSERT_EQ(FindSingleByte(S, '\\', From), Expected < S.size() ? Expected : std::string::npos) << Round;
        }
    }
}

TEST_F(ByteText, PathPartsNeverSplitADoubleByteCharacter) {
    EXPECT_EQ(FolderPart("C:\\Tools\\search.exe"), "C:\\Tools\\");
    EXPECT_EQ(NamePart("C:\\Tools\\search.exe"), "search.exe");
    EXPECT_EQ(NamePart("C:\\Tools\\"), "");
    EXPECT_EQ(FolderPart("C:b.txt"), "C:");
    EXPECT_EQ(FolderPart("b.txt"), "");
    EXPECT_EQ(NamePart("a/b.txt"), "a/b.txt");  // the forward slash separates nothing

    const std::string Path = "C:\\dir\\" + Kuai + Kuai + ".txt";
    EXPECT_EQ(NamePart(Path), Kuai + Kuai + ".txt");
    EXPECT_EQ(FolderPart(Path), "C:\\dir\\");
    EXPECT_EQ(FolderPart("C:\\" + Cheng + "\\" + Cheng), "C:\\" + Cheng + "\\");
    EXPECT_EQ(LastSeparatorPos("\\", Cheng), 0);
    EXPECT_EQ(LastSeparatorPos("\\", "\\" + Cheng), 1);

    EXPECT_EQ(ExtensionPart("report.TXT"), ".TXT");
    EXPECT_EQ(ExtensionPart("archive.txt.bak"), ".bak");
    EXPECT_EQ(ExtensionPart("README"), "");
    EXPECT_EQ(ExtensionPart("C:\\dir.old\\README"), "");
    EXPECT_EQ(ExtensionPart("name."), ".");
    EXPECT_EQ(ExtensionPart(".profile"), ".profile");
    EXPECT_EQ(ExtensionPart("C:\\x.d\\" + Kuai + ".doc"), ".doc");

    EXPECT_EQ(WithoutTrailingBackslash("C:\\Data\\"), "C:\\Data");
    EXPECT_EQ(WithoutTrailingBackslash("C:\\"), "C:");
    EXPECT_EQ(WithoutTrailingBackslash("C:\\Data"), "C:\\Data");
    EXPECT_EQ(WithoutTrailingBackslash("C:\\" + Cheng), "C:\\" + Cheng);  // 81 5C is a character
    EXPECT_EQ(WithoutTrailingBackslash("C:\\" + Cheng + "\\"), "C:\\" + Cheng);
    EXPECT_EQ(WithoutTrailingBackslash("\\\\"), "\\");
    EXPECT_EQ(WithoutTrailingBackslash(""), "");
}

TEST_F(ByteText, RawComparisonIncludesTheTerminatingZeroWithinMaxLen) {
    EXPECT_EQ(CompareRawNoCase("zzz", "abc", 0), 0);
    EXPECT_EQ(CompareRawNoCase("abX", "ab", 2), 0);
    EXPECT_NE(CompareRawNoCase("abX", "ab", 5), 0);  // compares a, b and the zero byte
    EXPECT_EQ(CompareRawNoCase(std::string("AB\0", 3).data(), "ab", 5), 0);
    EXPECT_EQ(CompareRawNoCase("Hello World", "hello world", 11), 0);
    EXPECT_EQ(CompareRawNoCase("\x81\x41", "\x81\x61", 2), 0);  // folding knows no characters
    EXPECT_GT(CompareRawNoCase("b", "A", 1), 0);
    EXPECT_TRUE(RawEqualNoCase("a\0B", "A\0b", 3));
    EXPECT_FALSE(RawEqualNoCase("a\0B", "A\1b", 3));
    EXPECT_FALSE(RawEqualNoCase("@", "`", 1));
}

TEST_F(ByteText, PosNotAtTrailPassesOverOccurrencesInsideCharacters) {
    EXPECT_EQ(PosNotAtTrail("\\", Cheng + "\\"), 3);
    EXPECT_EQ(PosNotAtTrail("\\", Cheng), 0);
    EXPECT_EQ(PosNotAtTrail("", "abc"), 0);
    EXPECT_EQ(PosNotAtTrail("b", std::string("a\0b", 3)), 0);  // both end at their first zero byte
    EXPECT_EQ(PosNotAtTrail("PORT", "REPORT.TXT"), 3);
}

TEST_F(ByteText, LineListTextFormInBothDirections) {
    TStringList List;
    List.Add("a");
    List.Add("b");
    EXPECT_EQ(List.ToText(), "a\r\nb\r\n");
    List.Clear();
    EXPECT_EQ(List.ToText(), "");
    List.Add("");
    EXPECT_EQ(List.ToText(), "\r\n");

    auto Lines = [](const std::string& Bytes) {
        TStringList L;
        L.Add("stale");
        L.SetText(Bytes);
        std::vector<std::string> R;
        for (int I = 0; I < L.Count(); ++I) R.push_back(L[I]);
        return R;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(Lines("a\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(Lines("a\r\n"), (V{"a"}));
    EXPECT_EQ(Lines("a"), (V{"a"}));
    EXPECT_EQ(Lines(""), V{});
    EXPECT_EQ(Lines("\r\n"), (V{""}));
    EXPECT_EQ(Lines("a\n\rb"), (V{"a", "", "b"}));
    EXPECT_EQ(Lines("a\rb\nc"), (V{"a", "b", "c"}));
    EXPECT_EQ(Lines("a\r\r\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(Lines(std::string("a\0b", 3)), (V{"a"}));
    EXPECT_EQ(Lines("x\r\nx\r\n"), (V{"x", "x"}));  // duplicates kept
    EXPECT_EQ(Lines("c:\\" + Cheng + "\r\n"), (V{"c:\\" + Cheng}));
}

}  // namespace
