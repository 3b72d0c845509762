#include "pure/support/datetime.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

using namespace std::chrono;

constexpr sys_days DayZero = sys_days{year{1899} / December / 30};
// Day number of 1 January 1601, where file times begin.
constexpr std::int64_t FileTimeDayZero = -109'205;
constexpr std::int64_t TicksPerMillisecond = 10'000;

}  // namespace

bool IsValidDate(int Year, int Month, int Day) {
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > 31) return false;
    return year_month_day{year{Year}, month{static_cast<unsigned>(Month)}, day{static_cast<unsigned>(Day)}}.ok();
}

bool IsValidTime(int Hour, int Minute, int Second, int Millisecond) {
    return Hour >= 0 && Hour <= 23 && Minute >= 0 && Minute <= 59 && Second >= 0 && Second <= 59 && Millisecond >= 0 &&
           Millisecond <= 999;
}

int DayNumber(int Year, int Month, int Day) {
    const sys_days Date{year{Year} / month{static_cast<unsigned>(Month)} / day{static_cast<unsigned>(Day)}};
    return static_cast<int>((Date - DayZero).count());
}

double TimeFraction(int Hour, int Minute, int Second, int Millisecond) {
    const int Milliseconds = Hour * 3'600'000 + Minute * 60'000 + Second * 1'000 + Millisecond;
    return static_cast<double>(Milliseconds) / MillisecondsPerDay;
}

TDateTime CombineDayAndTime(int Day, double Fraction) { return Day >= 0 ? Day + Fraction : Day - Fraction; }

TEncodeResult EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second, int Millisecond,
                             TDateTime& Value) {
    if (!IsValidDate(Year, Month, Day)) return TEncodeResult::BadDate;
    if (!IsValidTime(Hour, Minute, Second, Millisecond)) return TEncodeResult::BadTime;
    Value = CombineDayAndTime(DayNumber(Year, Month, Day), TimeFraction(Hour, Minute, Second, Millisecond));
    return TEncodeResult::Ok;
}

TDateTimeFields SplitDateTime(TDateTime Value) {
    if (std::isnan(Value)) Value = 0;
    const bool Negative = Value < 0;
    // Milliseconds from day 0, without sign, held inside the range of the years 1..9999.
    const std::int64_t Limit =
        (static_cast<std::int64_t>(Negative ? -FirstDayNumber : LastDayNumber) + 1) * MillisecondsPerDay - 1;
    const double Scaled = std::fabs(Value) * MillisecondsPerDay;
    const std::int64_t Total =
        Scaled >= static_cast<double>(Limit) ? Limit : std::min<std::int64_t>(std::llround(Scaled), Limit);

    const auto Days = static_cast<int>(Total / MillisecondsPerDay);
    auto Rest = static_cast<int>(Total % MillisecondsPerDay);
    const sys_days Date = DayZero + days{Negative ? -Days : Days};
    const year_month_day Ymd{Date};

    TDateTimeFields F;
    F.Year = static_cast<int>(Ymd.year());
    F.Month = static_cast<int>(static_cast<unsigned>(Ymd.month()));
    F.Day = static_cast<int>(static_cast<unsigned>(Ymd.day()));
    F.DayOfWeek = static_cast<int>(weekday{Date}.c_encoding());
    F.Hour = Rest / 3'600'000;
    Rest %= 3'600'000;
    F.Minute = Rest / 60'000;
    Rest %= 60'000;
    F.Second = Rest / 1'000;
    F.Millisecond = Rest % 1'000;
    return F;
}

TDateTime FileTicksToDateTime(std::uint64_t Ticks) {
    const std::uint64_t Milliseconds = Ticks / TicksPerMillisecond;
    const auto Day = static_cast<std::int64_t>(Milliseconds / MillisecondsPerDay) + FileTimeDayZero;
    const double Fraction = static_cast<double>(Milliseconds % MillisecondsPerDay) / MillisecondsPerDay;
    return Day >= 0 ? Day + Fraction : Day - Fraction;
}
