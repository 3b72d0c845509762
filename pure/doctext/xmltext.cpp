#include "pure/doctext/xmltext.h"

#include <cstring>

#include "pure/doctext/decodelimits.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool IsSpace(unsigned char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n'; }

// Bytes at which a fast scan stops: within a tag (its end or a quoted value), within a name,
// within shown text.
struct TStopTable {
    bool Stop[256] = {};
    constexpr explicit TStopTable(const char* Bytes, bool Nul = false) {
        for (; *Bytes != '\0'; ++Bytes) Stop[static_cast<unsigned char>(*Bytes)] = true;
        Stop[0] = Nul;
    }
};
constexpr TStopTable TagStops(">\"'");

// The first position at or after From where one of the bytes A, B, C stands (Size when none):
// sixteen bytes at a time where the processor allows.
inline std::size_t FindFirstOf(const unsigned char* Data, std::size_t From, std::size_t Size, unsigned char A,
                               unsigned char B, unsigned char C, const TStopTable& Table) {
#if defined(__SSE2__)
    const __m128i VA = _mm_set1_epi8(static_cast<char>(A)), VB = _mm_set1_epi8(static_cast<char>(B)),
                  VC = _mm_set1_epi8(static_cast<char>(C));
    while (From + 16 <= Size) {
        const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + From));
        const int Mask = _mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(V, VA), _mm_cmpeq_epi8(V, VB)), _mm_cmpeq_epi8(V, VC)));
        if (Mask != 0) return From + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(Mask)));
        From += 16;
    }
#endif
    while (From < Size && !Table.Stop[Data[From]]) ++From;
    return From;
}
// A name ends at a space or control byte, '/', '>', or '<': a '<' starts the next tag wherever
// it stands, which lets the scan for tags pass over a tag of no meaning without reading it.
constexpr TStopTable NameStops(
    "\x01\x02\x03\x04\x05\x06\x07\x08\t\n\x0b\x0c\r\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e"
    "\x1f /<>",
    true);
constexpr TStopTable DoubleQuoteStops("\"");
constexpr TStopTable SingleQuoteStops("'");

// The '<' and '&' of the buffer, found 64 bytes at a time: their positions as bits, so that the
// next one after a short tag or text is found without another pass over the bytes.
class TMarks {
public:
    TMarks(const unsigned char* Data, std::size_t Size) : FData(Data), FSize(Size), FAt(Size) {}
    // The first '<' at or after From, or also '&' when Amps is all ones; Size when none.
    std::size_t Next(std::size_t From, std::uint64_t Amps) {
        for (;;) {
            if (From - FAt >= 64) Load(From);
            const std::uint64_t Marks = (FLt | (FAmp & Amps)) >> (From - FAt);
            if (Marks != 0) return From + static_cast<std::size_t>(__builtin_ctzll(Marks));
            if (FSize - FAt <= 64) return FSize;
            From = FAt + 64;
        }
    }

private:
    void Load(std::size_t From) {
        FAt = From;
        FLt = FAmp = 0;
        std::size_t K = 0;
#if defined(__SSE2__)
        if (FSize - From >= 64) {
            const __m128i Lt = _mm_set1_epi8('<'), Amp = _mm_set1_epi8('&');
            for (; K < 64; K += 16) {
                const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(FData + From + K));
                FLt |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, Lt)))) << K;
                FAmp |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, Amp))))
                        << K;
            }
            return;
        }
#endif
        for (; K < 64 && From + K < FSize; ++K) {
            FLt |= static_cast<std::uint64_t>(FData[From + K] == '<') << K;
            FAmp |= static_cast<std::uint64_t>(FData[From + K] == '&') << K;
        }
    }

    const unsigned char* FData;
    std::size_t FSize;
    std::size_t FAt;  // the block loaded; at first the end, so that any From before it loads one
    std::uint64_t FLt = 0, FAmp = 0;
};

// While no text is shown or held back, only the start tags of a few names can change anything
// (containers, skips, spaces, tabs, the attribute element), and markup after "<!" or "<?". This
// finds them 64 bytes at a time as bits: a name's first byte follows "<", "</" or a prefix's ':',
// so the bytes after those that may start such a name mark the tags to read; the tags between
// are passed over unread. Where the processor has no SSE2, or near the buffer's end, every tag
// is read.
class TQuietScan {
public:
    // Firsts: the first bytes of the names that act.
    TQuietScan(const unsigned char* Data, std::size_t Size, const unsigned char* Firsts, int Count)
        : FData(Data), FSize(Size), FFirsts(Firsts), FCount(Count), FAt(Size) {}
    // A '<' at or after From such that no tag that may act starts between From and it; Size when
    // there is no tag at all.
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
                const std::uint64_t Before = FLt & ((std::uint64_t(1) << __builtin_ctzll(Marked)) - 1);
                return Before != 0 ? FAt + 63 - static_cast<std::size_t>(__builtin_clzll(Before)) : LastLt;
            }
            if (Lts != 0) LastLt = FAt + 63 - static_cast<std::size_t>(__builtin_clzll(Lts));
            From = FAt + 64;
        }
