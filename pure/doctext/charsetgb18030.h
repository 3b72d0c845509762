#pragma once
// GB18030 without the platform's code page 54936 (which some platforms lack): its one- and
// two-byte characters are GBK's, read through code page 936; its four-byte forms map to Unicode
// by the standard's table of ranges (the Basic Multilingual Plane) and by arithmetic (U+10000 and
// up).
#include <string>
#include <string_view>

#include "pure/doctext/decodeenv.h"

// The code point of the four-byte form B[0..3] (B[0] and B[2] in 0x81..0xFE, B[1] and B[3] in
// '0'..'9'); 0 when the form names none.
char32_t Gb18030FourByte(const unsigned char* B);

// Appends the UTF-16 form of GB18030 bytes to Out: two-byte characters through code page 936 of
// CodePages (U+FFFD each without it) but for the two that GBK lacks (the euro sign, U+01F9),
// four-byte forms by the table, a form that names nothing or is cut short as U+FFFD.
void DecodeGb18030(std::string_view Bytes, const TCodePageConverter* CodePages, std::u16string& Out);

// The length of the character that starts at B[0], of Left bytes (Left > 0): 1, 2 or 4 (1 also
// for a lead byte that starts no character); 0 when the bytes end inside it.
inline std::size_t Gb18030CharLength(const unsigned char* B, std::size_t Left) {
    auto Digit = [](unsigned char C) { return C >= '0' && C <= '9'; };
    if (B[0] < 0x81 || B[0] == 0xFF) return 1;
    if (Left < 2) return 0;
    if (!Digit(B[1])) return 2;
    if (Left < 3) return 0;
    if (B[2] < 0x81 || B[2] == 0xFF) return 1;
    if (Left < 4) return 0;
    return Digit(B[3]) ? 4 : 1;
}
