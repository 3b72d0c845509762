#pragma once
// The byte scanners under the XML text extractor (xmltext.h): where the next tag, a tag's end or
// a name's end stands, whether a run of text holds the awaited character, and the decoding of the
// characters most text is made of. Most of a large part's bytes pass through these, so each takes
// sixteen or more bytes at a time where the processor has SSE2. Each has a plain version that
// gives the same answer a byte at a time: it reads what the fast one leaves (a buffer's last
// bytes), it is all that a processor without SSE2 runs, and the native tests hold the fast one to
// it on random and edge inputs.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "pure/support/findbyte.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace xmlscan {

// Bytes at which a scan a byte at a time stops.
struct TStopTable {
    bool Stop[256] = {};
    constexpr explicit TStopTable(const char* Bytes, bool Nul = false) {
        for (; *Bytes != '\0'; ++Bytes) Stop[static_cast<unsigned char>(*Bytes)] = true;
        Stop[0] = Nul;
    }
};
// Within a tag: its end, or a quoted value that may hold '>'.
inline constexpr TStopTable TagStops(">\"'");
// A name ends at a space or control byte, '/', '>', or '<': a '<' starts the next tag wherever it
// stands, which lets the scan for tags pass over a tag of no meaning without reading it.
inline constexpr TStopTable NameStops(
    "\x01\x02\x03\x04\x05\x06\x07\x08\t\n\x0b\x0c\r\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e"
    "\x1f /<>",
    true);

// White space as XML writes it between attributes and around values.
inline bool IsXmlSpace(unsigned char C) {
    constexpr std::uint64_t Blanks = (std::uint64_t(1) << ' ') | (1u << '\t') | (1u << '\r') | (1u << '\n');
    return C <= ' ' && ((std::uint64_t(1) << C) & Blanks) != 0;
}

// ---- Tags ----

// The first '<' at or after From, or also '&' when Amps; Size when none.
std::size_t NextMarkPlain(const unsigned char* Data, std::size_t Size, std::size_t From, bool Amps);

// NextMarkPlain over one buffer, called again and again with From moving on: the '<' and '&' of
// 64 bytes are found at once as bits, so that the next one after a short tag or run of text is
// found without another pass over its bytes.
class TMarks {
public:
    TMarks(const unsigned char* Data, std::size_t Size) : FData(Data), FSize(Size), FAt(Size) {}
    // The first '<' at or after From, or also '&' when Amps is all ones; Size when none.
    std::size_t Next(std::size_t From, std::uint64_t Amps) {
        for (;;) {
            if (From - FAt >= 64) Load(From);  // From outside the block (before it wraps around)
            const std::uint64_t Marks = (FLt | (FAmp & Amps)) >> (From - FAt);
            if (Marks != 0) return From + static_cast<std::size_t>(__builtin_ctzll(Marks));
            if (FSize - FAt <= 64) return FSize;
            From = FAt + 64;
        }
    }

private:
    void Load(std::size_t From);

    const unsigned char* FData;
    std::size_t FSize;
    std::size_t FAt;  // the block loaded; at first the end, so that any From before it loads one
    std::uint64_t FLt = 0, FAmp = 0;
};

inline void TMarks::Load(std::size_t From) {
    FAt = From;
    FLt = FAmp = 0;
    std::size_t K = 0;
#if defined(__SSE2__)
    if (FSize - From >= 64) {
        const __m128i Lt = _mm_set1_epi8('<'), Amp = _mm_set1_epi8('&');
        for (; K < 64; K += 16) {
            const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(FData + From + K));
            FLt |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, Lt)))) << K;
            FAmp |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, Amp)))) << K;
        }
        return;
    }
#endif
    // The buffer's last bytes, or every block without SSE2.
    for (; K < 64 && From + K < FSize; ++K) {
        FLt |= static_cast<std::uint64_t>(FData[From + K] == '<') << K;
        FAmp |= static_cast<std::uint64_t>(FData[From + K] == '&') << K;
    }
}

// The first '<' at or after From (Size when none): the next tag, every tag read in turn. The
// plain version of TQuietScan.
inline std::size_t NextTagPlain(const unsigned char* Data, std::size_t Size, std::size_t From) {
    const void* Lt = From < Size ? std::memchr(Data + From, '<', Size - From) : nullptr;
    return Lt != nullptr ? static_cast<std::size_t>(static_cast<const unsigned char*>(Lt) - Data) : Size;
}

