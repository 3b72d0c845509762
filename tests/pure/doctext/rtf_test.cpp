// Rich Text through format recognition and the decoder: what a reader sees arrives, the tables
// and hidden destinations do not; the fast paths give what the general rules give.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "pure/doctext/rtf.h"
#include "tests/pure/doctext/doctexttest.h"

namespace {

std::string Decode(const std::string& Bytes, std::size_t StopAfterUnits = SIZE_MAX) {
    return DecodeToText(Bytes, true, StopAfterUnits);
}

// What the decoder (or, with Fast false, the general rules alone) hands out, places included.
std::string DecodeRtfText(const std::string& Rtf, bool Fast = true, std::vector<std::size_t> Cuts = {},
                          const TCodePageConverter* Pages = nullptr) {
    static const TIconvCodePages Iconv;
    TDecodeEnv Env;
    Env.CodePages = Pages != nullptr ? Pages : &Iconv;
    TCutSource Source(Rtf.data(), Rtf.size(), std::move(Cuts));
    TPlaceSink Sink;
    (Fast ? DecodeRtf : DecodeRtfByteByByte)(Source, Sink, Env);
    return Sink.Text8;
}

TEST(RichText, VisibleTextAndPropertiesOnly) {
    const struct {
        const char* Rtf;
        const char8_t* Expected;  // UTF-8, as the collecting sink writes
    } Cases[] = {
        {R"({\rtf1 Hello\par World})", u8"Hello|World"},
        {R"({\rtf1 a\tab b\line c\~d\{\}\\})", u8"a\tb|c\u00A0d{}\\"},  // \line a line break
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

TEST(RichText, PlacesOfHeadersFootnotesCommentsAndProperties) {
    const struct {
        const char* Rtf;
        const char* Expected;  // places as <Name>
    } Cases[] = {
        {R"({\rtf1{\info{\title T}{\author A}}{\header H\line h}Body{\footnote F}more\par{\footer P}end})",
         "<Properties>|T||A|<Body><HeaderFooter>H|h|<Body>Body|<Footnote>F|<Body>more|<HeaderFooter>P|<Body>end"},
        {R"({\rtf1{\header a{\footnote b}c}d})", "<HeaderFooter>a|<Footnote>b|<HeaderFooter>c|<Body>d"},
        // a comment marked as ignorable stays unread; nothing hidden has a place
        {R"({\rtf1 a{\*\annotation x}{\annotation c}b})", "a|<Comment>c|<Body>b"},
        {R"({\rtf1{\stylesheet{\header x}{\footnote y}}z})", "z"},
    };
    for (const auto& C : Cases) EXPECT_EQ(DecodeRtfText(C.Rtf), C.Expected) << C.Rtf;
}

TEST(RichText, WithoutAnsicpgTheSystemCodePage) {
    struct TLatinSystem : TIconvCodePages {
        unsigned SystemCodePage() const override { return 1252; }
    } Latin;
    EXPECT_EQ(DecodeRtfText(R"({\rtf1 caf\'e9})", true, {}, &Latin), U8(u8"café"));
    EXPECT_EQ(DecodeRtfText(R"({\rtf1 \'ba\'cf})"), U8(u8"合"));
}

TEST(RichText, EightBitTextHeldAndConverted) {
    // The buffer of held bytes fills with a lead byte last: it waits there for its trail.
    const std::string A(4095, 'a');
    EXPECT_EQ(Decode("{\\rtf1 " + A + "\\'ba\\'cf" + A + "}"), A + U8(u8"合") + A);
    // Without a converter only ASCII and \uN are known.
    EXPECT_EQ(DecodeToText("{\\rtf1 caf\\'e9 \\u21512?}", false), U8(u8"caf 合"));
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

// Random Rich Text of the pieces the fast paths take apart: \uN with every kind of fallback,
// \ucN, runs of \'hh, plain and 8-bit text, groups, font and code-page changes, cut escapes.
// Repeat > 1 makes long runs, past the pieces in which text is converted and handed on.
std::string RandomRtf(std::mt19937& Rng, int Pieces, int Repeat) {
    const auto Pick = [&](std::size_t N) { return static_cast<std::size_t>(Rng() % N); };
    // Laid out by hand: a piece that ends in a line end would stand the pieces one to a line.
    // clang-format off
    static const char* const Words[] = {
        "{", "}", "{\\*\\x ", "\\par ", "\\line ", "\\tab", "\\~", "\\{", "\\\\", "\\uc0 ", "\\uc1 ", "\\uc2 ", "?", " ",
        "\r\n", "\\\r\n", "\\f1 ", "\\f0", "\\u", "\\u-", "\\u12345678", "\\'4", "\\'g1", "\\'", "{\\upr{", "{\\*\\ud{",
        "\\*", "\\bin2 }{", "\\b0 ", "{\\info{\\title ", "\\ansicpg1252 ", "\\ansicpg936 ", "{\\pict ", "{\\footnote ",
        "{\\header "};
    // clang-format on
    static const int Units[] = {21512, -3913, 65, 0, 65535, -32768, 70000, -32769, 92};
    std::string Out = "{\\rtf1{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset134 B;}}";
    for (int N = static_cast<int>(Pick(Pieces)); N-- > 0;) {
        std::string Piece;
        switch (Pick(4)) {
        case 0:
            Piece = Words[Pick(std::size(Words))];
            break;
        case 1:
            Piece = "\\u" + std::to_string(Units[Pick(std::size(Units))]) + (Pick(2) ? " " : "");
            break;
        case 2:
            for (std::size_t K = 1 + Pick(6); K-- > 0;) {
                char Hex[8];
                std::snprintf(Hex, sizeof Hex, Pick(2) ? "\\'%02x" : "\\'%02X", static_cast<unsigned>(Rng() & 0xFF));
                Piece += Hex;
            }
            break;
        default:
            for (std::size_t K = 1 + Pick(8); K-- > 0;)
                Piece += static_cast<char>(Pick(3) ? 'a' + Pick(26) : 0x80 + Pick(128));
        }
        for (std::size_t K = 1 + Pick(Repeat); K-- > 0;) Out += Piece;
    }
    return Out + "}";
}

// Where two decodings part, with a little of each from there: the whole texts are long.
std::string Difference(const std::string& A, const std::string& B) {
    const std::size_t At = std::mismatch(A.begin(), A.end(), B.begin(), B.end()).first - A.begin();
    if (At == A.size() && At == B.size()) return "";
    return "at " + std::to_string(At) + ": \"" + A.substr(At, 40) + "\" against \"" + B.substr(At, 40) + "\"";
}

TEST(RichText, FastPathsGiveWhatTheGeneralRulesGive) {
    std::mt19937 Rng(17);
    // Short documents with the reader's buffer ending at each byte in turn.
    for (int Doc = 0; Doc < 100; ++Doc) {
        const std::string Rtf = RandomRtf(Rng, 40, 2);
        const std::string Expected = DecodeRtfText(Rtf, false);
        ASSERT_EQ(DecodeRtfText(Rtf), Expected) << Rtf;
        for (std::size_t Cut = 1; Cut < Rtf.size(); ++Cut)
            ASSERT_EQ(Difference(DecodeRtfText(Rtf, true, {Cut}), Expected), "") << "cut at " << Cut << " of " << Rtf;
    }
    // Long runs, past the pieces text is converted and handed on in, with the buffer cut at random.
    for (int Doc = 0; Doc < 20; ++Doc) {
        const std::string Rtf = RandomRtf(Rng, 60, 1500);
        std::vector<std::size_t> Cuts;
        for (std::size_t At = 0; At < Rtf.size(); At += 1 + Rng() % 700) Cuts.push_back(At);
        ASSERT_EQ(Difference(DecodeRtfText(Rtf, true, Cuts), DecodeRtfText(Rtf, false)), "") << "document " << Doc;
    }
}

}  // namespace
