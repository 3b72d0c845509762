#include "pure/engine/keymatch.h"

#include "pure/doctext/bytesource.h"

namespace {

inline char16_t FoldUnit(char16_t U) { return (U >= u'a' && U <= u'z') ? static_cast<char16_t>(U - 0x20) : U; }

// A stream that ends before the size it announced: it simply holds no more to scan.
struct TShortStream {};

}  // namespace

TKeywordMatcher::TKeywordMatcher(const std::string& Wide, const TKeywordScanner& Scanner) : FScanner(Scanner) {
    for (std::size_t I = 0; I + 1 < Wide.size(); I += 2)
        FPattern += FoldUnit(static_cast<char16_t>(static_cast<unsigned char>(Wide[I]) |
                                                   (static_cast<unsigned char>(Wide[I + 1]) << 8)));
    FBack.assign(FPattern.size() + 1, 0);
    for (std::size_t I = 1, K = 0; I < FPattern.size(); ++I) {
        while (K > 0 && FPattern[I] != FPattern[K]) K = FBack[K];
        if (FPattern[I] == FPattern[K]) ++K;
        FBack[I + 1] = K;
    }
}

bool TKeywordMatcher::Text(const char16_t* Units, std::size_t Count) {
    if (FFound) return false;
    if (FPattern.empty()) return true;
    const std::size_t Length = FPattern.size();
    std::size_t K = FMatched;
    for (std::size_t I = 0; I < Count; ++I) {
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
