#pragma once
// The date-time value of the window's controls: days since 30 December 1899, the fraction being
// the time of day. A date before that day counts its days negative and its time of day away from
// zero (-1.25 is 29 December 1899, 06:00).
#include <windows.h>

using TDateTime = double;

TDateTime SystemTimeToDateTime(const SYSTEMTIME& Time);
// The calendar fields of Value, rounded to the millisecond, with the day of the week. False, and
// Time unchanged, for a value outside the years 1601 to 30827 that the fields can hold.
bool DateTimeToSystemTime(TDateTime Value, SYSTEMTIME& Time);
// Today's local date at 00:00:00.
TDateTime LocalToday();
