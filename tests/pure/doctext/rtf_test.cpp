// Rich Text and UTF-16BE text through format recognition and the decoders: what a reader sees
// arrives, the tables and hidden destinations do not.
#include <gtest/gtest.h>

#include <string>

#include "tests/pure/doctext/doctexttest.h"

namespace {

std::string Decode(const std::string& Bytes, std::size_t StopAfterUnits = SIZE_MAX) {
    return DecodeToText(Bytes, true, StopAfterUnits);
}

TEST(RichText, VisibleTextAndPropertiesOnly) {
    const struct {
        const char* Rtf;
        const char8_t* Expected;  // UTF-8, as the collecting sink writes
    } Cases[] = {
        {R"({\rtf1 Hello\par World})", u8"Hello|World"},
        {R"({\rtf1 a\tab b\line c\~d\{\}\\})", u8"a\tb\nc\u00A0d{}\\"},
        // \uN with the fallback characters of \ucN skipped, in any group; negative N
        {R"({\rtf1\uc1 \u21512?\u21516\'3f})", u8"合同"},
        {R"({\rtf1\uc2 \u21512\'ba\'cf\u21516 xx!})", u8"合同!"},
        {R"({\rtf1{\uc0 \u21512\u21516}\u-3913?})", u8"合同\uF0B7"},
        // 8-bit text in the document's code page, a double-byte character as two escapes
        {R"({\rtf1 \'ba\'cf\'cd\'ac})", u8"合同"},
        {R"({\rtf1\ansi\ansicpg1252 caf\'e9})", u8"café"},
        // a font's character set overrides the document's code page while the font is in use
        {R"({\rtf1\ansicpg1252{\fonttbl{\f0\fcharset0 A;}{\f1\fcharset134 B;}}\f1 \'ba\'cf{\f0 \'e9}\'cd\'ac\f0\'e9})",
         u8"合é同é"},
        // text is joined across formatting groups
        {R"({\rtf1 {\b \'ba\'cf}\'cd\'ac {\i kes}trel})", u8"合同 kestrel"},
        // tables, pictures, hidden destinations and field instructions are not text
        {R"({\rtf1{\fonttbl{\f0\fcharset134 \'cb\'ce\'cc\'e5;}}{\colortbl;\red0;}{\stylesheet{\s0 Normal;}}x})", u8"x"},
        {R"({\rtf1{\*\generator Writer}{\pict\pngblip 89504e47}{\*\listtable{\list x}}y})", u8"y"},
        {R"({\rtf1{\field{\*\fldinst HYPERLINK "http://a"}{\fldrslt {\ul link}}} z})", u8"link z"},
        {R"({\rtf1{\object{\objdata 0102}{\result shown}}})", u8"shown"},
        // \bin data is skipped by its length, braces and backslashes included
        {"{\\rtf1 a\\bin5 {}\\\\}b}", u8"ab"},
        // properties, each a run of its own; an 8-bit copy inside \upr gives way to its \ud
        {R"({\rtf1{\info{\title T}{\author \u29579?}{\creatim\yr2024}{\*\company Co}}body})", u8"|T||王||Co|body"},
        {R"({\rtf1{\info{\upr{\title ??}{\*\ud{\title \u24180?\u24230?}}}}x})", u8"|年度|x"},
        {R"({\rtf1{\upr{ab}{\*\ud{\u21512?}}}})", u8"合"},
        // damaged: cut in an escape, text after the document's group, unknown words
        {R"({\rtf1 abc\'b)", u8"abc"},
        {R"({\rtf1 {a\'}b{\'4}c})", u8"abc"},  // a cut escape does not swallow the brace
        {R"({\rtf1 abc}tail)", u8"abc"},
        {R"({\rtf1 \foo1\bar-2 x\verylongcontrolwordthatgoesonandonandonforever1 y})", u8"xy"},
    };
    for (const auto& C : Cases) EXPECT_EQ(Decode(C.Rtf), U8(C.Expected)) << C.Rtf;
}

TEST(RichText, DeepNestingAndStopping) {
    // Far deeper than the kept stack: no recursion, the text still arrives.
    const std::string Deep = "{\\rtf1 " + std::string(100000, '{') + "x" + std::string(100000, '}') + "y}";
    EXPECT_EQ(Decode(Deep), "xy");
    // Once the sink has had enough the decoder ends soon after.
    std::string Long = "{\\rtf1 ";
    for (int I = 0; I < 100000; ++I) Long += "word\\par ";
    EXPECT_LT(Decode(Long + "}", 10).size(), 100u);
}

TEST(Utf16BigEndian, UnitsAfterTheMark) {
    EXPECT_EQ(Decode(std::string("\xFE\xFF\x00\x41\x54\x08\x54\x0C\x00", 9)), U8(u8"A合同"));  // odd last byte
    std::string Long("\xFE\xFF", 2);
    for (int I = 0; I < 20000; ++I) Long += std::string("\x00x", 2);
    Long += std::string("\x54\x08\x54\x0C", 4);
    EXPECT_EQ(Decode(Long), std::string(20000, 'x') + U8(u8"合同"));  // across the reading blocks
}

}  // namespace
