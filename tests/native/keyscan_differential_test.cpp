// The block scan against a plain scan of the whole buffer, on random data, keywords and block sizes.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "pure/engine/keyscan.h"
#include "pure/support/bytetext.h"

namespace {

// Every position 0 .. S - L: the 8-bit form must fit, the UTF-16 form only where it fits.
bool NaiveScan(const std::string& Data, const std::string& Ansi, const std::string& Wide) {
    const std::size_t S = Data.size(), L = Ansi.size(), W = Wide.size();
    if (S < L) return false;
    for (std::size_t P = 0; P + L <= S; ++P) {
        if (RawEqualNoCase(Data.data() + P, Ansi.data(), L)) return true;
        if (W > 0 && P + W <= S && RawEqualNoCase(Data.data() + P, Wide.data(), W)) return true;
    }
    return false;
}

bool BlockScan(const std::string& Data, const std::string& Ansi, const std::string& Wide, std::size_t Block) {
    std::size_t At = 0;
    return ScanStream(TKeywordScanner(Ansi, Wide), Data.size(), Block, [&](void* Buffer, std::size_t Count) {
        if (At + Count > Data.size()) throw std::logic_error("read beyond the end");
        std::memcpy(Buffer, Data.data() + At, Count);
        At += Count;
    });
}

std::string Random(std::mt19937& Gen, std::size_t Len, const std::string& Alphabet) {
    std::string S;
    for (std::size_t I = 0; I < Len; ++I) S += Alphabet[Gen() % Alphabet.size()];
    return S;
}

TEST(KeywordScan, BlockScanEqualsWholeBufferScan) {
    std::mt19937 Gen(20261208);
    const std::string Alphabet = std::string("aAbB\x81\x5C", 6) + std::string(1, '\0') + "zZ`@";
    int Found = 0;
    for (int Round = 0; Round < 40000; ++Round) {
        const std::string Ansi = Random(Gen, 1 + Gen() % 5, Alphabet.substr(0, 6) + "zZ");
        std::string Wide;
        if (Gen() % 4 != 0) {  // sometimes no UTF-16 form at all
            for (char C : Ansi) {
                Wide += C;
                if (Gen() % 3 != 0) Wide += '\0';
            }
        }
        const std::string Data = Random(Gen, Gen() % 120, Alphabet);
        const std::size_t Block = 1 + Gen() % 40;
        const bool Expected = NaiveScan(Data, Ansi, Wide);
        Found += Expected;
        ASSERT_EQ(BlockScan(Data, Ansi, Wide, Block), Expected)
            << "round " << Round << " block " << Block << " data size " << Data.size();
    }
    EXPECT_GT(Found, 4000);  // both answers occur often enough to mean something
    EXPECT_LT(Found, 36000);
}

TEST(KeywordScan, VectorPathFindsOccurrencesAtEveryOffsetAndEnd) {
    // Long buffers take the sixteen-at-a-time path; put the keyword at every offset near the
    // block's ends and check both forms.
    const std::string Ansi = "Key", Wide = std::string("K\0e\0y\0", 6);
    for (std::size_t Size : {16u, 31u, 32u, 47u, 64u, 100u, 257u}) {
        for (std::size_t At = 0; At + 3 <= Size; ++At) {
            std::string Data(Size, 'x');
            Data.replace(At, 3, "kEY");
            ASSERT_TRUE(BlockScan(Data, Ansi, Wide, 1 << 20)) << Size << " " << At;
            ASSERT_EQ(BlockScan(Data, Ansi, Wide, 7), true);
        }
        for (std::size_t At = 0; At + 6 <= Size; ++At) {
            std::string Data(Size, 'x');
            Data.replace(At, 6, std::string("k\0E\0y\0", 6));
            ASSERT_TRUE(BlockScan(Data, Ansi, Wide, 1 << 20)) << Size << " " << At;
        }
        ASSERT_FALSE(BlockScan(std::string(Size, 'k'), Ansi, Wide, 13));
    }
    // A UTF-16 occurrence cut by the end of the data is not one.
    EXPECT_FALSE(BlockScan(std::string("xxk\0e\0y", 7), Ansi, Wide, 3));
    EXPECT_TRUE(BlockScan(std::string("xxk\0e\0y\0", 8), Ansi, Wide, 3));
}

TEST(KeywordScan, ShortAndEmptyContentNeverMatches) {
    EXPECT_FALSE(BlockScan("", "a", "a\0", 4));
    EXPECT_FALSE(BlockScan("ab", "abc", "", 4));
    EXPECT_TRUE(BlockScan("abc", "ABC", "", 1));
    // Keywords longer than the block: the overlap carries enough bytes.
    EXPECT_TRUE(BlockScan(std::string(50, 'x') + "needle-in-haystack" + "yy", "NEEDLE-IN-HAYSTACK", "", 3));
}

}  // namespace
