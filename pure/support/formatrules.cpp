#include "pure/support/formatrules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "pure/support/bytetext.h"

namespace {

// Length of the character that begins at I: two bytes for a lead byte with a byte after it.
std::size_t CharLength(const std::string& S, std::size_t I) {
    return IsLeadByte(static_cast<unsigned char>(S[I])) && I + 1 < S.size() ? 2 : 1;
}

// ---- Numbers ----

// Adds one to a string of decimal digits; true when it gained a digit.
bool Increment(std::string& Digits) {
    for (auto It = Digits.rbegin(); It != Digits.rend(); ++It) {
        if (*It != '9') {
            ++*It;
            return false;
        }
        *It = '0';
    }
    Digits.insert(Digits.begin(), '1');
    return true;
}

// The digits of Magnitude × 100 after reducing Magnitude to 18 significant digits and rounding
// at the second decimal, both with halves away from zero; at least three digits.
std::string RoundedHundredths(double Magnitude) {
    std::string Result = "0";
    if (Magnitude != 0) {
        // Every double has an exact decimal expansion of at most 767 significant digits, so
        // this shows it whole and both roundings below are exact.
        char Buffer[800];
        const auto Out = std::to_chars(Buffer, Buffer + sizeof Buffer, Magnitude, std::chars_format::scientific, 770);
        const std::string Text(Buffer, Out.ptr);  // d.ddd...e±x
        const std::size_t E = Text.find('e');
        int Exponent = std::atoi(Text.c_str() + E + 1);
        std::string Digits = Text.substr(0, 1) + Text.substr(2, 17);
        if (Text[19] >= '5' && Increment(Digits)) {
            Digits.pop_back();
            ++Exponent;
        }
        // Magnitude = Digits × 10^(Exponent − 17), so Magnitude × 100 = Digits × 10^(Exponent − 15).
        const int Shift = Exponent - 15;
        if (Shift >= 0) {
            Result = Digits + std::string(static_cast<std::size_t>(Shift), '0');
        } else if (-Shift <= 18) {
            const auto Keep = static_cast<std::size_t>(18 + Shift);
            Result = Keep > 0 ? Digits.substr(0, Keep) : "0";
            if (Digits[Keep] >= '5') Increment(Result);
        }
    }
    if (Result.size() < 3) Result.insert(0, 3 - Result.size(), '0');
    return Result;
}

std::string WithDecimals(bool Negative, const std::string& Hundredths, const std::string& Separator) {
    const bool Zero = Hundredths.find_first_not_of('0') == std::string::npos;
    const std::size_t Split = Hundredths.size() - 2;
    return (Negative && !Zero ? "-" : "") + Hundredths.substr(0, Split) + Separator + Hundredths.substr(Split);
}

std::string MagnitudeText(std::int64_t Value) {
    const std::uint64_t Magnitude =
        Value < 0 ? 0 - static_cast<std::uint64_t>(Value) : static_cast<std::uint64_t>(Value);
    return std::to_string(Magnitude);
}

// The "%d" form of a value; false when a floating value has no integral part to show.
bool FormatInteger(const TFormatArg& Value, std::string& Text) {
    if (const auto* I = std::get_if<std::int64_t>(&Value)) {
        Text = std::to_string(*I);
        return true;
    }
    const double D = std::trunc(std::get<double>(Value));
    if (!(D >= -9.2e18 && D <= 9.2e18)) return false;  // also refuses NaN
    Text = std::to_string(static_cast<std::int64_t>(D));
    return true;
}

std::string FormatFixed(const TLocaleSettings& Settings, const TFormatArg& Value) {
    if (const auto* I = std::get_if<std::int64_t>(&Value))
        return WithDecimals(*I < 0, MagnitudeText(*I) + "00", Settings.DecimalSeparator);
    return FormatFixed2(Settings, std::get<double>(Value));
}

// ---- Date-times ----

bool StartsNoCase(const std::string& S, std::size_t I, const char* Prefix) {
    for (; *Prefix != '\0'; ++Prefix, ++I)
        if (I >= S.size() || static_cast<char>(FoldLower(static_cast<unsigned char>(S[I]))) != *Prefix) return false;
    return true;
}

bool IsQuote(unsigned char B) { return B == '\'' || B == '"'; }

// Position just after the quoted text that begins at I; its content ends at ContentEnd (both
// the end of S when the quote is not closed).
std::size_t AfterQuoted(const std::string& S, std::size_t I, std::size_t* ContentEnd = nullptr) {
    const char Quote = S[I];
    for (++I; I < S.size(); I += CharLength(S, I))
        if (S[I] == Quote) break;
    if (ContentEnd != nullptr) *ContentEnd = std::min(I, S.size());
    return std::min(I + 1, S.size());
}

std::string TwoDigits(int Value) {
    return std::string(1, static_cast<char>('0' + Value / 10 % 10)) + static_cast<char>('0' + Value % 10);
}

// A field without leading zero for a one-letter token, in two digits for a longer one.
std::string FieldText(int Value, std::size_t Count) { return Count >= 2 ? TwoDigits(Value) : std::to_string(Value); }

std::string FourDigits(int Year) {
    std::string Text = std::to_string(Year);
    if (Text.size() < 4) Text.insert(0, 4 - Text.size(), '0');
    return Text;
}

class TStampWriter {
public:
    TStampWriter(const TLocaleSettings& Settings, const TDateTimeFields& Fields)
        : FSettings(Settings), FFields(Fields) {}