#endif
        if (LastLt != None) return LastLt;
        const void* Lt = From < FSize ? std::memchr(FData + From, '<', FSize - From) : nullptr;
        return Lt != nullptr ? static_cast<std::size_t>(static_cast<const unsigned char*>(Lt) - FData) : FSize;
    }

private:
#if defined(__SSE2__)
    void Load(std::size_t From) {
        // Marks that run on from the block before carry over when this block follows it.
        const bool Follows = From == FAt + 64;
        std::uint64_t Colons = 0, Slashes = 0, Firsts = 0;
        FLt = 0;
        for (int K = 0; K < 64; K += 16) {
            const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(FData + From + K));
            __m128i First = _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('!')), _mm_cmpeq_epi8(V, _mm_set1_epi8('?')));
            for (int F = 0; F < FCount; ++F)
                First = _mm_or_si128(First, _mm_cmpeq_epi8(V, _mm_set1_epi8(static_cast<char>(FFirsts[F]))));
            auto Bits = [](__m128i M) {
                return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(M)));
            };
            FLt |= Bits(_mm_cmpeq_epi8(V, _mm_set1_epi8('<'))) << K;
            Colons |= Bits(_mm_cmpeq_epi8(V, _mm_set1_epi8(':'))) << K;
            Slashes |= Bits(_mm_cmpeq_epi8(V, _mm_set1_epi8('/'))) << K;
            Firsts |= Bits(First) << K;
        }
        const std::uint64_t Ends = FLt | Colons | (Slashes & ((FLt << 1) | (Follows ? FLtOut : 0)));
        FMarked = ((Ends << 1) | (Follows ? FEndsOut : 0)) & Firsts;
        FLtOut = FLt >> 63;
        FEndsOut = Ends >> 63;
        FAt = From;
    }
#endif

    const unsigned char* FData;
    std::size_t FSize;
    const unsigned char* FFirsts;
    int FCount;
    std::size_t FAt;                         // the block loaded; at first the end, so that any From before it loads one
    std::uint64_t FLt = 0, FMarked = 0;      // the block's '<', and its bytes that may start a tag to read
    std::uint64_t FLtOut = 0, FEndsOut = 0;  // its last byte's '<', and whether a name may start after it
};

// The '>' that ends a tag whose name ends at From, past the quoted values of its attributes
// (which may hold '>'); Size when the buffer ends first. Thirty-two bytes at a time, as the bits
// of the '>' and quotes among them, where the processor allows.
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
                const void* Close = std::memchr(Data + From + Bit + 1, Data[From + Bit], Size - From - Bit - 1);
                if (Close == nullptr) return Size;
                Next = static_cast<std::size_t>(static_cast<const unsigned char*>(Close) - Data) + 1;
                break;
            }
            Marks &= ~((std::uint32_t(2) << __builtin_ctz(Same)) - 1);
        }
        From = Next;
    }
#endif
    for (;;) {
        From = FindFirstOf(Data, From, Size, '>', '"', '\'', TagStops);
        if (From == Size || Data[From] == '>') return From;
        const unsigned char Q = Data[From];
        From = FindFirstOf(Data, From + 1, Size, Q, Q, Q, Q == '"' ? DoubleQuoteStops : SingleQuoteStops);
        if (From == Size) return Size;
        ++From;
    }
}

// A three-byte form that stands for no character of its own: overlong (below U+0800) or a
// surrogate (U+D800 to U+DFFF).
inline bool BadThreeByte(unsigned U) { return U - 0x800 >= 0xD000 && U < 0xE000; }

#if defined(__SSE2__)
// Decodes four three-byte characters from the twelve bytes at Data (sixteen may be read) into
// Out[0..3]; false, with nothing written, unless all four are such characters.
inline bool DecodeFourThreeByte(const unsigned char* Data, char16_t* Out) {
    const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data));
    const __m128i Shape = _mm_setr_epi8(-16, -64, -64, -16, -64, -64, -16, -64, -64, -16, -64, -64, 0, 0, 0, 0);
    const __m128i Want = _mm_setr_epi8(-32, -128, -128, -32, -128, -128, -32, -128, -128, -32, -128, -128, 0, 0, 0, 0);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(V, Shape), Want)) != 0xFFFF) return false;
    // Character K's three bytes into the low bytes of 32-bit lane K, then its bits gathered.
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
    // Overlong forms (below U+0800) and surrogates stand for no character.
    const __m128i Top = _mm_and_si128(U, _mm_set1_epi32(0xF800));
    if (_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi32(Top, _mm_setzero_si128()), _mm_cmpeq_epi32(Top, _mm_set1_epi32(0xD800)))) != 0)
        return false;
    const __m128i Words =
        _mm_shuffle_epi32(_mm_shufflehi_epi16(_mm_shufflelo_epi16(U, _MM_SHUFFLE(3, 3, 2, 0)), _MM_SHUFFLE(3, 3, 2, 0)),
                          _MM_SHUFFLE(3, 3, 2, 0));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(Out), Words);
    return true;
}
#endif

