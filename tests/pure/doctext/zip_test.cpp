// Zipped documents: the ZIP container in its variants, the bounds on inflation, and the parts of
// Office Open XML and OpenDocument packages whose text a reader sees.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <iterator>

#include "pure/doctext/document.h"
#include "pure/doctext/package.h"
#include "pure/doctext/zip.h"
#include "tests/pure/doctext/doctexttest.h"
#include "tests/pure/doctext/ziptest.h"

namespace {

std::string Decode(const std::string& Package) { return DecodeToText(Package); }

const std::string Types = "[Content_Types].xml";
std::string TypesXml(const std::string& Overrides) {
    return "<?xml version=\"1.0\"?><Types><Default Extension=\"xml\" ContentType=\"application/xml\"/>" + Overrides +
           "</Types>";
}
std::string Override(const std::string& Part, const std::string& Kind) {
    return "<Override PartName=\"" + Part + "\" ContentType=\"application/vnd.openxmlformats-officedocument." + Kind +
           "+xml\"/>";
}
std::string WordBody(const std::string& Inner) {
    return "<w:document xmlns:w=\"w\"><w:body>" + Inner + "</w:body></w:document>";
}
std::string Rels(const std::string& Target, const std::string& Type) {
    return "<Relationships><Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" +
           Type + "\" Target=\"" + Target + "\"/></Relationships>";
}
const std::string Document = Override("/word/document.xml", "wordprocessingml.document.main");

// The container: every variant gives the same text.
TEST(ZipPackage, ContainerVariants) {
    const std::string Body = WordBody(U8(u8"<w:p><w:r><w:t>合同</w:t></w:r></w:p>"));
    auto Docx = [&](TZipMember Main, bool Zip64 = false) {
        Main.Name = "word/document.xml", Main.Data = Body;
        TZipWriter Writer;
        Writer.Zip64 = Zip64;
        return Writer.Build({{Types, TypesXml(Document)}, Main});
    };
    TZipMember Stored, Deflated, Descriptor, LocalExtra, Encrypted;
    Stored.Deflate = false;
    Descriptor.Descriptor = true;
    LocalExtra.LocalExtra = std::string(
        "\x99\x99\x04\x00"
        "abcd",
        8);
    Encrypted.Flags = 1;
    const std::string Whole = Docx(Deflated);
    // A GBK member name, named in the content types by its percent-encoded UTF-8 form.
    TZipMember Gbk{"word/\xCE\xC4\xB5\xB5.xml", Body};  // 文档 in GBK
    Gbk.Utf8Name = false;
    const std::string GbkPackage = TZipWriter().Build(
        {{Types, TypesXml(Override("/word/%E6%96%87%E6%A1%A3.xml", "wordprocessingml.document.main"))}, Gbk});
    struct TCase {
        const char* What;
        std::string Package, Text;
    } Cases[] = {
        {"stored", Docx(Stored), U8(u8"合同|")},
        {"deflated", Whole, U8(u8"合同|")},
        {"zip64", Docx(Deflated, true), U8(u8"合同|")},
        {"data descriptor", Docx(Descriptor), U8(u8"合同|")},
        {"local extra field", Docx(LocalExtra), U8(u8"合同|")},
        {"gbk member name", GbkPackage, U8(u8"合同|")},
        {"prefixed by a stub", "MZ stub" + Whole, ""},  // not a package by its first bytes
        {"encrypted member", Docx(Encrypted), ""},
        {"directory lost: local headers", Whole.substr(0, Whole.size() - 30), U8(u8"合同|")},
        {"truncated inside the member", Whole.substr(0, Whole.find("word/document.xml") + 40), ""},
        {"only a signature", "PK\x03\x04", ""},
    };
    for (const TCase& C : Cases) EXPECT_EQ(C.Text, Decode(C.Package)) << C.What;

    // Bytes before the package (a self-extractor) and a long archive comment after it: only the
    // central directory, found backwards past the comment, can tell where the members lie.
    const std::string Framed =
        "MZ stub" + Whole.substr(0, Whole.size() - 2) + std::string("\xD0\x07", 2) + std::string(2000, 'c');
    TMemorySource Source(Framed.data(), Framed.size());
    TCollectSink Sink;
    DecodeZipPackage(Source, Sink, TDecodeEnv{});
    EXPECT_EQ(U8(u8"合同|"), Sink.Text8);
}

// 1 GiB of spaces deflated into about a megabyte: cut off, quickly, with bounded output.
TEST(ZipPackage, BombIsCutOff) {
    const std::string Spaces(1 << 20, ' ');
    z_stream S{};
    deflateInit2(&S, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string Block(deflateBound(&S, Spaces.size()), '\0');
    S.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Spaces.data()));
    S.avail_in = static_cast<uInt>(Spaces.size());
    S.next_out = reinterpret_cast<Bytef*>(Block.data());
    S.avail_out = static_cast<uInt>(Block.size());
    deflate(&S, Z_FULL_FLUSH);  // a block that can be repeated: nothing refers back past it
    Block.resize(S.total_out);
    deflateEnd(&S);
    std::string Stream;
    for (int I = 0; I < 1024; ++I) Stream += Block;
    Stream += RawDeflate(U8(u8"<w:p><w:t>合同</w:t></w:p></w:body></w:document>"));
    TZipMember Bomb{"word/document.xml", ""};
    Bomb.Compressed = Stream;
    Bomb.StatedSize = std::uint64_t(1) << 30;
    const std::string Package = TZipWriter().Build({{Types, TypesXml(Document)}, Bomb});
    ASSERT_LT(Package.size(), std::size_t(2) << 20);

