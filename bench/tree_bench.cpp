// Times walks of a folder tree: tree_bench MODE FOLDER TYPE KEYWORD REPEATS CACHEROOT [WORKERS]
//   bare   a plain recursive FindFirstFileA walk counting the files of the type
//   full   a full search of the engine (empty callback)
//   quick  a quick search of the engine (empty callback)
// WORKERS: the engine's test worker count (default: its own choice).
// Prints the best time of the repeats in seconds, the count and the worker threads that ran.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/zemzuvave.h"
#include "support/formatting.h"
#include "support/textrules.h"

namespace {

int BareWalk(const std::string& Dir, const char* Ext) {
    WIN32_FIND_DATAA Data;
    HANDLE Find = FindFirstFileA((Dir + "\\*.*").c_str(), &Data);
    if (Find == INVALID_HANDLE_VALUE) return 0;
    int Count = 0;
    do {
        if (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (std::strcmp(Data.cFileName, ".") != 0 && std::strcmp(Data.cFileName, "..") != 0)
                Count += BareWalk(Dir + "\\" + Data.cFileName, Ext);
        } else if (const char* Dot = std::strrchr(Data.cFileName, '.'); Dot != nullptr && _stricmp(Dot, Ext) == 0) {
            ++Count;
        }
    } while (FindNextFileA(Find, &Data));
    FindClose(Find);
    return Count;
}

void Ignore(const std::string&, int, bool&) {}

}  // namespace

int main(int argc, char** argv) {
    ReadLocaleLeadBytes();  // the code page rules first, then the settings that depend on them
    ReadLocaleSettings();
    if (argc != 7 && argc != 8) {
        std::fprintf(stderr, "usage: tree_bench bare|full|quick FOLDER TYPE KEYWORD REPEATS CACHEROOT [WORKERS]\n");
        return 2;
    }
    const std::string Mode = argv[1], Folder = argv[2], Type = argv[3], Keyword = argv[4];
    const int Repeats = std::atoi(argv[5]);
    Tzemzuvave Engine(argv[6]);
    if (argc == 8) Engine.SetTestWorkers(std::atoi(argv[7]));
    double Best = 1e9;
    int Count = 0;
    for (int I = 0; I < Repeats; ++I) {
        const auto Start = std::chrono::steady_clock::now();
        if (Mode == "bare")
            Count = BareWalk(Folder, Type.c_str());
        else
            Count = Engine.Search(Keyword, Folder, Type, Mode == "quick", Ignore);
        const std::chrono::duration<double> Took = std::chrono::steady_clock::now() - Start;
        if (Took.count() < Best) Best = Took.count();
    }
    std::printf("%.6f %d %d\n", Best, Count, Engine.GetWorkersRun());
    return 0;
}