// Decodes from Data[At] on the characters most text is made of, ASCII and the three-byte forms
// (CJK), into Out up to OutEnd; stops before anything else, which the caller reads byte by byte.
// Returns the end of the output and moves At past what it read.
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
#endif
        if (Data[I] < 0x80) {
            *Out++ = Data[I++];
            continue;
        }
        // A run of three-byte characters, four at a time where sixteen bytes can be read at
        // once, then two at a time where eight can.
#if defined(__SSE2__)
        while (Size - I >= 16 && OutEnd - Out >= 4 && DecodeFourThreeByte(Data + I, Out)) {
            I += 12;
            Out += 4;
        }
        while (Size - I >= 8 && OutEnd - Out >= 2) {
            std::uint64_t W;
            std::memcpy(&W, Data + I, sizeof W);  // little-endian on the processors with SSE2
            if ((W & 0xC0C0F0C0C0F0u) != 0x8080E08080E0u) break;
            const unsigned U0 = static_cast<unsigned>(((W & 0x0F) << 12) | ((W >> 2) & 0xFC0) | ((W >> 16) & 0x3F));
            const unsigned U1 = static_cast<unsigned>(((W >> 12) & 0xF000) | ((W >> 26) & 0xFC0) | ((W >> 40) & 0x3F));
            if (BadThreeByte(U0) || BadThreeByte(U1)) break;
            Out[0] = static_cast<char16_t>(U0);
            Out[1] = static_cast<char16_t>(U1);
            Out += 2;
            I += 6;
        }
#endif
        while (Out < OutEnd && Size - I >= 3) {
            const unsigned B0 = Data[I], B1 = Data[I + 1], B2 = Data[I + 2];
            if ((B0 & 0xF0) != 0xE0 || (B1 & 0xC0) != 0x80 || (B2 & 0xC0) != 0x80) break;
            const unsigned U = ((B0 & 0x0F) << 12) | ((B1 & 0x3F) << 6) | (B2 & 0x3F);
            if (BadThreeByte(U)) break;
            *Out++ = static_cast<char16_t>(U);
            I += 3;
        }
        if (I < Size && Out < OutEnd && Data[I] >= 0x80) break;
    }
    At = I;
    return Out;
}

// Whether the Size bytes at Data hold the Length (1 to 3) bytes of Sequence, or, for one byte,
// Other: sixteen places at a time where the processor allows, the last sixteen overlapping the
// ones before.
bool HoldsSequence(const unsigned char* Data, std::size_t Size, const unsigned char* Sequence, std::size_t Length,
                   unsigned char Other) {
    const unsigned char Alternate = Length == 1 ? Other : Sequence[0];
#if defined(__SSE2__)
    if (Size >= 16 + Length - 1) {
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
    for (std::size_t I = 0; I + Length <= Size; ++I)
        if ((Data[I] == Sequence[0] || Data[I] == Alternate) &&
            std::memcmp(Data + I + 1, Sequence + 1, Length - 1) == 0)
            return true;
    return false;
}

}  // namespace

bool DecodeXmlReference(const char* Name, std::size_t Length, char32_t& Out) {
    const std::string_view N(Name, Length);
    if (N == "amp") return Out = '&', true;
    if (N == "lt") return Out = '<', true;
    if (N == "gt") return Out = '>', true;
    if (N == "quot") return Out = '"', true;
    if (N == "apos") return Out = '\'', true;
    if (Length < 2 || Name[0] != '#') return false;
    const bool Hex = Name[1] == 'x' || Name[1] == 'X';
    std::size_t At = Hex ? 2 : 1;
    if (At == Length) return false;
    char32_t Value = 0;
    for (; At < Length; ++At) {
        const char C = Name[At];
        int Digit;
        if (C >= '0' && C <= '9')
            Digit = C - '0';
        else if (Hex && C >= 'a' && C <= 'f')
            Digit = C - 'a' + 10;
        else if (Hex && C >= 'A' && C <= 'F')
            Digit = C - 'A' + 10;
        else
            return false;
        Value = Value * (Hex ? 16 : 10) + static_cast<char32_t>(Digit);
        if (Value > 0x10FFFF) return false;
    }
    if (Value == 0 || (Value >= 0xD800 && Value < 0xE000)) return false;
    Out = Value;
    return true;
}

TXmlTextExtractor::TNameList::TNameList() { std::memset(Bucket, -1, sizeof Bucket); }

void TXmlTextExtractor::TNameList::Add(const char* List, std::uint8_t Flag) {
    while (*List != '\0') {
        std::size_t Length = 0;
        while (List[Length] != '\0' && List[Length] != ' ') ++Length;
        if (Length > 0 && Length < sizeof Names[0]) {
            int I = 0;
            while (I < Count && !(Sizes[I] == Length && std::memcmp(Names[I], List, Length) == 0)) ++I;
            if (I == Count && Count < 24) {
                std::memcpy(Names[Count], List, Length);
                Sizes[Count] = static_cast<std::uint8_t>(Length);
                const unsigned H = Hash(List, Length);
                Next[Count] = Bucket[H];
                Bucket[H] = static_cast<std::int8_t>(Count);
                Lengths[1][static_cast<unsigned char>(List[0])] |= std::uint32_t(1) << Length;
                ++Count;
            }
            if (I < Count) Flags[I] |= Flag;
            if (I < Count && (Flag & ~(Break | LineBreak)) != 0)
                Lengths[0][static_cast<unsigned char>(List[0])] |= std::uint32_t(1) << Length;
        }
        List += Length;
        while (*List == ' ') ++List;
    }
}