// While no text is shown or held back, only the start tags of a few names can change anything
// (containers, skips, spaces, the tags whose attributes are read), and markup after "<!" or "<?".
// This finds them 64 bytes at a time as bits: a name's first byte follows "<", "</" or a prefix's
// ':', so the bytes after those that may start such a name mark the tags to read, and the tags
// between are passed over unread. Where the processor has no SSE2, and in a buffer's last 64
// bytes, every tag is read (NextTagPlain).
class TQuietScan {
public:
    // Firsts: the first bytes of the names that act, Count of them.
    TQuietScan(const unsigned char* Data, std::size_t Size, const unsigned char* Firsts, int Count)
        : FData(Data), FSize(Size), FFirsts(Firsts), FCount(Count), FAt(Size) {}
    // A '<' at or after From such that no tag that may act starts between From and it, at most
    // the first such tag's; Size when there is no tag at all.
    std::size_t Next(std::size_t From) {
        constexpr std::size_t None = ~std::size_t(0);
        std::size_t LastLt = None;  // the last '<' passed since From
#if defined(__SSE2__)
        while (From < FSize) {
            if (From - FAt >= 64) {
                if (FSize - From < 64) break;
                Load(From);
            }
            const std::uint64_t After = ~std::uint64_t(0) << (From - FAt);
            const std::uint64_t Lts = FLt & After;
            std::uint64_t Marked = FMarked & After;
            // With no '<' passed yet, marks before the first '<' belong to a tag begun before From.
            if (LastLt == None) Marked &= Lts == 0 ? 0 : ~std::uint64_t(1) << __builtin_ctzll(Lts);
            if (Marked != 0) {
                // The '<' of the marked tag: the last one before the mark.
                const std::uint64_t Before = FLt & ((std::uint64_t(1) << __builtin_ctzll(Marked)) - 1);
                return Before != 0 ? FAt + 63 - static_cast<std::size_t>(__builtin_clzll(Before)) : LastLt;
            }
            if (Lts != 0) LastLt = FAt + 63 - static_cast<std::size_t>(__builtin_clzll(Lts));
            From = FAt + 64;
        }
#endif
        return LastLt != None ? LastLt : NextTagPlain(FData, FSize, From);
    }

private:
#if defined(__SSE2__)
    void Load(std::size_t From);
#endif

    const unsigned char* FData;
    std::size_t FSize;
    const unsigned char* FFirsts;
    int FCount;
    std::size_t FAt;                         // the block loaded; at first the end, so that any From before it loads one
    std::uint64_t FLt = 0, FMarked = 0;      // the block's '<', and its bytes that may start a tag to read
    std::uint64_t FLtOut = 0, FEndsOut = 0;  // its last byte's '<', and whether a name may start after it
};

#if defined(__SSE2__)
inline void TQuietScan::Load(std::size_t From) {
    // Marks that run on from the block before carry over when this block follows it.
    const bool Follows = From == FAt + 64;
    std::uint64_t Colons = 0, Slashes = 0, Firsts = 0;
    FLt = 0;
    for (int K = 0; K < 64; K += 16) {
        const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(FData + From + K));
        __m128i First = _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('!')), _mm_cmpeq_epi8(V, _mm_set1_epi8('?')));
        for (int F = 0; F < FCount; ++F)
            First = _mm_or_si128(First, _mm_cmpeq_epi8(V, _mm_set1_epi8(static_cast<char>(FFirsts[F]))));
        auto Bits = [](__m128i M) { return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(M))); };
        FLt |= Bits(_mm_cmpeq_epi8(V, _mm_set1_epi8('<'))) << K;
        Colons |= Bits(_mm_cmpeq_epi8(V, _mm_set1_epi8(':'))) << K;
        Slashes |= Bits(_mm_cmpeq_epi8(V, _mm_set1_epi8('/'))) << K;
        Firsts |= Bits(First) << K;
    }
    // Bytes after which a name may begin: '<', ':', and a '/' right after a '<' (that '<' maybe
    // the last byte of the block before). A byte after one of them that may begin a name that
    // acts marks its tag.
    const std::uint64_t Ends = FLt | Colons | (Slashes & ((FLt << 1) | (Follows ? FLtOut : 0)));
    FMarked = ((Ends << 1) | (Follows ? FEndsOut : 0)) & Firsts;
    FLtOut = FLt >> 63;
    FEndsOut = Ends >> 63;
    FAt = From;
}
#endif

