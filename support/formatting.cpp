#include "support/formatting.h"

#include <windows.h>

#include <cstdlib>

#include "support/failure.h"
#include "support/textrules.h"

namespace {

TLocaleSettings& Current() {
    static TLocaleSettings Settings;
    return Settings;
}

// The locale's text for Item; empty when the locale gives nothing.
std::string LocaleText(LCTYPE Item) {
    char Buffer[256] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, Item, Buffer, sizeof Buffer) <= 0) return std::string();
    return std::string(Buffer);
}

std::string LocaleTextOr(LCTYPE Item, const std::string& Default) {
    const std::string Text = LocaleText(Item);
    return Text.empty() ? Default : Text;
}

// A numeric setting; Default when the locale gives nothing.
int LocaleNumber(LCTYPE Item, int Default) {
    const std::string Text = LocaleText(Item);
    return Text.empty() ? Default : std::atoi(Text.c_str());
}

template <std::size_t N>
void ReadNames(std::array<std::string, N>& Names, const LCTYPE (&Items)[N]) {
    for (std::size_t I = 0; I < N; ++I) Names[I] = LocaleTextOr(Items[I], Names[I]);
}

}  // namespace

TLocaleSettings QueryLocaleSettings() {
    TLocaleSettings S;
    S.DecimalSeparator = FirstCharacter(LocaleText(LOCALE_SDECIMAL), S.DecimalSeparator);
    S.TimeSeparator = FirstCharacter(LocaleText(LOCALE_STIME), S.TimeSeparator);
    S.DateSeparator = FirstCharacter(LocaleText(LOCALE_SDATE), S.DateSeparator);
    S.TimeAMString = LocaleTextOr(LOCALE_S1159, S.TimeAMString);
    S.TimePMString = LocaleTextOr(LOCALE_S2359, S.TimePMString);
    S.HourLeadingZero = LocaleNumber(LOCALE_ITLZERO, 0) != 0;
    S.TwelveHourClock = LocaleNumber(LOCALE_ITIME, 1) == 0;
    S.MarkerFirst = LocaleNumber(LOCALE_ITIMEMARKPOSN, 0) != 0;

    // The locale counts months from January and days from Monday.
    const LCTYPE ShortMonths[12] = {LOCALE_SABBREVMONTHNAME1,  LOCALE_SABBREVMONTHNAME2,  LOCALE_SABBREVMONTHNAME3,
                                    LOCALE_SABBREVMONTHNAME4,  LOCALE_SABBREVMONTHNAME5,  LOCALE_SABBREVMONTHNAME6,
                                    LOCALE_SABBREVMONTHNAME7,  LOCALE_SABBREVMONTHNAME8,  LOCALE_SABBREVMONTHNAME9,
                                    LOCALE_SABBREVMONTHNAME10, LOCALE_SABBREVMONTHNAME11, LOCALE_SABBREVMONTHNAME12};
    const LCTYPE LongMonths[12] = {LOCALE_SMONTHNAME1, LOCALE_SMONTHNAME2,  LOCALE_SMONTHNAME3,  LOCALE_SMONTHNAME4,
                                   LOCALE_SMONTHNAME5, LOCALE_SMONTHNAME6,  LOCALE_SMONTHNAME7,  LOCALE_SMONTHNAME8,
                                   LOCALE_SMONTHNAME9, LOCALE_SMONTHNAME10, LOCALE_SMONTHNAME11, LOCALE_SMONTHNAME12};
    const LCTYPE ShortDays[7] = {LOCALE_SABBREVDAYNAME7, LOCALE_SABBREVDAYNAME1, LOCALE_SABBREVDAYNAME2,
                                 LOCALE_SABBREVDAYNAME3, LOCALE_SABBREVDAYNAME4, LOCALE_SABBREVDAYNAME5,
                                 LOCALE_SABBREVDAYNAME6};
    const LCTYPE LongDays[7] = {LOCALE_SDAYNAME7, LOCALE_SDAYNAME1, LOCALE_SDAYNAME2, LOCALE_SDAYNAME3,
                                LOCALE_SDAYNAME4, LOCALE_SDAYNAME5, LOCALE_SDAYNAME6};
    ReadNames(S.ShortMonthNames, ShortMonths);
    ReadNames(S.LongMonthNames, LongMonths);
    ReadNames(S.ShortDayNames, ShortDays);
    ReadNames(S.LongDayNames, LongDays);
    S.ShortDateTemplate = LocaleTextOr(LOCALE_SSHORTDATE, S.ShortDateTemplate);
    S.LongDateTemplate = LocaleTextOr(LOCALE_SLONGDATE, S.LongDateTemplate);
    return S;
}

void ReadLocaleSettings() { Current() = QueryLocaleSettings(); }

const TLocaleSettings& LocaleSettings() { return Current(); }

std::string FormatText(const std::string& Template, const std::vector<TFormatArg>& Values) {
    return FormatText(LocaleSettings(), Template, Values);
}

std::string FormatStamp(const std::string& Template, TDateTime Value) {
    return FormatStamp(LocaleSettings(), Template, Value);
}

TDateTime TodayDate() {
    SYSTEMTIME Now{};
    GetLocalTime(&Now);
    return DayNumber(Now.wYear, Now.wMonth, Now.wDay);
}

TDateTime TimeOfDayNow() {
    SYSTEMTIME Now{};
    GetLocalTime(&Now);
    return TimeFraction(Now.wHour, Now.wMinute, Now.wSecond, Now.wMilliseconds);
}

TDateTime FieldsToDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second, int Millisecond) {
    TDateTime Value = 0;
    switch (EncodeDateTime(Year, Month, Day, Hour, Minute, Second, Millisecond, Value)) {
    case TEncodeResult::BadDate:
        Fail(FailureText::BadDate);
    case TEncodeResult::BadTime:
        Fail(FailureText::BadTime);
    case TEncodeResult::Ok:
        break;
    }
    return Value;
}
