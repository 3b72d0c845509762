#include "pure/doctext/charset.h"

#include <algorithm>

#include "pure/doctext/charsetgb18030.h"
#include "pure/support/bytetext.h"

namespace {

// The labels of each code page, as the web's encodings name them (each ended by a space), with
// the names mail programs add (euc-cn, x-euc-cn, cn-gb for GB2312). Labels of the form cpNNN,
// windows-NNN, x-cpNNN, msNNN and ibmNNN name code page NNN (see CodePageOfLabel).
struct TLabels {
    unsigned CodePage;
    const char* Labels;
};
constexpr TLabels LabelTable[] = {
    {65001, "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8 "},
    {936,
     "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk euc-cn x-euc-cn cn-gb "
     "gb2312-80 "},
    {54936, "gb18030 gb-18030 "},
    {950, "big5 big5-hkscs cn-big5 csbig5 x-x-big5 x-big5 "},
    {1200, "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le "},
    {1201, "unicodefffe utf-16be "},
    // The web reads ASCII and Latin-1 as windows-1252, a superset.
    {1252,
     "ansi_x3.4-1968 ascii cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 iso88591 iso_8859-1 "
     "iso_8859-1:1987 l1 latin1 us-ascii x-cp1252 "},
    {1254, "csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 latin5 "},
    {874, "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 "},
    {28592, "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2 "},
    {28593, "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3 "},
    {28594, "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4 "},
    {28595, "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 iso_8859-5:1988 "},
    {28596,
     "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e "
     "iso-8859-6-i iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987 "},
    {28597,
     "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 iso_8859-7 "
     "iso_8859-7:1987 sun_eu_greek "},
    {28598,
     "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 iso_8859-8 "
     "iso_8859-8:1988 visual "},
    {38598, "csiso88598i iso-8859-8-i logical "},
    {28600, "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6 "},
    {28603, "iso-8859-13 iso8859-13 iso885913 "},
    {28604, "iso-8859-14 iso8859-14 iso885914 "},
    {28605, "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9 "},
    {28606, "iso-8859-16 "},
    {866, "866 csibm866 "},
    {20866, "cskoi8r koi koi8 koi8-r koi8_r "},
    {21866, "koi8-ru koi8-u "},
    {10000, "csmacintosh mac macintosh x-mac-roman "},
    {10007, "x-mac-cyrillic x-mac-ukrainian "},
    {932, "csshiftjis ms_kanji shift-jis shift_jis sjis windows-31j x-sjis "},
    {20932, "cseucpkdfmtjapanese euc-jp x-euc-jp "},
    {50220, "csiso2022jp iso-2022-jp "},
    {949, "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601 "},
    {50225, "csiso2022kr iso-2022-kr "},
    {52936, "hz-gb-2312 hz "},
    {65000, "utf-7 unicode-1-1-utf-7 "},
};

bool ListHolds(std::string_view List, std::string_view Label) {
    for (std::size_t At = 0, End; (End = List.find(' ', At)) != std::string_view::npos; At = End + 1)
        if (List.substr(At, End - At) == Label) return true;
    return false;
}

// Code page NNN of "cpNNN", "windows-NNN", "x-cpNNN", "msNNN" or "ibmNNN"; 0 when Label is none
// of them.
unsigned NumberedCodePage(std::string_view Label) {
    for (std::string_view Prefix : {"windows-", "x-cp", "cp", "ms", "ibm"}) {
        if (Label.substr(0, Prefix.size()) != Prefix) continue;
        const std::string_view Digits = Label.substr(Prefix.size());
        if (Digits.empty() || Digits.size() > 5) return 0;
        unsigned Number = 0;
        for (char C : Digits) {
            if (C < '0' || C > '9') return 0;
            Number = Number * 10 + static_cast<unsigned>(C - '0');
        }
        return Number;
    }
    return 0;
}

bool IsAsciiSpace(char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '\f'; }

// Bytes of a text whose code page the platform cannot convert: ASCII stays, Latin-1 is read as
// itself, every other byte is U+FFFD.
void ConvertWithout(unsigned CodePage, std::string_view Bytes, std::u16string& Out) {
    const bool Latin1 = CodePage == 1252 || CodePage == 28591;
    for (const char C : Bytes) {
        const auto B = static_cast<unsigned char>(C);
        Out += B < 0x80 || Latin1 ? static_cast<char16_t>(B) : u'\uFFFD';
    }
}

// The length of the first character of a double-byte code page's text, of Left bytes (Left > 0);
// 0 when the bytes end inside it.
std::size_t DoubleByteLength(unsigned CodePage, const unsigned char* B, std::size_t Left) {
    const unsigned char C = B[0];
    std::size_t Length = 1;
    if (CodePage == 932)
        Length = (C >= 0x81 && C <= 0x9F) || (C >= 0xE0 && C <= 0xFC) ? 2 : 1;
    else if (CodePage == 20932)
        Length = C == 0x8F ? 3 : C == 0x8E || (C >= 0xA1 && C <= 0xFE) ? 2 : 1;
    else
        Length = C >= 0x81 && C <= 0xFE ? 2 : 1;
    return Length <= Left ? Length : 0;
}

bool IsDoubleByte(unsigned CodePage) {
    return CodePage == 932 || CodePage == 936 || CodePage == 949 || CodePage == 950 || CodePage == 20932;
}

// Bytes after which the first non-ASCII ones of an unlabelled text are judged: enough to tell
// UTF-8 from a double-byte code page, whose characters seldom form valid UTF-8 for long.
constexpr std::size_t AutoJudgedBytes = 4096;

}  // namespace

