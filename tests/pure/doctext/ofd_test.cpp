// OFD packages: the parts a reader sees (pages, their templates and annotations, properties,
// attachments), how their locations resolve, where the text stands, the bounds a hostile index
// meets, and real files of several producers.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <iterator>

#include "pure/doctext/document.h"
#include "tests/pure/doctext/doctexttest.h"
#include "tests/pure/doctext/ziptest.h"

namespace {

std::string Read(const std::string& Package) {
    static const TIconvCodePages Iconv;
    TDecodeEnv Env;
    Env.CodePages = &Iconv;
    TMemorySource Source(Package.data(), Package.size());
    TPlaceSink Sink;
    DecodeDocument(*FindFormat("zip"), Source, Sink, Env);
    return Sink.Text8;
}

const std::string Ns = " xmlns:ofd=\"http://www.ofdspec.org/2016\"";
std::string Root(const std::string& Info = "", const std::string& DocRoot = "Doc_0/Document.xml") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ofd:OFD" + Ns + " DocType=\"OFD\"><ofd:DocBody><ofd:DocInfo>" +
           Info + "</ofd:DocInfo><ofd:DocRoot>" + DocRoot + "</ofd:DocRoot></ofd:DocBody></ofd:OFD>";
}
// A document's index: common data (template pages) and the pages, each an ID and a location.
std::string Index(const std::string& Templates, const std::vector<std::pair<int, std::string>>& Pages,
                  const std::string& More = "") {
    std::string Out = "<ofd:Document" + Ns + "><ofd:CommonData><ofd:MaxUnitID>99</ofd:MaxUnitID>" + Templates +
                      "</ofd:CommonData><ofd:Pages>";
    for (const auto& [Id, Location] : Pages)
        Out += "<ofd:Page ID=\"" + std::to_string(Id) + "\" BaseLoc=\"" + Location + "\"/>";
    return Out + "</ofd:Pages>" + More + "</ofd:Document>";
}
std::string TemplatePage(int Id, const std::string& Location) {
    return "<ofd:TemplatePage ID=\"" + std::to_string(Id) + "\" BaseLoc=\"" + Location + "\"/>";
}
std::string UseTemplate(int Id) {
    return "<ofd:Template TemplateID=\"" + std::to_string(Id) + "\" ZOrder=\"Background\"/>";
}
// A text object, a layer, a page's content.
std::string Txt(const std::string& Text) {
    return "<ofd:TextObject ID=\"5\" Boundary=\"0 0 20 5\" Font=\"3\" Size=\"3.1\"><ofd:FillColor Value=\"0 0 0\"/>"
           "<ofd:TextCode X=\"0\" Y=\"3\" DeltaX=\"g 3 3.1\">" +
           Text + "</ofd:TextCode></ofd:TextObject>";
}
std::string Layer(const std::string& Objects) { return "<ofd:Layer ID=\"4\">" + Objects + "</ofd:Layer>"; }
std::string Page(const std::string& Layers, const std::string& Templates = "") {
    return "<?xml version=\"1.0\"?><ofd:Page" + Ns +
           "><ofd:Area><ofd:PhysicalBox>0 0 210 140</ofd:PhysicalBox></ofd:Area>" + Templates + "<ofd:Content>" +
           Layers + "</ofd:Content></ofd:Page>";
}
// Resources: composite graphic units, each drawing Content.
std::string Units(const std::string& Content) {
    return "<ofd:Res><ofd:CompositeGraphicUnits><ofd:CompositeGraphicUnit ID=\"9\"><ofd:Content>" + Content +
           "</ofd:Content></ofd:CompositeGraphicUnit></ofd:CompositeGraphicUnits></ofd:Res>";
}
std::string Build(std::vector<TZipMember> Members) { return TZipWriter().Build(Members); }

const std::string Doc = "Doc_0/Document.xml";
const std::string Page0 = "Doc_0/Pages/Page_0/Content.xml";
const std::string Page1 = "Doc_0/Pages/Page_1/Content.xml";