// The '>' that ends a tag whose name ends at From, past the quoted values of its attributes
// (which may hold '>'); Size when the buffer ends first.
std::size_t TagEndPlain(const unsigned char* Data, std::size_t From, std::size_t Size);

// TagEndPlain thirty-two bytes at a time, as the bits of the '>' and quotes among them: a start
// tag's attributes are most of the bytes of a word processor's part.
inline std::size_t TagEnd(const unsigned char* Data, std::size_t From, std::size_t Size) {
    if (From < Size && Data[From] == '>') return From;
#if defined(__SSE2__)
    const __m128i Gt = _mm_set1_epi8('>'), Double = _mm_set1_epi8('"'), Single = _mm_set1_epi8('\'');
    while (Size - From >= 32) {
        std::uint32_t Ends = 0, Doubles = 0, Singles = 0;
        for (int K = 0; K < 32; K += 16) {
            const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + From + K));
            Ends |= static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, Gt))) << K;
            Doubles |= static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, Double))) << K;
            Singles |= static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, Single))) << K;
        }
        std::uint32_t Marks = Ends | Doubles | Singles;
        std::size_t Next = From + 32;
        while (Marks != 0) {
            const int Bit = __builtin_ctz(Marks);
            if ((Ends >> Bit) & 1) return From + static_cast<std::size_t>(Bit);
            // A quote: on after the same quote that closes it, which may lie beyond these bytes.
            const std::uint32_t Same = ((Doubles >> Bit) & 1 ? Doubles : Singles) & ~((std::uint32_t(2) << Bit) - 1);
            if (Same == 0) {
                const unsigned char* Close = FindByte(Data + From + Bit + 1, Size - From - Bit - 1, Data[From + Bit]);
                if (Close == nullptr) return Size;
                Next = static_cast<std::size_t>(Close - Data) + 1;
                break;
            }
            Marks &= ~((std::uint32_t(2) << __builtin_ctz(Same)) - 1);
        }
        From = Next;
    }
#endif
    return TagEndPlain(Data, From, Size);
}

// A tag's name is read where it starts, at At (after "<" or "</", At <= Size), when it ends (at a byte of
// NameStops) within the NameWindow bytes from At and those bytes lie in the buffer; a longer
// name, or one the buffer may cut, is read by the extractor's states. On success End is where
// the name ends and Local where its local name begins (after the last ':').
inline constexpr std::size_t NameWindow = 16;
bool FindTagNamePlain(const unsigned char* Data, std::size_t At, std::size_t Size, std::size_t& Local,
                      std::size_t& End);

inline bool FindTagName(const unsigned char* Data, std::size_t At, std::size_t Size, std::size_t& Local,
                        std::size_t& End) {
#if defined(__SSE2__)
    if (Size - At < NameWindow) return false;
    const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + At));
    // The bytes of NameStops: the unsigned minimum of a byte and 0x20 is the byte itself for the
    // bytes up to a space (NUL and the control bytes), and '/', '<' and '>'.
    const __m128i Low = _mm_cmpeq_epi8(_mm_min_epu8(V, _mm_set1_epi8(0x20)), V);
    const unsigned Ends = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_or_si128(_mm_or_si128(Low, _mm_cmpeq_epi8(V, _mm_set1_epi8('/'))),
                     _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('<')), _mm_cmpeq_epi8(V, _mm_set1_epi8('>'))))));
    if (Ends == 0) return false;
    const unsigned Length = static_cast<unsigned>(__builtin_ctz(Ends));
    const unsigned Colons =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, _mm_set1_epi8(':')))) & ((1u << Length) - 1);
    Local = Colons != 0 ? At + static_cast<std::size_t>(32 - __builtin_clz(Colons)) : At;
    End = At + Length;
    return true;
#else
    return FindTagNamePlain(Data, At, Size, Local, End);
#endif
}

// ---- Attributes ----

// A start tag's attributes as the extractor reads them, the same whether the tag lies whole in the
// buffer (ReadAttributes) or its states read it a few bytes at a time: an attribute's name is the
// last run of bytes other than blanks, '=' and '/' before the quote that opens its value, from
// its last ':' on, and a name longer than MaxAttributeName matches none; the first attribute of a
// name counts. A tag is empty when the last byte before its '>', blanks aside, is a '/'.
inline constexpr std::size_t MaxAttributeName = 40;
inline bool EndsAttributeName(unsigned char C) { return IsXmlSpace(C) || C == '=' || C == '/'; }

