#pragma once
// Calendar rules of the date-time value: a double whose integral part counts days from
// 30 December 1899 (day 0) and whose fraction is the time of day. Nothing here calls the
// platform or knows the locale.
#include <cstdint>

using TDateTime = double;

constexpr int MillisecondsPerDay = 86'400'000;
// Day numbers of 1 January 0001 and 31 December 9999, the ends of the representable range.
constexpr int FirstDayNumber = -693'593;
constexpr int LastDayNumber = 2'958'465;

bool IsValidDate(int Year, int Month, int Day);  // Year 1..9999 and a day of that month
bool IsValidTime(int Hour, int Minute, int Second, int Millisecond);

// Days from 30 December 1899 to a valid date (negative before it).
int DayNumber(int Year, int Month, int Day);
// (h × 3,600,000 + n × 60,000 + s × 1,000 + z) / 86,400,000 of a valid time.
double TimeFraction(int Hour, int Minute, int Second, int Millisecond);
// D + T, or D − T for a day before day 0, so that the distance from the day number is the time.
TDateTime CombineDayAndTime(int Day, double Fraction);

enum class TEncodeResult { Ok, BadDate, BadTime };
// Encodes calendar fields; leaves Value alone when a field is out of range.
TEncodeResult EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second, int Millisecond,
                             TDateTime& Value);

struct TDateTimeFields {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
    int DayOfWeek = 6;  // 0 Sunday .. 6 Saturday
};

// Splits a value into its fields, rounded to the millisecond. The day is the integral part
// (towards zero), the time of day the distance from it, so negative values read as D − T.
// Values beyond the years 1..9999 are held at the nearest end; a value that is not a number
// reads as day 0.
TDateTimeFields SplitDateTime(TDateTime Value);

// A local file time (100-nanosecond units since 1 January 1601) as a date-time, the part below
// one millisecond dropped; defined for every count, also beyond the year 9999.
TDateTime FileTicksToDateTime(std::uint64_t Ticks);