unsigned CodePageOfLabel(std::string_view Label) {
    while (!Label.empty() && IsAsciiSpace(Label.front())) Label.remove_prefix(1);
    while (!Label.empty() && IsAsciiSpace(Label.back())) Label.remove_suffix(1);
    if (Label.empty() || Label.size() > 40) return 0;
    const std::string Lower = AsciiLower(std::string(Label));
    if (const unsigned Number = NumberedCodePage(Lower)) return Number;
    for (const TLabels& Row : LabelTable)
        if (ListHolds(Row.Labels, Lower)) return Row.CodePage;
    return 0;
}

TTextDecoder::TTextDecoder(unsigned CodePage, const TDecodeEnv& Env) : FEnv(Env), FCodePage(CodePage) {
    Choose(CodePage);
}

void TTextDecoder::Choose(unsigned CodePage) {
    FCodePage = CodePage;
    FKind = CodePage == CodePageAuto      ? TKind::Auto
            : CodePage == CodePageUtf8    ? TKind::Utf8
            : CodePage == CodePageUtf16Le ? TKind::Utf16Le
            : CodePage == CodePageUtf16Be ? TKind::Utf16Be
            : CodePage == CodePageGb18030 ? TKind::Gb18030
            : IsDoubleByte(CodePage)      ? TKind::Double
                                          : TKind::Single;
}

