#pragma once
// Text in the character sets that mail and web pages name: a charset label read as a Windows code
// page, and a decoder that turns the bytes of one into UTF-16 piece by piece, a character cut
// between two pieces joined again. UTF-8, UTF-16 and GB18030 are read here; every other code page
// through the platform's converter (TDecodeEnv::CodePages).
#include <cstddef>
#include <string>
#include <string_view>

#include "pure/doctext/decodeenv.h"

// Code pages the decoder reads itself (GB18030 only where the platform lacks it).
inline constexpr unsigned CodePageUtf16Le = 1200, CodePageUtf16Be = 1201, CodePageUtf8 = 65001;
inline constexpr unsigned CodePageGb18030 = 54936;
// Text that names no character set: UTF-8 when its first non-ASCII bytes are valid as such, else
// the system's code page.
inline constexpr unsigned CodePageAuto = 0;

// The code page a charset label names: the labels of the web's encodings ("gb2312", "GBK",
// "big5", "iso-8859-1", "utf-8", "unicode-1-1-utf-8", ...) and the Windows names ("cp936",
// "windows-1252", "ms950"); ASCII white space around it and the case of letters do not count.
// 0 for a label of none.
unsigned CodePageOfLabel(std::string_view Label);

class TTextDecoder {
public:
    // CodePage: as CodePageOfLabel gives it, or CodePageAuto. A byte-order mark at the start of
    // the text overrides it and is dropped.
    TTextDecoder(unsigned CodePage, const TDecodeEnv& Env);
    // Appends the UTF-16 form of the next bytes of the text to Out; the bytes of a character cut
    // at their end wait for the next call.
    void Feed(std::string_view Bytes, std::u16string& Out);
    // Ends the text: bytes still held back give U+FFFD.
    void Finish(std::u16string& Out);
    // The code page the text is read in, once known (CodePageAuto before its first non-ASCII byte).
    unsigned CodePage() const { return FCodePage; }

private:
    enum class TKind : unsigned char { Auto, Single, Double, Utf8, Utf16Le, Utf16Be, Gb18030 };
    void Choose(unsigned CodePage);
    // Whether the start of the text (byte-order mark, the choice of an automatic code page) is
    // settled; hands out what may be handed out before that. Final: no more bytes follow.
    bool Settle(std::string_view& Bytes, std::u16string& Out, bool Final);
    // The bytes of Bytes' longest prefix that ends at the end of a character.
    std::size_t Complete(std::string_view Bytes) const;
    void Convert(std::string_view Bytes, std::u16string& Out);

    const TDecodeEnv& FEnv;
    unsigned FCodePage;
    TKind FKind = TKind::Auto;
    bool FStarted = false;         // past the place of a byte-order mark
    bool FPlatformGb18030 = true;  // the platform's converter still expected to know 54936
    std::string FHeld;             // bytes of a cut character (or a start not yet settled)
};

// The whole text Bytes in UTF-16, appended to Out.
void DecodeText(std::string_view Bytes, unsigned CodePage, const TDecodeEnv& Env, std::u16string& Out);