TEST(OfdPackage, PagesTemplatesAnnotationsProperties) {
    const std::string OnePage = Index("", {{1, "Pages/Page_0/Content.xml"}});
    const std::string TwoPages = Index("", {{1, "Pages/Page_0/Content.xml"}, {2, "Pages/Page_1/Content.xml"}});
    const std::string Annotated =
        Index("", {{7, "Pages/Page_0/Content.xml"}}, "<ofd:Annotations>Annots/Annotations.xml</ofd:Annotations>");
    const std::string Annotations =
        "<ofd:Annotations" + Ns +
        "><ofd:Page PageID=\"8\"><ofd:FileLoc>Other.xml</ofd:FileLoc></ofd:Page>"
        "<ofd:Page PageID=\"7\"><ofd:FileLoc> Page_0/Annotation.xml </ofd:FileLoc></ofd:Page>"
        "</ofd:Annotations>";
    auto Annot = [](const std::string& Text) {
        return "<ofd:PageAnnot" + Ns +
               "><ofd:Annot Type=\"Stamp\" ID=\"9\"><ofd:Parameters><ofd:Parameter "
               "Name=\"fp.NativeSign\">sign</ofd:Parameter></ofd:Parameters><ofd:Appearance Boundary=\"0 0 9 9\">" +
               Txt(Text) + "</ofd:Appearance></ofd:Annot></ofd:PageAnnot>";
    };
    // Template 1 names template 2, which names 1 again and the document's own index.
    const std::string Chained =
        Index(TemplatePage(1, "Tpls/A.xml") + TemplatePage(2, "Tpls/B.xml") + TemplatePage(3, "Document.xml"),
              {{1, "Pages/Page_0/Content.xml"}});
    const std::string Info =
        U8(u8"<ofd:DocID>0b56</ofd:DocID><ofd:Title>年度报告</ofd:Title><ofd:Author>China Tax</ofd:Author>"
           u8"<ofd:CreationDate>2020-07-23</ofd:CreationDate><ofd:Creator>Producer</ofd:Creator>"
           u8"<ofd:Keywords><ofd:Keyword>发票</ofd:Keyword><ofd:Keyword>报销</ofd:Keyword></ofd:Keywords>"
           u8"<ofd:CustomDatas><ofd:CustomData Name=\"发票号码\">83089647</ofd:CustomData></ofd:CustomDatas>");
    struct TCase {
        const char* What;
        std::vector<TZipMember> Parts;
        std::string Text;
    } Cases[] = {
        {"one text object",
         {{"OFD.xml", Root()}, {Doc, OnePage}, {Page0, Page(Layer(Txt(U8(u8"合同"))))}},
         U8(u8"<Page 1>合同|<Properties>")},
        {"a word drawn one character per object; layers and pages end runs",
         {{"OFD.xml", Root()},
          {Doc, TwoPages},
          {Page0, Page(Layer(Txt(U8(u8"合")) + Txt(U8(u8"同"))) + Layer(Txt("A") + Txt("B")))},
          {Page1, Page(Layer(Txt(U8(u8"书"))))}},
         U8(u8"<Page 1>合同|AB|<Page 2>书|<Properties>")},
        {"page blocks nested in a layer, glyph transforms, references and CDATA",
         {{"OFD.xml", Root()},
          {Doc, OnePage},
          {Page0, Page(Layer(Txt("R&amp;W") +
                             "<ofd:PageBlock ID=\"6\"><ofd:PageBlock ID=\"7\"><ofd:TextObject ID=\"8\">"
                             "<ofd:CGTransform CodePosition=\"0\" CodeCount=\"1\" GlyphCount=\"1\">"
                             "<ofd:Glyphs>1234</ofd:Glyphs></ofd:CGTransform><ofd:TextCode>&#x5408;"
                             "</ofd:TextCode></ofd:TextObject></ofd:PageBlock></ofd:PageBlock>" +
                             Txt(U8(u8"<![CDATA[同]]>"))))}},
         U8(u8"<Page 1>R&W合同|<Properties>")},
        {"a template before the page that uses it, once for all pages",
         {{"OFD.xml", Root()},
          {Doc, Index(TemplatePage(2, "Tpls/Tpl_0/Content.xml"),
                      {{1, "Pages/Page_0/Content.xml"}, {3, "Pages/Page_1/Content.xml"}})},
          {"Doc_0/Tpls/Tpl_0/Content.xml", Page(Layer(Txt(U8(u8"名称：")) + Txt(U8(u8"金额："))))},
          {Page0, Page(Layer(Txt(U8(u8"甲公司"))), UseTemplate(2))},
          {Page1, Page(Layer(Txt(U8(u8"乙公司"))), UseTemplate(2))}},
         U8(u8"<Page 1>名称：金额：|甲公司|<Page 2>乙公司|<Properties>")},
        {"templates naming templates, a cycle, the index as a template",
         {{"OFD.xml", Root()},
          {Doc, Chained},
          {"Doc_0/Tpls/A.xml", Page(Layer(Txt("a")), UseTemplate(2))},
          {"Doc_0/Tpls/B.xml", Page(Layer(Txt("b")), UseTemplate(1) + UseTemplate(3))},
          {Page0, Page(Layer(Txt("p")), UseTemplate(1) + UseTemplate(1))}},
         "<Page 1>a|b|p|<Properties>"},
        {"annotations of a page by its ID, then those of no listed page",
         {{"OFD.xml", Root()},
          {Doc, Annotated},
          {Page0, Page(Layer(Txt(U8(u8"正文"))))},
          {"Doc_0/Annots/Annotations.xml", Annotations},
          {"Doc_0/Annots/Page_0/Annotation.xml", Annot(U8(u8"已验章"))},
          {"Doc_0/Annots/Other.xml", Annot(U8(u8"水印"))}},
         U8(u8"<Page 1>正文|<Comment 1>已验章|<Comment>水印|<Properties>")},
        {"composite graphic units of a page's resources, then of the document's",
         {{"OFD.xml", Root()},
          {Doc, Index("<ofd:PublicRes>PublicRes.xml</ofd:PublicRes><ofd:DocumentRes>DocumentRes.xml</ofd:DocumentRes>",
                      {{1, "Pages/Page_0/Content.xml"}})},
          {Page0,
           Page(Layer("<ofd:CompositeObject ID=\"3\" ResourceID=\"9\"/>"), "<ofd:PageRes>Res.xml</ofd:PageRes>")},
          {"Doc_0/Pages/Page_0/Res.xml", Units(Txt(U8(u8"页")))},
          {"Doc_0/DocumentRes.xml", Units(Txt(U8(u8"合"))) + Units(Txt(U8(u8"同")))},
          {"Doc_0/PublicRes.xml",
           U8(u8"<ofd:Res><ofd:Fonts><ofd:Font ID=\"3\" FontName=\"宋体\"/></ofd:Fonts></ofd:Res>")}},
         U8(u8"<Page 1>页|<Page>合同|<Properties>")},
        {"descriptive properties, not identifiers, dates or the producer",
         {{"OFD.xml", Root(Info)}, {Doc, OnePage}, {Page0, Page(Layer(Txt("x")))}},
         U8(u8"<Page 1>x|<Properties>年度报告|China Tax|发票|报销|83089647|")},
        {"a page drawn as paths, a page of a font's own codes, codes amid characters",
         {{"OFD.xml", Root()},
          {Doc, TwoPages},
          {Page0, Page(Layer("<ofd:PathObject ID=\"3\" Boundary=\"0 0 9 9\"><ofd:AbbreviatedData>M 0 0 L 9 9"
                             "</ofd:AbbreviatedData></ofd:PathObject>" +
                             Txt(U8(u8"\uE001\uE002\uF8FF"))))},
          {Page1, Page(Layer(Txt(U8(u8"合\uE000同")) + Txt(U8(u8"\uE123"))))}},
         U8(u8"<Page 1><Page 2>合|同|<Properties>")},
    };
    for (const TCase& C : Cases) EXPECT_EQ(C.Text, Read(Build(C.Parts))) << C.What;
}