std::uint8_t TXmlTextExtractor::TNameList::FindListed(const char* Name, std::size_t Length) const {
    for (int I = Bucket[Hash(Name, Length)]; I >= 0; I = Next[I]) {
        if (Sizes[I] != Length) continue;
        std::size_t K = 0;
        while (K < Length && Names[I][K] == Name[K]) ++K;
        if (K == Length) return Flags[I];
    }
    return 0;
}

TXmlTextExtractor::TXmlTextExtractor(const TXmlTextRules& Rules, TTextSink& Sink)
    : FAttributeName(Rules.AttributeName), FSink(Sink) {
    FNames.Add(Rules.Containers, Container);
    FNames.Add(Rules.Breaks, Break);
    FNames.Add(Rules.Skips, Skip);
    FNames.Add(Rules.Spaces, Space);
    FNames.Add(Rules.Tabs, Tab);
    FNames.Add(Rules.LineBreaks, LineBreak);
    if (Rules.AttributeElement != nullptr && Rules.AttributeName != nullptr)
        FNames.Add(Rules.AttributeElement, Attribute);
    // The first bytes of the names that act while no text is shown or held (see TQuietScan).
    for (int I = 0; I < FNames.Count && FQuietCount >= 0; ++I) {
        if ((FNames.Flags[I] & (Container | Skip | Space | Tab | Attribute)) == 0) continue;
        const unsigned char First = static_cast<unsigned char>(FNames.Names[I][0]);
        if (std::memchr(FQuietFirsts, First, static_cast<std::size_t>(FQuietCount)) != nullptr) continue;
        if (FQuietCount == static_cast<int>(sizeof FQuietFirsts))
            FQuietCount = -1;  // every tag is read
        else
            FQuietFirsts[FQuietCount++] = First;
    }
    FAwaits = FSink.AwaitedUnit() != 0;
    Await();
}

void TXmlTextExtractor::Await() {
    if (!FAwaits) return;
    const char16_t U = FSink.AwaitedUnit();
    FAwaitedLength = 0;
    // A surrogate comes only from a four-byte form and U+FFFD also from damaged bytes: text that
    // may hold them is always decoded.
    if (U == 0 || (U >= 0xD800 && U < 0xE000) || U == 0xFFFD) return;
    if (U < 0x80) {
        FAwaited[0] = static_cast<unsigned char>(U);
        FAwaitedLength = 1;
        const bool Letter = (U | 0x20) >= 'a' && (U | 0x20) <= 'z';
        FAwaitedOther = static_cast<unsigned char>(Letter ? U ^ 0x20 : U);
    } else if (U < 0x800) {
        FAwaited[0] = static_cast<unsigned char>(0xC0 | (U >> 6));
        FAwaited[1] = static_cast<unsigned char>(0x80 | (U & 0x3F));
        FAwaitedLength = 2;
    } else {
        FAwaited[0] = static_cast<unsigned char>(0xE0 | (U >> 12));
        FAwaited[1] = static_cast<unsigned char>(0x80 | ((U >> 6) & 0x3F));
        FAwaited[2] = static_cast<unsigned char>(0x80 | (U & 0x3F));
        FAwaitedLength = 3;
    }
}

bool TXmlTextExtractor::Passable(const unsigned char* Data, std::size_t Size) {
    if (FNeed > 0) return false;
    if (FOutCount > 0 && !Flush()) return false;  // the sink's wait holds for what it was given
    if (FAwaitedLength == 0) return false;
    // The run's end: a lead byte among its last three whose continuation bytes do not all follow
    // leaves a character unfinished.
    for (std::size_t K = 1; K <= 3 && K <= Size; ++K) {
        const unsigned char B = Data[Size - K];
        if (B < 0x80) break;
        if (B >= 0xC2 && B < 0xF5) {
            if ((B < 0xE0 ? 2u : B < 0xF0 ? 3u : 4u) > K) return false;
            break;
        }
    }
    return !HoldsSequence(Data, Size, FAwaited, FAwaitedLength, FAwaitedOther);
}

bool TXmlTextExtractor::Feed(const unsigned char* Data, std::size_t Size) {
    if (FStopped) return false;
    if (FState == TState::Start) {
        // The first bytes tell the encoding: a byte-order mark, or "<" in UTF-16.
        while (Size > 0 && FStartCount < 4) FStartBytes[FStartCount++] = *Data++, --Size;
        if (FStartCount < 4) return true;
        const unsigned char* B = FStartBytes;
        std::size_t Skip = 0;
        if (B[0] == 0xFF && B[1] == 0xFE)
            FUtf16 = true, Skip = 2;
        else if (B[0] == 0xFE && B[1] == 0xFF)
            FUtf16 = FBigEndian = true, Skip = 2;
        else if (B[0] == '<' && B[1] == 0 && B[2] != 0)
            FUtf16 = true;
        else if (B[0] == 0 && B[1] == '<')
            FUtf16 = FBigEndian = true;
        else if (B[0] == 0xEF && B[1] == 0xBB && B[2] == 0xBF)
            Skip = 3;
        FState = TState::Text;
        if (!(FUtf16 ? FeedUtf16(B + Skip, 4 - Skip) : FeedUtf8(B + Skip, 4 - Skip))) return false;
    }
    return FUtf16 ? FeedUtf16(Data, Size) : FeedUtf8(Data, Size);
}

