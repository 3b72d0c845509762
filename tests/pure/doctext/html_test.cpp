// Web pages and e-books: recognition, the text between the tags as a reader sees it, the page's
// charset, and the chapters of an EPUB in reading order.
#include <gtest/gtest.h>

#include "pure/doctext/html.h"
#include "tests/pure/doctext/placesink.h"
#include "tests/pure/doctext/ziptest.h"

namespace {

std::string Utf16(const std::string& Ascii, bool BigEndian) {
    std::string Out = BigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char C : Ascii) Out += BigEndian ? std::string{'\0', C} : std::string{C, '\0'};
    return Out;
}

TEST(Html, RecognizedByItsFirstTag) {
    const struct {
        std::string Head;
        bool Page;
    } Cases[] = {
        {"<!DOCTYPE html>\n<html>", true},
        {" \r\n<HTML lang=zh>", true},
        {"\xEF\xBB\xBF<html>", true},
        {"<!-- saved from url=(0014)about:internet -->\r\n<html>", true},
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\">", true},
        {"<head><title>x</title>", true},
        {"<meta charset=utf-8>", true},
        {Utf16("<html><body>", false), true},
        {Utf16("<html><body>", true), true},
        {"<htmlx>", false},
        {"<p>hello</p>", false},
        {"<?xml version='1.0'?><root/>", false},
        {"<!-- never closed <html>", false},
        {"hello <html>", false},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(IsHtml(reinterpret_cast<const unsigned char*>(C.Head.data()), C.Head.size()), C.Page) << C.Head;
}

TEST(Html, TextBetweenTheTags) {
    const struct {
        const char8_t* Body;
        const char8_t* Expected;
    } Cases[] = {
        {u8"报<span>销</span>单", u8"报销单|"},
        {u8"<p>a</p><p>b</p>\n<DIV>c</DIV>", u8"a|b|c|"},
        {u8"<div>one<br>two<BR/>three</div>", u8"one/two/three|"},
        {u8"a <b>bold</b>  and\r\n <i>it</i> ", u8"a bold and it|"},
        {u8"<table><tr><td>a</td><td>b</td></tr></table><ul><li>c<li>d</ul>", u8"a|b|c|d|"},
        // nothing from scripts, styles, comments and attributes
        {u8"<script>var x = '<p>no</p>';</script>yes<style>p{}</style>", u8"yes|"},
        {u8"<!-- hidden -->shown<!-- x -- y -->.<!---->!", u8"shown.!|"},
        {u8"<img alt=\"picture\" src=a.png>text<a href='http://x' title=\"x>y\">link</a>", u8"textlink|"},
        {u8"<script src=\"a.js\"/>after", u8"after|"},  // an empty script element, as XHTML writes it
        // references
        {u8"&lt;&amp;&gt;&quot;&apos;&nbsp;&eacute;&Eacute;&hellip;&euro;", u8"<&>\"'\u00A0éÉ…€|"},
        {u8"&#21512;&#x540C;&#X540c;&#x1F600;&#128;&#0;&#xD800;&#99999999;", u8"合同同😀€\uFFFD\uFFFD\uFFFD|"},
        {u8"AT&T &unknown; &amp &#xZZ; 5 < 6 &#", u8"AT&T &unknown; & &#xZZ; 5 < 6 &#|"},
        // Word's markup: conditional comments, office namespaces, non-breaking spaces
        {u8"<p class=MsoNormal><![if !supportLists]>1.<![endif]>&nbsp;合<span lang=EN-US>同<o:p></o:p></span></p>",
         u8"1.\u00A0合同|"},
        // damaged: a comment never closed, a tag cut at the end
        {u8"kept<!-- never closed <p>lost", u8"kept|"},
    };
    for (const auto& C : Cases) {
        const std::string Page = "<html><body>" + U8(C.Body);
        EXPECT_EQ(DecodeWithPlaces(Page), U8(C.Expected)) << Page;
    }
    // The title and the properties a page's author wrote are properties; other meta data is not.
    EXPECT_EQ(DecodeWithPlaces(U8(u8"<html><head><title>年度 预算</title><meta name=\"keywords\" content=\"合同, "
                                  u8"&lt;评审&gt;\"><meta name=generator content=x></head><body><p>text")),
              U8(u8"<Properties>年度 预算|<Body><Properties>合同, <评审>|<Body>text|"));
    // A value longer than is kept: a reference its cut ends is not read as a shorter one.
    const std::string Value = std::string(1017, 'a') + "&#x1F60A;";
    EXPECT_EQ(DecodeWithPlaces("<html><meta name=author content=\"" + Value + "\"><p>t"),
              "<Properties>" + std::string(1017, 'a') + "&#x1F60|<Body>t|");
}