    // Depth 0 is the caller's template; templates named by it are formatted one level deeper,
    // and a template two levels deep names no further one.
    void Write(const std::string& Template, int Depth);
    const std::string& Text() const { return FText; }

private:
    static constexpr int MaxDepth = 2;

    // Whether the hour token from Start to End shows a 12-hour clock.
    static bool TwelveHour(const std::string& Template, std::size_t Start, std::size_t End);
    void WriteNested(const std::string& Template, int Depth) {
        if (Depth < MaxDepth) Write(Template, Depth + 1);
    }
    const std::string& Half(const std::string& AmText, const std::string& PmText) const {
        return FFields.Hour < 12 ? AmText : PmText;
    }

    const TLocaleSettings& FSettings;
    const TDateTimeFields FFields;
    std::string FText;
};

// Length of the AM/PM form ("AM/PM", "A/P" or "AMPM", any case) that begins at I, or 0.
std::size_t AmPmLength(const std::string& S, std::size_t I) {
    if (StartsNoCase(S, I, "am/pm")) return 5;
    if (StartsNoCase(S, I, "a/p")) return 3;
    if (StartsNoCase(S, I, "ampm")) return 4;
    return 0;
}

// An hour is 12-hour when the first "a" or "h" after it, outside quotes, begins an AM/PM form.
// When neither letter follows, the last one before it decides in the same way, so that a
// marker written before the time ("AMPM h:mm") also turns the hour to 12-hour.
bool TStampWriter::TwelveHour(const std::string& Template, std::size_t Start, std::size_t End) {
    for (std::size_t I = End; I < Template.size();) {
        const auto B = static_cast<unsigned char>(Template[I]);
        if (IsQuote(B)) {
            I = AfterQuoted(Template, I);
            continue;
        }
        const char L = static_cast<char>(FoldLower(B));
        if (L == 'h') return false;
        if (L == 'a') return AmPmLength(Template, I) > 0;
        I += CharLength(Template, I);
    }
    bool MarkerBefore = false;
    for (std::size_t I = 0; I < Start;) {
        const auto B = static_cast<unsigned char>(Template[I]);
        if (IsQuote(B)) {
            I = AfterQuoted(Template, I);
            continue;
        }
        const char L = static_cast<char>(FoldLower(B));
        if (L == 'a' || L == 'h') {
            const std::size_t Form = L == 'a' ? AmPmLength(Template, I) : 0;
            MarkerBefore = Form > 0;
            I += Form > 0 ? Form : 1;
            continue;
        }
        I += CharLength(Template, I);
    }
    return MarkerBefore;
}

void TStampWriter::Write(const std::string& Template, int Depth) {
    const TDateTimeFields& F = FFields;
    char LastLetter = 0;
    std::size_t I = 0;
    while (I < Template.size()) {
        const auto B = static_cast<unsigned char>(Template[I]);
        if (IsQuote(B)) {
            std::size_t ContentEnd = 0;
            const std::size_t After = AfterQuoted(Template, I, &ContentEnd);
            FText.append(Template, I + 1, ContentEnd - I - 1);
            I = After;
            continue;
        }
        if (B == ':' || B == '/') {
            FText += B == ':' ? FSettings.TimeSeparator : FSettings.DateSeparator;
            ++I;
            continue;
        }
        if (!IsAsciiLetter(B)) {
            const std::size_t Length = CharLength(Template, I);
            FText.append(Template, I, Length);
            I += Length;
            continue;
        }

        char Letter = static_cast<char>(FoldLower(B));
        if (const std::size_t Length = Letter == 'a' ? AmPmLength(Template, I) : 0; Length > 0) {
            // "AM/PM" and "A/P" show their own halves as written, "AMPM" the locale's texts.
            if (Length == 5)
                FText += Half(Template.substr(I, 2), Template.substr(I + 3, 2));
            else if (Length == 3)
                FText += Half(Template.substr(I, 1), Template.substr(I + 2, 1));
            else
                FText += Half(FSettings.TimeAMString, FSettings.TimePMString);
            LastLetter = 'a';
            I += Length;
            continue;
        }

        std::size_t Count = 1;
        while (I + Count < Template.size() && static_cast<unsigned char>(Template[I + Count]) == B) ++Count;
        if (Letter == 'm' && LastLetter == 'h') Letter = 'n';
        LastLetter = Letter;

        switch (Letter) {
        case 'y':
            FText += Count <= 2 ? TwoDigits(F.Year % 100) : FourDigits(F.Year);
            break;
        case 'm':
            if (Count <= 2)
                FText += FieldText(F.Month, Count);
            else
                FText += (Count == 3 ? FSettings.ShortMonthNames : FSettings.LongMonthNames)[F.Month - 1];
            break;
        case 'd':
            if (Count <= 2)
                FText += FieldText(F.Day, Count);
            else if (Count <= 4)
                FText += (Count == 3 ? FSettings.ShortDayNames : FSettings.LongDayNames)[F.DayOfWeek];
            else
                WriteNested(Count == 5 ? FSettings.ShortDateTemplate : FSettings.LongDateTemplate, Depth);
            break;
        case 'h': {
            int Hour = F.Hour;
            if (TwelveHour(Template, I, I + Count)) Hour = Hour % 12 == 0 ? 12 : Hour % 12;
            FText += FieldText(Hour, Count);
            break;
        }
        case 'n':
            FText += FieldText(F.Minute, Count);
            break;
        case 's':
            FText += FieldText(F.Second, Count);
            break;
        case 't':
            WriteNested(Count == 1 ? ShortTimeTemplate(FSettings) : LongTimeTemplate(FSettings), Depth);
            break;
        default:
            FText.append(Template, I, Count);
            break;
        }
        I += Count;
    }
}

}  // namespace

