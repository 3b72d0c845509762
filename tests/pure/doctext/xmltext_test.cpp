// The XML text extractor: what counts as text, and the same text however the bytes are cut.
#include "pure/doctext/xmltext.h"

#include <gtest/gtest.h>

#include "pure/engine/keymatch.h"
#include "tests/pure/doctext/doctexttest.h"
#include "tests/pure/doctext/ziptest.h"

namespace {

const TXmlTextRules Word{.Containers = "t", .Breaks = "p tc", .Skips = "Fallback", .Tabs = "tab", .LineBreaks = "br"};
const TXmlTextRules Odf{.Containers = "p h",
                        .Breaks = "p h table-cell",
                        .Spaces = "s",
                        .SpaceCount = "c",
                        .Tabs = "tab",
                        .LineBreaks = "line-break",
                        .AttributeElement = "table",
                        .AttributeName = "name"};
const TXmlTextRules Sheet{.Containers = "t",
                          .Breaks = "c row",
                          .Unless = {.Containers = "v", .Element = "c", .Attribute = "t", .Values = "s b e"}};

std::string Extract(const TXmlTextRules& Rules, const std::string& Xml, std::size_t Piece) {
    TCollectSink Sink;
    TXmlTextExtractor Extractor(Rules, Sink);
    for (std::size_t At = 0; At < Xml.size(); At += Piece)
        Extractor.Feed(reinterpret_cast<const unsigned char*>(Xml.data()) + At, std::min(Piece, Xml.size() - At));
    Extractor.Finish();
    return Sink.Text8;
}

std::string Utf16(const std::string& Utf8, bool BigEndian) {
    std::u16string Wide;
    TIconvCodePages().ToUtf16(65001, Utf8, Wide);
    std::string Out = BigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t U : Wide) {
        const char Lo = static_cast<char>(U & 0xFF), Hi = static_cast<char>(U >> 8);
        Out += BigEndian ? Hi : Lo;
        Out += BigEndian ? Lo : Hi;
    }
    return Out;
}

TEST(XmlText, TextOfElementsJoinedWithinRunsAndCutByBreaks) {
    struct TCase {
        const TXmlTextRules* Rules;
        std::string Xml, Text;
    } Cases[] = {
        // Runs, proofing marks and bookmarks inside one paragraph join; attribute values never count.
        {&Word,
         U8(u8"<?xml version=\"1.0\"?><w:body><w:p><w:r><w:rPr><w:rFonts w:ascii=\"宋体\"/></w:rPr><w:t>合</w:t></w:r>"
            u8"<w:proofErr w:type=\"spellStart\"/><w:bookmarkStart w:id=\"0\" "
            u8"w:name=\"x\"/><w:r><w:t>同</w:t></w:r></w:p></w:body>"),
         U8(u8"合同|")},
        {&Word, U8(u8"<w:p><w:r><w:t>甲方合</w:t></w:r></w:p><w:p><w:r><w:t>同意</w:t></w:r></w:p>"),
         U8(u8"甲方合|同意|")},
        {&Word,
         "<w:p><w:t xml:space=\"preserve\">a &lt;b&gt; &amp; &quot;&apos; &#x5408;&#21516; &bogus; &#0; &</w:t></w:p>",
         U8(u8"a <b> & \"' 合同 &bogus; &#0; &|")},
        {&Word, "<w:p><w:t><![CDATA[x<y]]]>z</w:t><!-- <w:t>no</w:t> --><?pi <w:t>no</w:t>?></w:p>", "x<y]z|"},
        {&Word, "<!DOCTYPE d [<!ENTITY e \"no\">]><w:p><w:t>a</w:t><w:tab/><w:t>b</w:t><w:br/><w:t>c</w:t></w:p>",
         "a\tb|c|"},
        {&Word, "<w:p><mc:Fallback><w:t>twice</w:t></mc:Fallback><w:t>once</w:t></w:p> <w:t\n>ok</w:t >", "once|ok|"},
        {&Word, "<w:p><w:t>\xE5\x90 \xFF</w:t></w:p>", U8(u8"\uFFFD \uFFFD|")},
        {&Word, "<w:p><w:t>\xE0\x90\x88 \xF0\x80\x81\x81</w:t></w:p>", U8(u8"\uFFFD \uFFFD|")},  // overlong forms
        {&Odf, "<text:p>a<text:s/>b<text:tab/>c<text:line-break/>d</text:p><text:h>e</text:h>", "a b\tc|d|e|"},
        {&Odf, "<text:p>a<text:s text:c=\"3\"/>b<text:s text:c='0'/>c<text:s x=\">\" c=\" 2 \"/>d</text:p>",
         "a   b c  d|"},
        {&Odf,
         U8(u8"<table:table table:style-name=\"正文\" table:name=\"年度&amp;预算\"><table:table-cell><text:p>x</text:p>"
            u8"</table:table-cell></table:table>"),
         U8(u8"年度&预算|x|")},
        {&Word, "<w:p><w:t>unclosed", "unclosed|"},
        // Containers that count unless the element around them says not; the attribute read
        // wherever it stands, quoted either way, in tags cut anywhere.
        {&Sheet,
         "<row><c r=\"A1\" t=\"s\"><v>7</v></c><c r=\"B1\"><f>A1*2</f><v>14</v></c><x:c x:t='b'><x:v>1</x:v></x:c>"
         "<c t = \"str\" r=\"D1\"><v>ab</v></c><c t=\"e\"/><c><v>3</v></c><c t=\"inlineStr\"><is><t>x</t></is></c>"
         "</row>",
         "14|ab|3|x|"},
        // Attribute names by one rule however the tag arrives: the run before '=', its local part,
        // the first of a name; and "/>" with blanks between.
        {&Sheet,
         "<c r t = 's'><v>1</v></c><c y:t=\"b\" t=\"n\"><v>2</v></c><c tt=\"s\" at=\"e\"><v>3</v></c>"
         "<c t=\"str\" / ><v>4</v><c t=\"e\"x=\"1\"><v>5</v></c><c t='s'/ ><v>6</v>",
         "3|4|6|"},
        // Damaged: a cell left open, an end tag of another name inside; what follows still counts.
        {&Sheet, "<c><v>1</t></v><c t=\"s\"><v>2</v><v>3</v></c><c><v>4</v></c><t>5</t>", "1|4|5|"},
        // Breaks whose attributes hold '>' and "/>", and an empty one.
        {&Word,
         "<w:p w:a=\"1>2\" w:b='/>'><w:r><w:t>a</w:t></w:r></w:p><w:p w:c=\"x\"/><w:p><w:t>b</w:t><w:tab "
         "w:v=\">\"/></w:p>",
         "a|b\t|"},
    };
    for (const TCase& C : Cases) {
        for (std::size_t Piece : {C.Xml.size() + 1, std::size_t(1), std::size_t(3)})
            EXPECT_EQ(C.Text, Extract(*C.Rules, C.Xml, Piece)) << C.Xml << " in pieces of " << Piece;
    }
}

