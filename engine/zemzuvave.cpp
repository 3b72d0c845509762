#include "engine/zemzuvave.h"

#include <new>
#include <vector>

#include "engine/keyscan.h"
#include "support/textrules.h"

std::string Tzemzuvave::KeywordToWide(const std::string& Keyword) {
    if (Keyword.empty()) return std::string();
    // Every character of one or two bytes gives one code unit, so 2 L - 1 units always suffice.
    std::vector<wchar_t> Area(2 * Keyword.size());
    const int Units = AnsiToUtf16(Keyword, Area.data(), static_cast<int>(Area.size()));
    std::string Wide;
    Wide.reserve(2 * static_cast<std::size_t>(Units));
    for (int I = 0; I < Units; ++I) {
        const auto Unit = static_cast<unsigned>(Area[static_cast<std::size_t>(I)]);
        Wide += static_cast<char>(Unit & 0xFF);
        Wide += static_cast<char>(Unit >> 8);
    }
    return Wide;
}

bool Tzemzuvave::FileMatches(const std::string& Path, const std::string& Keyword) {
    if (ContainsNoCase(NamePart(Path), Keyword)) return true;
    const TKeywordScanner Scanner(Keyword, KeywordToWide(Keyword));
    TFileReader Reader(Path);
    try {
        return ScanStream(Scanner, Reader.Size(), ScanBlockSize,
                          [&Reader](void* Buffer, std::size_t Count) { Reader.ReadExact(Buffer, Count); });
    } catch (const std::bad_alloc&) {
        Fail(FailureText::OutOfMemory);
    }
}
