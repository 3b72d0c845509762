#pragma once
// The keyword test of a document's text: a sink that finds the keyword's UTF-16 form in the text
// a decoder hands out, across the chunks it arrives in, and asks the decoder to stop at the first
// match. Streams that a container holds are scanned with the raw byte forms instead.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pure/doctext/textsink.h"
#include "pure/engine/keyscan.h"

// The keyword's UTF-16LE bytes as the units the matchers compare (a..z folded to A..Z), with the
// Knuth-Morris-Pratt table of each prefix's longest proper border.
void FoldPattern(const std::string& Wide, std::u16string& Pattern, std::vector<std::size_t>& Back);

class TKeywordMatcher : public TTextSink {
public:
    // Wide: the keyword's UTF-16LE bytes (an empty form never matches text). Scanner: the raw
    // forms, for RawStream; it must outlive the matcher.
    TKeywordMatcher(const std::string& Wide, const TKeywordScanner& Scanner);

    // Tells the matcher that the raw forms were already looked for in the whole file, and found
    // in none of its bytes: streams that tell where their pieces lie in the file are then
    // scanned only where two pieces meet.
    void SetFileScanned() { FFileScanned = true; }

    bool Found() const { return FFound; }

    bool Text(const char16_t* Units, std::size_t Count) override;
    bool Break() override;
    // With nothing matched, text without the keyword's first unit changes nothing.
    char16_t AwaitedUnit() const override { return FMatched == 0 && !FPattern.empty() ? FPattern[0] : 0; }
    bool RawStream(TByteSource& Stream) override;

private:
    bool ScanRange(TByteSource& Stream, std::uint64_t Offset, std::uint64_t Count) const;

    std::u16string FPattern;         // the keyword's units with a..z folded to A..Z
    std::vector<std::size_t> FBack;  // KMP: the longest proper border of each pattern prefix
    const TKeywordScanner& FScanner;
    std::size_t FMatched = 0;  // units of the pattern matched by the text's end so far
    bool FFound = false;
    bool FFileScanned = false;
};
