// Searches that must agree: a quick search right after a full search of the same folder text,
// and a keyword search with files tested ahead on worker threads against one that tests each
// file when the walk reaches it, for a callback that answers stop at any one of its calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/zemzuvave.h"
#include "tests/helpers/testfiles.h"

namespace {

std::vector<std::string> Found;

void CollectFiles(const std::string& Path, int Kind, bool&) {
    if (Kind == 0) Found.push_back(Path);
}

// One file's path whatever its case and however many separators were typed before its folders.
std::string FileKey(std::string Path) {
    CharLowerA(Path.data());
    for (std::size_t I; (I = Path.find("\\\\", 1)) != std::string::npos;) Path.erase(I, 1);
    return Path;
}

std::set<std::string> Search(Tzemzuvave& Engine, const std::string& Folder, bool UseCache) {
    Found.clear();
    const int Count = Engine.Search("", Folder, ".txt", UseCache, CollectFiles);
    EXPECT_EQ(Count, static_cast<int>(Found.size()));
    std::set<std::string> Keys;
    for (const auto& P : Found) Keys.insert(FileKey(P));
    return Keys;
}

TEST(QuickAfterFull, ListsTheSameFilesForEveryWayOfTypingTheFolder) {
    TTempDir Tree, Cache;
    WriteBytes(Tree / "top.txt", "");
    MakeFolder(Tree / "Sub");
    WriteBytes(Tree / "Sub\\a.TXT", "");
    MakeFolder(Tree / "Sub\\Deep");
    WriteBytes(Tree / "Sub\\Deep\\b.txt", "");
    Tzemzuvave Engine(Cache.Path());
    std::string Upper = Tree.Path();
    CharUpperA(Upper.data());
    for (const std::string& Folder : {Tree.Path() + "\\\\", Tree.Path() + "\\", Upper + "\\\\\\", Tree / "Sub\\\\"}) {
        const std::set<std::string> Full = Search(Engine, Folder, false);
        EXPECT_EQ(Search(Engine, Folder, true), Full) << Folder;
        EXPECT_EQ(Full.size(), Folder.find("Sub") == std::string::npos ? 3u : 2u) << Folder;
    }
}

// ---- files tested ahead against files tested in turn ----

struct TCall {
    std::string Path;
    int Kind;
    bool operator==(const TCall& O) const { return Path == O.Path && Kind == O.Kind; }
};

// The scripted callback: answers stop at call number StopAt, and after it too when StopFromThereOn.
std::vector<TCall> Calls;
std::size_t StopAt = 0;
bool StopFromThereOn = false;

void Script(const std::string& Path, int Kind, bool& Stop) {
    Calls.push_back({Path, Kind});
    const std::size_t Index = Calls.size() - 1;
    if (Index == StopAt || (StopFromThereOn && Index > StopAt)) Stop = true;
}

struct TOutcome {
    std::vector<TCall> Calls;
    int Count = 0;
    std::vector<std::string> Lines;
    std::string CacheBytes;
    bool operator==(const TOutcome& O) const {
        return Calls == O.Calls && Count == O.Count && Lines == O.Lines && CacheBytes == O.CacheBytes;
    }
};

class FilesTestedAhead : public testing::Test {
protected:
    static constexpr const char* Keyword = "Keyword";
    TTempDir Tree, SerialCache, PooledCache;
    Tzemzuvave Serial{SerialCache.Path()}, Pooled{PooledCache.Path()};
    std::mt19937 Random{1208};
    HANDLE Locked = INVALID_HANDLE_VALUE;