    const std::clock_t Start = std::clock();
    TMemorySource Source(Package.data(), Package.size());
    std::vector<TZipEntry> Entries = ReadZipDirectory(Source);
    ASSERT_EQ(2u, Entries.size());
    std::uint64_t Budget = ZipPackageBudget;
    TZipMemberReader Reader(Source, Entries[1], Budget);
    std::vector<unsigned char> Out(1 << 16);
    std::uint64_t Total = 0;
    while (std::size_t Got = Reader.Read(Out.data(), Out.size())) Total += Got;
    EXPECT_TRUE(Reader.CutOff());
    EXPECT_LE(Total, Stream.size() * ZipSaneRatio + (1 << 20));
    EXPECT_EQ("", Decode(Package));                        // the text after the spaces lies beyond the cut
    EXPECT_LT(std::clock() - Start, 10 * CLOCKS_PER_SEC);  // processor time, sanitizers included
}

TEST(ZipPackage, ThousandsOfMembers) {
    std::vector<TZipMember> Members{{Types, TypesXml(Document)}};
    for (int I = 0; I < 5000; ++I) Members.push_back({"media/image" + std::to_string(I) + ".png", "x"});
    Members.push_back({"word/document.xml", WordBody("<w:p><w:t>last</w:t></w:p>")});
    EXPECT_EQ("last|", Decode(TZipWriter().Build(Members)));
}

