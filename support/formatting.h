#pragma once
// Number and date-time formatting with the user's locale settings, and the local clock.
// The settings are process-wide: read at start-up, after the lead bytes (ReadLocaleLeadBytes),
// and again, in the same order, whenever the system announces a change of its regional settings.
#include <string>
#include <vector>

#include "pure/support/datetime.h"
#include "pure/support/formatrules.h"

// Reads the locale settings of the user's default locale (with the defaults of TLocaleSettings
// where the locale gives nothing). Their texts are cut by the byte rules, so the lead bytes are
// read first.
void ReadLocaleSettings();
// The settings as last read.
const TLocaleSettings& LocaleSettings();
// The settings of the user's default locale, read now; changes nothing.
TLocaleSettings QueryLocaleSettings();

std::string FormatText(const std::string& Template, const std::vector<TFormatArg>& Values);
std::string FormatStamp(const std::string& Template, TDateTime Value);

TDateTime TodayDate();     // today's local date, time of day 0
TDateTime TimeOfDayNow();  // the local time of day with milliseconds, date 0

// Day number plus time fraction (minus it before day 0). Fails with "日期编码参数无效" when a
// date field is out of range, "时间编码参数无效" when a time field is.
TDateTime FieldsToDateTime(int Year, int Month, int Day, int Hour = 0, int Minute = 0, int Second = 0,
                           int Millisecond = 0);
