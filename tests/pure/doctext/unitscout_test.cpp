// The look a keyword test takes through a piece before reading it: never blind to the unit it
// waits for, however the piece's bytes are cut; and the documents it looks through still found.
#include <gtest/gtest.h>

#include "pure/doctext/charset.h"
#include "pure/doctext/qpscout.h"
#include "pure/doctext/unitscout.h"
#include "tests/pure/doctext/doctexttest.h"
#include "tests/pure/doctext/ziptest.h"

namespace {

const TIconvCodePages Iconv;

// Feeds Bytes in pieces of Piece bytes (0: whole) to a scout; its answer at the end.
template <typename TScout>
bool Look(TScout& Scout, const std::string& Bytes, std::size_t Piece) {
    const auto* Data = reinterpret_cast<const unsigned char*>(Bytes.data());
    if (Piece == 0) Piece = Bytes.size() + 1;
    for (std::size_t At = 0; At < Bytes.size(); At += Piece)
        if (Scout.Feed(Data + At, std::min(Piece, Bytes.size() - At))) return true;
    return Scout.Finish();
}

constexpr char16_t Blue = 0x84DD;  // 蓝

TEST(UnitScout, SeesTheUnitItsFormOrAReferenceToItWhereverThePiecesAreCut) {
    const struct {
        std::string Bytes;
        unsigned CodePage;
        TReferences References;
        char16_t Unit;
        bool May;
    } Cases[] = {
        {U8(u8"报销单，蓝色"), CodePageUtf8, TReferences::None, Blue, true},
        {U8(u8"报销单，红色"), CodePageUtf8, TReferences::None, Blue, false},
        {"&#x84DD; &#34013 x", CodePageUtf8, TReferences::Html, Blue, true},
        {"x &#34013", CodePageUtf8, TReferences::Html, Blue, true},  // cut by the page's end
        {"&#x84DC; &#3401; &nbsp; AT&T", CodePageUtf8, TReferences::Html, Blue, false},
        {"&#x84DD;", CodePageUtf8, TReferences::None, Blue, false},  // plain text reads no references
        {"caf&eacute;", CodePageUtf8, TReferences::Html, 0xE9, true},
        {"&#x84DD;", CodePageUtf8, TReferences::Xml, Blue, true},
        {"\xE8\x93</w:t><w:t>\x9D", CodePageUtf8, TReferences::Xml, Blue, true},  // XML joins a cut character
        {"\xE8&amp;\x93\x9D", CodePageUtf8, TReferences::Xml, Blue, true},
        {"&#x84DD &#x84DD0; &#x0000000084DD;", CodePageUtf8, TReferences::Xml, Blue, false},  // no ";", too long
        {"\xFF\xFEx\0", CodePageUtf8, TReferences::Html, Blue, true},                         // UTF-16: read in full
        {"\xB1\xA8\xCF\xFA \xC0\xB6", 936, TReferences::None, Blue, true},
        {"\xB1\xA8\xCF\xFA \xBA\xEC", 936, TReferences::None, Blue, false},
        {" \xC0\xC0\xB6,", 936, TReferences::None, Blue, false},  // the form's bytes across two characters
        {"&#x84dd;", 936, TReferences::Html, Blue, true},
        {"&#x\xFF"
         "84dd;",
         936, TReferences::Html, Blue, true},  // an invalid byte the conversion drops
    };
    for (const auto& C : Cases)
        for (std::size_t Piece : {0, 1, 2, 5}) {
            TDecodeEnv Env;
            Env.CodePages = &Iconv;
            TUnitScout Scout(C.Unit, C.CodePage, C.References, Env);
            EXPECT_EQ(Look(Scout, C.Bytes, Piece), C.May) << C.Bytes << " in pieces of " << Piece;
        }
}

TEST(UnitScout, FormsOfAUnitInACodePage) {
    std::vector<std::string> Forms;
    ASSERT_TRUE(Iconv.FormsOf(936, Blue, Forms));
    EXPECT_EQ(Forms, std::vector<std::string>{"\xC0\xB6"});
    ASSERT_TRUE(Iconv.FormsOf(1252, 0xE9, Forms));
    EXPECT_EQ(Forms, std::vector<std::string>{"\xE9"});
    ASSERT_TRUE(Iconv.FormsOf(936, 0x0E9F, Forms));  // a Lao letter GBK lacks
    EXPECT_TRUE(Forms.empty());
}

TEST(QuotedScout, SeesTheEscapesOfTheUnitAcrossSoftLineBreaks) {
    const struct {
        std::string Bytes;
        TReferences References;
        bool May;
    } Cases[] = {
        {"=E6=8A=A5=E8=93=9D", TReferences::None, true},
        {"=e8=93=9d", TReferences::None, true},
        {"=E8=93=\r\n=9D", TReferences::None, true},
        {"=E8=\n=93=  \r\n=9D", TReferences::None, true},
        {"=E6=8A=A5=E9=94=80 =93=9D =E8=93=9C", TReferences::None, false},
        {"\xE8\x93\x9D", TReferences::None, true},  // eight-bit bytes left unescaped
        {"a &nbsp;&#25253; b", TReferences::Html, false},
        {"&#x84DD;", TReferences::Html, true},
        {"&#x84=\r\nDD;", TReferences::Html, true},  // a soft line break inside the name
        {"&#x8=34DD;", TReferences::Html, true},     // "4" escaped
        {"&#x84DD;", TReferences::None, false},
        {"=FF=FEx", TReferences::None, true},  // UTF-16: read in full
    };
    // Each also after a long line, so that pieces longer than the bytes kept between them cut it.
    const std::string Line = std::string(700, 'x') + "=\r\n";
    for (const auto& C : Cases)
        for (const std::string& Before : {std::string(), Line})
            for (std::size_t Piece : {0, 1, 3, 7, 300, 701}) {
                if (C.Bytes.substr(0, 3) == "=FF" && !Before.empty()) continue;  // no longer at the start
                TQuotedScout Scout(Blue, C.References);
                EXPECT_EQ(Look(Scout, Before + C.Bytes, Piece), C.May) << C.Bytes << " in pieces of " << Piece;
            }
}

std::string Mail(const std::string& Headers, const std::string& Body) {
    return "From: a@example.cn\r\nMIME-Version: 1.0\r\n" + Headers + "\r\n\r\n" + Body + "\r\n";
}

TEST(UnitScout, KeywordTestsFindWordsInThePartsItLooksThrough) {
    const std::string Long(3000, 'x');  // pieces of the scouts cut the body
    const struct {
        std::string Document;
        bool Found;
    } Cases[] = {
        {Mail("Content-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable",
              Long + "=E6=8A=A5<span>=E8=93=\r\n=9D</span>=E9=B2=B8"),
         true},
        {Mail("Content-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable",
              Long + "&#x84DD;<b>&#40120;</b>"),
         true},
        {Mail("Content-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable",
              Long + "=E8=93=9D =E9=B2=B8"),
         false},
        {Mail("Content-Type: text/plain; charset=gb2312\r\nContent-Transfer-Encoding: base64", "wLa+qA=="),  // 蓝鲸
         true},
        {Mail("Content-Type: text/plain; charset=gb2312", Long + "\xC0\xB6\xBE\xA8"), true},
        {"<html><meta charset=gbk><body>" + Long + "\xC0\xB6<i>\xBE\xA8</i>", true},
        {"<html><body>" + Long + U8(u8"蓝</p><p>鲸"), false},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(KeywordTestFinds(C.Document, u"蓝鲸"), C.Found) << C.Document.substr(C.Document.size() - 60);
    // The members of packages: text written as references, cut between runs, the title.
    const std::string Wide(70000, ' ');  // more than a block of the member's reading
    const struct {
        std::string Document;
        bool Found;
    } Members[] = {
        {SmallDocx("<w:p><w:r><w:t>&#x84DD;</w:t></w:r><w:r><w:t>&#40120;</w:t></w:r></w:p>"), true},
        {SmallDocx("<w:p><w:r><w:t>" + Wide + U8(u8"蓝</w:t></w:r><w:r><w:t>鲸</w:t></w:r></w:p>")), true},
        {SmallDocx("<w:p><w:r><w:t>x</w:t></w:r></w:p>", U8(u8"蓝鲸报告")), true},
        {SmallDocx("<w:p><w:r><w:t>\xE8\x93</w:t></w:r><w:r><w:t>\x9D\xE9\xB2\xB8</w:t></w:r></w:p>"), true},
        {SmallDocx(U8(u8"<w:p><w:r><w:t>蓝</w:t></w:r></w:p><w:p><w:r><w:t>鲸</w:t></w:r></w:p>")), false},
    };
    for (const auto& C : Members) EXPECT_EQ(KeywordTestFinds(C.Document, u"蓝鲸"), C.Found);
}

}  // namespace
