// The platform's code pages as the decoders use them: text converted in one piece or in several,
// never cut inside a character, appended to what the output holds.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/docsource.h"

namespace {

TEST(SystemCodePages, ConvertWholeCharactersAcrossPieces) {
    const TSystemCodePages CodePages;
    EXPECT_EQ(CodePages.SystemCodePage(), 936u);
    const struct {
        unsigned CodePage;
        std::string Bytes;
        std::u16string Text;
    } Cases[] = {
        {936, "\xBA\xCF\xCD\xAC ab", u"合同 ab"},
        {65001, "\xE5\x90\x88\xE5\x90\x8C", u"合同"},
        {1252, "caf\xE9", u"café"},
        {936, "", u""},
    };
    for (const auto& C : Cases) {
        std::u16string Out = u"前";
        ASSERT_TRUE(CodePages.ToUtf16(C.CodePage, C.Bytes, Out)) << C.CodePage;
        EXPECT_EQ(Out, u"前" + C.Text) << C.CodePage;
    }
    // Three mebibytes of 合 after one ASCII byte: the pieces of a mebibyte each would cut a
    // character unless they end between two.
    const std::string Long = "x" + [] {
        std::string S;
        for (int I = 0; I < 3 << 19; ++I) S += "\xBA\xCF";
        return S;
    }();
    std::u16string Out;
    ASSERT_TRUE(CodePages.ToUtf16(936, Long, Out));
    ASSERT_EQ(Out.size(), 1u + (3u << 19));
    EXPECT_EQ(Out[0], u'x');
    EXPECT_EQ(std::count(Out.begin(), Out.end(), u'合'), 3 << 19);
    EXPECT_FALSE(CodePages.ToUtf16(12345, "x", Out));
}

// The byte sequences that give a character: the one pair of GBK, told again from what was kept;
// in a code page of single bytes, the byte.
TEST(CodePages, FormsOfACharacter) {
    const TSystemCodePages CodePages;
    std::vector<std::string> Forms;
    for (int Again = 0; Again < 2; ++Again) {
        ASSERT_TRUE(CodePages.FormsOf(936, u'蓝', Forms));
        EXPECT_EQ(Forms, std::vector<std::string>{"\xC0\xB6"});
    }
    ASSERT_TRUE(CodePages.FormsOf(1252, u'é', Forms));
    EXPECT_EQ(Forms, std::vector<std::string>{"\xE9"});
}

}  // namespace
