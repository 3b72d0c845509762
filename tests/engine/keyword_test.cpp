// The keyword test on real files: name first, then the raw bytes in GBK, UTF-16LE and UTF-8,
// then the text of a document format recognised by content.
#include <gtest/gtest.h>

#include "engine/zemzuvave.h"
#include "pure/engine/keyscan.h"
#include "support/textrules.h"
#include "tests/helpers/testfiles.h"

namespace {

class Keyword : public TTempFolderTest {};

bool Matches(const std::string& Path, const std::string& Keyword) { return Tzemzuvave::FileMatches(Path, Keyword); }

std::string Utf16(const std::wstring& Text) {
    std::string Bytes;
    for (wchar_t C : Text) {
        Bytes += static_cast<char>(C & 0xFF);
        Bytes += static_cast<char>(static_cast<unsigned>(C) >> 8);
    }
    return Bytes;
}

TEST_F(Keyword, WideFormIsUtf16LittleEndianWithoutZeroUnit) {
    EXPECT_EQ(Tzemzuvave::KeywordToWide("abc"), std::string("a\0b\0c\0", 6));
    EXPECT_EQ(Tzemzuvave::KeywordToWide("中文"), "\x2D\x4E\x87\x65");
    EXPECT_EQ(Tzemzuvave::KeywordToWide(""), "");
    // A long keyword is converted whole.
    const std::string Long(3000, 'k');
    EXPECT_EQ(Tzemzuvave::KeywordToWide(Long).size(), 6000u);
    std::string LongChinese;
    for (int I = 0; I < 700; ++I) LongChinese += "文";
    EXPECT_EQ(Tzemzuvave::KeywordToWide(LongChinese).size(), 1400u);
}

TEST_F(Keyword, NameIsTestedFirstByTheLocaleRules) {
    WriteBytes(Dir / "Notes.TXT", "nothing");
    EXPECT_TRUE(Matches(Dir / "Notes.TXT", "txt"));
    EXPECT_TRUE(Matches(Dir / "Notes.TXT", "notes"));
    // A file that cannot be read still matches by its name.
    EXPECT_TRUE(Matches(Dir / "报告-missing.doc", "报告"));
    // The folder part of the path is not the name.
    MakeFolder(Dir / "keyword");
    WriteBytes(Dir / "keyword\\a.txt", "zzz");
    EXPECT_FALSE(Matches(Dir / "keyword\\a.txt", "keyword"));
}

TEST_F(Keyword, ContentInGbkAndUtf16AtEveryEdge) {
    const std::string Chinese = "中文";
    struct Case {
        const char* Name;
        std::string Content;
        std::string Keyword;
        bool Expected;
    } Cases[] = {
        {"first.txt", "Hello World, bye", "hello world", true},
        {"last.txt", "xxxxHELLO", "hello", true},
        {"whole.txt", "hello", "hello", true},
        {"short.txt", "hell", "hello", false},
        {"empty.txt", "", "a", false},
        {"gbk.txt", "前言" + Chinese + "后记", Chinese, true},
        {"gbkfirst.txt", Chinese + "后记", Chinese, true},
        {"gbklast.txt", "abc" + Chinese, Chinese, true},
        {"utf16.txt", Utf16(L"\xFEFFsome \x4E2D\x6587 text"), Chinese, true},
        {"utf16ascii.txt", Utf16(L"ABC"), "abc", true},
        {"utf16first.txt", Utf16(L"abc") + "tail", "ABC", true},
        {"utf16last.txt", "head" + Utf16(L"\x4E2D\x6587"), Chinese, true},
        {"utf16cut.txt", std::string("xa\0b\0c", 6), "abc", false},  // the last zero byte is missing
        {"utf8.txt", "\xE4\xB8\xAD\xE6\x96\x87", Chinese, true},
        {"between.txt", "\xB0\xA1Z", "\xA1Z", true},  // the scan knows no characters
        {"binary.bin", std::string("\0\0kEyWoRd\0", 10), "keyword", true},
    };
    for (const auto& C : Cases) {
        WriteBytes(Dir / C.Name, C.Content);
        EXPECT_EQ(Matches(Dir / C.Name, C.Keyword), C.Expected) << C.Name;
    }
}

TEST_F(Keyword, TextOfDocumentFormats) {
    const std::string Contract = "合同";  // GBK BA CF CD AC, UTF-16 U+5408 U+540C
    const std::string Utf8 = "\xE5\x90\x88\xE5\x90\x8C";
    // Far past the first block of the raw scan, so the decoder reads the file at its offsets.
    std::string LongRtf = "{\\rtf1 ";
    while (LongRtf.size() < ScanBlockSize + 1000) LongRtf += "filler text\\par ";
    struct Case {
        const char* Name;
        std::string Content;
        std::string Keyword;
        bool Expected;
    } Cases[] = {
        {"bom.txt", "\xEF\xBB\xBF" + Utf8 + "\r\n", Contract, true},
        {"nobom.csv", "a," + Utf8 + ",b", Contract, true},
        {"be.txt", std::string("\xFE\xFF\x00\x20\x54\x08\x54\x0C", 8), Contract, true},
        {"be-nomark.txt", std::string("\x00\x20\x54\x08\x54\x0C", 6), Contract, false},
        {"split.rtf", R"({\rtf1 {\b \'ba\'cf}\'cd\'ac})", Contract, true},
        {"unicode.rtf", R"({\rtf1\uc1 \u21512?\u21516?})", Contract, true},
        {"props.rtf", R"({\rtf1{\info{\keywords \u21512?\u21516?}}x})", Contract, true},
        {"renamed.doc", R"({\rtf1 Kes{\b Trel}})", "kestrel", true},  // by content, not by name
        {"font.rtf", R"({\rtf1{\fonttbl{\f0\fcharset134 \'cb\'ce\'cc\'e5;}}\f0 body})", "宋体", false},
        {"damaged.rtf", R"({\rtf1 \'ba\'c)", Contract, false},
        {"long.rtf", LongRtf + "\\'ba\\'cf\\'cd\\'ac}", Contract, true},
    };
    for (const auto& C : Cases) {
        WriteBytes(Dir / C.Name, C.Content);
        EXPECT_EQ(Matches(Dir / C.Name, C.Keyword), C.Expected) << C.Name;
    }
}

TEST_F(Keyword, TextOfMailsAndWebPages) {
    const std::string Contract = "合同";
    const std::string Mail = "From: a@example.com\r\nTo: b@example.com\r\nMIME-Version: 1.0\r\n";
    struct Case {
        const char* Name;
        std::string Content;
        std::string Keyword;
    } Cases[] = {
        // GB18030 with four-byte forms, which the platform's converter may not know
        {"gb18030.eml",
         Mail + "Content-Type: text/plain; charset=gb18030\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                "gTCGOLrPzayUOfw2\r\n",
         Contract},
        {"subject.eml", Mail + "Subject: =?gb2312?B?us/NrMnzxfo=?=\r\n\r\nbody", Contract},
        // a word only in an attached document
        {"attached.eml",
         Mail + "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\nsee attachment\r\n--b\r\n"
                "Content-Type: application/octet-stream; name=a.rtf\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                "e1xydGYxIEtlc3tcYiBUcmVsfSBcJ2JhXCdjZlwnY2RcJ2FjfQ==\r\n--b--\r\n",
         Contract},
        {"attached2.eml",
         Mail + "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
                "Content-Type: application/octet-stream; name=a.rtf\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                "e1xydGYxIEtlc3tcYiBUcmVsfSBcJ2JhXCdjZlwnY2RcJ2FjfQ==\r\n--b--\r\n",
         "kestrel"},
        // a word split by tags or written as references; quoted-printable HTML cut inside a character
        {"split.htm", "<html><body><p>报<span>销</span>单</p>", "报销单"},
        {"refs.html", "<!DOCTYPE html><p>&#21512;&#x540C;</p>", Contract},
        {"utf8.html", "<html><p>\xE5\xB9\xB4<b>\xE5\xBA\xA6</b>\xE9\xA2\x84\xE7\xAE\x97</p>", "年度预算"},
        {"page.mht",
         "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"x\"\r\n\r\n--x\r\n"
         "Content-Type: text/html; charset=\"gb2312\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
         "<html><p>=BA=\r\n=CF<span>=CD=AC</span></p></html>\r\n--x--\r\n",
         Contract},
    };
    for (const auto& C : Cases) {
        WriteBytes(Dir / C.Name, C.Content);
        EXPECT_TRUE(Matches(Dir / C.Name, C.Keyword)) << C.Name;
    }
}

TEST_F(Keyword, OccurrencesAcrossTheBlockBoundary) {
    const std::string Chinese = "中文";
    const std::string Wide = Utf16(L"\x4E2D\x6587");
    // Every placement around the first boundary, in both forms.
    for (std::size_t Shift = 0; Shift <= 4; ++Shift) {
        std::string Content(ScanBlockSize + 16, 'x');
        Content.replace(ScanBlockSize - Shift, Chinese.size(), Chinese);
        WriteBytes(Dir / "gbk.txt", Content);
        EXPECT_TRUE(Matches(Dir / "gbk.txt", Chinese)) << Shift;

        std::string Content16(2 * ScanBlockSize + 9, 'x');
        Content16.replace(2 * ScanBlockSize - Shift, Wide.size(), Wide);
        WriteBytes(Dir / "wide.txt", Content16);
        EXPECT_TRUE(Matches(Dir / "wide.txt", Chinese)) << Shift;
    }
    std::string Last(ScanBlockSize * 2 + 3, 'y');
    Last.replace(Last.size() - 5, 5, "NEEDL");
    WriteBytes(Dir / "last.txt", Last + "e");
    EXPECT_TRUE(Matches(Dir / "last.txt", "needle"));
    WriteBytes(Dir / "last.txt", Last);
    EXPECT_FALSE(Matches(Dir / "last.txt", "needle"));
}

TEST_F(Keyword, FileLargerThanFourGibibytesIsSearchedToItsEnd) {
    const std::string Name = Dir / "huge.bin";
    const std::uint64_t Size = (std::uint64_t(5) << 30) + 7;
    HANDLE File = CreateFileA(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(File, INVALID_HANDLE_VALUE);
    LARGE_INTEGER At;
    At.QuadPart = static_cast<LONGLONG>(Size);
    ASSERT_TRUE(SetFilePointerEx(File, At, nullptr, FILE_BEGIN) && SetEndOfFile(File));  // sparse zeros
    const std::string Tail = "Needle";
    At.QuadPart = static_cast<LONGLONG>(Size - Tail.size());
    DWORD Written = 0;
    ASSERT_TRUE(SetFilePointerEx(File, At, nullptr, FILE_BEGIN));
    ASSERT_TRUE(WriteFile(File, Tail.data(), static_cast<DWORD>(Tail.size()), &Written, nullptr));
    CloseHandle(File);
    EXPECT_TRUE(Matches(Name, "needle"));
}

TEST_F(Keyword, SizeAsListedBeforeTheFileChanged) {
    // The walk passes the size its enumeration saw; a file changed since is still tested whole
    // when it shrank, and up to the listed size when it grew.
    const std::string Content = "xxxxxxxxNeedle";
    WriteBytes(Dir / "a.txt", Content);
    struct Case {
        std::uint64_t Listed;
        bool Expected;
    } Cases[] = {{Content.size(), true}, {Content.size() + 4096, true}, {Content.size() - 1, false}, {0, false}};
    for (const auto& C : Cases)
        EXPECT_EQ(Tzemzuvave::FileMatches(Dir / "a.txt", "needle", C.Listed), C.Expected) << C.Listed;
    const std::string Rtf = R"({\rtf1 \'ba\'cf\'cd\'ac})";
    WriteBytes(Dir / "b.rtf", Rtf);
    EXPECT_TRUE(Tzemzuvave::FileMatches(Dir / "b.rtf", "合同", Rtf.size() * 3));
}

TEST_F(Keyword, UnreadableFileIsAFailureNotFalse) {
    try {
        Matches(Dir / "none.txt", "zz");
        FAIL() << "no failure";
    } catch (const TSupportError& E) {
        EXPECT_EQ(std::string(E.what()), "不能打开文件 " + Dir / "none.txt");
    }
    WriteBytes(Dir / "locked.txt", "zz");
    HANDLE Writer = CreateFileA((Dir / "locked.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(Writer, INVALID_HANDLE_VALUE);
    EXPECT_THROW(Matches(Dir / "locked.txt", "zz"), TSupportError);
    EXPECT_TRUE(Matches(Dir / "locked.txt", "lock"));  // by its name, without opening it
    CloseHandle(Writer);
    EXPECT_TRUE(Matches(Dir / "locked.txt", "zz"));
}

}  // namespace
