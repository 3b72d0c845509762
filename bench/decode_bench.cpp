// Times the keyword test over a tree of documents: decode_bench FOLDER KEYWORD ROUNDS [hits]
// Each round passes over every file of the tree three times:
//   matches  Tzemzuvave::FileMatches
//   raw      the raw scan alone: the file read in blocks through TKeywordScanner, as FileMatches
//            reads it, nothing decoded
//   decode   the raw scan, then (when it finds nothing) DecodeDocument over the same open file with
//            a sink that scans each stream raw and matches the text
// Prints one line per round: the seconds of each pass and the files each found.
// With "hits", each round passes over the tree twice instead: FileMatches, and FileHits for up to
// 100 hits; a line gives both times, the files each found and the hits.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/zemzuvave.h"
#include "pure/doctext/document.h"
#include "pure/engine/keyscan.h"
#include "support/formatting.h"
#include "support/textrules.h"

namespace {

void ListFiles(const std::string& Dir, std::vector<std::string>& Out) {
    WIN32_FIND_DATAA Data;
    HANDLE Find = FindFirstFileA((Dir + "\\*").c_str(), &Data);
    if (Find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string Name = Data.cFileName;
        if (Name == "." || Name == ".." || Name[0] == '.') continue;
        if (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(Dir + "\\" + Name, Out);
        else
            Out.push_back(Dir + "\\" + Name);
    } while (FindNextFileA(Find, &Data));
    FindClose(Find);
}

// The file through its handle, read at offsets.
class TWinFileSource : public TByteSource {
public:
    explicit TWinFileSource(const std::string& Path) {
        FFile = CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (FFile == INVALID_HANDLE_VALUE) throw std::runtime_error("open");
        LARGE_INTEGER Size;
        GetFileSizeEx(FFile, &Size);
        FSize = static_cast<std::uint64_t>(Size.QuadPart);
    }
    ~TWinFileSource() override { CloseHandle(FFile); }
    std::uint64_t Size() const override { return FSize; }
    std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) override {
        if (Offset >= FSize) return 0;
        Count = static_cast<std::size_t>(std::min<std::uint64_t>(Count, FSize - Offset));
        OVERLAPPED At{};
        At.Offset = static_cast<DWORD>(Offset);
        At.OffsetHigh = static_cast<DWORD>(Offset >> 32);
        DWORD Got = 0;
        if (!ReadFile(FFile, Buffer, static_cast<DWORD>(Count), &Got, &At)) throw std::runtime_error("read");
        return Got;
    }
    std::uint64_t FilePiece(std::uint64_t Offset, std::uint64_t& FileOffset) const override {
        FileOffset = Offset;
        return Offset < FSize ? FSize - Offset : 0;
    }

private:
    HANDLE FFile;
    std::uint64_t FSize = 0;
};

// Scans the bytes of Source from At to End (or its end).
bool ScanSource(const TKeywordScanner& Scanner, TByteSource& Source, std::uint64_t At = 0,
                std::uint64_t End = UINT64_MAX) {
    return ScanStream(Scanner, std::min(End, Source.Size()) - At, ScanBlockSize, [&](void* Buffer, std::size_t Count) {
        if (!Source.ReadExactAt(At, Buffer, Count)) throw std::runtime_error("read");
        At += Count;
    });
}

// Scans raw streams with the raw scanner and matches text against the keyword's UTF-16 form. The
// file was scanned raw already, so a stream is scanned only where its pieces meet.
class TScanSink : public TTextSink {
public:
    TScanSink(const TKeywordScanner& Scanner, std::u16string Units) : FScanner(Scanner), FUnits(std::move(Units)) {}
    bool Found = false;
    bool Text(const char16_t* Units, std::size_t Count) override {
        FCarry.append(Units, Count);
        for (std::size_t I = 0; I + FUnits.size() <= FCarry.size() && !Found; ++I) {
            std::size_t K = 0;
            while (K < FUnits.size() && Fold(FCarry[I + K]) == Fold(FUnits[K])) ++K;
            Found = K == FUnits.size();
        }
        if (FCarry.size() >= FUnits.size()) FCarry.erase(0, FCarry.size() - FUnits.size() + 1);
        return !Found;
    }
    bool Break() override {
        FCarry.clear();
        return !Found;
    }
    bool RawStream(TByteSource& Stream) override {
        ForEachSeamWindow(Stream, FScanner.Overlap(), [&](std::uint64_t At, std::uint64_t Count) {
            Found = Found || ScanSource(FScanner, Stream, At, At + Count);
            return !Found;
        });
        return !Found;
    }

private:
    static char16_t Fold(char16_t C) { return C >= 'a' && C <= 'z' ? static_cast<char16_t>(C - 32) : C; }
    const TKeywordScanner& FScanner;
    std::u16string FUnits, FCarry;
};

bool RawOnly(const std::string& Path, const std::string& Keyword, const std::string& Wide) {
    const TKeywordScanner Scanner(Keyword, Wide);
    TFileReader Reader(Path);
    return ScanStream(Scanner, Reader.Size(), ScanBlockSize,
                      [&Reader](void* Buffer, std::size_t Count) { Reader.ReadExact(Buffer, Count); });
}

bool RawThenDecode(const std::string& Path, const std::string& Keyword, const std::string& Wide) {
    const TKeywordScanner Scanner(Keyword, Wide);
    TWinFileSource Source(Path);
    if (ScanSource(Scanner, Source)) return true;
    unsigned char Head[FormatHeadSize];
    const std::size_t N = Source.ReadAt(0, Head, sizeof Head);
    std::u16string Units;
    for (std::size_t I = 0; I + 1 < Wide.size(); I += 2)
        Units +=
            static_cast<char16_t>(static_cast<unsigned char>(Wide[I]) | (static_cast<unsigned char>(Wide[I + 1]) << 8));
    TScanSink Sink(Scanner, Units);
    if (const TDocumentFormat* Format = RecognizeFormat(Head, N)) DecodeDocument(*Format, Source, Sink, TDecodeEnv{});
    return Sink.Found;
}

template <typename TTest>
double Pass(const std::vector<std::string>& Files, TTest&& Test, int& Count) {
    Count = 0;
    const auto Start = std::chrono::steady_clock::now();
    for (const std::string& File : Files) Count += Test(File) ? 1 : 0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

}  // namespace

int main(int argc, char** argv) {
    ReadLocaleLeadBytes();  // the code page rules first, then the settings that depend on them
    ReadLocaleSettings();
    if (argc != 4 && !(argc == 5 && std::strcmp(argv[4], "hits") == 0)) {
        std::fprintf(stderr, "usage: decode_bench FOLDER KEYWORD ROUNDS [hits]\n");
        return 2;
    }
    const std::string Keyword = argv[2];
    const std::string Wide = Tzemzuvave::KeywordToWide(Keyword);
    const int Rounds = std::atoi(argv[3]);
    std::vector<std::string> Files;
    ListFiles(argv[1], Files);
    const auto Matches = [&](const std::string& F) { return Tzemzuvave::FileMatches(F, Keyword); };
    const auto Raw = [&](const std::string& F) { return RawOnly(F, Keyword, Wide); };
    const auto Decode = [&](const std::string& F) { return RawThenDecode(F, Keyword, Wide); };
    int Count = 0;
    if (argc == 5) {
        std::size_t HitCount = 0;
        const auto Hits = [&](const std::string& F) {
            const std::size_t N = Tzemzuvave::FileHits(F, Keyword, 100).size();
            HitCount += N;
            return N > 0;
        };
        Pass(Files, Matches, Count);  // warms the cache
        for (int R = 0; R < Rounds; ++R) {
            int M = 0, H = 0;
            HitCount = 0;
            // Alternate the order so that neither side always runs first.
            const double Tm = R % 2 ? Pass(Files, Matches, M) : 0, Th = Pass(Files, Hits, H);
            const double Tm2 = R % 2 ? Tm : Pass(Files, Matches, M);
            std::printf("%.6f %.6f %d %d %zu %zu\n", Tm2, Th, M, H, HitCount, Files.size());
        }
        return 0;
    }
    Pass(Files, Decode, Count);  // warms the cache
    for (int R = 0; R < Rounds; ++R) {
        int M = 0, W = 0, D = 0;
        // Alternate the order so that neither side always runs first.
        const double Tm = R % 2 ? Pass(Files, Matches, M) : 0, Tw = Pass(Files, Raw, W);
        const double Tm2 = R % 2 ? Tm : Pass(Files, Matches, M), Td = Pass(Files, Decode, D);
        std::printf("%.6f %.6f %.6f %d %d %d %zu\n", Tm2, Tw, Td, M, W, D, Files.size());
    }
    return 0;
}
