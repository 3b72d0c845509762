// Searches that must agree: a quick search right after a full search of the same folder text.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "engine/zemzuvave.h"
#include "tests/testfiles.h"

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

}  // namespace
