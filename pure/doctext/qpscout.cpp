#include "pure/doctext/qpscout.h"

#include <algorithm>
#include <string_view>

#include "pure/doctext/decodelimits.h"
#include "pure/doctext/htmlentities.h"
#include "pure/doctext/mimecoding.h"
#include "pure/support/bytetext.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Encoded bytes looked through again where two pieces meet: room for a reference's name with
// escapes and soft line breaks in it, and for the escapes of one character with breaks between.
constexpr std::size_t Reach = 256;
// Bytes at a body's start decoded to tell a byte-order mark of UTF-16.
constexpr std::size_t StartBytes = 16;

int HexValue(unsigned char C) {
    return C >= '0' && C <= '9'   ? C - '0'
           : C >= 'A' && C <= 'F' ? C - 'A' + 10
           : C >= 'a' && C <= 'f' ? C - 'a' + 10
                                  : -1;
}
// The bytes a soft line break is made of ("=", white space, the line end).
bool IsSoft(unsigned char C) { return C == '=' || C == ' ' || C == '\t' || C == '\r' || C == '\n'; }
bool IsNameByte(unsigned char C) {
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '#';
}
// A hex digit as it may be written, for a comparison in either case: (C | Or) == Target.
struct THexMatch {
    unsigned char Or, Target;
};
THexMatch HexMatch(unsigned Value) {
    const unsigned char Digit = static_cast<unsigned char>(Value < 10 ? '0' + Value : 'a' + Value - 10);
    return {static_cast<unsigned char>(Value < 10 ? 0 : 0x20), Digit};
}

}  // namespace

TQuotedScout::TQuotedScout(char16_t Unit, TReferences References)
    : FUnit(Unit),
      FReferences(References),
      FNamed(References == TReferences::Html && HtmlEntityStandsFor(Unit)),
      FFormLength(EncodeUtf8(Unit, FForm)) {}

bool TQuotedScout::Feed(const unsigned char* Data, std::size_t Size) {
    if (FFound || Size == 0) return FFound;
    if (!FStarted) {
        // A body that starts as UTF-16 does is read in full.
        FStart.insert(FStart.end(), Data, Data + std::min(Size, StartBytes - std::min(StartBytes, FStart.size())));
        unsigned char Out[StartBytes + 2];
        TTransferDecoder Decoder(TTransferEncoding::QuotedPrintable);
        const std::size_t Count = Decoder.Decode(FStart.data(), FStart.size(), Out);
        if (Count >= 2 || FStart.size() >= StartBytes) {
            FStarted = true;
            const bool Mark = Count >= 2 && ((Out[0] == 0xFF && Out[1] == 0xFE) || (Out[0] == 0xFE && Out[1] == 0xFF));
            if (Mark || Count < 2 || Out[0] == 0 || Out[1] == 0) return FFound = true;
        }
    }
    // What the piece before cut off is judged whole where the two meet: its last bytes kept and
    // this one's first. Then this piece where it lies.
    const std::size_t Old = FTail.size();
    if (Old > 0) {
        const std::size_t Take = std::min(Size, Reach);
        FTail.insert(FTail.end(), Data, Data + Take);
        if (Holds(FTail.data(), FTail.size(), Old, false, Take == Size, false)) return FFound = true;
        FTail.resize(Old);
    }
    if (Holds(Data, Size, 0, false, true, Old > 0)) return FFound = true;
    if (Size >= Reach) {
        FTail.assign(Data + Size - Reach, Data + Size);
    } else {
        FTail.insert(FTail.end(), Data, Data + Size);
        if (FTail.size() > Reach) FTail.erase(FTail.begin(), FTail.end() - Reach);
    }
    return false;
}