bool TXmlTextExtractor::Finish() {
    if (FState == TState::Start && !FStopped) {
        const std::size_t Count = FStartCount;
        FStartCount = 4;  // take what there is as UTF-8
        FState = TState::Text;
        if (!FeedUtf8(FStartBytes, Count)) return false;
    }
    if (FStopped) return false;
    return EndRun();
}

bool TXmlTextExtractor::FeedUtf16(const unsigned char* Data, std::size_t Size) {
    unsigned char Buffer[4096];
    std::size_t Used = 0;
    auto Put = [&](char32_t C) -> bool {
        if (Used + 4 > sizeof Buffer) {
            if (!FeedUtf8(Buffer, Used)) return false;
            Used = 0;
        }
        if (C < 0x80) {
            Buffer[Used++] = static_cast<unsigned char>(C);
        } else if (C < 0x800) {
            Buffer[Used++] = static_cast<unsigned char>(0xC0 | (C >> 6));
            Buffer[Used++] = static_cast<unsigned char>(0x80 | (C & 0x3F));
        } else if (C < 0x10000) {
            Buffer[Used++] = static_cast<unsigned char>(0xE0 | (C >> 12));
            Buffer[Used++] = static_cast<unsigned char>(0x80 | ((C >> 6) & 0x3F));
            Buffer[Used++] = static_cast<unsigned char>(0x80 | (C & 0x3F));
        } else {
            Buffer[Used++] = static_cast<unsigned char>(0xF0 | (C >> 18));
            Buffer[Used++] = static_cast<unsigned char>(0x80 | ((C >> 12) & 0x3F));
            Buffer[Used++] = static_cast<unsigned char>(0x80 | ((C >> 6) & 0x3F));
            Buffer[Used++] = static_cast<unsigned char>(0x80 | (C & 0x3F));
        }
        return true;
    };
    for (std::size_t I = 0; I < Size; ++I) {
        if (!FHaveOddByte) {
            FOddByte = Data[I];
            FHaveOddByte = true;
            continue;
        }
        FHaveOddByte = false;
        const char16_t U = FBigEndian ? static_cast<char16_t>((FOddByte << 8) | Data[I])
                                      : static_cast<char16_t>(FOddByte | (Data[I] << 8));
        bool Ok = true;
        if (U >= 0xD800 && U < 0xDC00) {
            if (FHighSurrogate != 0) Ok = Put(0xFFFD);
            FHighSurrogate = U;
        } else if (U >= 0xDC00 && U < 0xE000) {
            Ok = Put(FHighSurrogate != 0 ? 0x10000 + ((FHighSurrogate - 0xD800) << 10) + (U - 0xDC00) : 0xFFFD);
            FHighSurrogate = 0;
        } else {
            if (FHighSurrogate != 0) Ok = Put(0xFFFD);
            FHighSurrogate = 0;
            Ok = Ok && Put(U);
        }
        if (!Ok) return false;
    }
    return FeedUtf8(Buffer, Used);
}

bool TXmlTextExtractor::Flush() {
    if (FOutCount > 0 && !FStopped) {
        if (!FSink.Text(FOut, FOutCount)) FStopped = true;
        Await();
    }
    FOutCount = 0;
    return !FStopped;
}

bool TXmlTextExtractor::EndRun() {
    if (FNeed > 0) {
        FNeed = 0;
        if (!Unit(0xFFFD)) return false;
    }
    if (!Flush()) return false;
    if (FRunHasText) {
        FRunHasText = false;
        if (!FSink.Break()) FStopped = true;
        Await();
    }
    return !FStopped;
}

bool TXmlTextExtractor::Unit(char16_t U) {
    FOut[FOutCount++] = U;
    FRunHasText = true;
    return FOutCount < sizeof FOut / sizeof FOut[0] || Flush();
}

bool TXmlTextExtractor::CodePoint(char32_t C) {
    if (C < 0x10000) return Unit(static_cast<char16_t>(C));
    C -= 0x10000;
    return Unit(static_cast<char16_t>(0xD800 + (C >> 10))) && Unit(static_cast<char16_t>(0xDC00 + (C & 0x3FF)));
}

