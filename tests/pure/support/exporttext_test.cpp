// The copied and exported texts of the result list.
#include "pure/support/exporttext.h"

#include <gtest/gtest.h>

namespace {

TEST(ExportText, LinesAreJoinedByCrLf) {
    EXPECT_EQ(JoinedLines({}), "");
    EXPECT_EQ(JoinedLines({"C:\\a.txt"}), "C:\\a.txt");
    EXPECT_EQ(JoinedLines({"C:\\a.txt", "", "D:\\b c\\d.pdf"}), "C:\\a.txt\r\n\r\nD:\\b c\\d.pdf");
}

TEST(ExportText, FieldsAreQuotedOnlyWhenTheyNeedIt) {
    const struct {
        const char* Field;
        const char* Written;
    } Cases[] = {
        {"", ""},
        {"C:\\docs\\a.txt", "C:\\docs\\a.txt"},
        {"C:\\a,b.txt", "\"C:\\a,b.txt\""},
        {"C:\\say \"hi\".txt", "\"C:\\say \"\"hi\"\".txt\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"line\nfeed", "\"line\nfeed\""},
        {" leading", "\" leading\""},
        {"trailing ", "\"trailing \""},
        {"in the middle", "in the middle"},
        {"\"", "\"\"\"\""},
    };
    for (const auto& Case : Cases) EXPECT_EQ(CsvField(Case.Field), Case.Written) << Case.Field;
}

TEST(ExportText, StampsHaveTheFixedSpreadsheetForm) {
    TDateTime Afternoon = 0, LastMoment = 0;
    ASSERT_EQ(EncodeDateTime(2024, 3, 5, 14, 7, 9, 0, Afternoon), TEncodeResult::Ok);
    ASSERT_EQ(EncodeDateTime(1999, 12, 31, 23, 59, 59, 999, LastMoment), TEncodeResult::Ok);
    EXPECT_EQ(TableStamp(Afternoon), "2024-03-05 14:07:09");
    EXPECT_EQ(TableStamp(LastMoment), "1999-12-31 23:59:59");  // never rounded up into the next day
    EXPECT_EQ(TableStamp(0), "1899-12-30 00:00:00");
}

TEST(ExportText, TheTableIsUtf8WithItsMarkAHeaderAndOneRecordPerFile) {
    const std::string Mark = "\xEF\xBB\xBF";
    const std::string Header =
        "\xE8\xB7\xAF\xE5\xBE\x84,"                                                  // 路径
        "\xE5\xA4\xA7\xE5\xB0\x8F\xEF\xBC\x88\xE5\xAD\x97\xE8\x8A\x82\xEF\xBC\x89,"  // 大小（字节）
        "\xE4\xBF\xAE\xE6\x94\xB9\xE6\x97\xB6\xE9\x97\xB4\r\n";                      // 修改时间
    EXPECT_EQ(CsvTable({}), Mark + Header);
    const std::string Chinese = "C:\\\xE6\x8A\xA5\xE5\x91\x8A,\xE4\xB8\x80.doc";  // C:\报告,一.doc
    EXPECT_EQ(CsvTable({{"C:\\a.txt", 1234, "2024-03-05 14:07:09"},
                        {Chinese, 0, "2024-01-01 00:00:00"},
                        {"C:\\gone.txt", -1, ""}}),
              Mark + Header + "C:\\a.txt,1234,2024-03-05 14:07:09\r\n\"" + Chinese +
                  "\",0,2024-01-01 00:00:00\r\nC:\\gone.txt,,\r\n");
}

}  // namespace
