#include "pure/engine/keymatch.h"

#include "pure/doctext/bytesource.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

inline char16_t FoldUnit(char16_t U) { return (U >= u'a' && U <= u'z') ? static_cast<char16_t>(U - 0x20) : U; }

// The first position at or after From where a unit that folds to First stands (Count when
// none): eight units at a time where the processor allows. First is folded already, so only
// when it is a capital letter does a second unit (its small form) fold to it.
inline std::size_t FindFolded(const char16_t* Units, std::size_t From, std::size_t Count, char16_t First) {
    const char16_t Other = (First >= u'A' && First <= u'Z') ? static_cast<char16_t>(First + 0x20) : First;
#if defined(__SSE2__)
    const __m128i A = _mm_set1_epi16(static_cast<short>(First)), B = _mm_set1_epi16(static_cast<short>(Other));
    while (From + 8 <= Count) {
        const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Units + From));
        const int Mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(V, A), _mm_cmpeq_epi16(V, B)));
        if (Mask != 0) return From + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(Mask))) / 2;
        From += 8;
    }
#endif
    while (From < Count && Units[From] != First && Units[From] != Other) ++From;
    return From;
}

// A stream that ends before the size it announced: it simply holds no more to scan.
struct TShortStream {};

}  // namespace

void FoldPattern(const std::string& Wide, std::u16string& Pattern, std::vector<std::size_t>& Back) {
    Pattern.clear();
    for (std::size_t I = 0; I + 1 < Wide.size(); I += 2)
        Pattern += FoldUnit(static_cast<char16_t>(static_cast<unsigned char>(Wide[I]) |
                                                  (static_cast<unsigned char>(Wide[I + 1]) << 8)));
    Back.assign(Pattern.size() + 1, 0);
    for (std::size_t I = 1, K = 0; I < Pattern.size(); ++I) {
        while (K > 0 && Pattern[I] != Pattern[K]) K = Back[K];
        if (Pattern[I] == Pattern[K]) ++K;
        Back[I + 1] = K;
    }
}

TKeywordMatcher::TKeywordMatcher(const std::string& Wide, const TKeywordScanner& Scanner) : FScanner(Scanner) {
    FoldPattern(Wide, FPattern, FBack);
}

bool TKeywordMatcher::Text(const char16_t* Units, std::size_t Count) {
    if (FFound) return false;
    if (FPattern.empty()) return true;
    const std::size_t Length = FPattern.size();
    std::size_t K = FMatched;
    for (std::size_t I = 0; I < Count; ++I) {
        if (K == 0) {
            // Nothing matched so far: on to the next unit that may start the keyword.
            I = FindFolded(Units, I, Count, FPattern[0]);
            if (I == Count) break;
        }
        const char16_t U = FoldUnit(Units[I]);
        while (K > 0 && U != FPattern[K]) K = FBack[K];
        if (U == FPattern[K] && ++K == Length) {
            FFound = true;
            return false;
        }
    }
    FMatched = K;
    return true;
}

bool TKeywordMatcher::Break() {
    FMatched = 0;
    return !FFound;
}

// Scans Count bytes of Stream from Offset with the raw forms; a stream that ends early holds no
// more to scan.
bool TKeywordMatcher::ScanRange(TByteSource& Stream, std::uint64_t Offset, std::uint64_t Count) const {
    std::uint64_t At = Offset;
    try {
        return ScanStream(FScanner, Count, ScanBlockSize, [&](void* Buffer, std::size_t Want) {
            if (!Stream.ReadExactAt(At, Buffer, Want)) throw TShortStream();
            At += Want;
        });
    } catch (const TShortStream&) {
        return false;
    }
}

bool TKeywordMatcher::RawStream(TByteSource& Stream) {
    if (FFound) return false;
    if (!FFileScanned) {
        FFound = ScanRange(Stream, 0, Stream.Size());
    } else {
        // The file's own bytes hold no raw form, so an occurrence in the stream must cross a
        // point where two pieces from different places of the file meet: only those are scanned.
        ForEachSeamWindow(Stream, FScanner.Overlap(), [&](std::uint64_t Offset, std::uint64_t Count) {
            FFound = ScanRange(Stream, Offset, Count);
            return !FFound;
        });
    }
    return !FFound;
}
