// What a reader sees in a spreadsheet's cells and in OpenDocument's space and tab elements: small
// hand-built parts, each in a package of its own, with the text that comes out.
#include <gtest/gtest.h>

#include "tests/pure/doctext/doctexttest.h"
#include "tests/pure/doctext/placesink.h"
#include "tests/pure/doctext/ziptest.h"

namespace {

std::string Worksheet(const std::string& Rows) {
    const std::string Types =
        "<Types><Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/></Types>";
    const std::string Sheet =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<sheetData>" +
        Rows + "</sheetData></worksheet>";
    return TZipWriter().Build({{"[Content_Types].xml", Types}, {"xl/worksheets/sheet1.xml", Sheet}});
}

TEST(CellText, WorksheetCellsGiveWhatTheSheetShows) {
    const struct {
        const char* What;
        std::string Rows, Text;
    } Cases[] = {
        {"numbers as stored, each cell its own run",
         "<row r=\"1\"><c r=\"A1\" s=\"2\"><v>24330000012345</v></c><c r=\"B1\" t=\"n\"><v>1234.5</v></c>"
         "<c r=\"C1\"><v>-3E-05</v></c></row>",
         "24330000012345|1234.5|-3E-05|"},
        {"a shared string's index, a truth value, an error code: nothing",
         "<row><c r=\"A1\" t=\"s\"><v>17</v></c><c t=\"b\"><v>1</v></c><c t=\"e\"><v>#DIV/0!</v></c></row>", ""},
        {"inline strings, plain and rich",
         U8(u8"<row><c t=\"inlineStr\"><is><t>发票号码</t></is></c><c t=\"inlineStr\"><is><r><t>合</t></r>"
            u8"<r><rPr><b/></rPr><t>同</t></r></is></c></row>"),
         U8(u8"发票号码|合同|")},
        {"cached formula results, not the formulas",
         U8(u8"<row><c r=\"A2\"><f>SUM(A1:C1)</f><v>1234.49997</v></c><c t=\"str\"><f>A1&amp;\"号\"</f>"
            u8"<v>甲&amp;乙</v></c><c t=\"b\"><f>A1&gt;0</f><v>1</v></c><c t=\"e\"><f>1/0</f><v>#DIV/0!</v></c></row>"),
         U8(u8"1234.49997|甲&乙|")},
        {"prefixed names, single quotes, the type anywhere among the attributes",
         "<x:row><x:c x:t='s' r='A1'><x:v>3</x:v></x:c><x:c s=\"1\" r=\"B1\"><x:v>42</x:v></x:c>"
         "<c r=\"C1\" s=\"3\" t=\"e\"><v>#N/A</v></c><c r=\"D1\" t=\"d\"><v>2024-05-01</v></c></x:row>",
         "42|2024-05-01|"},
        {"empty and self-closed cells between",
         "<row><c r=\"A1\" s=\"1\"/><c r=\"B1\" t=\"s\"/><c r=\"C1\"><v>7</v></c><c r=\"D1\"></c></row>", "7|"},
    };
    for (const auto& C : Cases) EXPECT_EQ(C.Text, DecodeToText(Worksheet(C.Rows))) << C.What;
}

// A sink that awaits one unit, as the keyword test does: number cells are passed over only while
// it awaits a unit that no number holds; a formula's text result never is.
TEST(CellText, NumbersPassedOverOnlyWhenNoMatchCanLieInThem) {
    struct TAwaitingSink : TCollectSink {
        char16_t Awaited = 0;
        char16_t AwaitedUnit() const override { return Awaited; }
    };
    const std::string Book =
        Worksheet(U8(u8"<row><c r=\"A1\"><v>24330000012345</v></c><c t=\"n\"><v>7</v></c>"
                     u8"<c t=\"str\"><f>A1</f><v>甲乙</v></c></row>"));
    const struct {
        char16_t Awaited;
        const char8_t *Present, *Absent;
    } Cases[] = {{u'2', u8"24330000012345", u8"甲乙"},
                 {u'7', u8"7", u8"24330000012345"},
                 {u'甲', u8"甲乙", u8"24330000012345"},
                 {u'x', u8"", u8"7"}};
    for (const auto& C : Cases) {
        TAwaitingSink Sink;
        Sink.Awaited = C.Awaited;
        DecodeRecognized(Book, Sink, TDecodeEnv{});
        EXPECT_NE(Sink.Text8.find(U8(C.Present)), std::string::npos) << int(C.Awaited) << " " << Sink.Text8;
        EXPECT_EQ(Sink.Text8.find(U8(C.Absent)), std::string::npos) << int(C.Awaited) << " " << Sink.Text8;
    }
}

// A workbook of two named sheets over one table of shared strings, read with and without places:
// with them each string stands on the sheet whose cell first shows it, the unused ones last; the
// runs are the same either way.
TEST(CellText, SharedStringsStandOnTheSheetsThatShowThem) {
    const std::string Main = "spreadsheetml.",
                      Rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    auto Override = [](const std::string& Part, const std::string& Type) {
        return "<Override PartName=\"/xl/" + Part + "\" ContentType=\"application/vnd.openxmlformats-officedocument." +
               Type + "+xml\"/>";
    };
    auto Sheet = [](const std::string& Cells) {
        return "<worksheet><sheetData><row>" + Cells + "</row></sheetData></worksheet>";
    };
    const std::string Book = TZipWriter().Build(
        {{"[Content_Types].xml", "<Types>" + Override("workbook.xml", Main + "sheet.main") +
                                     Override("sharedStrings.xml", Main + "sharedStrings") +
                                     Override("worksheets/sheet1.xml", Main + "worksheet") +
                                     Override("worksheets/sheet2.xml", Main + "worksheet") + "</Types>"},
         {"xl/workbook.xml", U8(u8"<workbook><sheets><sheet name=\"收入\" r:id=\"rId1\"/><sheet name=\"支出\" "
                                u8"r:id=\"rId2\"/></sheets></workbook>")},
         {"xl/_rels/workbook.xml.rels",
          "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
          "<Relationship Id=\"rId2\" Target=\"worksheets/sheet2.xml\"/></Relationships>"},
         {"xl/sharedStrings.xml",
          U8(u8"<sst><si><t>南方纸业</t></si><si><t>unused</t></si><si><r><t>合</t></r><r><t>同</t></r></si></sst>")},
         {"xl/worksheets/sheet1.xml", Sheet("<c t=\"s\"><v>2</v></c><c><v>5</v></c><c t=\"s\"><v>99</v></c>")},
         {"xl/worksheets/sheet2.xml", Sheet("<c t=\"s\"><v>0</v></c><c t=\"s\"><v>2</v></c><c t=\"s\"><v>0</v></c>")}});
    const std::string Placed = DecodeWithPlaces(Book), Plain = DecodeToText(Book);
    EXPECT_EQ(Placed, U8(u8"<Sheet 收入>5|合同|<Sheet 支出>南方纸业|<Body>收入|支出|<Body>unused|"));
    EXPECT_EQ(Plain, U8(u8"南方纸业|unused|合同|5|收入|支出|"));
}

std::string OpenDocument(const std::string& Body) {
    return TZipWriter().Build({{"mimetype", "application/vnd.oasis.opendocument.text"},
                               {"content.xml", "<office:document-content xmlns:text=\"t\"><office:body><office:text>" +
                                                   Body + "</office:text></office:body></office:document-content>"}});
}

TEST(CellText, OpenDocumentSpacesAndTabs) {
    const struct {
        const char* What;
        std::string Body, Text;
    } Cases[] = {
        {"one space, a tab", "<text:p>a<text:s/>b<text:tab/>c</text:p>", "a b\tc|"},
        {"a counted run of spaces among other attributes",
         "<text:p>No.<text:s text:c=\"4\"/>1<text:s text:style-name=\"x\" text:c='2'/>2</text:p>", "No.    1  2|"},
        {"a count of none or not a number stands for one space",
         "<text:p>a<text:s text:c=\"0\"/>b<text:s text:c=\"-3\"/>c<text:s text:c=\"\"/>d</text:p>", "a b c d|"},
        {"a count beyond the bound", "<text:p>a<text:s text:c=\"99999999999999999999\"/>b</text:p>",
         "a" + std::string(1024, ' ') + "b|"},
        {"in a heading and a table cell",
         "<text:h>x<text:s text:c=\"2\"/>y</text:h><table:table-cell><text:p>1<text:tab/>2</text:p></table:table-cell>",
         "x  y|1\t2|"},
    };
    for (const auto& C : Cases) EXPECT_EQ(C.Text, DecodeToText(OpenDocument(C.Body))) << C.What;
}

}  // namespace