    void SetUp() override {
        Serial.SetTestWorkers(1);
        Pooled.SetTestWorkers(3);
        MakeTree(Tree.Path(), 3);
        // Large files span several read blocks; one is held open for writing, so it cannot be read.
        WriteBytes(Tree / "big match.txt", std::string(9 << 20, 'x') + " keyword");
        WriteBytes(Tree / "big.txt", std::string(9 << 20, 'y'));
        WriteBytes(Tree / "locked.txt", "keyword");
        Locked = CreateFileA((Tree / "locked.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(Locked, INVALID_HANDLE_VALUE);
    }
    void TearDown() override { CloseHandle(Locked); }

    int Pick(int N) { return std::uniform_int_distribution<int>(0, N - 1)(Random); }

    void MakeTree(const std::string& Dir, int Depth) {
        static const char* const Texts[] = {"", "plain text", "a KEYWORD here", "keyword", "almost keywor"};
        for (int I = 0, Files = Pick(5); I < Files; ++I) {
            const bool NameMatches = Pick(6) == 0;
            const char* Type = Pick(4) == 0 ? ".doc" : (Pick(2) ? ".txt" : ".TXT");
            WriteBytes(Dir + "\\" + (NameMatches ? "my keyword " : "f") + std::to_string(I) + Type, Texts[Pick(5)]);
        }
        if (Depth == 0) return;
        for (int I = 0, Folders = Pick(4); I < Folders; ++I) {
            const std::string Sub = Dir + "\\Sub" + std::to_string(I);
            MakeFolder(Sub);
            MakeTree(Sub, Depth - 1);
        }
    }

    TOutcome Run(Tzemzuvave& Engine, bool UseCache) {
        const std::string CacheFile = Engine.GetCacheRoot() + Tree.Path().substr(0, 1) + "txt.dat";
        if (!UseCache) WriteBytes(CacheFile, "old\r\n");
        Calls.clear();
        TOutcome R;
        R.Count = Engine.Search(Keyword, Tree.Path(), ".txt", UseCache, Script);
        R.Calls = Calls;
        const TStringList& List = Engine.GetFolderList();
        for (int I = 0; I < List.Count(); ++I) R.Lines.push_back(List[I]);
        R.CacheBytes = ReadBytes(CacheFile);
        return R;
    }

    // Every stop point of one kind of search, both as a single stop and as a stop that holds
    // from there on (as the window's callback answers).
    void CompareAtEveryStop(bool UseCache) {
        StopAt = SIZE_MAX;
        const TOutcome Whole = Run(Serial, UseCache);
        EXPECT_EQ(Run(Pooled, UseCache), Whole);
        EXPECT_GT(Pooled.GetWorkersRun(), 1);
        for (StopAt = 0; StopAt < Whole.Calls.size(); ++StopAt) {
            for (const bool FromThereOn : {false, true}) {
                StopFromThereOn = FromThereOn;
                const TOutcome Expected = Run(Serial, UseCache);
                ASSERT_EQ(Run(Pooled, UseCache), Expected)
                    << "stop at call " << StopAt << (FromThereOn ? " and after" : " alone") << ": "
                    << Whole.Calls[StopAt].Path;
            }
        }
        StopFromThereOn = false;
    }
};

TEST_F(FilesTestedAhead, SameCallsCountListAndCacheFileAtEveryStop) {
    CompareAtEveryStop(false);
    StopAt = SIZE_MAX;
    Run(Serial, false);  // both caches as a full search without stop leaves them
    Run(Pooled, false);
    CompareAtEveryStop(true);
}

TEST(FilesTestedAheadInAHugeFolder, SameReportsAcrossListingChunks) {
    // More files of the type than one listing chunk holds, some of them matching.
    TTempDir Tree, SerialCache, PooledCache;
    for (int I = 0; I < 1500; ++I) WriteBytes(Tree / ("n" + std::to_string(I) + ".txt"), I % 7 ? "" : "keyword");
    MakeFolder(Tree / "Sub");
    WriteBytes(Tree / "Sub\\last.txt", "keyword");
    Tzemzuvave Serial(SerialCache.Path()), Pooled(PooledCache.Path());
    Serial.SetTestWorkers(1);
    Pooled.SetTestWorkers(2);
    StopFromThereOn = false;
    for (const std::size_t Stop : {SIZE_MAX, std::size_t{180}}) {
        StopAt = Stop;
        std::vector<std::vector<TCall>> Sequences;
        for (Tzemzuvave* Engine : {&Serial, &Pooled}) {
            Calls.clear();
            Engine->Search("keyword", Tree.Path(), ".txt", false, Script);
            Sequences.push_back(Calls);
        }
        EXPECT_EQ(Sequences[1], Sequences[0]);
        EXPECT_GT(Sequences[0].size(), Stop == SIZE_MAX ? 200u : 150u);
    }
}

}  // namespace