bool TTextDecoder::Settle(std::string_view& Bytes, std::u16string& Out, bool Final) {
    if (!FStarted) {
        static const char* const Marks[] = {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
        static const unsigned MarkPages[] = {CodePageUtf8, CodePageUtf16Le, CodePageUtf16Be};
        for (std::size_t I = 0; I < 3; ++I) {
            const std::string_view Mark = Marks[I];
            const std::size_t Common = std::min(Mark.size(), Bytes.size());
            if (Bytes.substr(0, Common) != Mark.substr(0, Common)) continue;
            if (Common < Mark.size() && !Final) return false;  // maybe a mark: wait for more
            if (Common == Mark.size()) {
                Bytes.remove_prefix(Mark.size());
                Choose(MarkPages[I]);
            }
            break;
        }
        FStarted = true;
    }
    if (FKind != TKind::Auto) return true;
    // ASCII reads the same in every code page an unlabelled text may be in.
    std::size_t Ascii = 0;
    while (Ascii < Bytes.size() && static_cast<unsigned char>(Bytes[Ascii]) < 0x80) ++Ascii;
    const std::size_t At = Out.size();
    Out.resize(At + Ascii);
    for (std::size_t I = 0; I < Ascii; ++I) Out[At + I] = static_cast<char16_t>(Bytes[I]);
    Bytes.remove_prefix(Ascii);
    // The choice waits until the bytes it is made on are all there, so that it is the same however
    // the text is cut into pieces.
    if (Bytes.empty() || (Bytes.size() < AutoJudgedBytes && !Final)) return false;
    FKind = TKind::Utf8;
    std::string_view Judged = Bytes.substr(0, AutoJudgedBytes);
    if (!Final) Judged = Judged.substr(0, Complete(Judged));
    if (Judged.empty() && !Final) {
        FKind = TKind::Auto;
        return false;  // one cut character: wait for the rest
    }
    Choose(IsValidUtf8(Judged) ? CodePageUtf8 : FEnv.SystemCodePage());
    return true;
}

std::size_t TTextDecoder::Complete(std::string_view Bytes) const {
    const auto* B = reinterpret_cast<const unsigned char*>(Bytes.data());
    const std::size_t Size = Bytes.size();
    switch (FKind) {
    case TKind::Utf8: {
        // Back from the end to the last byte that starts a sequence: cut before it when the
        // sequence it starts is longer than what follows.
        std::size_t Start = Size;
        while (Start > 0 && Size - Start < 4 && (B[Start - 1] & 0xC0) == 0x80) --Start;
        if (Start == 0) return Size;
        const unsigned char Lead = B[Start - 1];
        const std::size_t Need = Lead >= 0xF0 ? 4 : Lead >= 0xE0 ? 3 : Lead >= 0xC0 ? 2 : 1;
        return Size - (Start - 1) < Need ? Start - 1 : Size;
    }
    case TKind::Utf16Le:
    case TKind::Utf16Be: {
        std::size_t Even = Size & ~std::size_t(1);
        if (Even >= 2) {
            const char16_t Last = FKind == TKind::Utf16Le ? static_cast<char16_t>(B[Even - 2] | (B[Even - 1] << 8))
                                                          : static_cast<char16_t>((B[Even - 2] << 8) | B[Even - 1]);
            if (Last >= 0xD800 && Last < 0xDC00) Even -= 2;  // a high surrogate waits for its pair
        }
        return Even;
    }
    case TKind::Double:
    case TKind::Gb18030: {
        // A byte below Single never continues a character (GB18030's four-byte forms continue
        // with digits): the walk begins after the last such byte.
        const unsigned char Single = FKind == TKind::Gb18030 ? 0x30 : 0x40;
        std::size_t At = Size;
        while (At > 0 && B[At - 1] >= Single) --At;
        while (At < Size) {
            const std::size_t Length = FKind == TKind::Gb18030 ? Gb18030CharLength(B + At, Size - At)
                                                               : DoubleByteLength(FCodePage, B + At, Size - At);
            if (Length == 0) break;
            At += Length;
        }
        return At;
    }
    default:
        return Size;
    }
}

void TTextDecoder::Convert(std::string_view Bytes, std::u16string& Out) {
    if (Bytes.empty()) return;
    const TCodePageConverter* CodePages = FEnv.CodePages;
    switch (FKind) {
    case TKind::Utf8:
        DecodeUtf8(Bytes, Out);
        return;
    case TKind::Utf16Le:
    case TKind::Utf16Be:
        for (std::size_t I = 0; I + 1 < Bytes.size(); I += 2) {
            const auto Lo = static_cast<unsigned char>(Bytes[I + (FKind == TKind::Utf16Be)]);
            const auto Hi = static_cast<unsigned char>(Bytes[I + (FKind == TKind::Utf16Le)]);
            Out += static_cast<char16_t>(Lo | (Hi << 8));
        }
        if (Bytes.size() % 2 != 0) Out += u'\uFFFD';
        return;
    case TKind::Gb18030:
        // The platform's code page where it has one; this table where it does not.
        if (FPlatformGb18030 && CodePages != nullptr && CodePages->ToUtf16(CodePageGb18030, Bytes, Out)) return;
        FPlatformGb18030 = false;
        DecodeGb18030(Bytes, CodePages, Out);
        return;
    default:
        if (CodePages == nullptr || !CodePages->ToUtf16(FCodePage, Bytes, Out)) ConvertWithout(FCodePage, Bytes, Out);
        return;
    }
}

void TTextDecoder::Feed(std::string_view Bytes, std::u16string& Out) {
    if (!FHeld.empty()) {
        FHeld.append(Bytes);
        Bytes = FHeld;
    }
    std::size_t Done = 0;
    std::string_view Rest = Bytes;
    if (Settle(Rest, Out, false)) {
        const std::size_t Length = Complete(Rest);
        Convert(Rest.substr(0, Length), Out);
        Rest.remove_prefix(Length);
    }
    Done = Bytes.size() - Rest.size();
    if (FHeld.empty())
        FHeld.assign(Rest);
    else
        FHeld.erase(0, Done);
}

void TTextDecoder::Finish(std::u16string& Out) {
    std::string_view Rest = FHeld;
    Settle(Rest, Out, true);
    Convert(Rest, Out);
    FHeld.clear();
}

void DecodeText(std::string_view Bytes, unsigned CodePage, const TDecodeEnv& Env, std::u16string& Out) {
    TTextDecoder Decoder(CodePage, Env);
    Decoder.Feed(Bytes, Out);
    Decoder.Finish(Out);
}

bool TCodePageConverter::FormsOf(unsigned CodePage, char16_t Unit, std::vector<std::string>& Forms) const {
    Forms.clear();
    // Each byte and then, for each byte beyond ASCII, each pair it starts, converted a line each:
    // the lines of the output are the conversions of the inputs. A line feed is no part of any
    // character of these code pages.
    auto Add = [&Forms](std::string Form) {
        if (std::find(Forms.begin(), Forms.end(), Form) == Forms.end()) Forms.push_back(std::move(Form));
    };
    auto Convert = [&](const std::string& Lines, std::size_t Count, auto&& Line) {
        std::u16string Out;
        if (!ToUtf16(CodePage, Lines, Out)) return false;
        std::size_t Start = 0, Seen = 0;
        for (std::size_t End; (End = Out.find(u'\n', Start)) != std::u16string::npos; Start = End + 1, ++Seen)
            if (Seen < Count) Line(Seen, std::u16string_view(Out).substr(Start, End - Start));
        return Seen == Count;
    };
    std::string Lines;
    for (unsigned B = 1; B < 256; ++B)
        if (B != '\n') Lines += {static_cast<char>(B), '\n'};
    const auto ByteAt = [](std::size_t I) { return static_cast<char>(I + 1 + (I + 1 >= '\n')); };
    std::u16string Single[256];
    if (!Convert(Lines, 254, [&](std::size_t I, std::u16string_view Text) {
            Single[static_cast<unsigned char>(ByteAt(I))] = Text;
            if (Text.find(Unit) != std::u16string_view::npos) Add(std::string(1, ByteAt(I)));
        }))
        return false;
    for (unsigned B = 0x80; B < 256; ++B) {
        Lines.clear();
        for (unsigned T = 1; T < 256; ++T)
            if (T != '\n') Lines += {static_cast<char>(B), static_cast<char>(T), '\n'};
        if (!Convert(Lines, 254, [&](std::size_t I, std::u16string_view Text) {
                // A pair that reads as its two bytes apart gives nothing the bytes do not.
                const char T = ByteAt(I);
                if (Text == Single[B] + Single[static_cast<unsigned char>(T)]) return;
                if (Text == std::u16string_view(&Unit, 1))
                    Add(std::string{static_cast<char>(B), T});
                else if (Text.find(Unit) != std::u16string_view::npos)
                    Add(std::string(1, static_cast<char>(B))), Add(std::string(1, T));  // not as a pair
            }))
            return false;
    }
    return true;
}