// Which parts count, and which of their text: a keyword in each place a reader sees it is found,
// and names of styles, fonts and themes never are.
TEST(ZipPackage, PartsOfEachKind) {
    const std::string K = U8(u8"合同");
    const std::string Run =
        U8(u8"<w:r><w:t>合</w:t></w:r><w:proofErr w:type=\"spellEnd\"/><w:bookmarkEnd "
           u8"w:id=\"1\"/><w:r><w:t>同</w:t></w:r>");
    const std::string Split = U8(u8"<w:p><w:r><w:t>合</w:t></w:r></w:p><w:p><w:r><w:t>同</w:t></w:r></w:p>");
    const std::string Style =
        U8(u8"<w:styles><w:style w:styleId=\"a\"><w:name w:val=\"合同\"/><w:rFonts "
           u8"w:eastAsia=\"合同\"/></w:style></w:styles>");
    auto Docx = [&](const std::string& Part, const std::string& Kind, const std::string& Xml) {
        return TZipWriter().Build({{Types, TypesXml(Document + Override("/" + Part, Kind))},
                                   {"word/document.xml", WordBody("<w:p><w:t>body</w:t></w:p>")},
                                   {Part, Xml}});
    };
    auto Package = [&](std::vector<TZipMember> Members) { return TZipWriter().Build(Members); };
    const std::string Sst = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    const std::string Manifest =
        "<manifest:manifest><manifest:file-entry manifest:full-path=\"/\" manifest:media-type="
        "\"application/vnd.oasis.opendocument.spreadsheet\"/><manifest:file-entry "
        "manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/></manifest:manifest>";
    struct TCase {
        const char* What;
        std::string Package;
        bool Found;
    } Cases[] = {
        {"runs with proofing marks",
         Package({{Types, TypesXml(Document)}, {"word/document.xml", WordBody("<w:p>" + Run + "</w:p>")}}), true},
        {"two paragraphs", Package({{Types, TypesXml(Document)}, {"word/document.xml", WordBody(Split)}}), false},
        {"table cell",
         Package({{Types, TypesXml(Document)},
                  {"word/document.xml", WordBody("<w:tbl><w:tr><w:tc><w:p>" + Run + "</w:p></w:tc></w:tr></w:tbl>")}}),
         true},
        {"text box",
         Package({{Types, TypesXml(Document)},
                  {"word/document.xml", WordBody("<w:p><w:r><w:drawing><wps:txbx><w:txbxContent><w:p>" + Run +
                                                 "</w:p></w:txbxContent></wps:txbx></w:drawing></w:r></w:p>")}}),
         true},
        {"header", Docx("word/header1.xml", "wordprocessingml.header", "<w:hdr><w:p>" + Run + "</w:p></w:hdr>"), true},
        {"footnote",
         Docx("word/footnotes.xml", "wordprocessingml.footnotes",
              "<w:footnotes><w:footnote><w:p>" + Run + "</w:p></w:footnote></w:footnotes>"),
         true},
        {"comment",
         Docx("word/comments.xml", "wordprocessingml.comments",
              "<w:comments><w:comment w:author=\"x\"><w:p>" + Run + "</w:p></w:comment></w:comments>"),
         true},
        {"style and font names", Docx("word/styles.xml", "wordprocessingml.styles", Style), false},
        {"theme",
         Docx("word/theme/theme1.xml", "theme",
              U8(u8"<a:theme name=\"合同\"><a:font typeface=\"合同\" script=\"Hans\"/></a:theme>")),
         false},
        {"core properties only",
         Package({{Types, TypesXml("<Override PartName=\"/docProps/core.xml\" "
                                   "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>")},
                  {"docProps/core.xml", "<cp:coreProperties><dc:title>" + K + "</dc:title></cp:coreProperties>"}}),
         true},
        {"shared string with rich runs",
         Package({{Types, TypesXml("<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"" + Sst +
                                   "sharedStrings+xml\"/>")},
                  {"xl/sharedStrings.xml",
                   U8(u8"<sst><si><r><t>合</t></r><r><rPr><rFont val=\"x\"/></rPr><t>同</t></r></si></sst>")}}),
         true},
        {"two shared strings",
         Package({{Types, TypesXml("<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"" + Sst +
                                   "sharedStrings+xml\"/>")},
                  {"xl/sharedStrings.xml", U8(u8"<sst><si><t>合</t></si><si><t>同</t></si></sst>")}}),
         false},
        {"inline string",
         Package({{Types, TypesXml("<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"" + Sst +
                                   "worksheet+xml\"/>")},
                  {"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>" + K +
                                                   "</t></is></c></row></sheetData></worksheet>"}}),
         true},
        {"sheet name",
         Package(
             {{Types, TypesXml("<Override PartName=\"/xl/workbook.xml\" ContentType=\"" + Sst + "sheet.main+xml\"/>")},
              {"xl/workbook.xml", "<workbook><sheets><sheet name=\"" + K + "\" sheetId=\"1\"/></sheets></workbook>"}}),
         true},
        {"slide notes",
         Package(
             {{Types,
               TypesXml(
                   "<Override PartName=\"/ppt/notesSlides/notesSlide1.xml\" "
                   "ContentType=\"application/vnd.openxmlformats-officedocument.presentationml.notesSlide+xml\"/>")},
              {"ppt/notesSlides/notesSlide1.xml",
               "<p:notes><p:txBody><a:p><a:r><a:t>" + K + "</a:t></a:r></a:p></p:txBody></p:notes>"}}),
         true},
        {"no content types: relationships to a header",
         Package({{"[Content_Types].xml", "damaged"},
                  {"_rels/.rels", Rels("/doc/main.xml", "officeDocument")},
                  {"doc/main.xml", WordBody("<w:p><w:t>body</w:t></w:p>")},
                  {"doc/_rels/main.xml.rels", Rels("parts/top.xml", "header")},
                  {"doc/parts/top.xml", "<w:hdr><w:p>" + Run + "</w:p></w:hdr>"}}),
         true},
        {"no content types: relationships to slide notes",
         Package({{"_rels/.rels", Rels("ppt/presentation.xml", "officeDocument")},
                  {"[Content_Types].xml", ""},
                  {"ppt/presentation.xml", "<p:presentation/>"},
                  {"ppt/_rels/presentation.xml.rels", Rels("s/one.xml", "slide")},
                  {"ppt/s/one.xml", "<p:sld/>"},
                  {"ppt/s/_rels/one.xml.rels", Rels("../n/one.xml", "notesSlide")},
                  {"ppt/n/one.xml", "<p:notes><a:p><a:t>" + K + "</a:t></a:p></p:notes>"}}),
         true},
        {"no content types or relationships: names",
         Package({{"[Content_Types].xml", "damaged"}, {"word/header2.xml", "<w:hdr><w:p>" + Run + "</w:p></w:hdr>"}}),
         true},
        {"odf sheet name and manifest",
         Package({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                  {"META-INF/manifest.xml", Manifest},
                  {"content.xml",
                   "<office:document-content><table:table table:name=\"" + K + "\"/></office:document-content>"}}),
         true},
        {"odf header, not style names",
         Package({{"mimetype", "application/vnd.oasis.opendocument.text"},
                  {"styles.xml", U8(u8"<office:document-styles><style:style style:name=\"合同\" "
                                    u8"style:display-name=\"正文\"/><number:text>合同</number:text>"
                                    u8"<style:master-page><style:header><text:p>合<text:span>同</text:span></text:p></"
                                    u8"style:header></style:master-page></office:document-styles>")}}),
         true},
        {"odf part of a password-protected document",
         Package({{"mimetype", "application/vnd.oasis.opendocument.text"},
                  {"META-INF/manifest.xml",
                   "<manifest:manifest><manifest:file-entry manifest:full-path=\"content.xml\" "
                   "manifest:media-type=\"text/xml\">"
                   "<manifest:encryption-data/></manifest:file-entry></manifest:manifest>"},
                  {"content.xml", "<text:p>" + K + "</text:p>"}}),
         false},
        {"odf style names only",
         Package(
             {{"mimetype", "application/vnd.oasis.opendocument.text"},
              {"styles.xml", U8(u8"<office:document-styles><style:style "
                                u8"style:name=\"合同\"/><number:text>合同</number:text></office:document-styles>")}}),
         false},
    };
    for (const TCase& C : Cases) {
        const std::string Text = Decode(C.Package);
        EXPECT_EQ(C.Found, Text.find(K) != std::string::npos) << C.What << ": " << Text;
    }
}

