#include "support/datevalue.h"

#include <cmath>

bool SystemTimeToDateTime(const SYSTEMTIME& Time, TDateTime& Value) {
    return EncodeDateTime(Time.wYear, Time.wMonth, Time.wDay, Time.wHour, Time.wMinute, Time.wSecond,
                          Time.wMilliseconds, Value) == TEncodeResult::Ok;
}

TDateTime SystemTimeToDateTime(const SYSTEMTIME& Time) {
    TDateTime Value = 0;
    SystemTimeToDateTime(Time, Value);
    return Value;
}

bool DateTimeToSystemTime(TDateTime Value, SYSTEMTIME& Time) {
    static const double First = DayNumber(1601, 1, 1);
    if (!(std::trunc(Value) >= First && Value < LastDayNumber + 1.0)) return false;
    const TDateTimeFields Fields = SplitDateTime(Value);
    if (Fields.Year < 1601) return false;
    Time = SYSTEMTIME{};
    Time.wYear = static_cast<WORD>(Fields.Year);
    Time.wMonth = static_cast<WORD>(Fields.Month);
    Time.wDay = static_cast<WORD>(Fields.Day);
    Time.wDayOfWeek = static_cast<WORD>(Fields.DayOfWeek);
    Time.wHour = static_cast<WORD>(Fields.Hour);
    Time.wMinute = static_cast<WORD>(Fields.Minute);
    Time.wSecond = static_cast<WORD>(Fields.Second);
    Time.wMilliseconds = static_cast<WORD>(Fields.Millisecond);
    return true;
}