// Locations relative to the part that names them, from the root, written as some producers
// write them; names in either case; other namespaces and prefixes; a byte-order mark.
TEST(OfdPackage, LocationsAndSpellings) {
    const std::string Bom = "\xEF\xBB\xBF";
    const std::string Text = Page(Layer(Txt("found")));
    auto Package = [&](const std::string& Index, const std::string& Member, const std::string& Content) {
        return Build({{"OFD.xml", Root()}, {Doc, Index}, {Member, Content}});
    };
    struct TCase {
        const char* What;
        std::string Package;
    } Cases[] = {
        {"from the root", Package(Index("", {{1, "/Doc_0/P/C.xml"}}), "Doc_0/P/C.xml", Text)},
        {"up a folder", Package(Index("", {{1, "./Pages/../../Doc_0/P/C.xml"}}), "Doc_0/P/C.xml", Text)},
        {"from the root without its slash", Package(Index("", {{1, "Doc_0/P/C.xml"}}), "Doc_0/P/C.xml", Text)},
        {"backslashes and another case", Package(Index("", {{1, "pages\\page_0\\content.XML"}}), Page0, Text)},
        {"index and root named in another case", Build({{"ofd.XML", Root("", " /DOC_0/document.xml ")},
                                                        {Doc, Index("", {{1, "P.xml"}})},
                                                        {"Doc_0/P.xml", Text}})},
        {"the older namespace, no prefix, a byte-order mark",
         Build(
             {{"OFD.xml", Bom + "<OFD xmlns=\"http://www.ofdspec.org\"><DocBody><DocRoot>D/Document.xml</DocRoot>"
                                "</DocBody></OFD>"},
              {"D/Document.xml", Bom + "<Document xmlns=\"http://www.ofdspec.org\"><Pages><Page ID=\"1\" "
                                       "BaseLoc=\"C.xml\"/></Pages></Document>"},
              {"D/C.xml", Bom + "<Page xmlns=\"http://www.ofdspec.org\"><Content><Layer><TextObject><TextCode X=\"0\">"
                                "found</TextCode></TextObject></Layer></Content></Page>"}})},
        {"another prefix",
         Build({{"OFD.xml",
                 "<o:OFD xmlns:o=\"http://www.ofdspec.org/2016\"><o:DocBody><o:DocRoot>Document.xml"
                 "</o:DocRoot></o:DocBody></o:OFD>"},
                {"Document.xml", "<o:Document><o:Pages><o:Page BaseLoc='C.xml'/></o:Pages></o:Document>"},
                {"C.xml",
                 "<o:Page><o:Content><o:Layer><o:TextObject><o:TextCode>found</o:TextCode>"
                 "</o:TextObject></o:Layer></o:Content></o:Page>"}})},
    };
    for (const TCase& C : Cases) EXPECT_EQ("<Page 1>found|<Properties>", Read(C.Package)) << C.What;
    // A member name in GBK without the UTF-8 flag is found by its location in UTF-8.
    TZipMember Gbk{"Doc_0/\xB7\xA2\xC6\xB1/C.xml", Text};  // 发票 in GBK
    Gbk.Utf8Name = false;
    EXPECT_EQ("<Page 1>found|<Properties>",
              Read(Build({{"OFD.xml", Root()}, {Doc, Index("", {{1, U8(u8"发票/C.xml")}})}, Gbk})));
}