struct TTagAttributes {
    std::size_t End = 0;     // the tag's '>'; the buffer's size when it ends first (nothing read)
    bool Empty = false;      // the tag ends with "/>"
    bool Found = false;      // the attribute Name is among them
    std::string_view Value;  // its value as written, up to MaxValue bytes
};
// Reads the attributes of a start tag whose name ends at From, keeping the value of the one
// named Name (not empty).
TTagAttributes ReadAttributes(const unsigned char* Data, std::size_t From, std::size_t Size, std::string_view Name,
                              std::size_t MaxValue);
// Whether a tag whose attributes, after its name or its last value, are Data[From..To) and whose
// '>' stands at To is empty.
inline bool EndsEmpty(const unsigned char* Data, std::size_t From, std::size_t To) {
    while (To > From && IsXmlSpace(Data[To - 1])) --To;
    return To > From && Data[To - 1] == '/';
}

// ---- Text ----

// Decodes from Data[At] on the characters most text is made of, ASCII and the three-byte forms
// (CJK), into Out up to OutEnd; stops before anything else (a two- or four-byte form, a damaged
// or overlong one, a form the buffer cuts), which the caller reads byte by byte. Returns the end
// of the output and moves At past what it read.
char16_t* DecodeCommonPlain(const unsigned char* Data, std::size_t& At, std::size_t Size, char16_t* Out,
                            char16_t* OutEnd);
// The same, sixteen ASCII bytes and four or two three-byte forms at a time.
char16_t* DecodeCommon(const unsigned char* Data, std::size_t& At, std::size_t Size, char16_t* Out, char16_t* OutEnd);

// A three-byte form that stands for no character of its own: overlong (below U+0800) or a
// surrogate (U+D800 to U+DFFF), which UTF-8 writes in other forms or not at all.
inline bool BadThreeByte(unsigned U) { return U - 0x800 >= 0xD000 && U < 0xE000; }

// Decodes Count three-byte forms from the bytes at Data into Out; false, with Out as it may have
// been left, unless all are such forms of characters.
bool DecodeThreeBytePlain(const unsigned char* Data, std::size_t Count, char16_t* Out);
#if defined(__SSE2__)
// DecodeThreeBytePlain of four forms from the twelve bytes at Data (sixteen are read), in the
// lanes of one register; nothing written when false.
bool DecodeFourThreeByte(const unsigned char* Data, char16_t* Out);
#endif
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// DecodeThreeBytePlain of two forms from the six bytes at Data (eight are read), as one 64-bit
// word; nothing written when false.
bool DecodeTwoThreeByte(const unsigned char* Data, char16_t* Out);
#endif

// Whether the Size bytes at Data hold the Length (1 to 3) bytes of Sequence, or, for one byte,
// Other (a letter's other case).
bool HoldsSequencePlain(const unsigned char* Data, std::size_t Size, const unsigned char* Sequence, std::size_t Length,
                        unsigned char Other);
// The same, sixteen places at a time, the last sixteen overlapping the ones before: the text a
// keyword test passes over is looked through here, inline in the extractor's loop.
inline bool HoldsSequence(const unsigned char* Data, std::size_t Size, const unsigned char* Sequence,
                          std::size_t Length, unsigned char Other) {
#if defined(__SSE2__)
    if (Size >= 16 + Length - 1) {
        const unsigned char Alternate = Length == 1 ? Other : Sequence[0];
        const __m128i First = _mm_set1_epi8(static_cast<char>(Sequence[0])),
                      Either = _mm_set1_epi8(static_cast<char>(Alternate)),
                      Second = _mm_set1_epi8(static_cast<char>(Sequence[Length > 1 ? 1 : 0])),
                      Third = _mm_set1_epi8(static_cast<char>(Sequence[Length > 2 ? 2 : 0]));
        const std::size_t Last = Size - (16 + Length - 1);
        for (std::size_t I = 0;; I += 16) {
            if (I > Last) I = Last;
            const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I));
            __m128i Hit = _mm_or_si128(_mm_cmpeq_epi8(V, First), _mm_cmpeq_epi8(V, Either));
            if (Length > 1)
                Hit = _mm_and_si128(
                    Hit, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I + 1)), Second));
            if (Length > 2)
                Hit = _mm_and_si128(
                    Hit, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I + 2)), Third));
            if (_mm_movemask_epi8(Hit) != 0) return true;
            if (I == Last) return false;
        }
    }
#endif
    return HoldsSequencePlain(Data, Size, Sequence, Length, Other);
}

}  // namespace xmlscan
