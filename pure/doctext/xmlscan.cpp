#include "pure/doctext/xmlscan.h"

namespace xmlscan {

std::size_t NextMarkPlain(const unsigned char* Data, std::size_t Size, std::size_t From, bool Amps) {
    while (From < Size && Data[From] != '<' && !(Amps && Data[From] == '&')) ++From;
    return From < Size ? From : Size;
}

std::size_t TagEndPlain(const unsigned char* Data, std::size_t From, std::size_t Size) {
    for (; From < Size; ++From) {
        const unsigned char C = Data[From];
        if (C == '>') return From;
        if (C == '"' || C == '\'') {
            const void* Close = std::memchr(Data + From + 1, C, Size - From - 1);
            if (Close == nullptr) return Size;
            From = static_cast<std::size_t>(static_cast<const unsigned char*>(Close) - Data);
        }
    }
    return Size;
}

bool FindTagNamePlain(const unsigned char* Data, std::size_t At, std::size_t Size, std::size_t& Local,
                      std::size_t& End) {
    if (Size - At < NameWindow) return false;
    std::size_t Colon = At;
    for (std::size_t K = At; K < At + NameWindow; ++K) {
        if (NameStops.Stop[Data[K]]) {
            Local = Colon;
            End = K;
            return true;
        }
        if (Data[K] == ':') Colon = K + 1;
    }
    return false;
}

TTagAttributes ReadAttributes(const unsigned char* Data, std::size_t From, std::size_t Size, std::string_view Name,
                              std::size_t MaxValue) {
    TTagAttributes Tag;
    Tag.End = Size;
    const unsigned char Last = static_cast<unsigned char>(Name.back());
    for (std::size_t I = From, Region = From; I < Size; ++I) {
        const unsigned char C = Data[I];
        if (!TagStops.Stop[C]) continue;
        if (C == '>') {
            Tag.End = I;
            Tag.Empty = EndsEmpty(Data, Region, I);
            return Tag;
        }
        // A quoted value, most often short, and the name before it: back from the quote past
        // blanks and '=', then to the name's start unless its last byte already differs.
        std::size_t Close = I + 1;
        while (Close < Size && Data[Close] != C) ++Close;
        if (Close == Size) break;
        std::size_t NameEnd = I, NameAt;
        while (NameEnd > Region && EndsAttributeName(Data[NameEnd - 1])) --NameEnd;
        if (NameEnd > Region && Data[NameEnd - 1] == Last) {
            for (NameAt = NameEnd; NameAt > Region && !EndsAttributeName(Data[NameAt - 1]) && Data[NameAt - 1] != ':';)
                --NameAt;
            if (NameEnd - NameAt == Name.size() && NameEnd - NameAt <= MaxAttributeName &&
                std::memcmp(Data + NameAt, Name.data(), Name.size()) == 0) {
                // Found: the value, and the tag's end past any later values.
                const std::size_t Length = Close - I - 1;
                Tag.Found = true;
                Tag.Value = {reinterpret_cast<const char*>(Data + I + 1), Length < MaxValue ? Length : MaxValue};
                Tag.End = TagEnd(Data, Close + 1, Size);
                if (Tag.End == Size) break;
                Tag.Empty = EndsEmpty(Data, Close + 1, Tag.End);
                return Tag;
            }
        }
        I = Close;
        Region = Close + 1;
    }
    Tag = TTagAttributes();
    Tag.End = Size;
    return Tag;
}

namespace {

// The code point of a three-byte form at Data; false unless it is one.
inline bool ThreeByte(const unsigned char* Data, unsigned& U) {
    const unsigned B0 = Data[0], B1 = Data[1], B2 = Data[2];
    if ((B0 & 0xF0) != 0xE0 || (B1 & 0xC0) != 0x80 || (B2 & 0xC0) != 0x80) return false;
    U = ((B0 & 0x0F) << 12) | ((B1 & 0x3F) << 6) | (B2 & 0x3F);
    return !BadThreeByte(U);
}

// One ASCII or three-byte character at Data[I] into Out; false, nothing read, for anything else.
inline bool DecodeOne(const unsigned char* Data, std::size_t& I, std::size_t Size, char16_t*& Out) {
    unsigned U;
    if (Data[I] < 0x80) {
        *Out++ = Data[I++];
    } else if (Size - I >= 3 && ThreeByte(Data + I, U)) {
        *Out++ = static_cast<char16_t>(U);
        I += 3;
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool DecodeThreeBytePlain(const unsigned char* Data, std::size_t Count, char16_t* Out) {
    for (std::size_t K = 0; K < Count; ++K) {
        unsigned U;
        if (!ThreeByte(Data + 3 * K, U)) return false;
        Out[K] = static_cast<char16_t>(U);
    }
    return true;
}

char16_t* DecodeCommonPlain(const unsigned char* Data, std::size_t& At, std::size_t Size, char16_t* Out,
                            char16_t* const OutEnd) {
    std::size_t I = At;
    while (I < Size && Out < OutEnd && DecodeOne(Data, I, Size, Out)) {
    }
    At = I;
    return Out;
}

#if defined(__SSE2__)
bool DecodeFourThreeByte(const unsigned char* Data, char16_t* Out) {
    const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data));
    // The form's shape, byte by byte: a lead byte 1110xxxx (its top four bits, 0xF0 = -16, are
    // 0xE0 = -32) and two continuation bytes 10xxxxxx (top two bits, 0xC0 = -64, are 0x80 = -128),
    // four times; the last four bytes are not the forms' and compare as zero.
    const __m128i Shape = _mm_setr_epi8(-16, -64, -64, -16, -64, -64, -16, -64, -64, -16, -64, -64, 0, 0, 0, 0);
    const __m128i Want = _mm_setr_epi8(-32, -128, -128, -32, -128, -128, -32, -128, -128, -32, -128, -128, 0, 0, 0, 0);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(V, Shape), Want)) != 0xFFFF) return false;
    // Character K's three bytes into the low bytes of 32-bit lane K (shifted up by K bytes, so
    // that bytes 3K..3K+2 land at 4K..4K+2), then its bits gathered as in ThreeByte.
    const __m128i Three = _mm_set1_epi32(0x00FFFFFF);
    const __m128i Lanes =
        _mm_or_si128(_mm_or_si128(_mm_and_si128(V, _mm_setr_epi32(0x00FFFFFF, 0, 0, 0)),
                                  _mm_and_si128(_mm_slli_si128(V, 1), _mm_setr_epi32(0, 0x00FFFFFF, 0, 0))),
                     _mm_and_si128(_mm_or_si128(_mm_and_si128(_mm_slli_si128(V, 2), _mm_setr_epi32(0, 0, -1, 0)),
                                                _mm_and_si128(_mm_slli_si128(V, 3), _mm_setr_epi32(0, 0, 0, -1))),
                                   Three));
    const __m128i U = _mm_or_si128(_mm_slli_epi32(_mm_and_si128(Lanes, _mm_set1_epi32(0x0F)), 12),
                                   _mm_or_si128(_mm_and_si128(_mm_srli_epi32(Lanes, 2), _mm_set1_epi32(0xFC0)),
                                                _mm_and_si128(_mm_srli_epi32(Lanes, 16), _mm_set1_epi32(0x3F))));
    // Overlong forms (top five bits of 16 all zero: below U+0800) and surrogates (11011).
    const __m128i Top = _mm_and_si128(U, _mm_set1_epi32(0xF800));
    if (_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi32(Top, _mm_setzero_si128()), _mm_cmpeq_epi32(Top, _mm_set1_epi32(0xD800)))) != 0)
        return false;
    // The low 16 bits of the four lanes side by side.
    const __m128i Words =
        _mm_shuffle_epi32(_mm_shufflehi_epi16(_mm_shufflelo_epi16(U, _MM_SHUFFLE(3, 3, 2, 0)), _MM_SHUFFLE(3, 3, 2, 0)),
                          _MM_SHUFFLE(3, 3, 2, 0));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(Out), Words);
    return true;
}
#endif

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
bool DecodeTwoThreeByte(const unsigned char* Data, char16_t* Out) {
    std::uint64_t W;
    std::memcpy(&W, Data, sizeof W);  // byte K of Data is bits 8K..8K+7
    // Bytes 0 to 5 against the shape of two forms, from the lowest byte up: lead (top four bits,
    // 0xF0, are 0xE0), continuation, continuation (top two bits, 0xC0, are 0x80), twice.
    if ((W & 0xC0C0F0C0C0F0u) != 0x8080E08080E0u) return false;
    // Each form's 4 + 6 + 6 bits from its three bytes, as ThreeByte gathers them.
    const unsigned U0 = static_cast<unsigned>(((W & 0x0F) << 12) | ((W >> 2) & 0xFC0) | ((W >> 16) & 0x3F));
    const unsigned U1 = static_cast<unsigned>(((W >> 12) & 0xF000) | ((W >> 26) & 0xFC0) | ((W >> 40) & 0x3F));
    if (BadThreeByte(U0) || BadThreeByte(U1)) return false;
    Out[0] = static_cast<char16_t>(U0);
    Out[1] = static_cast<char16_t>(U1);
    return true;
}
#endif