TEST(OfdPackage, Attachments) {
    const std::string Listed = Index("", {}, "<ofd:Attachments>Attachs/Attachments.xml</ofd:Attachments>");
    auto Attachment = [](const std::string& Name, const std::string& Location) {
        return "<ofd:Attachment ID=\"9\"" + (Name.empty() ? "" : " Name=\"" + Name + "\"") +
               " Format=\"xml\" Visible=\"false\"><ofd:FileLoc>" + Location + "</ofd:FileLoc></ofd:Attachment>";
    };
    auto Package = [&](const std::string& List, std::vector<TZipMember> Files) {
        Files.insert(Files.begin(),
                     {{"OFD.xml", Root()},
                      {Doc, Listed},
                      {"Doc_0/Attachs/Attachments.xml", "<ofd:Attachments" + Ns + ">" + List + "</ofd:Attachments>"}});
        return Build(Files);
    };
    const std::string Data =
        U8(u8"<?xml version=\"1.0\" encoding=\"utf-8\"?><eInvoice xmlns:fp=\"x\"><fp:InvoiceNo>83089647</fp:InvoiceNo>"
           u8"<fp:Buyer>\n <fp:BuyerName>江苏某某有限公司</fp:BuyerName><fp:BuyerAddrTel></fp:BuyerAddrTel></fp:Buyer>"
           u8"<fp:Item><![CDATA[*餐饮服务*餐费]]></fp:Item><fp:Note>A &amp; B</fp:Note></eInvoice>");
    const std::string Gbk =
        "<?xml version=\"1.0\" encoding=\"GBK\"?><Invoice><Seller>\xD0\xA1\xB5\xEA</Seller></Invoice>";  // 小店
    const std::string Docx = TZipWriter().Build(
        {{"[Content_Types].xml",
          "<Types><Override PartName=\"/word/document.xml\" ContentType=\"application/"
          "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>"},
         {"word/document.xml", U8(u8"<w:document><w:body><w:p><w:t>合同正文</w:t></w:p></w:body></w:document>")}});
    struct TCase {
        const char* What;
        std::string Package, Text;
    } Cases[] = {
        {"an e-invoice's data, a run per field",
         Package(Attachment("original_invoice", "original_invoice.xml"),
                 {{"Doc_0/Attachs/original_invoice.xml", Data}}),
         U8(u8"{original_invoice:83089647|江苏某某有限公司|*餐饮服务*餐费|A & B|}<Properties>")},
        {"data in GBK, called by its file name",
         Package(Attachment("", "/Doc_0/Attachs/data.xml"), {{"Doc_0/Attachs/data.xml", Gbk}}),
         U8(u8"{data.xml:小店|}<Properties>")},
        {"a document of a known format",
         Package(Attachment(U8(u8"合同.docx"), "c.docx"), {{"Doc_0/Attachs/c.docx", Docx}}),
         U8(u8"{合同.docx:<Body>合同正文|}<Properties>")},
        {"an image, a missing file, the list itself, the root",
         Package(Attachment("a", "a.png") + Attachment("b", "b.xml") + Attachment("c", "Attachments.xml") +
                     Attachment("d", "/OFD.xml"),
                 {{"Doc_0/Attachs/a.png", "\x89PNG\r\n\x1A\n...."}}),
         "<Properties>"},
    };
    for (const TCase& C : Cases) EXPECT_EQ(C.Text, Read(C.Package)) << C.What;
}

