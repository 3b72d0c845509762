// The filter rules of the save-as dialog and the path rules of the folder chooser: built into
// the Windows suites and natively with the sanitizers.
#include <gtest/gtest.h>

#include "pure/support/bytetext.h"
#include "pure/support/filtertext.h"
#include "pure/support/folderchain.h"

namespace {

class DialogRules : public testing::Test {
protected:
    void SetUp() override { SetLeadByteRanges({{0x81, 0xFE}}); }
    void TearDown() override { SetLeadByteRanges({{0x81, 0xFE}}); }
};

const std::string Bar = "\x81\x7C";  // a GBK character whose second byte is "|"
const std::string Yen = "\x81\x5C";  // a GBK character whose second byte is "\"

std::string Completed(const std::string& Name, const std::string& Filter, int Index) {
    std::string Result = "stale";
    AddFilterExtension(Name, Filter, Index, Result);
    return Result;
}

TEST_F(DialogRules, NormalizeFilterMakesABarePatternItsOwnDescription) {
    EXPECT_EQ(NormalizeFilter("*.txt"), "*.txt|*.txt");
    EXPECT_EQ(NormalizeFilter("*"), "*|*");
    EXPECT_EQ(NormalizeFilter(""), "|");
    EXPECT_EQ(NormalizeFilter("Text|*.txt"), "Text|*.txt");
    EXPECT_EQ(NormalizeFilter("|"), "|");
    // A "|" inside a double-byte character is no separator.
    EXPECT_EQ(NormalizeFilter("*." + Bar), "*." + Bar + "|*." + Bar);
}

TEST_F(DialogRules, AddFilterExtensionCompletesANameWithoutExtension) {
    const std::string Two = "Text|*.txt|Pages|*.htm";
    struct {
        std::string Name, Filter;
        int Index;
        std::string Expected;
    } const Cases[] = {
        {"C:\\work\\report", "*.txt|*.txt", 1, "C:\\work\\report.txt"},
        {"C:\\work\\report", Two, 1, "C:\\work\\report.txt"},
        {"C:\\work\\report", Two, 2, "C:\\work\\report.htm"},
        {"C:\\work\\report", Two, 9, "C:\\work\\report.htm"},  // beyond the last pair: the last piece
        {"C:\\work\\report", "*.txt|*.txt", 3, "C:\\work\\report.txt"},
        {"C:\\work\\report", Two, 2147483647, "C:\\work\\report.htm"},  // no walk through every index
        {"C:\\work\\report.doc", "*.txt|*.txt", 1, "C:\\work\\report.doc"},
        {"C:\\work\\report.", "*.txt|*.txt", 1, "C:\\work\\report."},  // a final "." counts as an extension
        {"C:\\work.d\\report", "*.txt|*.txt", 1, "C:\\work.d\\report.txt"},
        {"C:\\work\\report", "*.txt|*.txt", 0, "C:\\work\\report"},
        {"C:\\work\\report", "*.txt|*.txt", -1, "C:\\work\\report"},
        {"C:\\work\\report", "*|*", 1, "C:\\work\\report"},  // a pattern without "." adds nothing
        {"C:\\work\\report", "All|*", 1, "C:\\work\\report"},
        {"C:\\work\\report", "*.tar.gz|*.tar.gz", 1, "C:\\work\\report.tar.gz"},  // from the first "."
        {"C:\\work\\report", "Any|*.*", 1, "C:\\work\\report.*"},                 // taken whole, wildcards and all
        {"C:\\work\\report", "*.txt", 1, "C:\\work\\report.txt"},                 // no separator: the whole text
        {"C:\\work\\report", "", 1, "C:\\work\\report"},
        {"", "*.txt|*.txt", 1, ".txt"},
        {"C:\\" + Yen + "\\report", "*.txt|*.txt", 1, "C:\\" + Yen + "\\report.txt"},
        {"C:\\work\\report", "*." + Bar + "|*." + Bar, 1, "C:\\work\\report." + Bar},
        {"C:\\work\\report", "D" + Bar + "|*.a|E|*.b", 2, "C:\\work\\report.b"},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(Completed(C.Name, C.Filter, C.Index), C.Expected) << C.Name << " / " << C.Filter << " / " << C.Index;
    }
}

TEST_F(DialogRules, FilterPairsSeparateByZeroBytesAndEndWithTwo) {
    EXPECT_EQ(FilterPairs("*.txt|*.txt"), std::string("*.txt\0*.txt\0\0", 13));
    EXPECT_EQ(FilterPairs("D" + Bar + "|*.a"), "D" + Bar + std::string("\0*.a\0\0", 6));
    EXPECT_EQ(FilterPairs(""), std::string(2, '\0'));
}

TEST_F(DialogRules, FolderChainLeadsFromTheRootToTheFolder) {
    using TChain = std::vector<std::string>;
    EXPECT_EQ(FolderChain("C:\\"), TChain({"C:\\"}));
    EXPECT_EQ(FolderChain("C:\\a"), TChain({"C:\\", "C:\\a"}));
    EXPECT_EQ(FolderChain("C:\\a\\b c\\d"), TChain({"C:\\", "C:\\a", "C:\\a\\b c", "C:\\a\\b c\\d"}));
    // The "\" inside a double-byte character separates nothing.
    EXPECT_EQ(FolderChain("D:\\" + Yen + "\\x" + Yen), TChain({"D:\\", "D:\\" + Yen, "D:\\" + Yen + "\\x" + Yen}));
    EXPECT_EQ(FolderChain("\\\\server\\share\\a"), TChain({"\\\\server\\share\\", "\\\\server\\share\\a"}));
    EXPECT_EQ(FolderChain("\\\\server\\share"), TChain({"\\\\server\\share\\"}));
    EXPECT_EQ(FolderChain("relative\\a"), TChain({"relative\\a"}));
}

TEST_F(DialogRules, ChooserFormKeepsTheBackslashOfRootsOnly) {
    EXPECT_EQ(ChooserForm("C:\\"), "C:\\");
    EXPECT_EQ(ChooserForm("c:"), "c:\\");
    EXPECT_EQ(ChooserForm("C:\\a\\"), "C:\\a");
    EXPECT_EQ(ChooserForm("C:\\a"), "C:\\a");
    EXPECT_EQ(ChooserForm("C:\\a\\" + Yen), "C:\\a\\" + Yen);  // ends in a character, not in a "\"
    EXPECT_EQ(ChooserForm("\\\\server\\share"), "\\\\server\\share\\");
    EXPECT_EQ(ChooserForm("\\\\server\\" + Yen), "\\\\server\\" + Yen + "\\");
    EXPECT_TRUE(IsRootFolder("C:\\"));
    EXPECT_FALSE(IsRootFolder("C:\\a"));
    EXPECT_FALSE(IsRootFolder("\\\\server"));
    EXPECT_TRUE(BeginsWithDrive("z:"));
    EXPECT_FALSE(BeginsWithDrive("1:\\"));
    EXPECT_FALSE(BeginsWithDrive("\\\\s\\x"));
    EXPECT_FALSE(BeginsWithDrive(""));
    EXPECT_EQ(JoinFolder("C:\\", "a"), "C:\\a");
    EXPECT_EQ(JoinFolder("C:\\a", "b"), "C:\\a\\b");
    EXPECT_EQ(JoinFolder("C:\\" + Yen, "b"), "C:\\" + Yen + "\\b");
}

}  // namespace
