// A quick search right after a full search of the same folder text visits every folder that the
// full search recorded, in the same order, and enumerates each as the same folder: checked over
// generated folder texts and trees with the walk's own folder rules.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pure/engine/cacherules.h"
#include "pure/support/bytetext.h"

namespace {

struct TNode {
    std::string Name;
    bool HasTypeFiles = false;
    bool FilesBeforeSubfolders = false;
    std::vector<TNode> Subfolders;
};

struct TRecord {
    std::string Line;
    std::string Walked;  // the folder the full walk enumerated
};

// The recording of a full walk of Folder, by the walk's rules: subfolders are walked as
// Dir + "\" + name, and a folder is recorded at its first file of the type.
void FullWalk(const std::string& Folder, const TNode& Node, std::vector<TRecord>& Records) {
    const std::string Dir = WalkedFolder(Folder);
    const auto Record = [&] {
        if (Node.HasTypeFiles) Records.push_back({RecordedFolder(Folder), Dir});
    };
    if (Node.FilesBeforeSubfolders) Record();
    for (const TNode& Sub : Node.Subfolders) FullWalk(Dir + "\\" + Sub.Name, Sub, Records);
    if (!Node.FilesBeforeSubfolders) Record();
}

// Two spellings of one folder: ASCII case and final separators do not matter.
std::string SameFolderKey(const std::string& Path) {
    std::string Key = AsciiLowerWholeChars(Path);
    for (std::string Shorter = WithoutTrailingBackslash(Key); Shorter != Key; Shorter = WithoutTrailingBackslash(Key))
        Key = Shorter;
    return Key;
}

class QuickAfterFull : public testing::Test {
protected:
    void SetUp() override { SetLeadByteRanges({{0x81, 0xFE}}); }
    std::mt19937 Random{20261208};

    int Pick(int N) { return std::uniform_int_distribution<int>(0, N - 1)(Random); }

    std::string MixCase(std::string S) {
        for (char& C : S)
            if (((C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z')) && Pick(2) == 0) C ^= 0x20;
        return S;
    }

    TNode Tree(int Depth) {
        static const char* const Names[] = {"Sub", "DATA", "a b", "\x81\x5C", "x\x81\x41", "\xD6\xD0", "Doc", "docs"};
        TNode Node;
        Node.HasTypeFiles = Pick(3) != 0;
        Node.FilesBeforeSubfolders = Pick(2) == 0;
        const int Subs = Depth == 0 ? 0 : Pick(4);
        for (int I = 0; I < Subs; ++I) {
            TNode Sub = Tree(Depth - 1);
            Sub.Name = MixCase(Names[(I * 3 + Pick(3)) % 8]);  // distinct within one folder
            Node.Subfolders.push_back(Sub);
        }
        return Node;
    }
};

TEST_F(QuickAfterFull, EveryRecordedFolderIsSelectedAndNamesTheWalkedFolder) {
    static const char* const Bases[] = {
        "C:",           "c:\\Data",       "D:\\Work\\Notes", "\\\\Server\\Share", "C:\\\xD6\xD0",
        "C:\\\x81\x5C", "C:\\Ab\x81\x5C", " C:\\Data",       "C:\\Data ",         "\\\\server\\share\\Doc",
    };
    int Cases = 0;
    for (const char* Base : Bases) {
        for (int Backslashes = 0; Backslashes <= 3; ++Backslashes) {
            for (int Round = 0; Round < 20; ++Round, ++Cases) {
                const std::string Folder = MixCase(Base) + std::string(Backslashes, '\\');
                const TNode Root = Tree(3);
                std::vector<TRecord> Records;
                FullWalk(Folder, Root, Records);
                const std::string Prefix = RecordedFolder(Folder);
                for (const TRecord& R : Records) {
                    ASSERT_TRUE(LineIsUnder(R.Line, Prefix)) << "folder " << Folder << ", line " << R.Line;
                    ASSERT_EQ(SameFolderKey(WalkedFolder(R.Line)), SameFolderKey(R.Walked)) << "folder " << Folder;
                }
            }
        }
    }
    EXPECT_EQ(Cases, 800);
}

TEST_F(QuickAfterFull, PrefixIsTheRecordedFormOfTheTypedFolder) {
    struct {
        const char* Folder;
        const char* Prefix;
    } Cases[] = {
        {"C:\\data\\\\", "c:\\data"},  // the bytes 43 3a 5c 64 61 74 61 5c 5c
        {"C:\\Data\\", "c:\\data"},
        {"C:\\\\", "c:"},
        {"C:\\\xD6\xD0\\\\", "c:\\\xD6\xD0"},
        {"C:\\\x81\x5C\\", "c:\\\x81\x5C"},  // a trail byte "\" is no separator
        {"\\\\Server\\Share\\", "\\\\server\\share"},
    };
    for (const auto& C : Cases) EXPECT_EQ(RecordedFolder(C.Folder), C.Prefix) << C.Folder;
}

}  // namespace