bool TXmlTextExtractor::TextBytes(const unsigned char* Data, std::size_t Size) {
    constexpr std::size_t Capacity = sizeof FOut / sizeof FOut[0];
    for (std::size_t I = 0; I < Size; ++I) {
        if (FNeed == 0) {
            char16_t* const Out = DecodeCommon(Data, I, Size, FOut + FOutCount, FOut + Capacity);
            if (Out != FOut + FOutCount) {
                FRunHasText = true;
                FOutCount = static_cast<std::size_t>(Out - FOut);
            }
            if (FOutCount == Capacity && !Flush()) return false;
            if (I >= Size) break;
        }
        const unsigned char B = Data[I];
        if (FNeed > 0) {
            if ((B & 0xC0) == 0x80) {
                FCode = (FCode << 6) | (B & 0x3F);
                if (--FNeed == 0) {
                    // An overlong form (one a shorter sequence could write) stands for no character.
                    const bool Valid = FCode >= FLeast && FCode <= 0x10FFFF && !(FCode >= 0xD800 && FCode < 0xE000);
                    if (!CodePoint(Valid ? FCode : 0xFFFD)) return false;
                }
                continue;
            }
            FNeed = 0;
            if (!Unit(0xFFFD)) return false;
        }
        if (B < 0x80) {
            if (!Unit(B)) return false;
        } else if (B >= 0xC2 && B < 0xE0) {
            FCode = B & 0x1F, FNeed = 1, FLeast = 0x80;
        } else if (B >= 0xE0 && B < 0xF0) {
            FCode = B & 0x0F, FNeed = 2, FLeast = 0x800;
        } else if (B >= 0xF0 && B < 0xF5) {
            FCode = B & 0x07, FNeed = 3, FLeast = 0x10000;
        } else if (!Unit(0xFFFD)) {
            return false;
        }
    }
    return true;
}

bool TXmlTextExtractor::EntityDone() {
    char32_t C;
    if (DecodeXmlReference(FEntity, FEntityLength, C)) return CodePoint(C);
    // Not a reference: the text as written.
    return Unit('&') && TextBytes(reinterpret_cast<const unsigned char*>(FEntity), FEntityLength) && Unit(';');
}

bool TXmlTextExtractor::StartElement(bool Empty) {
    const std::uint8_t Flags = FTagFlags;
    if ((Flags & Skip) != 0) {
        if (!Empty) ++FSkipDepth;
        return true;
    }
    if (FSkipDepth > 0) return true;
    if ((Flags & Attribute) != 0 && !FValue.empty()) {
        if (!EndRun()) return false;
        const unsigned char* V = reinterpret_cast<const unsigned char*>(FValue.data());
        for (std::size_t I = 0; I < FValue.size();) {
            if (FValue[I] == '&') {
                const std::size_t Semi = FValue.find(';', I);
                char32_t C;
                if (Semi != std::string::npos && Semi - I <= sizeof FEntity &&
                    DecodeXmlReference(FValue.data() + I + 1, Semi - I - 1, C)) {
                    if (!CodePoint(C)) return false;
                    I = Semi + 1;
                    continue;
                }
            }
            if (!TextBytes(V + I, 1)) return false;
            ++I;
        }
        FValue.clear();
        if (!EndRun()) return false;
    }
    if ((Flags & (Break | LineBreak)) != 0 && !EndRun()) return false;
    if ((Flags & Container) != 0 && !Empty) ++FContainerDepth;
    if ((Flags & Space) != 0 && !Unit(' ')) return false;
    if ((Flags & Tab) != 0 && !Unit('\t')) return false;
    return true;
}

void TXmlTextExtractor::EndElement(std::uint8_t Flags) {
    if ((Flags & Skip) != 0) {
        if (FSkipDepth > 0) --FSkipDepth;
        return;
    }
    if (FSkipDepth > 0) return;
    if ((Flags & Container) != 0 && FContainerDepth > 0) --FContainerDepth;
    if ((Flags & Break) != 0) EndRun();
}

std::size_t TXmlTextExtractor::ReadPlain(const unsigned char* Data, std::size_t I, std::size_t Size) {
    TMarks Marks(Data, Size);
    TQuietScan Quiet(Data, Size, FQuietFirsts, FQuietCount);
    for (;;) {
        std::size_t J;
        if (!Shown()) {
            const bool Still = FQuietCount >= 0 && !FRunHasText && FNeed == 0 && FSkipDepth == 0;
            J = Still ? Quiet.Next(I) : Marks.Next(I, 0);
        } else {
            J = Marks.Next(I, ~std::uint64_t(0));
            if (J > I) {
                // A run the sink does not wait for is passed over undecoded; one that may end
                // within a character (at the buffer's end) is always decoded.
                if (FAwaits && J < Size && Passable(Data + I, J - I))
                    FRunHasText = true;
                else if (!TextBytes(Data + I, J - I))
                    return Size;
                if (FStopped) return Size;
            }
            if (J < Size && Data[J] == '&') {
                FState = TState::Entity;
                FEntityLength = 0;
                return J + 1;
            }
        }
        if (J == Size) return Size;
        I = J + 1;  // after the '<'
        // The name, read where sixteen bytes after it lie in the buffer; anything else (a tag
        // cut by the buffer's end, a long name, markup after "<!" or "<?") goes to the states.
        const unsigned char First = I < Size ? Data[I] : 0;
        const bool End = First == '/';
        const std::size_t At = I + (End ? 1 : 0);
        std::size_t NameAt = At, NameEnd;
#if defined(__SSE2__)
        if (First == '!' || First == '?' || Size - At < 16) break;
        const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + At));
        const __m128i Low = _mm_cmpeq_epi8(_mm_min_epu8(V, _mm_set1_epi8(0x20)), V);  // bytes up to a space
        const unsigned Ends = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(Low, _mm_cmpeq_epi8(V, _mm_set1_epi8('/'))),
                         _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('<')), _mm_cmpeq_epi8(V, _mm_set1_epi8('>'))))));
        if (Ends == 0) break;
        const unsigned Length = static_cast<unsigned>(__builtin_ctz(Ends));
        const unsigned Colons =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, _mm_set1_epi8(':')))) & ((1u << Length) - 1);
        if (Colons != 0) NameAt = At + static_cast<std::size_t>(32 - __builtin_clz(Colons));
        NameEnd = At + Length;
