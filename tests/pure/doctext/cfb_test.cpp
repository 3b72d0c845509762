// Compound files: every stream reassembled in its chain's order, whatever the layout, and damage
// that ends a stream (or the whole file) early instead of reading astray.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "pure/doctext/cfb.h"
#include "tests/pure/doctext/cfbwriter.h"
#include "tests/pure/doctext/doctexttest.h"

namespace {

std::string Pattern(char Tag, std::size_t Size) {
    std::string S(Size, Tag);
    for (std::size_t I = 0; I < Size; I += 7) S[I] = static_cast<char>('0' + I / 7 % 10);
    return S;
}

std::vector<std::string> Streams(const std::string& File) {
    TMemorySource Source(File.data(), File.size());
    TCollectSink Sink;
    DecodeDocument(*FindFormat("compound"), Source, Sink, TDecodeEnv{});
    std::sort(Sink.RawStreams.begin(), Sink.RawStreams.end());
    return Sink.RawStreams;
}

std::vector<std::string> Sorted(std::vector<std::string> V) {
    std::sort(V.begin(), V.end());
    return V;
}

// Two large streams, two small ones (one in a storage) and an empty one.
const std::string Big1 = Pattern('a', 5000), Big2 = Pattern('b', 9000), Small1 = Pattern('c', 300),
                  Small2 = Pattern('d', 4095);

TCfbWriter Writer(unsigned Shift, bool Interleave, std::uint32_t Pad = 0) {
    TCfbWriter W;
    W.Shift = Shift, W.Interleave = Interleave, W.PadSectors = Pad;
    W.Add("WordDocument", Big1);
    W.Add("1Table", Big2);
    W.Add("\x05SummaryInformation", Small1);
    W.Add("ObjectPool/Contents", Small2);
    W.Add("Empty", "");
    return W;
}

TEST(CompoundFile, ReassemblesEveryStreamInChainOrder) {
    const struct {
        unsigned Shift;
        bool Interleave;
        std::uint32_t Pad;
    } Layouts[] = {{9, false, 0},
                   {9, true, 0},
                   {12, false, 0},
                   {12, true, 0},
                   {9, true, 109 * 128}};  // streams past what the header's FAT sectors cover
    for (const auto& L : Layouts) {
        SCOPED_TRACE(testing::Message() << "shift " << L.Shift << " interleave " << L.Interleave << " pad " << L.Pad);
        TCfbWriter W = Writer(L.Shift, L.Interleave, L.Pad);
        const std::string File = W.Build();
        EXPECT_EQ(W.DifatSectors > 0, L.Pad > 0);
        EXPECT_EQ(Streams(File), Sorted({Big1, Big2, Small1, Small2}));
    }
}

TEST(CompoundFile, DamageEndsTheStreamOrTheFile) {
    // Each case damages a file of Writer(9, true) (streams 0 to 3 as above, chains interleaved).
    using TDamage = std::function<void(TCfbWriter&, std::string&)>;
    const auto Fat = [](std::size_t Stream, std::size_t Index, std::uint32_t Next) -> TDamage {
        return [=](TCfbWriter& W, std::string& F) { W.Put32(F, W.FatEntry(W.Chains[Stream][Index]), Next); };
    };
    const auto Header = [](std::size_t At, std::uint32_t Value) -> TDamage {
        return [=](TCfbWriter& W, std::string& F) { W.Put32(F, At, Value); };
    };
    const auto Entry = [](std::size_t Id, std::size_t Field, std::uint32_t Value) -> TDamage {
        return
            [=](TCfbWriter& W, std::string& F) { W.Put32(F, W.Offset(W.DirectorySector) + 128 * Id + Field, Value); };
    };
    const std::vector<std::string> All{Big1, Big2, Small1, Small2};
    const struct {
        const char* What;
        TDamage Damage;
        std::vector<std::string> Expected;
    } Cases[] = {
        {"chain loops back",
         [&](TCfbWriter& W, std::string& F) { Fat(1, 5, W.Chains[1][2])(W, F); },
         {Big1, Big2.substr(0, 6 * 512), Small1, Small2}},
        {"chain leaves the file", Fat(0, 3, 0x7FFFFFF0), {Big1.substr(0, 4 * 512), Big2, Small1, Small2}},
        {"chain runs into another stream's sector",
         [&](TCfbWriter& W, std::string& F) { Fat(1, 0, W.Chains[0][1])(W, F); },
         {Big1, Big2.substr(0, 512), Small1, Small2}},
        {"mini chain loops",
         [](TCfbWriter& W, std::string& F) { W.Put32(F, W.MiniFatEntry(W.Chains[3][4]), W.Chains[3][4]); },
         {Big1, Big2, Small1, Small2.substr(0, 5 * 64)}},
        {"truncated inside a stream",
         [](TCfbWriter& W, std::string& F) { F.resize(W.Offset(W.Chains[1].back()) - 100); },
         {Big1, Big2.substr(0, 16 * 512 + 412), Small1, Small2}},
        {"size larger than the chain",
         Entry(1, 0x78, 0x7FFFFFFF),
         {Big1 + std::string(120, '\0'), Big2, Small1, Small2}},
        {"sibling loop in the directory", Entry(6, 0x48, 1), All},
        {"FAT claims four billion sectors", Header(0x2C, 0xFFFFFFFF), All},
        {"mini stream larger than the file", Entry(0, 0x78, 0xFFFFFFF0), All},
        {"bad signature", Header(0, 0x12345678), {}},
        {"unknown version", Header(0x18, 0x00050000 | 0x3E), {}},
        {"sector size 1024", Header(0x1C, 0x000AFFFE), {}},
        {"root entry missing", Entry(0, 0x40, 0x00010000), {}},
        {"directory outside the file", Header(0x30, 0x00FFFFFF), {}},
        {"truncated in the header", [](TCfbWriter&, std::string& F) { F.resize(300); }, {}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        TCfbWriter W = Writer(9, true);
        std::string File = W.Build();
        C.Damage(W, File);
        EXPECT_EQ(Streams(File), Sorted(C.Expected));
    }
}

TEST(CompoundFile, StreamsTellWhereTheirPiecesLieInTheFile) {
    for (const bool Interleave : {false, true}) {
        for (const unsigned Shift : {9u, 12u}) {
            SCOPED_TRACE(testing::Message() << "interleave " << Interleave << " shift " << Shift);
            const std::string File = Writer(Shift, Interleave).Build();
            TFileImage Source(File.data(), File.size());
            TCompoundFile Cfb(Source);
            std::size_t Streams = 0;
            Cfb.ForEachStream([&](const std::u16string&, TByteSource& Stream) {
                ++Streams;
                std::string Bytes(Stream.Size(), '\0');
                Stream.ReadAt(0, Bytes.data(), Bytes.size());
                std::size_t Pieces = 0;
                for (std::uint64_t At = 0, FileAt = 0, N; At < Bytes.size(); At += N, ++Pieces) {
                    N = Stream.FilePiece(At, FileAt);
                    EXPECT_GT(N, 0u);
                    EXPECT_EQ(File.substr(FileAt, N), Bytes.substr(At, N));
                }
                EXPECT_TRUE(Interleave || Bytes.size() < 4096 || Pieces == 1) << Pieces;
                return true;
            });
            EXPECT_EQ(Streams, 4u);
        }
    }
}

// The real .doc, .xls and .ppt files of the shared document set (YQ_DOCUMENTS, or shared/documents
// beside the repository): every keyword typed into a document's text or properties is in one of its
// reassembled streams (as GBK, UTF-16LE or UTF-8 bytes) or in its shared strings. The set's
// README has a table of files and keywords; T or P marks a typed keyword.
std::string Folded(std::string S) {
    for (char& C : S)
        if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
    return S;
}

std::string Convert(const char* To, const std::string& Utf8) {
    iconv_t Cd = iconv_open(To, "UTF-8");
    std::string In(Utf8), Out(4 * Utf8.size() + 4, '\0');
    char *InP = In.data(), *OutP = Out.data();
    std::size_t InLeft = In.size(), OutLeft = Out.size();
    iconv(Cd, &InP, &InLeft, &OutP, &OutLeft);
    iconv_close(Cd);
    Out.resize(Out.size() - OutLeft);
    return Out;
}

std::vector<std::string> Cells(const std::string& Row) {
    std::vector<std::string> Out;
    std::stringstream In(Row);
    std::string Cell;
    std::getline(In, Cell, '|');
    while (std::getline(In, Cell, '|')) {
        const auto First = Cell.find_first_not_of(' '), Last = Cell.find_last_not_of(' ');
        Out.push_back(First == std::string::npos ? "" : Cell.substr(First, Last - First + 1));
    }
    return Out;
}

// Also keeps the windows where each stream's pieces meet, as a matcher that scanned the file
// already would look at them (radius 15: keyword forms of up to 16 bytes).
class TSeamSink : public TCollectSink {
public:
    std::vector<std::string> Windows;
    bool RawStream(TByteSource& Stream) override {
        ForEachSeamWindow(Stream, 15, [&](std::uint64_t At, std::uint64_t Count) {
            std::string Bytes(Count, '\0');
            Bytes.resize(Stream.ReadAt(At, Bytes.data(), Bytes.size()));
            Windows.push_back(Bytes);
            return true;
        });
        return TCollectSink::RawStream(Stream);
    }
};

TEST(CompoundFile, RealDocumentsHoldEveryTypedKeyword) {
    const char* Env = std::getenv("YQ_DOCUMENTS");
    const std::filesystem::path Root =
        Env ? std::filesystem::path(Env)
            : std::filesystem::path(__FILE__).parent_path() / "../../../../shared/documents";
    std::ifstream Readme(Root / "README.md");
    if (!Readme) GTEST_SKIP() << "no document set at " << Root;
    std::vector<std::string> Keywords;
    int Expected = 0, Found = 0;
    for (std::string Line; std::getline(Readme, Line);) {
        std::vector<std::string> Row = Cells(Line);
        if (Row.size() < 2) continue;
        if (Row[0] == "file") Keywords.assign(Row.begin() + 1, Row.end());
        std::string Ext = Folded(std::filesystem::path(Row[0]).extension().string());
        if (Keywords.empty() || (Ext != ".DOC" && Ext != ".XLS" && Ext != ".PPT")) continue;
        std::ifstream In(Root / "files" / Row[0], std::ios::binary);
        const std::string File((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
        TFileImage Source(File.data(), File.size());
        TSeamSink Sink;
        DecodeDocument(*FindFormat("compound"), Source, Sink, TDecodeEnv{});
        for (std::size_t K = 0; K < Keywords.size() && K + 1 < Row.size(); ++K) {
            if (Row[K + 1].find_first_of("TP") == std::string::npos) continue;
            ++Expected;
            const std::string& Word = Keywords[K];
            const std::string Forms[] = {Folded(Convert("GBK", Word)), Folded(Convert("UTF-16LE", Word)), Folded(Word)};
            const auto In = [&](const std::vector<std::string>& Pieces) {
                for (const std::string& Piece : Pieces)
                    for (const std::string& Form : Forms)
                        if (Folded(Piece).find(Form) != std::string::npos) return true;
                return false;
            };
            const bool InText = Folded(Sink.Text8).find(Folded(Word)) != std::string::npos;
            const bool Seen = InText || In(Sink.RawStreams);
            Found += Seen;
            EXPECT_TRUE(Seen) << Row[0] << ": " << Word;
            // What the streams hold is in the file's raw bytes or in a window where pieces meet.
            EXPECT_TRUE(InText || In({File}) || In(Sink.Windows)) << Row[0] << ": " << Word;
        }
    }
    std::printf("typed keywords of the compound files found: %d of %d\n", Found, Expected);
    EXPECT_GT(Expected, 20);
}

}  // namespace