bool TQuotedScout::Finish() {
    if (FFound) return true;
    if (!FStarted && !FStart.empty()) {
        unsigned char Out[StartBytes + 2];
        TTransferDecoder Decoder(TTransferEncoding::QuotedPrintable);
        std::size_t Count = Decoder.Decode(FStart.data(), FStart.size(), Out);
        Count += Decoder.Finish(Out + Count);
        if (std::find(Out, Out + std::min<std::size_t>(Count, 2), 0) != Out + std::min<std::size_t>(Count, 2) ||
            (Count >= 2 && (Out[0] == 0xFF || Out[0] == 0xFE)))
            return FFound = true;
    }
    // References the last piece cut off are judged as they stand.
    return FFound = Holds(FTail.data(), FTail.size(), FTail.size(), true, true, false);
}

bool TQuotedScout::Holds(const unsigned char* Data, std::size_t Size, std::size_t Old, bool Final, bool EndsData,
                         bool Tailed) const {
    const THexMatch High = HexMatch(FForm[FFormLength - 1] >> 4), Low = HexMatch(FForm[FFormLength - 1] & 15);
    const bool Amps = FReferences != TReferences::None;
    // Marks: an escape of the form's last byte at I (or a byte beyond ASCII, or "&" in a page).
    auto Judge = [&](std::size_t I) {
        const unsigned char C = Data[I];
        if (C >= 0x80) return true;
        if (C == '&') {
            // One cut off by the end of the bytes so far is judged with the next piece, unless its
            // start would not be kept; one cut off where two pieces meet, in the later piece.
            bool Cut = false;
            return ReferenceGives(Data, I + 1, Size, Final, Cut) || (Cut && EndsData && Size - I > Reach);
        }
        if (I + 3 <= Old) return false;  // judged with the piece before
        bool Known = true;
        if (FormEndsAt(Data, I, Known)) return true;
        if (Known) return false;
        // Escapes before these bytes: where two pieces meet they are judged with the bytes kept
        // (near the start of a piece); beyond that, breaks reaching so far may hide the form.
        return Old > 0 || (Tailed && I + 3 > Reach);
    };
    // One byte at a time: a byte beyond ASCII, an escape of the form's last byte, or "&".
    auto Marked = [&](std::size_t I) {
        const unsigned char C = Data[I];
        return C >= 0x80 || (Amps && C == '&') ||
               (C == '=' && I + 2 < Size && (Data[I + 1] | High.Or) == High.Target &&
                (Data[I + 2] | Low.Or) == Low.Target);
    };
    std::size_t I = 0;
#if defined(__SSE2__)
    if (Size >= 21) {
        // The bytes before the wide part, one at a time: those before an escape are looked at.
        for (; I < 3; ++I)
            if (Marked(I) && Judge(I)) return true;
        // An escape of the last byte counts only after white space, "=" or a line end (a soft
        // line break) or after an escape of the byte before it in the form.
        const THexMatch PrevHigh = HexMatch(FForm[FFormLength - 2] >> 4),
                        PrevLow = HexMatch(FForm[FFormLength - 2] & 15);
        const __m128i Space = _mm_set1_epi8(' '), Tab = _mm_set1_epi8('\t'), Cr = _mm_set1_epi8('\r'),
                      Lf = _mm_set1_epi8('\n'), PrevHighOr = _mm_set1_epi8(static_cast<char>(PrevHigh.Or)),
                      PrevHighTarget = _mm_set1_epi8(static_cast<char>(PrevHigh.Target)),
                      PrevLowOr = _mm_set1_epi8(static_cast<char>(PrevLow.Or)),
                      PrevLowTarget = _mm_set1_epi8(static_cast<char>(PrevLow.Target));
        const __m128i Equals = _mm_set1_epi8('='), Amp = _mm_set1_epi8(Amps ? '&' : '='),
                      HighOr = _mm_set1_epi8(static_cast<char>(High.Or)),
                      HighTarget = _mm_set1_epi8(static_cast<char>(High.Target)),
                      LowOr = _mm_set1_epi8(static_cast<char>(Low.Or)),
                      LowTarget = _mm_set1_epi8(static_cast<char>(Low.Target));
        for (; I + 18 <= Size; I += 16) {
            const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I));
            const __m128i V1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I + 1));
            const __m128i V2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I + 2));
            const __m128i Before1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I - 1));
            const __m128i Before2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I - 2));
            const __m128i Before3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I - 3));
            const __m128i AfterSoft =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(Before1, Equals), _mm_cmpeq_epi8(Before1, Space)),
                             _mm_or_si128(_mm_cmpeq_epi8(Before1, Tab),
                                          _mm_or_si128(_mm_cmpeq_epi8(Before1, Cr), _mm_cmpeq_epi8(Before1, Lf))));
            const __m128i AfterEscape =
                _mm_and_si128(_mm_cmpeq_epi8(Before3, Equals),
                              _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(Before2, PrevHighOr), PrevHighTarget),
                                            _mm_cmpeq_epi8(_mm_or_si128(Before1, PrevLowOr), PrevLowTarget)));
            const __m128i Escape =
                _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(V, Equals),
                                            _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(V1, HighOr), HighTarget),
                                                          _mm_cmpeq_epi8(_mm_or_si128(V2, LowOr), LowTarget))),
                              _mm_or_si128(AfterSoft, AfterEscape));
            unsigned Marks = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(Escape, _mm_cmpeq_epi8(V, Amp)))) |
                             static_cast<unsigned>(_mm_movemask_epi8(V));
            if (!Amps)
                Marks &= static_cast<unsigned>(_mm_movemask_epi8(Escape)) | static_cast<unsigned>(_mm_movemask_epi8(V));
            while (Marks != 0) {
                if (Judge(I + static_cast<std::size_t>(__builtin_ctz(Marks)))) return true;
                Marks &= Marks - 1;
            }
        }
    }
