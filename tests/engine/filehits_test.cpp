// The hits of the keyword in real files: where they stand, their context, and failures as the
// keyword test has them.
#include <gtest/gtest.h>

#include <atomic>

#include "engine/zemzuvave.h"
#include "tests/helpers/testfiles.h"

namespace {

class FileHits : public TTempFolderTest {};

std::string Show(const std::vector<TKeywordHit>& Hits) {
    std::string Out;
    for (const TKeywordHit& Hit : Hits)
        Out += (Out.empty() ? "" : " / ") + Hit.Where + ": " + Ansi(Hit.Before) + "[" + Ansi(Hit.Match) + "]" +
               Ansi(Hit.After);
    return Out;
}

TEST_F(FileHits, NameThenContentInTheFilesOrder) {
    WriteBytes(Dir / "合同草案.txt", "第一条 合同\r\n第二条 KesTrel 合同\r\n");
    EXPECT_EQ(Show(Tzemzuvave::FileHits(Dir / "合同草案.txt", "合同", 100)),
              "文件名: [合同]草案.txt / 原始字节 (偏移 7): 第一条 [合同]  第二条 KesTrel 合同   / "
              "原始字节 (偏移 28): 第一条 合同  第二条 KesTrel [合同]  ");
    // The name alone when one hit is asked for: the file is not read.
    EXPECT_EQ(Show(Tzemzuvave::FileHits(Dir / "合同-missing.doc", "合同", 1)), "文件名: [合同]-missing.doc");
    EXPECT_EQ(Show(Tzemzuvave::FileHits(Dir / "合同草案.txt", "kestrel", 5)),
              "原始字节 (偏移 20): 第一条 合同  第二条 [KesTrel] 合同  ");
    EXPECT_TRUE(Tzemzuvave::FileHits(Dir / "合同草案.txt", "蓝鲸", 5).empty());
    EXPECT_TRUE(Tzemzuvave::FileHits(Dir / "合同草案.txt", "", 5).empty());
}

TEST_F(FileHits, FailAsTheKeywordTestAndEndWhenCancelled) {
    EXPECT_THROW(Tzemzuvave::FileHits(Dir / "missing.txt", "合同", 5), TSupportError);
    WriteBytes(Dir / "a.txt", "合同");
    const std::atomic<bool> Cancelled{true};
    const TReadCancelScope Scope(Cancelled);
    EXPECT_THROW(Tzemzuvave::FileHits(Dir / "a.txt", "合同", 5), TReadCancelled);
}

}  // namespace
