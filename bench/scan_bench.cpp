// Times Tzemzuvave::FileMatches on one file: scan_bench FILE KEYWORD REPEATS
// Prints the best time of the repeats in seconds and the answer.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "engine/zemzuvave.h"
#include "support/formatting.h"
#include "support/textrules.h"

int main(int argc, char** argv) {
    ReadLocaleLeadBytes();  // the code page rules first, then the settings that depend on them
    ReadLocaleSettings();
    if (argc != 4) {
        std::fprintf(stderr, "usage: scan_bench FILE KEYWORD REPEATS\n");
        return 2;
    }
    const int Repeats = std::atoi(argv[3]);
    double Best = 1e9;
    bool Found = false;
    for (int I = 0; I < Repeats; ++I) {
        const auto Start = std::chrono::steady_clock::now();
        Found = Tzemzuvave::FileMatches(argv[1], argv[2]);
        const std::chrono::duration<double> Took = std::chrono::steady_clock::now() - Start;
        if (Took.count() < Best) Best = Took.count();
    }
    std::printf("%.6f %d\n", Best, Found ? 1 : 0);
    return 0;
}