std::string LongTimeTemplate(const TLocaleSettings& Settings) {
    const std::string Hour = Settings.HourLeadingZero ? "hh" : "h";
    if (!Settings.TwelveHourClock) return Hour + ":mm:ss";
    return Settings.MarkerFirst ? "AMPM " + Hour + ":mm:ss" : Hour + ":mm:ss AMPM";
}

std::string ShortTimeTemplate(const TLocaleSettings& Settings) {
    const std::string Hour = Settings.HourLeadingZero ? "hh" : "h";
    if (!Settings.TwelveHourClock) return Hour + ":mm";
    return Settings.MarkerFirst ? "AMPM " + Hour + ":mm" : Hour + ":mm AMPM";
}

std::string FirstCharacter(const std::string& Text, const std::string& Default) {
    const std::string Whole(Text.c_str());  // up to a zero byte
    if (Whole.empty()) return Default;
    return Whole.substr(0, CharLength(Whole, 0));
}

std::string FormatFixed2(const TLocaleSettings& Settings, double Value) {
    if (std::isnan(Value)) return "NAN";
    if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
    return WithDecimals(Value < 0, RoundedHundredths(std::fabs(Value)), Settings.DecimalSeparator);
}

std::string FormatText(const TLocaleSettings& Settings, const std::string& Template,
                       const std::vector<TFormatArg>& Values) {
    std::string Result;
    std::size_t Next = 0;  // the next value to use
    std::size_t I = 0;
    while (I < Template.size()) {
        if (Template[I] != '%') {
            const std::size_t Length = CharLength(Template, I);
            Result.append(Template, I, Length);
            I += Length;
            continue;
        }
        std::size_t Length = 0;
        std::string Text;
        if (Template.compare(I, 2, "%%") == 0) {
            Text = "%";
            Length = 2;
        } else if (Template.compare(I, 2, "%d") == 0) {
            Length = 2;
            if (Next >= Values.size() || !FormatInteger(Values[Next++], Text)) Text = "%d";
        } else if (Template.compare(I, 4, "%.2f") == 0) {
            Length = 4;
            if (Next < Values.size())
                Text = FormatFixed(Settings, Values[Next++]);
            else
                Text = "%.2f";
        } else {
            Text = "%";
            Length = 1;
        }
        Result += Text;
        I += Length;
    }
    return Result;
}

std::string FormatStamp(const TLocaleSettings& Settings, const std::string& Template, TDateTime Value) {
    TStampWriter Writer(Settings, SplitDateTime(Value));
    Writer.Write(Template, 0);
    return Writer.Text();
}
