// Calendar arithmetic and the formatting of numbers and date-times, given locale settings.
// Pure rules: this suite runs in the Windows build and natively with the sanitizers.
#include "pure/support/formatrules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pure/support/bytetext.h"
#include "pure/support/datetime.h"

namespace {

// The day number by the rule of whole years and the day of the year, independent of the
// calendar library the code uses.
int ReferenceDayNumber(int Y, int M, int D) {
    static const int Before[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const bool Leap = (Y % 4 == 0 && Y % 100 != 0) || Y % 400 == 0;
    const int DayOfYear = Before[M - 1] + D + (Leap && M > 2 ? 1 : 0);
    const int P = Y - 1;
    return P * 365 + P / 4 - P / 100 + P / 400 + DayOfYear - 693594;
}

TDateTime Encode(int Y, int M, int D, int H = 0, int N = 0, int S = 0, int Z = 0) {
    TDateTime V = -12345;
    EXPECT_EQ(EncodeDateTime(Y, M, D, H, N, S, Z, V), TEncodeResult::Ok);
    return V;
}

TEST(Calendar, DayNumbersFollowTheWholeYearRule) {
    EXPECT_EQ(DayNumber(1899, 12, 30), 0);
    EXPECT_EQ(DayNumber(1900, 3, 1), 61);
    EXPECT_EQ(DayNumber(2024, 3, 5), 45356);
    EXPECT_EQ(DayNumber(1, 1, 1), FirstDayNumber);
    EXPECT_EQ(DayNumber(9999, 12, 31), LastDayNumber);
    for (int Y = 1; Y <= 9999; ++Y)
        for (const auto& [M, D] : {std::pair{1, 1}, {2, 28}, {3, 1}, {12, 31}}) {
            ASSERT_EQ(DayNumber(Y, M, D), ReferenceDayNumber(Y, M, D)) << Y << "-" << M << "-" << D;
            const TDateTimeFields F = SplitDateTime(DayNumber(Y, M, D));
            ASSERT_EQ(F.Year * 10000 + F.Month * 100 + F.Day, Y * 10000 + M * 100 + D);
        }
}

TEST(Calendar, RangeChecks) {
    // clang-format off
    for (const auto& [Y, M, D, Valid] : {std::tuple{2024, 2, 29, true}, {2000, 2, 29, true}, {2023, 2, 29, false},
                                         {1900, 2, 29, false}, {2024, 4, 31, false}, {0, 1, 1, false},
                                         {10000, 1, 1, false}, {2024, 13, 1, false}, {2024, 1, 0, false}})
        EXPECT_EQ(IsValidDate(Y, M, D), Valid) << Y << "-" << M << "-" << D;
    // clang-format on
    EXPECT_TRUE(IsValidTime(23, 59, 59, 999));
    EXPECT_FALSE(IsValidTime(24, 0, 0, 0) || IsValidTime(0, 60, 0, 0) || IsValidTime(0, 0, 60, 0) ||
                 IsValidTime(0, 0, 0, 1000) || IsValidTime(-1, 0, 0, 0));

    TDateTime V = 7;
    EXPECT_EQ(EncodeDateTime(2023, 2, 29, 25, 0, 0, 0, V), TEncodeResult::BadDate);  // the date is checked first
    EXPECT_EQ(EncodeDateTime(2024, 2, 29, 0, 0, 0, 1000, V), TEncodeResult::BadTime);
    EXPECT_EQ(V, 7);
}

TEST(Calendar, TimeOfDayAndDatesBeforeDayZero) {
    EXPECT_EQ(Encode(2024, 3, 5, 10, 15, 30, 250), 45356 + 36930250.0 / 86400000.0);
    EXPECT_EQ(Encode(1899, 12, 30, 12), 0.5);
    // Before day 0 the time is subtracted: 29 December 1899 06:00 is -1.25, not -0.75.
    EXPECT_EQ(Encode(1899, 12, 29, 6), -1.25);

    const TDateTimeFields Neg = SplitDateTime(-1.25);
    EXPECT_EQ(Neg.Year * 10000 + Neg.Month * 100 + Neg.Day, 18991229);
    EXPECT_EQ(Neg.Hour, 6);
    EXPECT_EQ(Neg.Minute, 0);

    // Every millisecond of a day comes back from its encoded value.
    for (int Ms = 0; Ms < MillisecondsPerDay; Ms += 997) {
        const int H = Ms / 3600000, N = Ms / 60000 % 60, S = Ms / 1000 % 60, Z = Ms % 1000;
        for (const int Day : {FirstDayNumber, -1, 0, 45356, LastDayNumber}) {
            const TDateTimeFields F = SplitDateTime(CombineDayAndTime(Day, TimeFraction(H, N, S, Z)));
            ASSERT_EQ(((F.Hour * 60 + F.Minute) * 60 + F.Second) * 1000 + F.Millisecond, Ms) << Day;
            ASSERT_EQ(DayNumber(F.Year, F.Month, F.Day), Day);
        }
    }
    EXPECT_EQ(SplitDateTime(45356).DayOfWeek, 2);  // a Tuesday
    EXPECT_EQ(SplitDateTime(0).DayOfWeek, 6);      // a Saturday
}

TEST(Calendar, ValuesOutsideTheCalendarAreHeldAtItsEnds) {
    const TDateTimeFields Low = SplitDateTime(-1e9);
    EXPECT_EQ(Low.Year * 10000 + Low.Month * 100 + Low.Day, 10101);
    const TDateTimeFields High = SplitDateTime(std::numeric_limits<double>::infinity());
    EXPECT_EQ(High.Year * 10000 + High.Month * 100 + High.Day, 99991231);
    EXPECT_EQ(High.Hour * 10000 + High.Minute * 100 + High.Second, 235959);
    const TDateTimeFields Nan = SplitDateTime(std::nan(""));
    EXPECT_EQ(Nan.Year * 10000 + Nan.Month * 100 + Nan.Day, 18991230);
}

TEST(Calendar, FileTicks) {
    constexpr std::uint64_t TicksPerDay = 864'000'000'000;
    EXPECT_EQ(FileTicksToDateTime(0), -109205);                                          // 1 January 1601
    EXPECT_EQ(FileTicksToDateTime(109205 * TicksPerDay), 0);                             // 30 December 1899
    EXPECT_EQ(FileTicksToDateTime(109205 * TicksPerDay + TicksPerDay / 2 + 9999), 0.5);  // below 1 ms dropped
    EXPECT_EQ(FileTicksToDateTime(109204 * TicksPerDay + TicksPerDay / 4), -1.25);       // D - T before day 0
    EXPECT_EQ(DayNumber(1601, 1, 1), -109205);
    EXPECT_GT(FileTicksToDateTime(~std::uint64_t{0}), LastDayNumber);  // beyond 9999, still a value
}

// ---- Numbers ----

TEST(FormatNumbers, TwoDecimalsRoundHalvesAwayFromZero) {
    // clang-format off
    const std::pair<double, const char*> Cases[] = {
        {3.5, "3.50"}, {0.125, "0.13"}, {-0.125, "-0.13"}, {0.004, "0.00"}, {0, "0.00"}, {99.995, "100.00"},
        {123456789.125, "123456789.13"},
        // Below a half in binary, and still below it at 18 significant digits.
        {2.675, "2.67"}, {1.005, "1.00"}, {-1.005, "-1.00"}, {0.015, "0.01"},
        // 1000.00499999999999545... is 1000.00500000000000 at 18 significant digits.
        {1000.005, "1000.01"}, {100000.005, "100000.01"},
        // No sign for what rounds to zero.
        {-0.001, "0.00"}, {-0.0049, "0.00"}, {-0.0, "0.00"}, {-0.005, "-0.01"}, {5e-324, "0.00"},
        {1e20, "100000000000000000000.00"}, {123456789012345678901.0, "123456789012345684000.00"},
        {-std::numeric_limits<double>::infinity(), "-INF"}, {std::nan(""), "NAN"}};
    // clang-format on
    for (const auto& [Value, Text] : Cases) EXPECT_EQ(FormatFixed2(TLocaleSettings{}, Value), Text) << Value;

    const std::string Max = FormatFixed2(TLocaleSettings{}, std::numeric_limits<double>::max());
    EXPECT_EQ(Max.size(), 309u + 3u);
    EXPECT_EQ(Max.substr(0, 19), "1797693134862315710");
    EXPECT_EQ(Max.substr(Max.size() - 6), "000.00");
    TLocaleSettings Comma;
    Comma.DecimalSeparator = ",";
    EXPECT_EQ(FormatFixed2(Comma, 3.5), "3,50");
}

TEST(FormatNumbers, TextTemplates) {
    const TLocaleSettings S;
    EXPECT_EQ(FormatText(S, "%d files", {std::int64_t{12}}), "12 files");
    EXPECT_EQ(FormatText(S, "%d bytes", {std::int64_t{3221225472}}), "3221225472 bytes");
    EXPECT_EQ(FormatText(S, "%d", {std::numeric_limits<std::int64_t>::min()}), "-9223372036854775808");
    EXPECT_EQ(FormatText(S, "%d|%.2f|%d", {std::int64_t{1}, 0.125, std::int64_t{3}}), "1|0.13|3");
    const std::string Summary = "搜索完毕,找到文件%d个,耗时：%.2f秒";
    EXPECT_EQ(FormatText(S, Summary, {std::int64_t{12}, 3.5}), "搜索完毕,找到文件12个,耗时：3.50秒");

    // Mixed kinds: an integer with two decimals, the integral part of a floating value.
    EXPECT_EQ(FormatText(S, "%.2f", {std::int64_t{-7}}), "-7.00");
    EXPECT_EQ(FormatText(S, "%d", {-2.9}), "-2");
    // What cannot be filled stays as written; the values keep their order.
    EXPECT_EQ(FormatText(S, "%d and %.2f", {}), "%d and %.2f");
    EXPECT_EQ(FormatText(S, "%d %d", {std::nan(""), std::int64_t{4}}), "%d 4");
    EXPECT_EQ(FormatText(S, "100%% %s %", {}), "100% %s %");
    EXPECT_EQ(FormatText(S, "", {std::int64_t{1}}), "");
}

// ---- Date-times ----

TLocaleSettings TwentyFourHour() { return TLocaleSettings{}; }

TLocaleSettings TwelveHour(bool MarkerFirst) {
    TLocaleSettings S;
    S.TwelveHourClock = true;
    S.MarkerFirst = MarkerFirst;
    S.TimeAMString = "AM";
    S.TimePMString = "PM";
    return S;
}

const TDateTime Afternoon = 45356 + (14 * 3600 + 7 * 60 + 9) / 86400.0;  // 2024-03-05 14:07:09
const TDateTime Morning = 45356 + (9 * 3600 + 5 * 60) / 86400.0;         // 2024-03-05 9:05:00

TEST(FormatStamps, WindowTemplateWithTheTwentyFourHourClock) {
    const TLocaleSettings S = TwentyFourHour();
    EXPECT_EQ(FormatStamp(S, "yyyy-mm-dd tt:nn", Afternoon), "2024-03-05 14:07:09:07");
    EXPECT_EQ(FormatStamp(S, "yyyy-mm-dd tt:nn", Morning), "2024-03-05 9:05:00:05");
    EXPECT_EQ(FormatStamp(S, "yyyy-mm-dd tt", Afternoon), "2024-03-05 14:07:09");
    EXPECT_EQ(FormatStamp(S, "yyyy-mm-dd t", Morning), "2024-03-05 9:05");
    TLocaleSettings Zero;
    Zero.HourLeadingZero = true;
    EXPECT_EQ(FormatStamp(Zero, "yyyy-mm-dd tt", Morning), "2024-03-05 09:05:00");
    EXPECT_EQ(FormatStamp(S, "yyyy-mm-dd tt:nn", 0), "1899-12-30 0:00:00:00");
    EXPECT_EQ(FormatStamp(S, "yyyy-mm-dd tt", -1.25), "1899-12-29 6:00:00");
    EXPECT_EQ(FormatStamp(S, "yyyy-mm-dd tt", -693593.5), "0001-01-01 12:00:00");
}

TEST(FormatStamps, TwelveHourClockWithTheMarkerLastOrFirst) {
    EXPECT_EQ(FormatStamp(TwelveHour(false), "yyyy-mm-dd tt", Afternoon), "2024-03-05 2:07:09 PM");
    EXPECT_EQ(FormatStamp(TwelveHour(false), "tt", Morning), "9:05:00 AM");
    EXPECT_EQ(FormatStamp(TwelveHour(false), "t", 0), "12:00 AM");
    EXPECT_EQ(FormatStamp(TwelveHour(false), "t", 0.5), "12:00 PM");
    EXPECT_EQ(FormatStamp(TwelveHour(true), "yyyy-mm-dd tt", Afternoon), "2024-03-05 PM 2:07:09");
    EXPECT_EQ(FormatStamp(TwelveHour(true), "t", Morning), "AM 9:05");
    TLocaleSettings Zero = TwelveHour(true);
    Zero.HourLeadingZero = true;
    EXPECT_EQ(FormatStamp(Zero, "tt", Morning), "AM 09:05:00");
}

TEST(FormatStamps, HourTokensLookForTheMarker) {
    const TLocaleSettings S = TwelveHour(false);
    EXPECT_EQ(FormatStamp(S, "h", Afternoon), "14");
    EXPECT_EQ(FormatStamp(S, "hh am/pm", Morning), "09 am");
    EXPECT_EQ(FormatStamp(S, "h AM/PM", Afternoon), "2 PM");
    EXPECT_EQ(FormatStamp(S, "h Am/pM", Afternoon), "2 pM");  // the half as written
    EXPECT_EQ(FormatStamp(S, "h a/p", Afternoon), "2 p");
    EXPECT_EQ(FormatStamp(S, "h ampm", Afternoon), "2 PM");
    // The first "a" or "h" that follows decides; quoted text is passed over.
    EXPECT_EQ(FormatStamp(S, "h 'h' AMPM", Afternoon), "2 h PM");
    EXPECT_EQ(FormatStamp(S, "h h AMPM", Afternoon), "14 2 PM");
    EXPECT_EQ(FormatStamp(S, "h a AMPM", Afternoon), "14 a PM");
    EXPECT_EQ(FormatStamp(S, "AMPM h", Afternoon), "PM 2");
    // With no "a" or "h" after it, the last one before it decides.
    EXPECT_EQ(FormatStamp(S, "AMPM h h", Afternoon), "PM 14 14");
}

TEST(FormatStamps, Tokens) {
    const TLocaleSettings S;
    EXPECT_EQ(FormatStamp(S, "yy y yyy YYYY", Afternoon), "24 24 2024 2024");
    EXPECT_EQ(FormatStamp(S, "yy yyyy", DayNumber(2005, 1, 9)), "05 2005");
    EXPECT_EQ(FormatStamp(S, "yyyy", DayNumber(5, 1, 9)), "0005");
    EXPECT_EQ(FormatStamp(S, "m mm d dd M D", DayNumber(2024, 3, 5)), "3 03 5 05 3 5");
    EXPECT_EQ(FormatStamp(S, "h hh hhh n nn nnn s ss sss", Morning), "9 09 09 5 05 05 0 00 00");
    // An "m" right after an hour token counts minutes, after anything else months.
    EXPECT_EQ(FormatStamp(S, "h:m mm hh:mm", Morning), "9:5 03 09:05");
    EXPECT_EQ(FormatStamp(S, "h'x'mm", Morning), "9x05");
    EXPECT_EQ(FormatStamp(S, "Mm", Afternoon), "33");
    EXPECT_EQ(FormatStamp(S, "mmm mmmm ddd dddd", Afternoon), "Mar March Tue Tuesday");
    EXPECT_EQ(FormatStamp(S, "ddddd|dddddd", Afternoon), "3/5/2024|Tuesday, March 5, 2024");
    // Quotes, separators and every other byte.
    EXPECT_EQ(FormatStamp(S, "\"yyyy\" 'm:d' yyyy", Afternoon), "yyyy m:d 2024");
    EXPECT_EQ(FormatStamp(S, "'open", Afternoon), "open");
    EXPECT_EQ(FormatStamp(S, "''", Afternoon), "");
    EXPECT_EQ(FormatStamp(S, "[zz e q!] a", Afternoon), "[zz e q!] a");
    TLocaleSettings Other;
    Other.TimeSeparator = ".";
    Other.DateSeparator = "-";
    EXPECT_EQ(FormatStamp(Other, "yyyy/mm/dd hh:nn", Afternoon), "2024-03-05 14.07");
    EXPECT_EQ(FormatStamp(Other, "tt", Afternoon), "14.07.09");
}

TEST(FormatStamps, NestedTemplatesStopTwoLevelsDeep) {
    TLocaleSettings S;
    S.ShortDateTemplate = "[ddddd]";
    EXPECT_EQ(FormatStamp(S, "ddddd", Afternoon), "[[]]");
    // A nested template keeps its own record of the last letter: its "mm" after "h" is minutes,
    // the outer "mm" after "ddddd" a month.
    S.ShortDateTemplate = "h:mm";
    EXPECT_EQ(FormatStamp(S, "ddddd mm", Afternoon), "14:07 03");
}

TEST(FormatStamps, DoubleByteCharactersAreCopiedWhole) {
    const std::string Template = "\x81\x64 d";  // a GBK character whose second byte is "d"
    SetLeadByteRanges({});
    // clang-format off
    EXPECT_EQ(FormatStamp(TLocaleSettings{}, Template, Afternoon), "\x81" "5 5");
    // clang-format on
    SetLeadByteRanges({{0x81, 0xFE}});  // the set of code page 936
    EXPECT_EQ(FormatStamp(TLocaleSettings{}, Template, Afternoon), "\x81\x64 5");
}

}  // namespace
