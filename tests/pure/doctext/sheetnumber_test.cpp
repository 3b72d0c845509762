// Numbers of sheet cells as a sheet in the General format shows them, and the RK form of the
// workbook's cell records. Also run under Wine: the text comes from the C++ library's own
// floating-point conversion, which differs between platforms' libraries.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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
