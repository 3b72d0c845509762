// The windows where a stream's pieces meet: all a matcher that has scanned the file already must
// look at, and nothing more.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "pure/doctext/bytereader.h"
#include "pure/doctext/bytesource.h"
#include "tests/pure/doctext/doctexttest.h"

namespace {

// A stream made of pieces of a file, (file offset, length) each; a file offset of UINT64_MAX
// marks a piece the stream cannot place.
class TPiecesSource : public TByteSource {
public:
    explicit TPiecesSource(std::vector<std::pair<std::uint64_t, std::uint64_t>> Pieces) : FPieces(std::move(Pieces)) {}
    std::uint64_t Size() const override {
        std::uint64_t N = 0;
        for (const auto& P : FPieces) N += P.second;
        return N;
    }
    std::size_t ReadAt(std::uint64_t, void*, std::size_t) override { return 0; }
    std::uint64_t FilePiece(std::uint64_t Offset, std::uint64_t& FileOffset) const override {
        for (const auto& P : FPieces) {
            if (Offset < P.second) {
                if (P.first == UINT64_MAX) return 0;
                FileOffset = P.first + Offset;
                return P.second - Offset;
            }
            Offset -= P.second;
        }
        return 0;
    }

private:
    std::vector<std::pair<std::uint64_t, std::uint64_t>> FPieces;
};

TEST(SeamWindows, CoverWherePiecesMeetAndNothingElse) {
    using TWindows = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
    const std::uint64_t Unknown = UINT64_MAX;
    const struct {
        const char* What;
        std::vector<std::pair<std::uint64_t, std::uint64_t>> Pieces;
        TWindows Expected;  // (offset, count) in the stream
    } Cases[] = {
        {"one piece", {{1000, 5000}}, {}},
        {"pieces adjacent in the file", {{1000, 512}, {1512, 512}}, {}},
        {"two pieces apart", {{1000, 512}, {3000, 512}}, {{509, 6}}},
        {"a piece back in the file", {{3000, 512}, {1000, 512}, {1512, 100}}, {{509, 6}}},
        {"seams closer than the radius merge", {{0, 512}, {2048, 4}, {8192, 64}, {4096, 64}}, {{509, 10}, {577, 6}}},
        {"a seam near the start", {{0, 2}, {4096, 64}}, {{0, 5}}},
        {"a seam near the end", {{0, 64}, {4096, 1}}, {{61, 4}}},
        {"a part the stream cannot place", {{0, 100}, {Unknown, 50}, {500, 50}}, {{97, 103}}},
        {"nothing placed", {{Unknown, 70}}, {{0, 70}}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        const TPiecesSource Stream(C.Pieces);
        TWindows Seen;
        EXPECT_TRUE(ForEachSeamWindow(Stream, 3, [&](std::uint64_t At, std::uint64_t Count) {
            Seen.emplace_back(At, Count);
            return true;
        }));
        EXPECT_EQ(Seen, C.Expected);
    }
}

// A source whose size says more than the bytes it holds, as a damaged stream may.
class TLongerSource : public TMemorySource {
public:
    using TMemorySource::TMemorySource;
    std::uint64_t Size() const override { return TMemorySource::Size() + 100; }
};

// A forward reader reads a source held in memory where it lies, a buffer's worth at a time: the
// same bytes, positions and pieces as through a copy, and never past the bytes the source holds.
TEST(ForwardReader, InPlaceReadsAsACopyDoes) {
    std::string Bytes;
    for (int I = 0; I < 1000; ++I) Bytes += static_cast<char>(I * 7);
    TMemorySource InPlace(Bytes.data(), Bytes.size());
    TCutSource Copied(Bytes.data(), Bytes.size(), {});  // read through ReadAt, a block at a time
    TLongerSource Longer(Bytes.data(), Bytes.size());
    for (TByteSource* Source : {static_cast<TByteSource*>(&InPlace), static_cast<TByteSource*>(&Longer)}) {
        TForwardReader A(*Source, 10, 64), B(Copied, 10, 64);
        std::string FromA, FromB;
        while (A.Peek() >= 0 && B.Peek() >= 0) {
            std::size_t CountA = 0, CountB = 0;
            const unsigned char* PA = A.Buffered(CountA);
            const unsigned char* PB = B.Buffered(CountB);
            ASSERT_EQ(CountA, CountB);
            ASSERT_EQ(A.Position(), B.Position());
            FromA.append(reinterpret_cast<const char*>(PA), CountA);
            FromB.append(reinterpret_cast<const char*>(PB), CountB);
            A.Advance(CountA), B.Advance(CountB);
        }
        EXPECT_EQ(A.Peek(), B.Peek());
        EXPECT_EQ(FromA, Bytes.substr(10));
        EXPECT_EQ(FromA, FromB);
    }
}

}  // namespace