// Tags of no meaning are passed over unread, 64 bytes at a time: whatever their alignment, the
// tags that act among them (text, a skipped fallback, a tab, markup after "<!") are still read.
TEST(XmlText, TagsThatActFoundAmongOthersAtAnyAlignment) {
    std::string Filler;
    for (int I = 0; I < 4; ++I) Filler += "<w:r><w:rPr><w:rFonts w:ascii=\"a:t\"/><w:b/></w:rPr></w:r>";
    const std::string Xml = "<w:p>" + Filler + "<!-- <w:t>no</w:t> -->" + Filler +
                            "<mc:Fallback><w:t>no</w:t></mc:Fallback>" + Filler + "<t>a</t>" + Filler + "<w:tab/>" +
                            Filler + "</w:p><x:t>b</x:t>";
    for (std::size_t Pad = 0; Pad < 70; ++Pad)
        EXPECT_EQ("a\t|b|", Extract(Word, std::string(Pad, ' ') + Xml, Xml.size() + Pad)) << Pad;
}

// Rules may list any number of names of any length: the last of forty names and a name longer
// than a tag name read at once still act, a longer tag name than any listed one does not.
TEST(XmlText, EveryListedNameActsHoweverManyOrLong) {
    std::string Containers;
    for (int I = 0; I < 40; ++I) Containers += "n" + std::to_string(I) + " ";
    const std::string Long(45, 'q');
    Containers += Long;
    const TXmlTextRules Many{.Containers = Containers.c_str(), .Breaks = "p"};
    const std::string Xml = "<p><x:n39>a</x:n39><n0>b</n0><n40>no</n40></p><p><" + Long + ">c</" + Long + "><" + Long +
                            "q>no</" + Long + "q></p>";
    for (std::size_t Piece : {Xml.size(), std::size_t(1), std::size_t(4)})
        EXPECT_EQ("ab|c|", Extract(Many, Xml, Piece)) << Piece;
}

TEST(XmlText, Utf16PartsWithByteOrderMark) {
    const std::string Xml = U8(u8"<?xml version=\"1.0\" encoding=\"UTF-16\"?><w:p><w:t>合同 \U0001F600</w:t></w:p>");
    for (bool BigEndian : {false, true})
        for (std::size_t Piece : {std::size_t(1000), std::size_t(1), std::size_t(5)})
            EXPECT_EQ(U8(u8"合同 \U0001F600|"), Extract(Word, Utf16(Xml, BigEndian), Piece)) << BigEndian << Piece;
}

