// The block scan against a plain scan of the whole buffer, on random data, keywords and block sizes.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "pure/engine/keyscan.h"
#include "pure/support/bytetext.h"

namespace {

// Every position of the data, every form that fits there: the 8-bit form, the UTF-16 form and
// the UTF-8 form made from it.
bool NaiveScan(const std::string& Data, const std::string& Ansi, const std::string& Wide) {
    const std::string Utf8 = Utf16LeToUtf8(Wide);
    for (std::size_t P = 0; P < Data.size(); ++P)
        for (const std::string* Form : {&Ansi, &Wide, &Utf8})
            if (!Form->empty() && P + Form->size() <= Data.size() &&
                RawEqualNoCase(Data.data() + P, Form->data(), Form->size()))
                return true;
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
    // The data's bytes include those of the UTF-8 forms of U+00E9 and U+4E2D.
    const std::string Alphabet = std::string("aAbB\x81\x5C", 6) + std::string(1, '\0') + "zZ`@\xC3\xA9\xE4\xB8\xAD";
    int Found = 0;
    for (int Round = 0; Round < 40000; ++Round) {
        const std::string Ansi = Random(Gen, 1 + Gen() % 5, Alphabet.substr(0, 6) + "zZ");
        std::string Wide;
        if (Gen() % 3 == 0) {  // real characters: a UTF-8 form that differs from the 8-bit one
            for (std::size_t I = 0, N = 1 + Gen() % 3; I < N; ++I)
                Wide += std::string(Gen() % 2 ? "\xE9\x00" : (Gen() % 2 ? "\x2D\x4E" : "a\0"), 2);
        } else if (Gen() % 4 != 0) {  // sometimes no UTF-16 form at all
            for (char C : Ansi) {
                Wide += C;
                if (Gen() % 3 != 0) Wide += '\0';
            }
        }
        std::string Data = Random(Gen, Gen() % 120, Alphabet);
        if (Gen() % 4 == 0) Data.insert(Gen() % (Data.size() + 1), Utf16LeToUtf8(Wide));
        const std::size_t Block = 1 + Gen() % 40;
        const bool Expected = NaiveScan(Data, Ansi, Wide);
        Found += Expected;
        ASSERT_EQ(BlockScan(Data, Ansi, Wide, Block), Expected)
            << "round " << Round << " block " << Block << " data size " << Data.size();
    }
    EXPECT_GT(Found, 4000);  // both answers occur often enough to mean something
    EXPECT_LT(Found, 36000);
}

// The sixteen-lane filter against the plain position-by-position search, on the same buffers:
// every count of start positions, keywords at the edges of the lanes and of the data.
TEST(KeywordScan, SixteenLaneFilterEqualsPlainSearch) {
    std::mt19937 Gen(7);
    const std::string Alphabet = std::string("aAkK\0\xE4\xB8\xAD", 8);
    for (int Round = 0; Round < 20000; ++Round) {
        const std::string Ansi = Random(Gen, 1 + Gen() % 4, "aAkK");
        std::string Wide;
        for (std::size_t I = 0, N = Gen() % 3; I < N; ++I) Wide += std::string(Gen() % 2 ? "\x2D\x4E" : "k\0", 2);
        const TKeywordScanner Scanner(Ansi, Wide);
        std::string Data = Random(Gen, Gen() % 90, Alphabet);
        if (Gen() % 2 == 0) Data.insert(Gen() % (Data.size() + 1), Gen() % 2 ? Ansi : Utf16LeToUtf8(Wide));
        const auto* Bytes = reinterpret_cast<const unsigned char*>(Data.data());
        const std::size_t Count = Gen() % (Data.size() + 2);
        ASSERT_EQ(Scanner.FindIn(Bytes, Data.size(), Count), Scanner.FindInPlain(Bytes, Data.size(), Count))
            << "round " << Round << " count " << Count;
    }
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

TEST(KeywordScan, Utf8FormComesFromTheUtf16Form) {
    EXPECT_EQ(Utf16LeToUtf8(std::string("a\0\xE9\0\x2D\x4E\x87\x65", 8)), "a\xC3\xA9\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x3D\xD8\x00\xDE", 4)), "\xF0\x9F\x98\x80");  // a surrogate pair
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x3D\xD8x", 3)), "\xEF\xBF\xBD");             // lone, odd byte dropped
    // 中文 (GBK D6 D0 CE C4) is found in UTF-8 content, with the block cut inside it; an ASCII
    // keyword has no separate UTF-8 form and still matches in both cases.
    const std::string Gbk = "\xD6\xD0\xCE\xC4", Wide = "\x2D\x4E\x87\x65";
    for (std::size_t Block : {1u, 2u, 5u, 64u})
        EXPECT_TRUE(BlockScan(std::string(37, 'x') + "\xE4\xB8\xAD\xE6\x96\x87", Gbk, Wide, Block)) << Block;
    EXPECT_FALSE(BlockScan(std::string(37, 'x') + "\xE4\xB8\xAD\xE6\x96", Gbk, Wide, 8));
    EXPECT_TRUE(BlockScan("xxABC", "abc", std::string("a\0b\0c\0", 6), 2));
}

TEST(KeywordScan, ShortAndEmptyContentNeverMatches) {
    EXPECT_FALSE(BlockScan("", "a", "a\0", 4));
    EXPECT_FALSE(BlockScan("ab", "abc", "", 4));
    EXPECT_TRUE(BlockScan("abc", "ABC", "", 1));
    // Keywords longer than the block: the overlap carries enough bytes.
    EXPECT_TRUE(BlockScan(std::string(50, 'x') + "needle-in-haystack" + "yy", "NEEDLE-IN-HAYSTACK", "", 3));
}

}  // namespace
