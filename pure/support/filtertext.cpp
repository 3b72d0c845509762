#include "pure/support/filtertext.h"

#include <vector>

#include "pure/support/bytetext.h"

namespace {

// Drops everything up to and including the first separator; no separator leaves F as it is.
void DropThroughSeparator(std::string& F) {
    const std::size_t At = FindSingleByte(F, '|');
    if (At != std::string::npos) F.erase(0, At + 1);
}

}  // namespace

std::string NormalizeFilter(const std::string& Filter) {
    if (FindSingleByte(Filter, '|') != std::string::npos) return Filter;
    return Filter + "|" + Filter;
}

void AddFilterExtension(const std::string& Name, const std::string& Filter, int Index, std::string& Result) {
    Result = Name;
    if (!ExtensionPart(Name).empty() || Index <= 0) return;
    std::string F = Filter;
    for (int K = 1;; ++K) {
        DropThroughSeparator(F);  // F now begins with the pattern of pair K
        const std::size_t End = FindSingleByte(F, '|');
        // Once the separators are used up F stops changing: every later pair is this last piece.
        if (K == Index || End == std::string::npos) {
            const std::string Pattern = F.substr(0, End);
            const std::size_t Dot = FindSingleByte(Pattern, '.');
            if (Dot != std::string::npos) Result += Pattern.substr(Dot);
            return;
        }
        DropThroughSeparator(F);  // F now begins with the description of pair K + 1
    }
}

std::string FilterPairs(const std::string& Filter) {
    std::string Pairs = Filter;
    for (std::size_t I = FindSingleByte(Pairs, '|'); I != std::string::npos; I = FindSingleByte(Pairs, '|', I + 1))
        Pairs[I] = '\0';
    Pairs.append(2, '\0');
    return Pairs;
}
