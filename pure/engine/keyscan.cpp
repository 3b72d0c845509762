#include "pure/engine/keyscan.h"

#include "pure/support/bytetext.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A byte b equals the folded byte X under the scan's comparison when (b | Or) == Target:
// for a letter both cases fold together through bit 0x20, any other byte must be identical.
void FilterFor(unsigned char B, unsigned char& Or, unsigned char& Target) {
    const unsigned char X = FoldUpper(B);
    const bool Letter = X >= 'A' && X <= 'Z';
    Or = Letter ? 0x20 : 0x00;
    Target = Letter ? static_cast<unsigned char>(X | 0x20) : X;
}

#if defined(__SSE2__)
// A byte of the pattern as the sixteen-lane comparison needs it.
struct TLaneFilter {
    __m128i Or, Target;
    TLaneFilter(unsigned char O, unsigned char T)
        : Or(_mm_set1_epi8(static_cast<char>(O))), Target(_mm_set1_epi8(static_cast<char>(T))) {}
    __m128i Matches(__m128i Bytes) const { return _mm_cmpeq_epi8(_mm_or_si128(Bytes, Or), Target); }
};

inline __m128i Load(const unsigned char* At) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(At)); }
#endif

}  // namespace

std::string Utf16LeToUtf8(const std::string& Wide) {
    std::u16string Units(Wide.size() / 2, u'\0');
    for (std::size_t I = 0; I < Units.size(); ++I)
        Units[I] = static_cast<char16_t>(static_cast<unsigned char>(Wide[2 * I]) |
                                         (static_cast<unsigned char>(Wide[2 * I + 1]) << 8));
    return Utf16ToUtf8(Units.data(), Units.size());
}

TKeywordScanner::TPattern TKeywordScanner::Prepare(std::string Bytes) {
    TPattern P;
    P.Bytes = std::move(Bytes);
    if (!P.Bytes.empty()) {
        FilterFor(static_cast<unsigned char>(P.Bytes.front()), P.FirstOr, P.FirstTarget);
        FilterFor(static_cast<unsigned char>(P.Bytes.back()), P.LastOr, P.LastTarget);
    }
    return P;
}

TKeywordScanner::TKeywordScanner(std::string Ansi, std::string Wide)
    : FAnsi(Prepare(std::move(Ansi))), FWide(Prepare(std::move(Wide))) {
    std::string Utf8 = Utf16LeToUtf8(FWide.Bytes);
    if (Utf8 != FAnsi.Bytes) FUtf8 = Prepare(std::move(Utf8));
}

std::size_t TKeywordScanner::MinLength() const {
    std::size_t L = FAnsi.Bytes.size();
    if (!FWide.Empty()) L = std::min(L, FWide.Bytes.size());
    if (!FUtf8.Empty()) L = std::min(L, FUtf8.Bytes.size());
    return L;
}

bool TKeywordScanner::TPattern::At(const unsigned char* Data, std::size_t Pos, std::size_t Avail) const {
    return !Empty() && Bytes.size() <= Avail - Pos && RawEqualNoCase(Data + Pos, Bytes.data(), Bytes.size());
}

bool TKeywordScanner::MatchAt(const unsigned char* Data, std::size_t Pos, std::size_t Avail) const {
    return FAnsi.At(Data, Pos, Avail) || FWide.At(Data, Pos, Avail) || FUtf8.At(Data, Pos, Avail);
}

bool TKeywordScanner::FindInPlain(const unsigned char* Data, std::size_t Avail, std::size_t Count,
                                  std::size_t From) const {
    Count = std::min(Count, Avail);
    for (std::size_t Pos = From; Pos < Count; ++Pos)
        if (MatchAt(Data, Pos, Avail)) return true;
    return false;
}

bool TKeywordScanner::FindIn(const unsigned char* Data, std::size_t Avail, std::size_t Count) const {
#if defined(__SSE2__)
    Count = std::min(Count, Avail);
    const std::size_t AnsiLast = FAnsi.Bytes.size() - 1;
    const bool HasWide = !FWide.Empty();
    const std::size_t WideLast = HasWide ? FWide.Bytes.size() - 1 : 0;
    const bool HasUtf8 = !FUtf8.Empty();
    const std::size_t Utf8Last = HasUtf8 ? FUtf8.Bytes.size() - 1 : 0;
    // Farthest byte the filter reads past a position.
    const std::size_t Reach = std::max({AnsiLast, WideLast, Utf8Last});

    // Sixteen positions at a time: a position is a candidate when its first byte and the byte
    // under the pattern's last byte both fit, for any of the forms; the rest one by one.
    // (The filters are set up once, outside the loop: the compiler cannot know that the call to
    // MatchAt leaves the pattern's members as they were, and would build them again each time.)
    std::size_t Pos = 0;
    if (Avail > Reach + 15) {
        const TLaneFilter AnsiFirst(FAnsi.FirstOr, FAnsi.FirstTarget), AnsiLastByte(FAnsi.LastOr, FAnsi.LastTarget),
            WideFirst(FWide.FirstOr, FWide.FirstTarget), WideLastByte(FWide.LastOr, FWide.LastTarget),
            Utf8First(FUtf8.FirstOr, FUtf8.FirstTarget), Utf8LastByte(FUtf8.LastOr, FUtf8.LastTarget);
        const std::size_t VectorEnd = std::min(Count, Avail - Reach - 15);
        for (; Pos < VectorEnd && VectorEnd - Pos >= 16; Pos += 16) {
            const __m128i Head = Load(Data + Pos);
            __m128i Hit = _mm_and_si128(AnsiFirst.Matches(Head), AnsiLastByte.Matches(Load(Data + Pos + AnsiLast)));
            if (HasWide)
                Hit = _mm_or_si128(
                    Hit, _mm_and_si128(WideFirst.Matches(Head), WideLastByte.Matches(Load(Data + Pos + WideLast))));
            if (HasUtf8)
                Hit = _mm_or_si128(
                    Hit, _mm_and_si128(Utf8First.Matches(Head), Utf8LastByte.Matches(Load(Data + Pos + Utf8Last))));
            for (unsigned Mask = static_cast<unsigned>(_mm_movemask_epi8(Hit)); Mask != 0; Mask &= Mask - 1)
                if (MatchAt(Data, Pos + static_cast<std::size_t>(__builtin_ctz(Mask)), Avail)) return true;
        }
    }
    return FindInPlain(Data, Avail, Count, Pos);
#else
    return FindInPlain(Data, Avail, Count);
#endif
}