TEST(Html, CharsetOfThePage) {
    const std::string Gbk = "合同";  // narrow literals are GBK
    const std::string Utf8 = U8(u8"合同");
    const std::string Padding = "<!--" + std::string(1100, ' ') + "-->";
    const struct {
        std::string Page;
        unsigned Missing = 0;
    } Cases[] = {
        {"<html><meta charset=\"gbk\"><p>" + Gbk},
        {"<html><head><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=gb2312\"></head>" + Gbk},
        {"<?xml version=\"1.0\" encoding=\"GBK\"?>\n<html><p>" + Gbk},
        {"<html><meta charset=\"gb18030\"><p>" + Gbk, 54936},
        {"\xEF\xBB\xBF<html><meta charset=gbk><p>" + Utf8},  // the byte-order mark comes first
        {Utf16("<html><p>", false) + std::string("\x08\x54\x0C\x54", 4)},
        {Utf16("<html><p>", true) + std::string("\x54\x08\x54\x0C", 4)},
        {"<html><meta charset=utf-16><p>" + Utf8},  // read as ASCII: not UTF-16
        // no declaration: UTF-8 when valid, else the system's code page
        {"<html><p>" + Utf8},
        {"<html><p>" + Gbk},
        // a declaration after the first kilobyte is not looked for
        {"<html>" + Padding + "<meta charset=big5><p>" + Utf8},
    };
    for (const auto& C : Cases) EXPECT_EQ(DecodeWithPlaces(C.Page, C.Missing), Utf8 + "|") << C.Page;
}

TEST(Html, DeepNestingAndStopping) {
    std::string Deep = "<html><body>";
    for (int I = 0; I < 250000; ++I) Deep += I % 2 ? "<div>" : "<span>";
    Deep += "x";
    for (int I = 0; I < 250000; ++I) Deep += I % 2 ? "</div>" : "</span>";
    EXPECT_EQ(DecodeWithPlaces(Deep), "x|");
    std::string Long = "<html><body>";
    for (int I = 0; I < 100000; ++I) Long += "<p>word</p>";
    EXPECT_LT(DecodeToText(Long, true, 10).size(), 100u);
}

TEST(Epub, ChaptersInReadingOrderAndMetadata) {
    auto Chapter = [](const char8_t* Title, const char8_t* Body) {
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html "
               "xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>" +
               U8(Title) + "</title><link rel=\"stylesheet\" href=\"../s.css\"/></head><body>" + U8(Body) +
               "</body></html>";
    };
    TZipMember Mimetype{"mimetype", "application/epub+zip"};
    Mimetype.Deflate = false;
    const std::string Book = TZipWriter().Build({
        Mimetype,
        {"META-INF/container.xml",
         "<container><rootfiles><rootfile full-path=\"OEBPS/content.opf\" "
         "media-type=\"application/oebps-package+xml\"/></rootfiles></container>"},
        {"OEBPS/content.opf",
         U8(u8"<package xmlns=\"http://www.idpf.org/2007/opf\"><metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
            u8"<dc:title>年度报告</dc:title><dc:creator>王丽</dc:creator><dc:language>zh</dc:language></metadata>"
            u8"<manifest><item id=\"c2\" href=\"text/ch%202.xhtml\" media-type=\"application/xhtml+xml\"/>"
            u8"<item id=\"c1\" href=\"text/ch1.xhtml\" media-type=\"application/xhtml+xml\"/>"
            u8"<item id=\"css\" href=\"s.css\" media-type=\"text/css\"/></manifest>"
            u8"<spine><itemref idref=\"c1\"/><itemref idref=\"c2\"/><itemref idref=\"c1\"/><itemref idref=\"no\"/>"
            u8"</spine></package>")},
        {"OEBPS/text/ch 2.xhtml", Chapter(u8"第二章", u8"<p>合同</p>")},
        {"OEBPS/text/ch1.xhtml", Chapter(u8"第一章", u8"<p>报<span>销</span>单</p>")},
        {"OEBPS/s.css", "p { color: red }"},
    });
    EXPECT_EQ(DecodeWithPlaces(Book),
              U8(u8"<Properties>第一章|<Body>报销单||<Properties>第二章|<Body>合同||<Properties>年度报告|王丽|<Body>"));
}

}  // namespace
