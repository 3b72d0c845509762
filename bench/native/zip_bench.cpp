// Zipped documents: the time to decode their text and scan it for an absent keyword, against
// the time zlib alone takes to inflate the same text parts. Both sides work on files read into
// memory beforehand, each taking the best of several rounds, in processor time.
// Usage: zip_bench PARTS_LIST ROUNDS  (lines: file TAB part TAB part ...)
// Prints: decode_seconds inflate_seconds inflated_bytes found
#include <zlib.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "pure/doctext/document.h"
#include "pure/doctext/package.h"
#include "pure/doctext/zip.h"
#include "pure/engine/keymatch.h"

namespace {

struct TFile {
    std::string Bytes;
    std::vector<TZipEntry> TextParts;
};

// Processor time of this thread: the machine is shared, and wall time would count the waits.
double Now() {
    timespec T;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &T);
    return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::vector<TFile> Files;
    std::ifstream List(argv[1]);
    for (std::string Line; std::getline(List, Line);) {
        std::istringstream Fields(Line);
        std::string Path, Part;
        std::getline(Fields, Path, '\t');
        TFile File;
        std::ifstream In(Path, std::ios::binary);
        File.Bytes.assign(std::istreambuf_iterator<char>(In), {});
        TMemorySource Source(File.Bytes.data(), File.Bytes.size());
        const std::vector<TZipEntry> Entries = ReadZipDirectory(Source);
        while (std::getline(Fields, Part, '\t'))
            for (const TZipEntry& E : Entries)
                if (E.Name == Part) File.TextParts.push_back(E);
        Files.push_back(std::move(File));
    }
    const int Rounds = std::atoi(argv[2]);
    // A word the files never hold, in the code page 936 and in UTF-16LE, matched as the engine's
    // keyword test does after its raw scan of the file found nothing.
    const std::string Ansi = "\xC0\xB6\xBE\xA8\xBC\xC6\xBB\xAE";
    const std::string Wide("\xDD\x84\xB8\x9C\xA1\x8B\x12\x52", 8);
    const TKeywordScanner Scanner(Ansi, Wide);
    double Decode = 1e9, Inflate = 1e9;
    std::uint64_t Inflated = 0;
    int Found = 0;
    std::vector<unsigned char> Out(64 * 1024);
    for (int Round = 0; Round < Rounds; ++Round) {
        double Start = Now();
        Found = 0;
        for (const TFile& File : Files) {
            TMemorySource Source(File.Bytes.data(), File.Bytes.size());
            TKeywordMatcher Matcher(Wide, Scanner);
            Matcher.SetFileScanned();
            DecodeDocument(*FindFormat("zip"), Source, Matcher, TDecodeEnv{});
            Found += Matcher.Found();
        }
        Decode = std::min(Decode, Now() - Start);

        Start = Now();
        Inflated = 0;
        for (const TFile& File : Files) {
            const auto* Bytes = reinterpret_cast<const unsigned char*>(File.Bytes.data());
            for (const TZipEntry& E : File.TextParts) {
                const unsigned char* Local = Bytes + E.LocalOffset;
                const std::size_t DataAt =
                    E.LocalOffset + 30 + (Local[26] | Local[27] << 8) + (Local[28] | Local[29] << 8);
                z_stream S{};
                inflateInit2(&S, -15);
                S.next_in = const_cast<Bytef*>(Bytes + DataAt);
                S.avail_in = static_cast<uInt>(E.CompressedSize);
                int Result = Z_OK;
                while (Result == Z_OK) {
                    S.next_out = Out.data();
                    S.avail_out = static_cast<uInt>(Out.size());
                    Result = inflate(&S, Z_NO_FLUSH);
                }
                Inflated += S.total_out;
                inflateEnd(&S);
            }
        }
        Inflate = std::min(Inflate, Now() - Start);
    }
    std::printf("%.6f %.6f %llu %d\n", Decode, Inflate, static_cast<unsigned long long>(Inflated), Found);
    return 0;
}
