// The search engine on real temporary trees: full and quick searches, the cache file, the
// callback contract with stops at every kind, and failures.
#include "engine/zemzuvave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>

#include "tests/helpers/testfiles.h"

namespace {

struct TCall {
    std::string Path;
    int Kind;
    bool operator==(const TCall& O) const { return Path == O.Path && Kind == O.Kind; }
};

// The scripted callback: records every call and answers through Answer (true asks to stop;
// false leaves the flag as it was).
std::vector<TCall> Calls;
std::function<bool(const TCall&)> Answer;

void Recorder(const std::string& Path, int Kind, bool& Stop) {
    Calls.push_back({Path, Kind});
    if (Answer && Answer(Calls.back())) Stop = true;
}

std::vector<std::string> PathsOfKind(int Kind) {
    std::vector<std::string> R;
    for (const auto& C : Calls)
        if (C.Kind == Kind) R.push_back(C.Path);
    return R;
}

std::vector<std::string> Lines(const TStringList& List) {
    std::vector<std::string> R;
    for (int I = 0; I < List.Count(); ++I) R.push_back(List[I]);
    return R;
}

std::string CacheText(const std::vector<std::string>& Lines) {
    std::string T;
    for (const auto& L : Lines) T += L + "\r\n";
    return T;
}

// What a full walk must report, found with the platform's own enumeration: folders in kind-1
// order, files of the type in the order met, and the recorded folders.
struct TModel {
    std::vector<TCall> Calls;
    std::vector<std::string> Recorded;
    bool SubfolderBeforeFirstFile = false;

    void Walk(const std::string& Dir, const std::string& Ext) {
        Calls.push_back({Dir, 1});
        WIN32_FIND_DATAA Data;
        HANDLE Find = FindFirstFileA((Dir + "\\*.*").c_str(), &Data);
        if (Find == INVALID_HANDLE_VALUE) return;
        bool Recorded = false, SawFolder = false;
        do {
            const std::string Name = Data.cFileName;
            if (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (Name != "." && Name != "..") {
                    SawFolder = true;
                    Walk(Dir + "\\" + Name, Ext);
                }
            } else if (const char* Dot = std::strrchr(Name.c_str(), '.');
                       Dot != nullptr && _stricmp(Dot, Ext.c_str()) == 0) {
                if (!Recorded) {
                    Recorded = true;
                    std::string Lower = Dir;
                    CharLowerA(Lower.data());
                    this->Recorded.push_back(Lower);
                    SubfolderBeforeFirstFile |= SawFolder;
                }
                Calls.push_back({Dir + "\\" + Name, 0});
            }
        } while (FindNextFileA(Find, &Data));
        FindClose(Find);
    }
};

class Engine : public testing::Test {
protected:
    void SetUp() override {
        Calls.clear();
        Answer = nullptr;
    }
    TTempDir Tree;
    TTempDir Cache;
    Tzemzuvave Searcher{Cache.Path()};

    int Full(const std::string& Folder, const std::string& Type = ".txt", const std::string& Keyword = "") {
        Calls.clear();
        return Searcher.Search(Keyword, Folder, Type, false, Recorder);
    }
    int Quick(const std::string& Folder, const std::string& Type = ".txt", const std::string& Keyword = "") {
        Calls.clear();
        return Searcher.Search(Keyword, Folder, Type, true, Recorder);
    }
    std::string CacheFile(const std::string& Letters = "txt") const {
        return Cache / (Tree.Path().substr(0, 1) + Letters + ".dat");
    }

