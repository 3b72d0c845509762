// Character sets of mail and web pages: labels, decoding piece by piece with characters cut
// between pieces, and GB18030 without the platform's code page.
#include <gtest/gtest.h>

#include <string>

#include "pure/doctext/charset.h"
#include "pure/doctext/charsetgb18030.h"
#include "tests/pure/doctext/doctexttest.h"

namespace {

std::string Decode(const std::string& Bytes, unsigned CodePage, unsigned Missing = 0, std::size_t Piece = 0) {
    TIconvCodePages CodePages;
    CodePages.Missing = Missing;
    TDecodeEnv Env;
    Env.CodePages = &CodePages;
    std::u16string Out;
    TTextDecoder Decoder(CodePage, Env);
    for (std::size_t At = 0; At < Bytes.size(); At += Piece == 0 ? Bytes.size() : Piece)
        Decoder.Feed(std::string_view(Bytes).substr(At, Piece == 0 ? Bytes.size() : Piece), Out);
    Decoder.Finish(Out);
    return Utf16ToUtf8(Out.data(), Out.size());
}

// Bytes of UTF-8 text in another character set, through iconv.
std::string Encode(const std::string& Utf8, const char* Charset) {
    iconv_t Cd = iconv_open(Charset, "UTF-8");
    std::string In = Utf8, Out(In.size() * 4 + 8, '\0');
    char* InP = In.data();
    char* OutP = Out.data();
    std::size_t InLeft = In.size(), OutLeft = Out.size();
    iconv(Cd, &InP, &InLeft, &OutP, &OutLeft);
    iconv_close(Cd);
    Out.resize(Out.size() - OutLeft);
    return Out;
}

TEST(Charset, Labels) {
    const struct {
        const char* Label;
        unsigned CodePage;
    } Cases[] = {
        {"gb2312", 936},
        {" GBK ", 936},
        {"x-gbk", 936},
        {"EUC-CN", 936},
        {"GB18030", 54936},
        {"big5", 950},
        {"utf-8", 65001},
        {"UTF8", 65001},
        {"us-ascii", 1252},
        {"iso-8859-1", 1252},
        {"latin2", 28592},
        {"Windows-1251", 1251},
        {"cp936", 936},
        {"utf-16", 1200},
        {"UTF-16BE", 1201},
        {"shift_jis", 932},
        {"ks_c_5601-1987", 949},
        {"koi8-r", 20866},
        {"unicode-1-1-utf-8", 65001},
        {"gbk2", 0},
        {"", 0},
        {"windows-", 0},
        {"iso-8859-1x", 0},
    };
    for (const auto& C : Cases) EXPECT_EQ(CodePageOfLabel(C.Label), C.CodePage) << C.Label;
    EXPECT_EQ(CodePageOfLabel(std::string("gb\0k", 4)), 0u);  // a label a damaged page cut with a zero byte
}

TEST(Charset, TextOfEachCharacterSet) {
    const std::string Text = U8(u8"合同 café");
    const struct {
        std::string Bytes;
        unsigned CodePage;
        const char8_t* Expected;
    } Cases[] = {
        {Encode(Text, "GBK"), 936, u8"合同 café"},
        {Encode(Text, "GB18030"), 54936, u8"合同 café"},
        {Encode(U8(u8"合同"), "BIG5"), 950, u8"合同"},
        {Text, 65001, u8"合同 café"},
        {Encode(Text, "UTF-16LE"), 1200, u8"合同 café"},
        {Encode(Text, "UTF-16BE"), 1201, u8"合同 café"},
        {"caf\xE9", 1252, u8"café"},
        {"\xB1\xB9", 28592, u8"ąš"},
        // a byte-order mark overrides the label and is dropped
        {"\xEF\xBB\xBF" + Text, 936, u8"合同 café"},
        {"\xFF\xFE" + Encode(Text, "UTF-16LE"), 65001, u8"合同 café"},
        // no label: UTF-8 when valid as such, else the system's code page
        {Text, CodePageAuto, u8"合同 café"},
        {Encode(U8(u8"年度预算"), "GBK"), CodePageAuto, u8"年度预算"},
        {"plain ascii", CodePageAuto, u8"plain ascii"},
        // damaged: a cut character at the end, a lone high surrogate
        {"ab\xE5\x90", 65001, u8"ab\uFFFD\uFFFD"},
        {std::string("a\0\x3D\xD8", 4), 1200, u8"a\uFFFD"},
    };
    for (const auto& C : Cases) EXPECT_EQ(Decode(C.Bytes, C.CodePage), U8(C.Expected)) << C.CodePage;
}

TEST(Charset, CharactersCutBetweenPieces) {
    // Two-, three- and four-byte characters and surrogate pairs, fed in pieces of every size.
    const std::string Text = U8(u8"a合同b€😀ü预算c");
    const struct {
        const char* Charset;
        unsigned CodePage;
    } Sets[] = {{"GB18030", 54936}, {"UTF-8", 65001}, {"UTF-16LE", 1200}, {"UTF-16BE", 1201}};
    for (const auto& S : Sets) {
        const std::string Bytes = Encode(Text, S.Charset);
        for (std::size_t Piece = 1; Piece <= 5; ++Piece) {
            EXPECT_EQ(Decode(Bytes, S.CodePage, 0, Piece), Text) << S.Charset << " " << Piece;
            EXPECT_EQ(Decode(Bytes, S.CodePage, 54936, Piece), Text) << S.Charset << " " << Piece;
        }
    }
    const std::string Gbk = Encode(U8(u8"x合同年度预算"), "GBK");
    for (std::size_t Piece = 1; Piece <= 3; ++Piece) {
        EXPECT_EQ(Decode(Gbk, 936, 0, Piece), U8(u8"x合同年度预算")) << Piece;
        EXPECT_EQ(Decode(Gbk, CodePageAuto, 0, Piece), U8(u8"x合同年度预算")) << Piece;
    }
    // Unlabelled text whose first bytes happen to be valid UTF-8 ("\xE5\x90\x88" is 合 there, 鍚
    // and a lead byte in GBK) is read in one code page however it is cut.
    const std::string Mixed = "\xE5\x90\x88" + std::string(100, 'x') + Encode(U8(u8"年度预算"), "GBK");
    const std::string Whole = Decode(Mixed, CodePageAuto, 0, Mixed.size());
    EXPECT_EQ(Whole.substr(0, 3), U8(u8"鍚"));
    for (std::size_t Piece : {1, 3, 50}) EXPECT_EQ(Decode(Mixed, CodePageAuto, 0, Piece), Whole) << Piece;
}

TEST(Charset, Gb18030FourByteFormsAgainstIconv) {
    // Every code point of the Basic Multilingual Plane that GB18030 writes in four bytes, and a
    // sample of the supplementary planes, read back by the table.
    iconv_t Cd = iconv_open("GB18030", "UTF-32LE");
    std::size_t Checked = 0;
    for (char32_t C = 0x80; C <= 0x10FFFF; C += C < 0x10000 ? 1 : 997) {
        if (C >= 0xD800 && C < 0xE000) continue;
        char In[4] = {char(C & 0xFF), char((C >> 8) & 0xFF), char((C >> 16) & 0xFF), 0};
        unsigned char Out[8];
        char* InP = In;
        char* OutP = reinterpret_cast<char*>(Out);
        std::size_t InLeft = 4, OutLeft = sizeof Out;
        if (iconv(Cd, &InP, &InLeft, &OutP, &OutLeft) == static_cast<std::size_t>(-1) || sizeof Out - OutLeft != 4)
            continue;
        ++Checked;
        ASSERT_EQ(Gb18030FourByte(Out), C) << std::hex << static_cast<unsigned>(C);
    }
    iconv_close(Cd);
    EXPECT_GT(Checked, 39000u);
    // Forms that name nothing.
    const unsigned char Beyond[] = {0x84, 0x31, 0xA5, 0x30}, Past[] = {0xFE, 0x39, 0xFE, 0x39};
    EXPECT_EQ(Gb18030FourByte(Beyond), 0u);
    EXPECT_EQ(Gb18030FourByte(Past), 0u);
    // Whole texts without the platform's 54936, damaged ones included.
    const struct {
        std::string Bytes;
        const char8_t* Expected;
    } Cases[] = {
        {Encode(U8(u8"报销单€ǹ😀"), "GB18030"), u8"报销单€ǹ😀"},
        {"\x81\x30x\x84\x31\xA5\x30y", u8"0x\uFFFDy"},  // iconv drops the lone lead byte
        {"z\x81\x30\x81", u8"z\uFFFD"},
    };
    for (const auto& C : Cases) EXPECT_EQ(Decode(C.Bytes, 54936, 54936), U8(C.Expected));
}

}  // namespace