// Damaged packages give what can still be read, or nothing.
TEST(OfdPackage, Damaged) {
    const std::string Index0 = Index("", {{1, "Pages/Page_0/Content.xml"}});
    const std::string Whole = Build({{"OFD.xml", Root()}, {Doc, Index0}, {Page0, Page(Layer(Txt("text")))}});
    struct TCase {
        const char* What;
        std::string Package, Text;
    } Cases[] = {
        {"whole", Whole, "<Page 1>text|<Properties>"},
        {"no index", Build({{"OFD.xml", Root()}}), "<Properties>"},
        {"root cut short", Build({{"OFD.xml", "<ofd:OFD><ofd:DocBody><ofd:DocRoot>Doc_0/Docu"}, {Doc, Index0}}),
         "<Properties>"},
        {"index cut short",
         Build({{"OFD.xml", Root()},
                {Doc, "<ofd:Document><ofd:Pages><ofd:Page BaseLoc=\"Pages/Page_0/Content.xml\"/><ofd:Page BaseLoc=\"P"},
                {Page0, Page(Layer(Txt("text")))}}),
         "<Page 1>text|<Properties>"},
        {"page of no XML", Build({{"OFD.xml", Root()}, {Doc, Index0}, {Page0, "\x01\x02<<>&;"}}),
         "<Page 1><Properties>"},
        {"package cut short inside the page", Whole.substr(0, Whole.find("Content.xml") + 30), "<Page 1><Properties>"},
    };
    for (const TCase& C : Cases) EXPECT_EQ(C.Text, Read(C.Package)) << C.What;
}

