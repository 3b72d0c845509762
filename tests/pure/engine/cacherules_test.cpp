// Naming of the cache file, the recorded folder form, line selection and the type test.
#include "pure/engine/cacherules.h"

#include <gtest/gtest.h>

#include "pure/support/bytetext.h"

namespace {

class CacheRules : public testing::Test {
protected:
    void SetUp() override { SetLeadByteRanges({{0x81, 0xFE}}); }
};

TEST_F(CacheRules, FileNameFromRootKeyCharacterAndTypeLetters) {
    EXPECT_EQ(CacheFileNameFor("D:\\Tools\\", "c:\\docs", ".txt"), "D:\\Tools\\ctxt.dat");
    EXPECT_EQ(CacheFileNameFor("D:\\Tools\\", "C:\\", ".TXT"), "D:\\Tools\\CTXT.dat");
    EXPECT_EQ(CacheFileNameFor("D:\\Tools\\", "c:\\", "txt"), "D:\\Tools\\ctxt.dat");  // same letters, same file
    EXPECT_EQ(CacheFileNameFor("D:\\Tools\\", "c:\\", "."), "D:\\Tools\\c.dat");
    EXPECT_EQ(CacheFileNameFor("D:\\Tools\\", "c:\\", "*.*"), "D:\\Tools\\c.dat");
    EXPECT_EQ(CacheFileNameFor("D:\\Tools\\", "c:\\", ""), "D:\\Tools\\c.dat");
    EXPECT_EQ(CacheFileNameFor("D:\\Tools\\", "\\\\server\\share", ".doc"), "D:\\Tools\\\\doc.dat");
    EXPECT_EQ(CacheFileNameFor("D:\\Tools\\", " c:\\", ".doc"), "D:\\Tools\\ doc.dat");
    // clang-format off
    EXPECT_EQ(CacheFileNameFor("D:\\Tools\\", "\xD6\xD0\\x", ".doc"), "D:\\Tools\\\xD6" "doc.dat");  // its lead byte alone
    // clang-format on
}

TEST_F(CacheRules, RecordedFormKeepsDoubleByteCharactersWhole) {
    EXPECT_EQ(CacheFolderForm("C:\\"), "c:");
    EXPECT_EQ(CacheFolderForm("C:\\Data\\Sub"), "c:\\data\\sub");
    EXPECT_EQ(CacheFolderForm("C:\\Data\\"), "c:\\data");
    // clang-format off
    EXPECT_EQ(CacheFolderForm("C:\\\x81\x41" "Dir"), "c:\\\x81\x41" "dir");  // 81 41 stays 81 41
    EXPECT_EQ(CacheFolderForm("C:\\\x81\x5C"), "c:\\\x81\x5C");         // its second byte is no separator
    // clang-format on
    EXPECT_EQ(CacheFolderForm("C:\\\x81\x5C\\"), "c:\\\x81\x5C");
}

TEST_F(CacheRules, LinesAreSelectedFolderByFolder) {
    struct {
        const char* Line;
        const char* Prefix;
        bool Selected;
    } Cases[] = {
        {"c:", "c:", true},
        {"c:\\data", "c:", true},
        {"c:\\data", "c:\\data", true},
        {"c:\\data\\sub", "c:\\data", true},
        {"c:\\doc", "c:\\doc", true},
        {"c:\\documents", "c:\\doc", false},
        {"c:\\documents\\doc", "c:\\doc", false},
        {"d:\\data", "c:", false},
        {"c:", "c:\\data", false},
        {"c:\\dat", "c:\\data", false},
        {"c:\\\x81\x5C\\x", "c:\\\x81\x5C", true},
        {"c:\\\x81\x5Cx", "c:\\\x81\x5C", false},
    };
    for (const auto& C : Cases) EXPECT_EQ(LineIsUnder(C.Line, C.Prefix), C.Selected) << C.Line << " / " << C.Prefix;
    // The prefix of a typed folder in any case, with or without its final "\".
    EXPECT_TRUE(LineIsUnder("c:\\data", CacheFolderForm("C:\\Data\\")));
    EXPECT_TRUE(LineIsUnder("c:\\data\\x", CacheFolderForm("C:\\")));
}

TEST_F(CacheRules, TypeTestComparesTheExtensionOrSelectsEveryFile) {
    const TTypeTest Txt(".txt");
    EXPECT_TRUE(Txt.Qualifies("A.TXT"));
    EXPECT_TRUE(Txt.Qualifies("b.txt"));
    EXPECT_FALSE(Txt.Qualifies("c.txt.old"));
    EXPECT_FALSE(Txt.Qualifies("txt"));
    EXPECT_FALSE(TTypeTest(".htm").Qualifies("page.html"));
    EXPECT_TRUE(TTypeTest("").Qualifies("README"));
    EXPECT_FALSE(TTypeTest("").Qualifies("a.txt"));
    EXPECT_TRUE(TTypeTest(".").Qualifies("name."));
    EXPECT_FALSE(TTypeTest(".").Qualifies("name.txt"));
    EXPECT_TRUE(TTypeTest("*.*").Qualifies("name.txt"));
    EXPECT_TRUE(TTypeTest("*.*").Qualifies("README"));
    EXPECT_TRUE(TTypeTest("x*.*").Qualifies("README"));
    EXPECT_EQ(TTypeTest(".TXT").LowerType(), ".txt");
}

}  // namespace