char16_t* DecodeCommon(const unsigned char* Data, std::size_t& At, std::size_t Size, char16_t* Out,
                       char16_t* const OutEnd) {
    std::size_t I = At;
    while (I < Size && Out < OutEnd) {
#if defined(__SSE2__)
        if (Size - I >= 16 && OutEnd - Out >= 16) {
            // Sixteen bytes widened at once; only the ASCII ones before the first other byte count.
            const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I));
            const __m128i Zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(Out), _mm_unpacklo_epi8(V, Zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(Out + 8), _mm_unpackhi_epi8(V, Zero));
            const unsigned Mask = static_cast<unsigned>(_mm_movemask_epi8(V));
            const std::size_t Ascii = Mask == 0 ? 16 : static_cast<std::size_t>(__builtin_ctz(Mask));
            I += Ascii;
            Out += Ascii;
            if (Ascii == 16) continue;
        }
        // A run of three-byte characters, four at a time where sixteen bytes can be read.
        while (Size - I >= 16 && OutEnd - Out >= 4 && DecodeFourThreeByte(Data + I, Out)) {
            I += 12;
            Out += 4;
        }
#endif
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        // Then two at a time where eight can.
        while (Size - I >= 8 && OutEnd - Out >= 2 && DecodeTwoThreeByte(Data + I, Out)) {
            I += 6;
            Out += 2;
        }
#endif
        // Then one character, in the buffer's last bytes or where the wide steps stopped.
        if (Out == OutEnd || !DecodeOne(Data, I, Size, Out)) break;
    }
    At = I;
    return Out;
}

bool HoldsSequencePlain(const unsigned char* Data, std::size_t Size, const unsigned char* Sequence, std::size_t Length,
                        unsigned char Other) {
    const unsigned char Alternate = Length == 1 ? Other : Sequence[0];
    for (std::size_t I = 0; I + Length <= Size; ++I)
        if ((Data[I] == Sequence[0] || Data[I] == Alternate) &&
            std::memcmp(Data + I + 1, Sequence + 1, Length - 1) == 0)
            return true;
    return false;
}

}  // namespace xmlscan
