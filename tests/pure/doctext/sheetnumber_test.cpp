// Numbers of sheet cells as a sheet in the General format shows them, and the RK form of the
// workbook's cell records. Also run under Wine: the text comes from the C++ library's own
// floating-point conversion, which differs between platforms' libraries.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "pure/doctext/sheetnumber.h"

namespace {

std::string Shown(double Value) {
    char Text[SheetNumberMaxChars];
    return std::string(Text, FormatSheetNumber(Value, Text));
}

TEST(SheetNumber, ShownAsInTheGeneralFormat) {
    const struct {
        double Value;
        const char* Text;
    } Cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {42, "42"},
        {-7, "-7"},
        {-42.5, "-42.5"},
        {0.1, "0.1"},
        {1234.56, "1234.56"},
        {0.1 + 0.2, "0.30000000000000004"},    // the shortest text that reads back, not 15 digits
        {123456789012345, "123456789012345"},  // 15 digits: plain
        {999999999999999, "999999999999999"},
        {1e15, "1E+15"},  // 16 digits: an exponent
        {1234567890123456, "1.234567890123456E+15"},
        {-1234567890123456, "-1.234567890123456E+15"},
        {123456789012.5, "123456789012.5"},
        {1e20, "1E+20"},
        {1.7976931348623157e308, "1.7976931348623157E+308"},
        {0.00000015, "0.00000015"},
        {1e-9, "0.000000001"},
        {1.5e-10, "1.5E-10"},
        {-2.5e-300, "-2.5E-300"},
        {5e-324, "5E-324"},
        {std::numeric_limits<double>::infinity(), ""},
        {std::nan(""), ""},
    };
    for (const auto& C : Cases) EXPECT_EQ(Shown(C.Value), C.Text) << C.Value;
}

// Amounts (a few decimals) are written by a shortcut: the same text as the general conversion.
TEST(SheetNumber, AmountsAsTheGeneralConversionWritesThem) {
    std::mt19937_64 Random(7);
    const double Scales[] = {1, 10, 100, 1000, 10000, 1e5, 1e7, 1e9};
    for (int I = 0; I < 200000; ++I) {
        const double Scale = Scales[I % 8];
        const double Magnitude = std::ldexp(1.0, static_cast<int>(Random() % 40));
        double Value =
            std::round(std::uniform_real_distribution<double>(-Magnitude, Magnitude)(Random) * Scale) / Scale;
        if (I % 5 == 0) Value = std::uniform_real_distribution<double>(-1e12, 1e12)(Random);  // any digits
        if (Value == std::trunc(Value) || std::fabs(Value) < 1e-9) continue;
        char General[64];
        const auto End = std::to_chars(General, General + sizeof General, Value, std::chars_format::fixed).ptr;
        ASSERT_EQ(Shown(Value), std::string(General, End)) << I;
    }
}

TEST(SheetNumber, RkFormsGiveTheirValues) {
    const struct {
        std::uint32_t Rk;
        const char* Text;
    } Cases[] = {
        {(123u << 2) | 2, "123"},                           // integer
        {(static_cast<std::uint32_t>(-5) << 2) | 2, "-5"},  // negative integer: the sign stays
        {(12345u << 2) | 3, "123.45"},                      // integer, 100 times the value
        {0x1FFFFFFFu << 2 | 2, "536870911"},                // the largest integer
        {0x400C0000, "3.5"},                                // upper 30 bits of a double
        {0x400C0001, "0.035"},                              // the same, 100 times the value
        {0x3FF00000, "1"},
        {0xBFF00000, "-1"},
    };
    for (const auto& C : Cases) EXPECT_EQ(Shown(RkValue(C.Rk)), C.Text) << std::hex << C.Rk;
}

}  // namespace