TEST(ZipPackage, PartNames) {
    EXPECT_EQ("word/header1.xml", ResolvePartName("word/document.xml", "header1.xml"));
    EXPECT_EQ("media/a b.png", ResolvePartName("word/document.xml", "../media/a%20b.png"));
    EXPECT_EQ("customxml/item1.xml", ResolvePartName("word/document.xml", "/customXml/item1.xml"));
    EXPECT_EQ("x.xml", ResolvePartName("", "../../x.xml"));
}

// Documents written by an office suite: what their author typed is found, the body font and the
// style names the suite stores internally are not.
TEST(ZipPackage, RealDocuments) {
    struct TCase {
        const char* File;
        const char8_t* Keyword;
        bool Found;
    } Cases[] = {
        {"notice.docx", u8"合同", true},    {"notice.docx", u8"年度预算", true}, {"notice.docx", u8"宋体", false},
        {"notice.docx", u8"正文", false},   {"budget.xlsx", u8"年度预算", true}, {"budget.xlsx", u8"KesTrel", true},
        {"budget.xlsx", u8"宋体", false},   {"budget.xlsx", u8"正文", false},    {"budget.ods", u8"合同", true},
        {"budget.ods", u8"年度预算", true}, {"budget.ods", u8"宋体", false},     {"budget.ods", u8"正文", false},
    };
    const std::string Folder = std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/fixtures/";
    for (const TCase& C : Cases) {
        std::ifstream In(Folder + C.File, std::ios::binary);
        ASSERT_TRUE(In) << C.File;
        const std::string Text = Decode(std::string(std::istreambuf_iterator<char>(In), {}));
        EXPECT_EQ(C.Found, Text.find(U8(C.Keyword)) != std::string::npos) << C.File << " " << U8(C.Keyword);
    }
}

}  // namespace