#else
        if (First == '!' || First == '?' || At >= Size) break;
        NameEnd = At;
        while (NameEnd < Size && !NameStops.Stop[Data[NameEnd]]) {
            if (Data[NameEnd] == ':') NameAt = NameEnd + 1;
            ++NameEnd;
        }
        if (NameEnd == Size || NameEnd - NameAt > sizeof FName) break;
#endif
        // A break ends nothing while no text of the run is held: its name is then passed over.
        const std::uint8_t Flags =
            FNames.Find(reinterpret_cast<const char*>(Data + NameAt), NameEnd - NameAt, FRunHasText || FNeed > 0);
        if (Flags == 0 && !Shown()) {
            // Outside shown text, a tag of no meaning is passed over: its name and attributes
            // hold no '<', so the next tag starts at the next '<'. Looking for it from here
            // rather than from the name's end keeps the search apart from reading the name.
            continue;
        }
        if ((Flags & Attribute) != 0) break;
        if (ActsAtStartOnly(Flags) && !Shown()) {
            // Likewise a tag that says all it says where it starts (a break, a space); a break
            // with no text before it in its run, the most common of them, changes nothing.
            if ((Flags & (Space | Tab)) == 0 && !FRunHasText && FNeed == 0) continue;
            FTagFlags = Flags;
            if (End)
                EndElement(Flags);
            else
                StartElement(false);
            if (FStopped) return Size;
            continue;
        }
        if (End) {
            // As in the EndTag state: outside shown text on to the next tag, else to the next '>'.
            EndElement(Flags);
            if (FStopped) return Size;
            if (!Shown()) continue;
            if (Data[NameEnd] == '>') {
                I = NameEnd + 1;
                continue;
            }
            const void* Gt = std::memchr(Data + NameEnd, '>', Size - NameEnd);
            if (Gt == nullptr) {
                FState = TState::EndTag;
                return Size;
            }
            I = static_cast<std::size_t>(static_cast<const unsigned char*>(Gt) - Data) + 1;
            continue;
        }
        // A start tag read to its '>', past its quoted values.
        J = TagEnd(Data, NameEnd, Size);
        if (J == Size) break;
        FTagFlags = Flags;
        StartElement(Data[J - 1] == '/');
        if (FStopped) return Size;
        I = J + 1;
    }
    FState = TState::TagOpen;
    return I;
}