#endif
    for (; I < Size; ++I)
        if (Marked(I) && Judge(I)) return true;
    return false;
}

bool TQuotedScout::FormEndsAt(const unsigned char* Data, std::size_t At, bool& Known) const {
    for (std::size_t K = FFormLength - 1; K-- > 0;) {
        std::size_t Q = At;
        while (Q > 0 && IsSoft(Data[Q - 1])) --Q;
        if (Q < 3) return Known = false;
        const int High = HexValue(Data[Q - 2]), Low = HexValue(Data[Q - 1]);
        if (Data[Q - 3] != '=' || High < 0 || Low < 0 || High * 16 + Low != FForm[K]) return false;
        At = Q - 3;
    }
    return true;
}

bool TQuotedScout::ReferenceGives(const unsigned char* Data, std::size_t At, std::size_t Size, bool Final,
                                  bool& Cut) const {
    char Name[HtmlMaxReferenceName];
    std::size_t Length = 0, I = At;
    // Most names are written as they are: letters, digits and "#" up to a byte that ends them.
    while (I < Size && Length < HtmlMaxReferenceName && IsNameByte(Data[I]))
        Name[Length++] = static_cast<char>(Data[I++]);
    if (I < Size && Length < HtmlMaxReferenceName && Data[I] == '=') {
        // An escape or a soft line break within the name: the bytes after the "&" decoded.
        unsigned char Out[Reach + 2];
        TTransferDecoder Decoder(TTransferEncoding::QuotedPrintable);
        const std::size_t Window = std::min(Size - At, Reach);
        std::size_t Count = Decoder.Decode(Data + At, Window, Out);
        if (At + Window == Size && Final) Count += Decoder.Finish(Out + Count);
        Length = 0;
        std::size_t J = 0;
        while (J < Count && Length < HtmlMaxReferenceName && IsNameByte(Out[J]))
            Name[Length++] = static_cast<char>(Out[J++]);
        if (J == Count && Length < HtmlMaxReferenceName && !(At + Window == Size && Final)) {
            Cut = At + Window == Size;
            return !Cut;  // a name whose end lies beyond the bytes kept may stand for anything
        }
    } else if (I == Size && Length < HtmlMaxReferenceName && !Final) {
        Cut = true;
        return false;
    }
    if (Length == 0 || (Name[0] != '#' && !FNamed)) return false;
    return HtmlReference(std::string_view(Name, Length)) == FUnit;
}
