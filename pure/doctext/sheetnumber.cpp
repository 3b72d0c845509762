#include "pure/doctext/sheetnumber.h"

#include <charconv>
#include <cmath>
#include <cstring>

std::size_t FormatSheetNumber(double Value, char (&Out)[SheetNumberMaxChars]) {
    if (!std::isfinite(Value)) return 0;
    char* const End = Out + SheetNumberMaxChars;
    const double Magnitude = std::fabs(Value);
    std::to_chars_result Result;
    if (Magnitude < 1e15 && Value == std::trunc(Value)) {
        // -0 too: a whole number is written as the integer it is.
        Result = std::to_chars(Out, End, static_cast<long long>(Value));
    } else if (Magnitude >= 1e-9 && Magnitude < 1e15) {
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