// Long text of every kind of character, valid and damaged, in an order that puts each kind at
// every offset of a 16-byte block and runs past the held-back buffer: read whole it must give what
// a byte at a time gives, and the decoded characters must be the ones written.
TEST(XmlText, LongMixedTextReadWholeAsByteByByte) {
    const std::string Pieces[] = {
        "plain ascii words ", U8(u8"合同"),   "\xC3\xA9", U8(u8"\U0001F600"), "x",
        "\xED\xA0\x80",       "\xE0\x80\x80", "\xE5\x90", U8(u8"甲方乙方"),   "0123456789abcdef"};
    std::string Text;
    for (unsigned I = 0, R = 1; I < 900; ++I, R = R * 1103515245 + 12345) Text += Pieces[(R >> 16) % 10];
    const std::string Xml = "<w:p><w:t>" + Text + "</w:t></w:p>";
    const std::string Whole = Extract(Word, Xml, Xml.size());
    EXPECT_EQ(Extract(Word, Xml, 1), Whole);
    EXPECT_EQ(Extract(Word, Xml, 7), Whole);
    const std::string Clean = U8(u8"合同 ab\u00E9\U0001F600 甲方") + std::string(40, 'z');
    std::string Many;
    for (int I = 0; I < 100; ++I) Many += Clean;
    EXPECT_EQ(Many + "|", Extract(Word, "<w:p><w:t>" + Many + "</w:t></w:p>", 100000));
}

// A keyword test waits for the keyword's first unit: runs without it are passed over undecoded,
// and the answer stays the one the whole text gives, however the bytes arrive.
TEST(XmlText, KeywordTestPassingOverRunsFindsWhatTheTextHolds) {
    const struct {
        std::u16string_view Keyword;
        std::string Xml;
        bool Found;
    } Cases[] = {
        {u"合同", U8(u8"<w:p><w:t>甲方</w:t><w:t>乙方</w:t></w:p><w:p><w:t>本合同</w:t></w:p>"), true},
        {u"合同", U8(u8"<w:p><w:t>本合</w:t><w:proofErr/><w:t>同意</w:t></w:p>"), true},
        {u"合同", U8(u8"<w:p><w:t>本合</w:t><w:t>x</w:t><w:t>同意</w:t></w:p>"), false},
        {u"合同", U8(u8"<w:p><w:t>本合</w:t></w:p><w:p><w:t>同意</w:t></w:p>"), false},
        {u"合同", U8(u8"<w:p><w:t>本&#x5408;同</w:t></w:p>"), true},                 // the first unit from a reference
        {u"合同", U8(u8"<w:p><w:t>本\xE5\x90</w:t><w:t>\x88同</w:t></w:p>"), true},  // one cut between runs
        {u"Kestrel", U8(u8"<w:p><w:t>甲 the kestrel plan</w:t></w:p>"), true},
        {u"kestrel", U8(u8"<w:p><w:t>KESTRE</w:t><w:t>L</w:t></w:p>"), true},
        {u"\U0001F600x", U8(u8"<w:p><w:t>a\U0001F600x</w:t></w:p>"), true},
        {u"\uFFFDx", "<w:p><w:t>a\xFFx</w:t></w:p>", true},
    };
    for (const auto& C : Cases) {
        std::string Wide;
        for (char16_t U : C.Keyword) Wide += {static_cast<char>(U & 0xFF), static_cast<char>(U >> 8)};
        const TKeywordScanner Scanner("-", Wide);
        for (std::size_t Piece : {C.Xml.size(), std::size_t(1), std::size_t(3)}) {
            TKeywordMatcher Matcher(Wide, Scanner);
            TXmlTextExtractor Extractor(Word, Matcher);
            bool More = true;
            for (std::size_t At = 0; More && At < C.Xml.size(); At += Piece)
                More = Extractor.Feed(reinterpret_cast<const unsigned char*>(C.Xml.data()) + At,
                                      std::min(Piece, C.Xml.size() - At));
            if (More) Extractor.Finish();
            EXPECT_EQ(C.Found, Matcher.Found()) << C.Xml << " in pieces of " << Piece;
        }
    }
}

// Line-break elements end a line inside the paragraph, not the paragraph; a line break with no
// text before it in its run ends nothing.
TEST(XmlText, LineBreaksEndLinesNotParagraphs) {
    struct TLineSink : TCollectSink {
        bool LineBreak() override {
            Text8 += '/';
            return true;
        }
    } Sink;
    TXmlTextExtractor Extractor(Word, Sink);
    const std::string Xml = "<w:p><w:t>a</w:t><w:br/><w:br/><w:t>b</w:t></w:p><w:p><w:br/><w:t>c</w:t></w:p>";
    Extractor.Feed(reinterpret_cast<const unsigned char*>(Xml.data()), Xml.size());
    Extractor.Finish();
    EXPECT_EQ("a/b|c|", Sink.Text8);
}

TEST(XmlText, StopsWhenTheSinkHasEnough) {
    TCollectSink Sink;
    Sink.StopAfterUnits = 1;
    TXmlTextExtractor Extractor(Word, Sink);
    const std::string Xml = "<w:p><w:t>a</w:t></w:p><w:p><w:t>b</w:t></w:p>";
    EXPECT_FALSE(Extractor.Feed(reinterpret_cast<const unsigned char*>(Xml.data()), Xml.size()));
    EXPECT_EQ("a", Sink.Text8);
}

}  // namespace
