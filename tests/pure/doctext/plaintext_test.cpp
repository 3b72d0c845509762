// UTF-16BE text, recognised by its byte-order mark: its units in order, across the decoder's
// reading blocks, an odd last byte dropped.
#include <gtest/gtest.h>

#include <string>

#include "tests/pure/doctext/doctexttest.h"

namespace {

std::string Bytes(const char* Data, std::size_t Size) { return std::string(Data, Size); }

TEST(Utf16BigEndian, UnitsAfterTheMark) {
    std::string Long("\xFE\xFF", 2);
    for (int I = 0; I < 20000; ++I) Long += Bytes("\x00x", 2);
    Long += Bytes("\x54\x08\x54\x0C", 4);
    const struct {
        std::string Text;
        std::string Expected;
    } Cases[] = {
        {Bytes("\xFE\xFF", 2), ""},
        {Bytes("\xFE\xFF\x00\x41\x54\x08\x54\x0C\x00", 9), U8(u8"A合同")},  // the odd last byte is no character
        {Bytes("\xFE\xFF\xD8\x3D\xDE\x00", 6), U8(u8"\U0001F600")},         // a surrogate pair
        {Long, std::string(20000, 'x') + U8(u8"合同")},                     // across the reading blocks
    };
    for (const auto& C : Cases) EXPECT_EQ(DecodeToText(C.Text), C.Expected) << C.Text.size() << " bytes";
}

}  // namespace
