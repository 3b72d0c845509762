#include "pure/doctext/sheetnumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

// An amount: a value below 10^11 with at most four decimals. Such a value is within half a unit
// in its last place of exactly one number of ten-thousandths, Value * 10^4 rounded; without its
// trailing zeros that is the shortest text that reads back, as the general conversion finds it
// at several times the cost. Returns 0 for other values.
std::size_t FormatAmount(double Value, char* Out) {
    if (!(std::fabs(Value) < 1e11)) return 0;
    const double Whole = std::round(Value * 10000);
    if (Whole / 10000 != Value) return 0;
    long long Units = static_cast<long long>(std::fabs(Whole));
    std::size_t Decimals = 4;
    for (; Decimals > 0 && Units % 10 == 0; --Decimals) Units /= 10;
    // The digits with the point put in, zeros before them as needed.
    char Digits[24];
    const std::size_t Count = static_cast<std::size_t>(std::to_chars(Digits, Digits + 24, Units).ptr - Digits);
    const std::size_t Integral = Count > Decimals ? Count - Decimals : 0;
    char* P = Out;
    if (Value < 0) *P++ = '-';
    if (Integral == 0) *P++ = '0';
    P = std::copy_n(Digits, Integral, P);
    *P++ = '.';
    P = std::fill_n(P, Decimals - (Count - Integral), '0');
    P = std::copy(Digits + Integral, Digits + Count, P);
    return static_cast<std::size_t>(P - Out);
}

}  // namespace

std::size_t FormatSheetNumber(double Value, char (&Out)[SheetNumberMaxChars]) {
    if (!std::isfinite(Value)) return 0;
    char* const End = Out + SheetNumberMaxChars;
    const double Magnitude = std::fabs(Value);
    std::to_chars_result Result;
    if (Magnitude < 1e15 && Value == std::trunc(Value)) {
        // -0 too: a whole number is written as the integer it is.
        Result = std::to_chars(Out, End, static_cast<long long>(Value));
    } else if (Magnitude >= 1e-9 && Magnitude < 1e15) {
        if (const std::size_t Length = FormatAmount(Value, Out)) return Length;
        Result = std::to_chars(Out, End, Value, std::chars_format::fixed);
    } else {
        Result = std::to_chars(Out, End, Value, std::chars_format::scientific);
        for (char* P = Out; P != Result.ptr; ++P)
            if (*P == 'e') *P = 'E';
    }
    return Result.ec == std::errc() ? static_cast<std::size_t>(Result.ptr - Out) : 0;
}

double RkValue(std::uint32_t Rk) {
    double Value;
    if ((Rk & 2) != 0) {
        Value = static_cast<double>(static_cast<std::int32_t>(Rk) >> 2);  // arithmetic: the sign stays
    } else {
        const std::uint64_t Bits = std::uint64_t(Rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&Value, &Bits, sizeof Value);
    }
    return (Rk & 1) != 0 ? Value / 100 : Value;
}
