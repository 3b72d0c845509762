#pragma once
// Numbers of spreadsheet cells as text, the way a sheet in the General format shows them, so that
// an amount or an invoice number stored as a number is found by the digits a reader sees.
#include <cstddef>
#include <cstdint>

// Longest text FormatSheetNumber writes ("-1.2345678901234567E-308" and the like).
inline constexpr std::size_t SheetNumberMaxChars = 32;

// Writes Value to Out and returns its length: a whole number below 10^15 in plain digits;
// otherwise the fewest significant digits that read back as Value, in plain notation from 10^-9
// up to 10^15 and with an exponent of at least two digits beyond ("1E+20", "1.5E-10"). Zero of
// either sign is "0"; infinities and NaNs, which no cell holds, give nothing (0).
std::size_t FormatSheetNumber(double Value, char (&Out)[SheetNumberMaxChars]);

// The value of an RK number, the 32-bit form of the workbook's cell records: bit 0 says the value
// was multiplied by 100, bit 1 that bits 2 to 31 are a signed integer rather than the upper 30
// bits of a double (whose lower 34 bits are zero).
double RkValue(std::uint32_t Rk);
