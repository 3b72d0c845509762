// Calendar fields of the platform and date-times, both ways.
#include "support/datevalue.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(DateValue, CalendarFieldsAndDaysAgree) {
    const auto Value = [](WORD Y, WORD M, WORD D, WORD H = 0, WORD N = 0, WORD S = 0, WORD Ms = 0) {
        SYSTEMTIME T{};
        T.wYear = Y, T.wMonth = M, T.wDay = D, T.wHour = H, T.wMinute = N, T.wSecond = S, T.wMilliseconds = Ms;
        return SystemTimeToDateTime(T);
    };
    EXPECT_EQ(Value(1899, 12, 30), 0);
    EXPECT_EQ(Value(1900, 3, 1), 61);
    EXPECT_EQ(Value(2000, 2, 29), 36585);
    EXPECT_EQ(Value(2024, 3, 5), 45356);
    EXPECT_DOUBLE_EQ(Value(2024, 3, 5, 14, 7, 9, 500), 45356 + (14 * 3600 + 7 * 60 + 9.5) / 86400);
    EXPECT_EQ(Value(1899, 12, 29, 6), -1.25);  // the time of day counts away from zero
    EXPECT_EQ(Value(1752, 9, 14), -53797);     // the first day of the picker's calendar

    const auto Fields = [](TDateTime V) {
        SYSTEMTIME T{};
        EXPECT_TRUE(DateTimeToSystemTime(V, T)) << V;
        return T;
    };
    for (const TDateTime V : {0.0, 61.0, 36585.0, 45356.0, 45356.5, -1.25, -53797.0, 2958465.999988426}) {
        SCOPED_TRACE(V);
        EXPECT_DOUBLE_EQ(SystemTimeToDateTime(Fields(V)), V);
    }
    const SYSTEMTIME Tuesday = Fields(45356.25);
    EXPECT_EQ(Tuesday.wDayOfWeek, 2);
    EXPECT_EQ(Tuesday.wHour, 6);
    EXPECT_EQ(Fields(0).wDayOfWeek, 6);
    // A time that rounds to the next midnight belongs to the next day, on either side of zero.
    const SYSTEMTIME Midnight = Fields(45356.9999999999);
    EXPECT_EQ(Midnight.wDay, 6);
    EXPECT_EQ(Midnight.wHour, 0);
    EXPECT_EQ(SystemTimeToDateTime(Fields(-1.9999999999)), -2);

    // What the fields cannot hold is refused and leaves them as they were.
    SYSTEMTIME Kept{};
    Kept.wYear = 2000;
    for (const TDateTime V : {Value(1601, 1, 1) - 1, 2958466.0, 1e300, std::nan("")}) {
        EXPECT_FALSE(DateTimeToSystemTime(V, Kept)) << V;
    }
    EXPECT_EQ(Kept.wYear, 2000);
    EXPECT_TRUE(DateTimeToSystemTime(Value(1601, 1, 1), Kept));
    EXPECT_TRUE(DateTimeToSystemTime(2958466.0 - 0.5, Kept));
    EXPECT_EQ(Kept.wYear, 9999);
}

}  // namespace
