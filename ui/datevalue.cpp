#include "ui/datevalue.h"

#include <cmath>

namespace {

constexpr long long DaysBefore1970 = 25569;  // from 30 December 1899 to 1 January 1970
constexpr long long MillisecondsPerDay = 86400000;

// Days from 1 January 1970 in the proleptic Gregorian calendar, and back.
long long DaysFromCivil(long long Year, unsigned Month, unsigned Day) {
    Year -= Month <= 2;
    const long long Era = (Year >= 0 ? Year : Year - 399) / 400;
    const auto YearOfEra = static_cast<unsigned>(Year - Era * 400);
    const unsigned DayOfYear = (153 * (Month > 2 ? Month - 3 : Month + 9) + 2) / 5 + Day - 1;
    const unsigned DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
    return Era * 146097 + static_cast<long long>(DayOfEra) - 719468;
}

void CivilFromDays(long long Days, long long& Year, unsigned& Month, unsigned& Day) {
    Days += 719468;
    const long long Era = (Days >= 0 ? Days : Days - 146096) / 146097;
    const auto DayOfEra = static_cast<unsigned>(Days - Era * 146097);
    const unsigned YearOfEra = (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
    const unsigned DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
    const unsigned MonthIndex = (5 * DayOfYear + 2) / 153;
    Day = DayOfYear - (153 * MonthIndex + 2) / 5 + 1;
    Month = MonthIndex < 10 ? MonthIndex + 3 : MonthIndex - 9;
    Year = static_cast<long long>(YearOfEra) + Era * 400 + (Month <= 2);
}

}  // namespace

TDateTime SystemTimeToDateTime(const SYSTEMTIME& Time) {
    const long long Days = DaysFromCivil(Time.wYear, Time.wMonth, Time.wDay) + DaysBefore1970;
    const double TimeOfDay =
        static_cast<double>(((Time.wHour * 60LL + Time.wMinute) * 60 + Time.wSecond) * 1000 + Time.wMilliseconds) /
        MillisecondsPerDay;
    return Days >= 0 ? static_cast<double>(Days) + TimeOfDay : static_cast<double>(Days) - TimeOfDay;
}

bool DateTimeToSystemTime(TDateTime Value, SYSTEMTIME& Time) {
    if (!(std::fabs(Value) < 1e8)) return false;  // far outside the years, or not a number
    long long Days = static_cast<long long>(std::trunc(Value));
    long long Milliseconds = std::llround(std::fabs(Value - static_cast<double>(Days)) * MillisecondsPerDay);
    if (Milliseconds >= MillisecondsPerDay) {  // rounded up to the next midnight
        Milliseconds = 0;
        Days += Value < 0 ? -1 : 1;
    }
    long long Year = 0;
    unsigned Month = 0, Day = 0;
    CivilFromDays(Days - DaysBefore1970, Year, Month, Day);
    if (Year < 1601 || Year > 30827) return false;
    Time = SYSTEMTIME{};
    Time.wYear = static_cast<WORD>(Year);
    Time.wMonth = static_cast<WORD>(Month);
    Time.wDay = static_cast<WORD>(Day);
    Time.wDayOfWeek = static_cast<WORD>(((Days % 7) + 7 + 6) % 7);  // 30 December 1899 was a Saturday
    Time.wHour = static_cast<WORD>(Milliseconds / 3600000);
    Time.wMinute = static_cast<WORD>(Milliseconds / 60000 % 60);
    Time.wSecond = static_cast<WORD>(Milliseconds / 1000 % 60);
    Time.wMilliseconds = static_cast<WORD>(Milliseconds % 1000);
    return true;
}

TDateTime LocalToday() {
    SYSTEMTIME Now{};
    GetLocalTime(&Now);
    Now.wHour = Now.wMinute = Now.wSecond = Now.wMilliseconds = 0;
    return SystemTimeToDateTime(Now);
}