    // A tree with files of the type at several depths, other types, hidden and system entries,
    // and folders whose subfolder may come before their own first file.
    void MakeTree() {
        WriteBytes(Tree / "A.TXT", "alpha");
        WriteBytes(Tree / "b.txt", "bravo keyword");
        WriteBytes(Tree / "c.txt.old", "");
        WriteBytes(Tree / "readme", "");
        MakeFolder(Tree / "Data");
        WriteBytes(Tree / "Data\\x.txt", "");
        MakeFolder(Tree / "OnlySub");
        MakeFolder(Tree / "OnlySub\\Deep");
        WriteBytes(Tree / "OnlySub\\Deep\\y.Txt", "keyword");
        MakeFolder(Tree / "none");
        WriteBytes(Tree / "none\\z.doc", "");
        MakeFolder(Tree / "Hid");
        WriteBytes(Tree / "Hid\\h.txt", "");
        WriteBytes(Tree / "Hid\\s.txt", "");
        SetFileAttributesA((Tree / "Hid\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA((Tree / "Hid\\s.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
        SetFileAttributesA((Tree / "Hid").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        // Created in both orders and named on both sides of the subfolder, so that whatever
        // order the file system returns, some folder meets its subfolder first.
        for (int I = 0; I < 8; ++I) {
            const std::string P = Tree / ("P" + std::to_string(I));
            const std::string File = P + (I % 2 ? "\\a" : "\\z") + std::to_string(I) + ".txt";
            MakeFolder(P);
            if (I < 4) WriteBytes(File, "");
            MakeFolder(P + "\\S");
            WriteBytes(P + "\\S\\g.txt", "");
            if (I >= 4) WriteBytes(File, "");
        }
    }
};

TEST_F(Engine, ConstructorEndsTheRootWithOneBackslash) {
    EXPECT_EQ(Tzemzuvave("D:\\Tools").GetCacheRoot(), "D:\\Tools\\");
    EXPECT_EQ(Tzemzuvave("D:\\Tools\\").GetCacheRoot(), "D:\\Tools\\");
    EXPECT_EQ(Tzemzuvave("D:\\Tools").GetCacheFileName(), "");
}

TEST_F(Engine, FullSearchReportsInWalkOrderAndWritesTheCacheFile) {
    MakeTree();
    TModel Model;
    Model.Walk(Tree.Path(), ".txt");
    ASSERT_TRUE(Model.SubfolderBeforeFirstFile) << "no folder of the tree met a subfolder first";

    const int Count = Full(Tree.Path() + "\\");
    ASSERT_FALSE(Calls.empty());
    EXPECT_EQ(Calls.back(), (TCall{Tree.Path() + "\\", 3}));  // the folder exactly as passed
    Calls.pop_back();
    EXPECT_EQ(Calls, Model.Calls);
    EXPECT_EQ(Count, static_cast<int>(PathsOfKind(0).size()));
    EXPECT_EQ(Count, 4 + 16 + 2);  // hidden and system files included
    EXPECT_EQ(Lines(Searcher.GetFolderList()), Model.Recorded);
    EXPECT_EQ(Searcher.GetCacheFileName(), CacheFile());
    EXPECT_EQ(ReadBytes(CacheFile()), CacheText(Model.Recorded));

    const std::set<std::string> Recorded(Model.Recorded.begin(), Model.Recorded.end());
    std::string Root = Tree.Path();
    std::transform(Root.begin(), Root.end(), Root.begin(), [](char C) { return static_cast<char>(tolower(C)); });
    EXPECT_TRUE(Recorded.count(Root + "\\hid"));
    EXPECT_FALSE(Recorded.count(Root + "\\onlysub"));  // its files lie only in a subfolder
    EXPECT_TRUE(Recorded.count(Root + "\\onlysub\\deep"));
    EXPECT_FALSE(Recorded.count(Root + "\\none"));
}

TEST_F(Engine, PathsKeepTheTypedCaseWhileTheCacheIsLowerCase) {
    WriteBytes(Tree / "x.txt", "");
    MakeFolder(Tree / "Data");
    WriteBytes(Tree / "Data\\Y.TXT", "");
    std::string Upper = Tree.Path();
    CharUpperA(Upper.data());
    Full(Upper);
    std::vector<std::string> Found = PathsOfKind(0);
    std::sort(Found.begin(), Found.end());
    EXPECT_EQ(Found, (std::vector<std::string>{Upper + "\\Data\\Y.TXT", Upper + "\\x.txt"}));
    std::string Lower = Tree.Path();
    CharLowerA(Lower.data());
    for (const auto& L : Lines(Searcher.GetFolderList())) EXPECT_EQ(L.rfind(Lower, 0), 0u) << L;

    // A quick search reports the folder part as stored, lower case.
    Quick(Upper);
    Found = PathsOfKind(0);
    std::sort(Found.begin(), Found.end());
    EXPECT_EQ(Found, (std::vector<std::string>{Lower + "\\data\\Y.TXT", Lower + "\\x.txt"}));
}

TEST_F(Engine, NoFileOfTheTypeWritesAnEmptyFileThatQuickSearchesTrust) {
    WriteBytes(Tree / "a.doc", "");
    EXPECT_EQ(Full(Tree.Path()), 0);
    EXPECT_EQ(ReadBytes(CacheFile()), "");
    WriteBytes(Tree / "new.txt", "");
    EXPECT_EQ(Quick(Tree.Path()), 0);
    EXPECT_TRUE(Calls.empty());  // no line, no call, no fallback to a walk

    EXPECT_EQ(Full(Tree / "missing"), 0);  // a folder that does not exist is no failure
    EXPECT_EQ(Calls, (std::vector<TCall>{{Tree / "missing", 1}, {Tree / "missing", 3}}));
    EXPECT_EQ(ReadBytes(CacheFile()), "");
}

TEST_F(Engine, QuickSearchWithoutCacheFileIsAFullSearch) {
    WriteBytes(Tree / "a.txt", "");
    ASSERT_FALSE(IsExistingFile(CacheFile()));
    EXPECT_EQ(Quick(Tree.Path()), 1);
    EXPECT_EQ(Calls.front(), (TCall{Tree.Path(), 1}));
    EXPECT_EQ(Calls.back().Kind, 3);
    EXPECT_TRUE(IsExistingFile(CacheFile()));
    EXPECT_EQ(Quick(Tree.Path()), 1);
    EXPECT_EQ(Calls.back().Kind, 0);  // this time from the cache: no kind 3
}

TEST_F(Engine, QuickSearchSelectsFoldersNotTextPrefixes) {
    for (const char* F : {"doc", "documents", "doc\\old", "Data"}) {
        MakeFolder(Tree / F);
        WriteBytes(Tree / (std::string(F) + "\\f.txt"), "");
    }
    WriteBytes(Tree / "top.txt", "");
    Full(Tree.Path());
    const std::vector<std::string> Stored = Lines(Searcher.GetFolderList());
    ASSERT_EQ(Stored.size(), 5u);
    std::string Lower = Tree.Path();
    CharLowerA(Lower.data());

    // Every line gets its kind-1 call, in file order, also those outside the folder.
    std::string Doc = Tree / "DOC";
    EXPECT_EQ(Quick(Doc), 2);
    EXPECT_EQ(PathsOfKind(1), Stored);
    std::vector<std::string> Found = PathsOfKind(0);
    std::sort(Found.begin(), Found.end());
    EXPECT_EQ(Found, (std::vector<std::string>{Lower + "\\doc\\f.txt", Lower + "\\doc\\old\\f.txt"}));

    // A final "\" still finds the files lying directly in the folder.
    EXPECT_EQ(Quick(Tree / "Data\\"), 1);
    EXPECT_EQ(PathsOfKind(0), (std::vector<std::string>{Lower + "\\data\\f.txt"}));
    EXPECT_EQ(Quick(Tree.Path() + "\\"), 5);
    EXPECT_EQ(Quick(Tree / "do"), 0);

    // Files added to a recorded folder are seen; a new folder is not.
    WriteBytes(Tree / "Data\\g.txt", "");
    MakeFolder(Tree / "Data\\New");
    WriteBytes(Tree / "Data\\New\\h.txt", "");
    EXPECT_EQ(Quick(Tree / "Data"), 2);

    // A full search of a subfolder replaces the list of the whole key.
    Full(Tree / "doc");
    EXPECT_EQ(Lines(Searcher.GetFolderList()).size(), 2u);
    EXPECT_EQ(Quick(Tree.Path()), 2);
}

TEST_F(Engine, KeywordFiltersReportsButNotTheRecordedFolders) {
    MakeTree();
    Full(Tree.Path());
    const auto AllFolders = Lines(Searcher.GetFolderList());
    const int Count = Full(Tree.Path(), ".txt", "KEYWORD");
    std::vector<std::string> Found = PathsOfKind(0);
    std::sort(Found.begin(), Found.end());
    EXPECT_EQ(Found, (std::vector<std::string>{Tree / "OnlySub\\Deep\\y.Txt", Tree / "b.txt"}));
    EXPECT_EQ(Count, 2);
    EXPECT_EQ(Lines(Searcher.GetFolderList()), AllFolders);
    EXPECT_EQ(ReadBytes(CacheFile()), CacheText(AllFolders));
    // A name that holds the keyword matches without its content.
    WriteBytes(Tree / "Data\\mykeyword.txt", "");
    EXPECT_EQ(Quick(Tree / "data", ".txt", "keyword"), 1);
}

TEST_F(Engine, KeywordInDocumentTextByFullAndQuickSearch) {
    MakeFolder(Tree / "Docs");
    WriteBytes(Tree / "Docs\\utf8.txt", "\xE5\x90\x88\xE5\x90\x8C");
    WriteBytes(Tree / "Docs\\rtf.txt", R"({\rtf1 {\b \'ba\'cf}\'cd\'ac})");
    WriteBytes(Tree / "Docs\\be.txt", std::string("\xFE\xFF\x54\x08\x54\x0C", 6));
    WriteBytes(Tree / "Docs\\font.txt", R"({\rtf1{\fonttbl{\f0 \'ba\'cf\'cd\'ac;}}x})");  // not text
    const std::vector<std::string> Expected{AsciiLower(Tree / "Docs\\be.txt"), AsciiLower(Tree / "Docs\\rtf.txt"),
                                            AsciiLower(Tree / "Docs\\utf8.txt")};
    for (bool UseCache : {false, true}) {
        EXPECT_EQ(UseCache ? Quick(Tree.Path(), ".txt", "合同") : Full(Tree.Path(), ".txt", "合同"), 3);
        std::vector<std::string> Found = PathsOfKind(0);
        for (auto& Path : Found) Path = AsciiLower(Path);  // a quick search reports the cache's case
        std::sort(Found.begin(), Found.end());
        EXPECT_EQ(Found, Expected) << UseCache;
    }
}

TEST_F(Engine, EveryFileTypeAndLetterlessTypes) {
    WriteBytes(Tree / "a.txt", "");
    WriteBytes(Tree / "README", "");
    EXPECT_EQ(Full(Tree.Path(), "*.*"), 2);
    EXPECT_TRUE(IsExistingFile(CacheFile("")));
    EXPECT_EQ(Full(Tree.Path(), ""), 1);  // the empty type: names without an extension
    EXPECT_EQ(Full(Tree.Path(), "."), 0);
}

TEST_F(Engine, NoCallbackMeansNoStopAndTheFileIsWritten) {
    MakeTree();
    EXPECT_EQ(Searcher.Search("", Tree.Path(), ".txt", false, nullptr), 22);
    EXPECT_EQ(Searcher.Search("keyword", Tree.Path(), ".TXT", true, nullptr), 2);
    EXPECT_FALSE(ReadBytes(CacheFile()).empty());
}

// ---- stopping ----

TEST_F(Engine, StopAtAFileEndsThatFolderAndTheFileDoesNotCount) {
    for (int I = 0; I < 5; ++I) WriteBytes(Tree / ("f" + std::to_string(I) + ".txt"), "");
    Full(Tree.Path());
    const std::string Before = ReadBytes(CacheFile());
    WriteBytes(CacheFile(), "old\r\n");

    int Files = 0;
    Answer = [&](const TCall& C) { return C.Kind == 0 ? ++Files == 3 : C.Kind == 3; };
    EXPECT_EQ(Full(Tree.Path()), 2);
    EXPECT_EQ(PathsOfKind(0).size(), 3u);  // nothing after the stop but the end call
    EXPECT_EQ(Calls.back().Kind, 3);
    EXPECT_EQ(ReadBytes(CacheFile()), "old\r\n");  // the end call said stop: file kept

    Files = 0;
    Answer = [&](const TCall& C) { return C.Kind == 0 && ++Files == 3; };
    EXPECT_EQ(Full(Tree.Path()), 2);
    EXPECT_EQ(ReadBytes(CacheFile()), Before);  // the end call said go on: the list is written
}

TEST_F(Engine, AStopLikeTheWindowsWindsDownEveryOpenFolder) {
    MakeTree();
    // Once asked, every later call answers stop, as the window's callback does.
    bool Asked = false;
    std::size_t StopCall = 0;
    Answer = [&](const TCall& C) {
        if (!Asked && C.Kind == 0 && C.Path.rfind(Tree / "P", 0) == 0) {
            Asked = true;
            StopCall = Calls.size() - 1;
        }
        return Asked;
    };
    WriteBytes(CacheFile(), "old\r\n");
    const int Count = Full(Tree.Path());
    ASSERT_TRUE(Asked);
    // Count: the files answered without a stop.
    int Before = 0;
    for (std::size_t I = 0; I < StopCall; ++I) Before += Calls[I].Kind == 0;
    EXPECT_EQ(Count, Before);
    // After the stop: folders not yet entered get one kind-1 call and nothing of theirs is
    // reported; each folder still open reports at most one more file.
    std::set<std::string> Entered, Ended;
    for (std::size_t I = 0; I <= StopCall; ++I)
        if (Calls[I].Kind == 1) Entered.insert(Calls[I].Path);
    Ended.insert(FolderPart(Calls[StopCall].Path));
    for (std::size_t I = StopCall + 1; I + 1 < Calls.size(); ++I) {
        const TCall& C = Calls[I];
        ASSERT_NE(C.Kind, 3);
        if (C.Kind == 1) {
            EXPECT_FALSE(Entered.count(C.Path)) << C.Path;
            Ended.insert(C.Path + "\\");
        } else {
            EXPECT_TRUE(Ended.insert(FolderPart(C.Path)).second) << "a second file after the stop: " << C.Path;
        }
    }
    EXPECT_EQ(Calls.back(), (TCall{Tree.Path(), 3}));
    EXPECT_EQ(ReadBytes(CacheFile()), "old\r\n");
}

TEST_F(Engine, ANestedStopDoesNotReachTheParent) {
    MakeTree();
    Full(Tree.Path());
    const int All = static_cast<int>(PathsOfKind(0).size());
    const std::string FullList = ReadBytes(CacheFile());
    // A stop answered at the first file of Data ends Data alone.
    Answer = [](const TCall& C) { return C.Kind == 0 && C.Path.find("\\Data\\") != std::string::npos; };
    EXPECT_EQ(Full(Tree.Path()), All - 1);
    EXPECT_EQ(PathsOfKind(0).size(), static_cast<std::size_t>(All));
    EXPECT_EQ(ReadBytes(CacheFile()), FullList);
    // A stop answered when Data is entered: nothing of Data is enumerated or recorded.
    Answer = [](const TCall& C) {
        return C.Kind == 1 && C.Path.size() > 5 && C.Path.substr(C.Path.size() - 5) == "\\Data";
    };
    EXPECT_EQ(Full(Tree.Path()), All - 1);
    for (const auto& P : PathsOfKind(0)) EXPECT_EQ(P.find("\\Data\\"), std::string::npos);
    EXPECT_EQ(Lines(Searcher.GetFolderList()).size(), 19u);
}

TEST_F(Engine, StopAtACacheLineEndsTheQuickSearch) {
    MakeTree();
    Full(Tree.Path());
    const auto Stored = Lines(Searcher.GetFolderList());
    int Lines = 0;
    Answer = [&](const TCall& C) { return C.Kind == 1 && ++Lines == 4; };
    const int Count = Quick(Tree.Path());
    EXPECT_EQ(Calls.back(), (TCall{Stored[3], 1}));
    EXPECT_EQ(Count, static_cast<int>(PathsOfKind(0).size()));
    // A stop answered at the root line itself: nothing at all is counted.
    Answer = [](const TCall& C) { return C.Kind == 1; };
    EXPECT_EQ(Quick(Tree.Path()), 0);
    EXPECT_EQ(Calls.size(), 1u);
}

// ---- failures ----

TEST_F(Engine, FolderVanishingDuringTheWalk) {
    MakeTree();
    Answer = [&](const TCall& C) {
        if (C.Kind == 1 && C.Path == Tree / "Data") RemoveTree(C.Path);
        return false;
    };
    EXPECT_EQ(Full(Tree.Path()), 21);
    for (const auto& P : PathsOfKind(0)) EXPECT_EQ(P.find("\\Data\\"), std::string::npos);
}

TEST_F(Engine, UnreadableFileIsSkippedAndTheWalkGoesOn) {
    MakeTree();
    HANDLE Writer = CreateFileA((Tree / "b.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(Writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Full(Tree.Path(), ".txt", "keyword"), 1);
    EXPECT_EQ(PathsOfKind(0), (std::vector<std::string>{Tree / "OnlySub\\Deep\\y.Txt"}));
    CloseHandle(Writer);
    EXPECT_NE(ReadBytes(CacheFile()).find("\r\n"), std::string::npos);
}

TEST_F(Engine, FailingCallbackCostsOnlyItsEntry) {
    MakeTree();
    Answer = [](const TCall& C) -> bool {
        if (C.Kind == 0 && C.Path.find("A.TXT") != std::string::npos) throw std::runtime_error("callback failed");
        if (C.Kind == 1 && C.Path.find("OnlySub") != std::string::npos && C.Path.find("Deep") == std::string::npos)
            throw std::runtime_error("callback failed");
        return false;
    };
    EXPECT_EQ(Full(Tree.Path()), 22 - 2);  // A.TXT not counted, OnlySub\Deep never walked
    // At the top the kind-1 failure reaches the caller and nothing is written.
    Answer = [](const TCall& C) -> bool {
        if (C.Kind == 1) throw std::runtime_error("stop here");
        return false;
    };
    DeleteFileA(CacheFile().c_str());
    EXPECT_THROW(Full(Tree.Path()), std::runtime_error);
    EXPECT_FALSE(IsExistingFile(CacheFile()));
}

TEST_F(Engine, CacheFileHeldOpenForWritingFailsTheQuickSearchBeforeAnyCall) {
    WriteBytes(Tree / "a.txt", "");
    Full(Tree.Path());
    HANDLE Writer = CreateFileA(CacheFile().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(Writer, INVALID_HANDLE_VALUE);
    try {
        Quick(Tree.Path());
        ADD_FAILURE() << "no failure";
    } catch (const TSupportError& E) {
        EXPECT_EQ(std::string(E.what()), "不能打开文件 " + CacheFile());
    }
    CloseHandle(Writer);
    EXPECT_TRUE(Calls.empty());
}

TEST_F(Engine, UnwritableCacheFailsAfterEveryCallAndKeepsTheOldFile) {
    WriteBytes(Tree / "a.txt", "");
    WriteBytes(CacheFile(), "old\r\n");
    HANDLE Reader = CreateFileA(CacheFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(Reader, INVALID_HANDLE_VALUE);
    try {
        Full(Tree.Path());
        ADD_FAILURE() << "no failure";
    } catch (const TSupportError& E) {
        EXPECT_EQ(std::string(E.what()), "不能创建文件 " + CacheFile());
    }
    CloseHandle(Reader);
    EXPECT_EQ(Calls.back().Kind, 3);
    EXPECT_EQ(ReadBytes(CacheFile()), "old\r\n");

    Tzemzuvave Homeless(Cache / "no\\such");
    Calls.clear();
    try {
        Homeless.Search("", Tree.Path(), ".txt", false, Recorder);
        ADD_FAILURE() << "no failure";
    } catch (const TSupportError& E) {
        EXPECT_EQ(std::string(E.what()), "不能创建文件 " + Homeless.GetCacheFileName());
    }
    EXPECT_EQ(Calls.size(), 3u);
}

// ---- names with double-byte characters ----

TEST_F(Engine, FolderWhoseNameEndsInTrailByteBackslash) {
    const std::string Cheng = "\x81\x5C";  // 乗: its second byte is "\"
    MakeFolder(Tree / Cheng);
    WriteBytes(Tree / (Cheng + "\\a.txt"), "");
    MakeFolder(Tree / (Cheng + "\\" + Cheng));
    WriteBytes(Tree / (Cheng + "\\" + Cheng + "\\b.txt"), "");
    EXPECT_EQ(Full(Tree / Cheng), 2);
    EXPECT_EQ(Calls.front(), (TCall{Tree / Cheng, 1}));
    std::string Lower = Tree.Path();
    CharLowerA(Lower.data());
    std::vector<std::string> Stored = Lines(Searcher.GetFolderList());
    std::sort(Stored.begin(), Stored.end());
    EXPECT_EQ(Stored, (std::vector<std::string>{Lower + "\\" + Cheng, Lower + "\\" + Cheng + "\\" + Cheng}));
    EXPECT_EQ(Quick(Tree / Cheng), 2);
    EXPECT_EQ(Quick(Tree / (Cheng + "\\")), 2);
    EXPECT_EQ(Quick(Tree / (Cheng + "\\" + Cheng)), 1);
}

TEST_F(Engine, FolderWhoseNameHoldsAnUpperCaseTrailByte) {
    const std::string Char = "\x81\x41";  // its second byte is "A"
    MakeFolder(Tree / ("X" + Char));
    WriteBytes(Tree / ("X" + Char + "\\a.txt"), "");
    Full(Tree.Path());
    std::string Lower = Tree.Path();
    CharLowerA(Lower.data());
    EXPECT_EQ(Lines(Searcher.GetFolderList()), (std::vector<std::string>{Lower + "\\x" + Char}));
    EXPECT_EQ(Quick(Tree.Path()), 1);
    EXPECT_EQ(Quick(Tree / ("x" + Char)), 1);
    EXPECT_TRUE(IsExistingFile(PathsOfKind(0).at(0)));
}

}  // namespace
