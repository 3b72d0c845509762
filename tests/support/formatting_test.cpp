// Formatting with the locale settings of the running system (the Chinese locale of the test
// prefix), the local clock and the checked encoding of calendar fields.
#include "support/formatting.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "support/failure.h"
#include "support/textrules.h"

namespace {

std::string FailureOf(int Y, int M, int D, int H = 0, int N = 0, int S = 0, int Z = 0) {
    try {
        FieldsToDateTime(Y, M, D, H, N, S, Z);
    } catch (const TSupportError& E) {
        return E.what();
    }
    return "(no failure)";
}

TEST(Formatting, SettingsOfTheChineseLocale) {
    const TLocaleSettings& S = LocaleSettings();
    EXPECT_EQ(S.DecimalSeparator, ".");
    EXPECT_EQ(S.TimeSeparator, ":");
    EXPECT_EQ(S.DateSeparator, "/");
    EXPECT_EQ(S.TimeAMString, "上午");
    EXPECT_EQ(S.TimePMString, "下午");
    EXPECT_FALSE(S.TwelveHourClock);
    EXPECT_FALSE(S.MarkerFirst);
    EXPECT_TRUE(S.HourLeadingZero);  // the locale writes hours as "HH"
    EXPECT_EQ(LongTimeTemplate(S), "hh:mm:ss");
    EXPECT_EQ(ShortTimeTemplate(S), "hh:mm");
    EXPECT_EQ(S.LongMonthNames[2], "三月");
    EXPECT_EQ(S.LongDayNames[0], "星期日");
    EXPECT_EQ(S.ShortDayNames[1], "周一");
    EXPECT_EQ(S.ShortDateTemplate, "yyyy/M/d");

    // Read before the program's own code ran, and the same when read again.
    const TLocaleSettings Again = QueryLocaleSettings();
    EXPECT_EQ(Again.TimeAMString, S.TimeAMString);
    EXPECT_EQ(Again.LongDateTemplate, S.LongDateTemplate);
    EXPECT_TRUE(DoubleByteMode());
}

TEST(Formatting, MessagesWithTheProcessSettings) {
    EXPECT_EQ(FormatText("搜索完毕,找到文件%d个,耗时：%.2f秒", {std::int64_t{12}, 0.125}),
              "搜索完毕,找到文件12个,耗时：0.13秒");
    EXPECT_EQ(FormatText("%d", {std::int64_t{4294967306}}), "4294967306");
    const TDateTime Stamp = FieldsToDateTime(2024, 3, 5, 14, 7, 9);
    EXPECT_EQ(FormatStamp("yyyy-mm-dd tt:nn", Stamp), "2024-03-05 14:07:09:07");
    EXPECT_EQ(FormatStamp("yyyy-mm-dd tt:nn", FieldsToDateTime(2024, 3, 5, 9, 5)), "2024-03-05 09:05:00:05");
    EXPECT_EQ(FormatStamp("yyyy-mm-dd tt:nn", 0), "1899-12-30 00:00:00:00");
    EXPECT_EQ(FormatStamp("dddddd h AMPM", Stamp), "2024年3月5日星期二 2 下午");
    EXPECT_EQ(FormatStamp("mmmm dddd", Stamp), "三月 星期二");
}

TEST(Formatting, FieldsOutOfRangeFailWithTheirTexts) {
    EXPECT_EQ(FieldsToDateTime(2024, 3, 5, 10, 15, 30, 250), 45356 + 36930250.0 / 86400000.0);
    EXPECT_EQ(FieldsToDateTime(1899, 12, 29, 6), -1.25);
    EXPECT_EQ(FieldsToDateTime(9999, 12, 31, 23, 59, 59, 999), 2958465 + 86399999.0 / 86400000.0);

    for (const auto& [Y, M, D] :
         {std::tuple{2023, 2, 29}, {2024, 4, 31}, {0, 1, 1}, {10000, 1, 1}, {2024, 13, 1}, {2024, 1, 0}, {-1, 1, 1}})
        EXPECT_EQ(FailureOf(Y, M, D), FailureText::BadDate) << Y << "-" << M << "-" << D;
    EXPECT_EQ(FailureOf(2024, 1, 1, 24), FailureText::BadTime);
    EXPECT_EQ(FailureOf(2024, 1, 1, 0, 60), FailureText::BadTime);
    EXPECT_EQ(FailureOf(2024, 1, 1, 0, 0, 60), FailureText::BadTime);
    EXPECT_EQ(FailureOf(2024, 1, 1, 0, 0, 0, 1000), FailureText::BadTime);
    EXPECT_EQ(FailureOf(2024, 1, 1, -1), FailureText::BadTime);
    EXPECT_EQ(FailureOf(2024, 2, 30, 99), FailureText::BadDate);
    EXPECT_EQ(std::string(FailureText::BadDate), "日期编码参数无效");
    EXPECT_EQ(std::string(FailureText::BadTime), "时间编码参数无效");
}

TEST(Formatting, LocalClock) {
    SYSTEMTIME Before{}, After{};
    TDateTime Today = 0, Time = 0;
    for (int Try = 0; Try < 3; ++Try) {  // a second try when midnight passes in between
        GetLocalTime(&Before);
        Today = TodayDate();
        Time = TimeOfDayNow();
        GetLocalTime(&After);
        if (Before.wDay == After.wDay) break;
    }
    EXPECT_EQ(Today, FieldsToDateTime(Before.wYear, Before.wMonth, Before.wDay));
    const TDateTime From =
        FieldsToDateTime(1899, 12, 30, Before.wHour, Before.wMinute, Before.wSecond, Before.wMilliseconds);
    const TDateTime To = FieldsToDateTime(1899, 12, 30, After.wHour, After.wMinute, After.wSecond, After.wMilliseconds);
    EXPECT_GE(Time, From);
    EXPECT_LE(Time, To);
    EXPECT_LT(Time, 1.0);
}

}  // namespace
