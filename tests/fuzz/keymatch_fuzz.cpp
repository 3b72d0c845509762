// The streaming keyword matcher against a naive search of the whole text, run by run, over
// random keywords, texts, chunkings and breaks drawn from a small alphabet so that matches occur.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pure/engine/keymatch.h"

namespace {

constexpr char16_t Alphabet[] = {u'a', u'A', u'b', u'B', u'c', 0x5408, 0x540C, 0x00E9, u'@', u'`'};
constexpr std::size_t AlphabetSize = sizeof Alphabet / sizeof Alphabet[0];

char16_t Fold(char16_t U) { return (U >= u'a' && U <= u'z') ? static_cast<char16_t>(U - 0x20) : U; }

bool NaiveFind(const std::vector<std::u16string>& Runs, const std::u16string& Keyword) {
    if (Keyword.empty()) return false;
    for (const auto& Run : Runs)
        for (std::size_t At = 0; At + Keyword.size() <= Run.size(); ++At) {
            std::size_t I = 0;
            while (I < Keyword.size() && Fold(Run[At + I]) == Fold(Keyword[I])) ++I;
            if (I == Keyword.size()) return true;
        }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 1) return 0;
    const std::size_t KeyLength = 1 + Data[0] % 6;
    if (Size < 1 + KeyLength) return 0;
    std::u16string Keyword;
    std::string Wide;
    for (std::size_t I = 0; I < KeyLength; ++I) {
        const char16_t U = Alphabet[Data[1 + I] % AlphabetSize];
        Keyword += U;
        Wide += static_cast<char>(U & 0xFF);
        Wide += static_cast<char>(U >> 8);
    }
    const TKeywordScanner Scanner("\x01", Wide);
    TKeywordMatcher Matcher(Wide, Scanner);

    // Each further byte: a unit of the alphabet, a cut between chunks, or a break.
    std::vector<std::u16string> Runs(1);
    std::u16string Chunk;
    bool Going = true, Expected = false;
    for (std::size_t I = 1 + KeyLength; I < Size; ++I) {
        const unsigned Op = Data[I] % (AlphabetSize + 2);
        if (Op < AlphabetSize) {
            Chunk += Alphabet[Op];
            Runs.back() += Alphabet[Op];
            continue;
        }
        if (Going && !Chunk.empty()) Going = Matcher.Text(Chunk.data(), Chunk.size());
        Chunk.clear();
        if (Op == AlphabetSize + 1) {
            if (Going) Going = Matcher.Break();
            Runs.emplace_back();
        }
    }
    if (Going && !Chunk.empty()) Going = Matcher.Text(Chunk.data(), Chunk.size());
    Expected = NaiveFind(Runs, Keyword);
    if (Matcher.Found() != Expected || Going == Expected) __builtin_trap();
    return 0;
}
