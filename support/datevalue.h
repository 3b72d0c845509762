#pragma once
// A date-time (days since 30 December 1899, the fraction being the time of day) converted from
// and to the platform's calendar fields, as the date picker and the file times give them.
#include <windows.h>

#include "pure/support/datetime.h"

// The date-time of the calendar fields; false, and Value unchanged, when a field is out of range.
bool SystemTimeToDateTime(const SYSTEMTIME& Time, TDateTime& Value);
// As above, with 0 for fields out of range.
TDateTime SystemTimeToDateTime(const SYSTEMTIME& Time);
// The calendar fields of Value, rounded to the millisecond, with the day of the week. False, and
// Time unchanged, for a value outside the years 1601 to 9999 that the platform's fields can hold.
bool DateTimeToSystemTime(TDateTime Value, SYSTEMTIME& Time);
