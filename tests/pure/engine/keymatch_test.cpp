// The keyword test of decoded text: matches across chunks, never across breaks, with ASCII
// letters folded, and scans raw streams with the byte forms.
#include <gtest/gtest.h>

#include <string>

#include "pure/doctext/bytesource.h"
#include "pure/engine/keymatch.h"

namespace {

std::string Wide(std::u16string_view Text) {
    std::string Bytes;
    for (char16_t U : Text) {
        Bytes += static_cast<char>(U & 0xFF);
        Bytes += static_cast<char>(U >> 8);
    }
    return Bytes;
}

// Feeds Script to a matcher: "/" cuts a chunk, "|" is a break. Returns whether it matched, and
// checks that the matcher asked to stop exactly when it matched.
bool Feed(std::u16string_view Keyword, std::u16string_view Script) {
    const TKeywordScanner Scanner("-", Wide(Keyword));
    TKeywordMatcher Matcher(Wide(Keyword), Scanner);
    std::u16string Chunk;
    bool Going = true;
    auto Send = [&] {
        if (!Chunk.empty()) Going = PutText(Matcher, Chunk);
        Chunk.clear();
    };
    for (char16_t U : Script) {
        if (!Going) break;
        if (U == u'/') {
            Send();
        } else if (U == u'|') {
            Send();
            if (Going) Going = Matcher.Break();
        } else {
            Chunk += U;
        }
    }
    if (Going) Send();
    EXPECT_EQ(Going, !Matcher.Found()) << "the answer to the decoder";
    return Matcher.Found();
}

TEST(KeywordMatcher, FindsTheKeywordInTextAsItArrives) {
    const struct {
        std::u16string_view Keyword, Script;
        bool Expected;
    } Cases[] = {
        {u"合同", u"本合同一式两份", true},
        {u"合同", u"本合/同一式", true},          // cut between chunks
        {u"年度预算", u"年/度/预/算", true},      // one unit per chunk
        {u"合同", u"本合|同一式", false},         // a break ends the run
        {u"合同", u"合合|合同", true},            // and a new run starts clean
        {u"kestrel", u"the KesTrel plan", true},  // ASCII letters folded
        {u"KESTREL", u"kes/trel", true},
        {u"kestrel", u"kestre", false},
        {u"é", u"É", false},      // only ASCII letters fold
        {u"a@", u"A`", false},    // and nothing beside them
        {u"aab", u"aaab", true},  // a failed partial match restarts inside itself
        {u"ababc", u"abab/abc", true},
        {u"abcabd", u"abcab/abd", false},
        {u"abcabd", u"abcab/cabcabd", true},
        {u"x", u"", false},
        {u"", u"anything", false},  // a keyword without a UTF-16 form matches no text
    };
    for (const auto& C : Cases)
        EXPECT_EQ(Feed(C.Keyword, C.Script), C.Expected)
            << std::string(reinterpret_cast<const char*>(C.Script.data()), 2 * C.Script.size());
}

TEST(KeywordMatcher, AwaitsTheFirstUnitWhileNothingIsMatched) {
    const TKeywordScanner Scanner("-", Wide(u"kestrel"));
    TKeywordMatcher Matcher(Wide(u"kestrel"), Scanner);
    EXPECT_EQ(Matcher.AwaitedUnit(), u'K');
    PutText(Matcher, u"the kes");
    EXPECT_EQ(Matcher.AwaitedUnit(), 0);
    Matcher.Break();
    EXPECT_EQ(Matcher.AwaitedUnit(), u'K');
    const TKeywordMatcher Empty("", Scanner);
    EXPECT_EQ(Empty.AwaitedUnit(), 0);
}

// A stream that announces more bytes than it holds.
class TShortSource : public TMemorySource {
public:
    using TMemorySource::TMemorySource;
    std::uint64_t Size() const override { return TMemorySource::Size() + 100; }
};

TEST(KeywordMatcher, RawStreamsAreScannedForEveryByteForm) {
    const std::string Gbk = "\xD6\xD0\xCE\xC4", Utf16 = Wide(u"中文");
    const TKeywordScanner Scanner(Gbk, Utf16);
    const struct {
        std::string Bytes;
        bool Expected;
    } Cases[] = {
        {"xx" + Gbk, true},
        {"x" + Utf16 + "x", true},
        {"\xE4\xB8\xAD\xE6\x96\x87", true},  // UTF-8
        {"\xE4\xB8\xAD\xE6\x96", false},
        {"", false},
    };
    for (const auto& C : Cases) {
        TKeywordMatcher Matcher(Utf16, Scanner);
        TMemorySource Stream(C.Bytes.data(), C.Bytes.size());
        EXPECT_EQ(Matcher.RawStream(Stream), !C.Expected);
        EXPECT_EQ(Matcher.Found(), C.Expected) << C.Bytes;
    }
    // A stream that ends early holds what it holds; the matcher does not fail.
    TKeywordMatcher Matcher(Utf16, Scanner);
    const std::string Early = "abc" + Gbk;
    TShortSource Short(Early.data(), Early.size());
    EXPECT_TRUE(Matcher.RawStream(Short));
    EXPECT_FALSE(Matcher.Found());
}

}  // namespace