bool TXmlTextExtractor::FeedUtf8(const unsigned char* Data, std::size_t Size) {
    std::size_t I = 0;
    while (I < Size && !FStopped) {
        switch (FState) {
        case TState::Start:
        case TState::Text: {
            FState = TState::Text;
            // Text and the plain tags that lie whole in the buffer are read in one go; anything
            // else goes through the states one byte at a time.
            I = ReadPlain(Data, I, Size);
            break;
        }
        case TState::Entity: {
            const unsigned char C = Data[I];
            if (C == ';') {
                ++I;
                FState = TState::Text;
                if (!EntityDone()) return false;
            } else if (C != '<' && C != '&' && !IsSpace(C) && FEntityLength < sizeof FEntity) {
                FEntity[FEntityLength++] = static_cast<char>(C);
                ++I;
            } else {
                // No reference after all: the '&' and what followed are text; C is read again.
                FState = TState::Text;
                if (!Unit('&') || !TextBytes(reinterpret_cast<const unsigned char*>(FEntity), FEntityLength))
                    return false;
            }
            break;
        }
        case TState::TagOpen: {
            const unsigned char C = Data[I];
            FNameLength = 0;
            FNameTooLong = false;
            FSlashSeen = false;
            FAttrLength = 0;
            FValue.clear();
            if (C == '/') {
                FState = TState::EndName;
                ++I;
            } else if (C == '!') {
                FState = TState::Bang;
                FBangLength = 0;
                ++I;
            } else if (C == '?') {
                FState = TState::Pi;
                FTrail = 0;
                ++I;
            } else {
                FState = TState::StartName;
            }
            break;
        }
        case TState::StartName:
        case TState::EndName: {
            std::size_t J = I;
            while (J < Size && !NameStops.Stop[Data[J]]) {
                const char C = static_cast<char>(Data[J++]);
                if (C == ':') {
                    FNameLength = 0;  // the local name follows the prefix
                    FNameTooLong = false;
                } else if (FNameLength < sizeof FName) {
                    FName[FNameLength++] = C;
                } else {
                    FNameTooLong = true;
                }
            }
            I = J;
            if (I == Size) return true;
            const std::size_t Length = FNameTooLong ? 0 : FNameLength;
            if (FState == TState::StartName) {
                FTagFlags = FNames.Find(FName, Length);
                // As in WholeTag: outside shown text, a tag that acts at its start only does so
                // now, and its attributes are passed over up to the next tag.
                if (ActsAtStartOnly(FTagFlags) && !Shown()) {
                    FState = TState::Text;
                    if (FTagFlags != 0 && !StartElement(false)) return false;
                } else {
                    FState = TState::InTag;
                }
            } else {
                EndElement(FNames.Find(FName, Length));
                FState = Shown() ? TState::EndTag : TState::Text;
            }
            break;
        }
        case TState::InTag: {
            if ((FTagFlags & Attribute) == 0) {
                // No attribute of this tag is text: on to its end or its next quoted value.
                std::size_t J = I;
                while (J < Size && !TagStops.Stop[Data[J]]) ++J;
                if (J > I) FSlashSeen = Data[J - 1] == '/';
                I = J;
                if (I == Size) return true;
            }
            const unsigned char C = Data[I++];
            if (C == '>') {
                FState = TState::Text;
                if (!StartElement(FSlashSeen)) return false;
            } else if (C == '/') {
                FSlashSeen = true;
            } else if (C == '"' || C == '\'') {
                FQuote = static_cast<char>(C);
                FCapturing = (FTagFlags & Attribute) != 0 && FAttributeName != nullptr &&
                             FAttrLength == std::strlen(FAttributeName) &&
                             std::memcmp(FAttr, FAttributeName, FAttrLength) == 0;
                FState = TState::InQuote;
            } else if (!IsSpace(C) && C != '=') {
                FSlashSeen = false;
                if (C == ':')
                    FAttrLength = 0;
                else if (FAttrLength < sizeof FAttr)
                    FAttr[FAttrLength++] = static_cast<char>(C);
            }
            break;
        }
        case TState::InQuote: {
            const void* Close = std::memchr(Data + I, FQuote, Size - I);
            const std::size_t End = Close != nullptr ? static_cast<const unsigned char*>(Close) - Data : Size;
            if (FCapturing) {
                const std::size_t Room = XmlMaxAttributeValue - FValue.size();
                FValue.append(reinterpret_cast<const char*>(Data + I), std::min(Room, End - I));
            }
            I = End;
            if (Close != nullptr) {
                ++I;
                FAttrLength = 0;
                FSlashSeen = false;
                FState = TState::InTag;
            }
            break;
        }
        case TState::EndTag: {
            const void* Gt = std::memchr(Data + I, '>', Size - I);
            if (Gt == nullptr) return true;
            I = static_cast<const unsigned char*>(Gt) - Data + 1;
            FState = TState::Text;
            break;
        }
        case TState::Bang: {
            static const char Comment[] = "--", CData[] = "[CDATA[";
            const char C = static_cast<char>(Data[I]);
            const std::size_t At = FBangLength;
            const bool MayComment = At < 2 && std::memcmp(FBang, Comment, At) == 0 && C == Comment[At];
            const bool MayCData = At < 7 && std::memcmp(FBang, CData, At) == 0 && C == CData[At];
            if (!MayComment && !MayCData) {
                FState = TState::Doctype;  // any other declaration, read to its end; C again
                FBracketDepth = 0;
                break;
            }
            FBang[FBangLength++] = C;
            ++I;
            FTrail = 0;
            if (MayComment && FBangLength == 2)
                FState = TState::Comment;
            else if (MayCData && FBangLength == 7)
                FState = TState::CData;
            break;
        }
        case TState::Comment: {
            const unsigned char C = Data[I++];
            if (C == '>' && FTrail >= 2)
                FState = TState::Text;
            else
                FTrail = C == '-' ? FTrail + 1 : 0;
            break;
        }
        case TState::CData: {
            const unsigned char C = Data[I++];
            if (C == ']') {
                if (FTrail == 2) {
                    if (Shown() && !Unit(']')) return false;
                } else {
                    ++FTrail;
                }
            } else if (C == '>' && FTrail == 2) {
                FState = TState::Text;
            } else {
                if (Shown()) {
                    for (int K = 0; K < FTrail; ++K)
                        if (!Unit(']')) return false;
                    if (!TextBytes(&C, 1)) return false;
                }
                FTrail = 0;
            }
            break;
        }
        case TState::Pi: {
            const unsigned char C = Data[I++];
            if (C == '>' && FTrail == 1)
                FState = TState::Text;
            else
                FTrail = C == '?' ? 1 : 0;
            break;
        }
        case TState::Doctype: {
            const unsigned char C = Data[I++];
            if (C == '[')
                ++FBracketDepth;
            else if (C == ']' && FBracketDepth > 0)
                --FBracketDepth;
            else if (C == '>' && FBracketDepth == 0)
                FState = TState::Text;
            break;
        }
        }
    }
    return !FStopped;
}