// An index that names itself as a template and lists 100,000 pages, all drawn on it and on one
// page's content: each member is read once, in little time.
TEST(OfdPackage, HostileIndex) {
    std::vector<std::pair<int, std::string>> Pages;
    for (int I = 0; I < 100000; ++I) Pages.emplace_back(I, I % 2 == 0 ? "Pages/Page_0/Content.xml" : "Document.xml");
    const std::string Package = Build({{"OFD.xml", Root()},
                                       {Doc, Index(TemplatePage(1, "Document.xml"), Pages)},
                                       {Page0, Page(Layer(Txt("once")), UseTemplate(1))}});
    const std::clock_t Start = std::clock();
    EXPECT_EQ("<Page 1>once|<Properties>", Read(Package));
    EXPECT_LT(std::clock() - Start, 10 * CLOCKS_PER_SEC);  // processor time, sanitizers included
}

// Real files (see fixtures/README.md): what a person reads on them is found: sellers and buyers,
// invoice numbers, items, the labels and licence text of template pages, a watermark.
TEST(OfdPackage, RealFiles) {
    const std::pair<const char*, std::vector<const char8_t*>> Cases[] = {
        {"invoice-2020.ofd", {u8"兰溪市悦济舫餐厅", u8"83089647", u8"开户行及账号", u8"*餐饮服务*餐费"}},
        {"invoice-2022.ofd", {u8"杭州融运科技有限公司", u8"99934328", u8"增值税电子普通发票"}},
        {"invoice-2024.ofd",
         {u8"北京互联三六五科技有限公司", u8"24112000000048542163", u8"统一社会信用代码", u8"下载次数"}},
        {"invoice-template-2020.ofd", {u8"财天下科技有限公司", u8"价税合计（大写）"}},
        {"licence-2022.ofd", {u8"矿产资源勘查许可证", u8"探矿权人地址", u8"云南省镇康县"}},
        {"decision-2024.ofd", {u8"立案决定书", u8"中华人民共和国刑事诉讼法"}},
    };
    const std::string Folder = std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/fixtures/";
    for (const auto& [File, Keywords] : Cases) {
        std::ifstream In(Folder + File, std::ios::binary);
        ASSERT_TRUE(In) << File;
        const std::string Bytes(std::istreambuf_iterator<char>(In), {});
        const std::string Text = DecodeToText(Bytes);
        for (const char8_t* Keyword : Keywords) {
            EXPECT_NE(std::string::npos, Text.find(U8(Keyword))) << File << " " << U8(Keyword);
            // The keyword test, which passes over the members that cannot hold the word, finds it.
            std::u16string Wide;
            DecodeUtf8(U8(Keyword), Wide);
            EXPECT_TRUE(KeywordTestFinds(Bytes, Wide)) << File << " " << U8(Keyword);
        }
    }
}

}  // namespace
