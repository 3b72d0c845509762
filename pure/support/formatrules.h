#pragma once
// Numbers and date-times in messages, given the locale's settings. Nothing here calls the
// platform; the settings are read elsewhere and handed in. Texts are bytes in the program's
// code page; double-byte characters are recognised by the lead-byte set of bytetext.h.
#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "pure/support/datetime.h"

struct TLocaleSettings {
    // Each separator is the first character of the locale's text (one or two bytes).
    std::string DecimalSeparator = ".";
    std::string TimeSeparator = ":";
    std::string DateSeparator = "/";
    std::string TimeAMString = "am";
    std::string TimePMString = "pm";
    bool HourLeadingZero = false;  // hours as "hh" rather than "h"
    bool TwelveHourClock = false;
    bool MarkerFirst = false;  // AM/PM text before the time
    // Names and date templates, for the month and day tokens of three and more letters.
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",   "May",      "June",
                                               "July",    "August",   "September", "October", "November", "December"};
    std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};  // Sunday first
    std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    std::string ShortDateTemplate = "m/d/yyyy";
    std::string LongDateTemplate = "dddd, mmmm d, yyyy";
};

// prefix + H + ":mm:ss" + postfix, and prefix + H + ":mm" + postfix: H is "hh" or "h"; with a
// 12-hour clock the prefix is "AMPM " when the marker comes first, else the postfix " AMPM".
std::string LongTimeTemplate(const TLocaleSettings& Settings);
std::string ShortTimeTemplate(const TLocaleSettings& Settings);

// The first character of Text (a lead byte takes its trail byte along); Default when Text is empty.
std::string FirstCharacter(const std::string& Text, const std::string& Default);

using TFormatArg = std::variant<std::int64_t, double>;

// Copies Template and replaces each conversion by the next value:
//   "%d"   an integer in decimal (a floating value counts by its integral part);
//   "%.2f" a number with two decimals: reduced to 18 significant digits, then rounded at the
//          second decimal with halves away from zero; the locale's decimal separator; no sign
//          when it rounds to zero;
//   "%%"   a percent sign.
// Any other "%" sequence, and a conversion without a value left (or with a value it cannot
// show), is copied as it stands. Never fails.
std::string FormatText(const TLocaleSettings& Settings, const std::string& Template,
                       const std::vector<TFormatArg>& Values);

// The "%.2f" form of one value.
std::string FormatFixed2(const TLocaleSettings& Settings, double Value);

// Formats a date-time by the template tokens y, m, d, h, n, s, t, AMPM, AM/PM, A/P, ":", "/"
// and quoted text; every other byte is copied. Never fails.
std::string FormatStamp(const TLocaleSettings& Settings, const std::string& Template, TDateTime Value);
