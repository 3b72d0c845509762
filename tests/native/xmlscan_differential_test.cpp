// The wide scanners of the XML text extractor against their plain versions, on random buffers
// built from the bytes each one looks for, at every offset and length near its block sizes.
#include "pure/doctext/xmlscan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace xmlscan;

namespace {

std::string Random(std::mt19937& Gen, std::size_t Length, const std::vector<std::string>& Pieces) {
    std::string S;
    while (S.size() < Length) S += Pieces[Gen() % Pieces.size()];
    return S;
}

const unsigned char* Bytes(const std::string& S) { return reinterpret_cast<const unsigned char*>(S.data()); }

TEST(XmlScan, FindByteEqualsMemchrAtEveryLength) {
    std::mt19937 Gen(5);
    for (int Round = 0; Round < 2000; ++Round) {
        const std::string Data = Random(Gen, Gen() % 70, {"\n", ">", "a", "\xff", std::string(17, 'x')});
        for (std::size_t From = 0; From <= Data.size(); ++From)
            for (const int Byte : {0x0A, 0x3E, 0xFF}) {
                const void* Expected = std::memchr(Data.data() + From, Byte, Data.size() - From);
                ASSERT_EQ(static_cast<const void*>(
                              FindByte(Bytes(Data) + From, Data.size() - From, static_cast<unsigned char>(Byte))),
                          Expected);
            }
    }
}

TEST(XmlScan, MarksEqualPlainSearchWhereverTheSearchStarts) {
    std::mt19937 Gen(1);
    for (int Round = 0; Round < 3000; ++Round) {
        const std::string Data = Random(Gen, Gen() % 300, {"<", "&", "a", "bcdefgh", std::string(40, 'x')});
        TMarks Marks(Bytes(Data), Data.size());
        for (std::size_t From = 0, Step = 0; From <= Data.size() && Step < 40; ++Step) {
            const bool Amps = Gen() % 2 != 0;
            const std::size_t Fast = Marks.Next(From, Amps ? ~std::uint64_t(0) : 0);
            ASSERT_EQ(Fast, NextMarkPlain(Bytes(Data), Data.size(), From, Amps)) << Data << " from " << From;
            // On after the mark as the extractor goes, or now and then back to an earlier place.
            From = Gen() % 8 == 0 ? Gen() % (Data.size() + 1) : Fast + 1 + Gen() % 3;
        }
    }
}

// Where a tag that may act while nothing is shown starts at or after From: a '<' followed by '!'
// or '?', or whose local name begins with one of Firsts, or whose name the buffer cuts.
std::size_t FirstActingTag(const std::string& Data, std::size_t From, const std::string& Firsts) {
    for (std::size_t Lt = Data.find('<', From); Lt != std::string::npos; Lt = Data.find('<', Lt + 1)) {
        std::size_t At = Lt + 1;
        if (At < Data.size() && (Data[At] == '!' || Data[At] == '?')) return Lt;
        if (At < Data.size() && Data[At] == '/') ++At;
        std::size_t Local = At, End = At;
        for (; End < Data.size() && !NameStops.Stop[static_cast<unsigned char>(Data[End])]; ++End)
            if (Data[End] == ':') Local = End + 1;
        if (End == Data.size() || (Local < End && Firsts.find(Data[Local]) != std::string::npos)) return Lt;
    }
    return Data.size();
}

TEST(XmlScan, QuietScanStopsAtOrBeforeEveryTagThatMayAct) {
    std::mt19937 Gen(2);
    const std::vector<std::string> Pieces = {
        "<w:r>", "</w:r>", "<t>", "</x:t>", "<a:c ", "v=\"a:t\"",         "<!--", "<?", "<", ":", "/",
        " ",     ">",      "tc",  "</",     "<cv/>", std::string(30, 'y')};
    std::size_t Passed = 0;
    for (int Round = 0; Round < 3000; ++Round) {
        const std::string Data = Random(Gen, Gen() % 400, Pieces);
        const std::string Firsts = std::string("tcv").substr(0, Gen() % 3);
        TQuietScan Quiet(Bytes(Data), Data.size(), Bytes(Firsts), static_cast<int>(Firsts.size()));
        for (std::size_t From = 0; From < Data.size();) {
            const std::size_t Fast = Quiet.Next(From);
            const std::size_t Plain = NextTagPlain(Bytes(Data), Data.size(), From);
            ASSERT_TRUE(Fast == Plain || (Fast > Plain && Fast < Data.size() && Data[Fast] == '<')) << Data;
            ASSERT_LE(Fast, FirstActingTag(Data, From, Firsts)) << Data << " from " << From;
            Passed += Fast > Plain;
            From = Fast + 1 + (Gen() % 4 == 0 ? Gen() % 70 : 0);
        }
    }
    EXPECT_GT(Passed, 5000u);  // the wide scan does pass over tags
}

TEST(XmlScan, TagEndAndTagNameEqualPlainVersions) {
    std::mt19937 Gen(3);
    for (int Round = 0; Round < 20000; ++Round) {
        const std::string Tag = Random(Gen, Gen() % 90, {">", "\"", "'", "a", " b=", "/", "xyzxyzxyz", "\xE5\x90\x88"});
        const std::size_t From = Gen() % (Tag.size() + 1);
        ASSERT_EQ(TagEnd(Bytes(Tag), From, Tag.size()), TagEndPlain(Bytes(Tag), From, Tag.size())) << Tag << From;
        const std::string Name =
            Random(Gen, Gen() % 30, {"a", "w", ":", " ", "/", "<", ">", std::string(1, '\0'), "\x1F", "\x21", "\x80"});
        const std::size_t At = Gen() % (Name.size() + 1);
        std::size_t Local[2] = {}, End[2] = {};
        const bool Found = FindTagName(Bytes(Name), At, Name.size(), Local[0], End[0]);
        ASSERT_EQ(Found, FindTagNamePlain(Bytes(Name), At, Name.size(), Local[1], End[1])) << Name << At;
        if (Found) {
            ASSERT_TRUE(Local[0] == Local[1] && End[0] == End[1]) << Name << At;
        }
    }
}

// The three-byte forms at the edges of what they may write, and near misses of their shape.
std::string ThreeBytePiece(std::mt19937& Gen) {
    static const unsigned Edges[] = {0x800, 0x7FF, 0xD7FF, 0xD800, 0xDFFF, 0xE000, 0xFFFF, 0x4E2D, 0x0, 0x1000};
    const unsigned U = Gen() % 2 ? Edges[Gen() % 10] : Gen() % 0x10000;
    std::string S = {static_cast<char>(0xE0 | (U >> 12)), static_cast<char>(0x80 | ((U >> 6) & 0x3F)),
                     static_cast<char>(0x80 | (U & 0x3F))};
    if (Gen() % 8 == 0) S[Gen() % 3] ^= static_cast<char>(1 << (4 + Gen() % 4));  // a shape bit wrong
    return S;
}

TEST(XmlScan, WideDecodingEqualsPlainDecoding) {
    std::mt19937 Gen(4);
    for (int Round = 0; Round < 20000; ++Round) {
        std::string Data;
        for (const std::size_t Length = Gen() % 120; Data.size() < Length;) {
            const unsigned Kind = Gen() % 6;
            Data += Kind < 3   ? ThreeBytePiece(Gen)
                    : Kind < 4 ? std::string(Gen() % 20, 'a')
                    : Kind < 5 ? std::string("\xC3\xA9")
                               : std::string(1, static_cast<char>(0x80 + Gen() % 0x80));
        }
        char16_t Wide[4], Plain[4];
        if (Data.size() >= 16) {
#if defined(__SSE2__)
            const bool Four = DecodeFourThreeByte(Bytes(Data), Wide);
            ASSERT_EQ(Four, DecodeThreeBytePlain(Bytes(Data), 4, Plain)) << Data;
            if (Four) {
                ASSERT_EQ(std::u16string(Wide, 4), std::u16string(Plain, 4));
            }
#endif
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
            const bool Two = DecodeTwoThreeByte(Bytes(Data), Wide);
            ASSERT_EQ(Two, DecodeThreeBytePlain(Bytes(Data), 2, Plain)) << Data;
            if (Two) {
                ASSERT_EQ(std::u16string(Wide, 2), std::u16string(Plain, 2));
            }
#endif
        }
        std::size_t At[2];
        At[0] = At[1] = Gen() % (Data.size() + 1);
        const std::size_t Room = Gen() % 3 ? 200 : Gen() % 20;
        std::u16string Out[2] = {std::u16string(Room, u'\0'), std::u16string(Room, u'\0')};
        const std::size_t Count[2] = {
            static_cast<std::size_t>(
                DecodeCommon(Bytes(Data), At[0], Data.size(), Out[0].data(), Out[0].data() + Room) - Out[0].data()),
            static_cast<std::size_t>(
                DecodeCommonPlain(Bytes(Data), At[1], Data.size(), Out[1].data(), Out[1].data() + Room) -
                Out[1].data())};
        ASSERT_EQ(At[0], At[1]) << Data;
        ASSERT_EQ(Out[0].substr(0, Count[0]), Out[1].substr(0, Count[1])) << Data;
    }
}

TEST(XmlScan, WideSequenceSearchEqualsPlainSearch) {
    std::mt19937 Gen(5);
    const std::string Sequences[] = {"\xE5\x90\x88", "\xC3\xA9", "k", "\xE5"};
    for (int Round = 0; Round < 20000; ++Round) {
        const std::string& Sequence = Sequences[Gen() % 4];
        const std::string Data = Random(Gen, Gen() % 60, {"\xE5", "\x90", "\x88", "\xC3", "\xA9", "k", "K", "ab"});
        const auto* S = Bytes(Sequence);
        ASSERT_EQ(HoldsSequence(Bytes(Data), Data.size(), S, Sequence.size(), 'K'),
                  HoldsSequencePlain(Bytes(Data), Data.size(), S, Sequence.size(), 'K'))
            << Data << " " << Sequence;
    }
}

}  // namespace
