// Why a file matched: the hits of the keyword with their context and place, found by the same
// rules as the keyword test.
#include "pure/engine/keyhits.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "pure/engine/contentsearch.h"
#include "tests/pure/doctext/doctexttest.h"
#include "tests/pure/doctext/ziptest.h"

namespace {

std::string Wide(std::u16string_view Text) {
    std::string Bytes;
    for (char16_t U : Text) Bytes += {static_cast<char>(U & 0xFF), static_cast<char>(U >> 8)};
    return Bytes;
}

// The GBK bytes of a keyword, as the engine hands them on (narrow literals of this build are GBK).
std::string Gbk(std::u16string_view Text) {
    std::string Out;
    for (char16_t U : Text) {
        if (U < 0x80) {
            Out += static_cast<char>(U);
            continue;
        }
        // The few characters the cases use.
        static const struct {
            char16_t Unit;
            const char* Bytes;
        } Table[] = {{u'合', "\xBA\xCF"}, {u'同', "\xCD\xAC"}, {u'南', "\xC4\xCF"},
                     {u'方', "\xB7\xBD"}, {u'纸', "\xD6\xBD"}, {u'业', "\xD2\xB5"}};
        for (const auto& E : Table)
            if (E.Unit == U) Out += E.Bytes;
    }
    return Out;
}

struct TFound {
    std::vector<TTextHit> Hits;
    bool Holds;
};

TFound Search(const std::string& File, std::u16string_view Keyword, std::size_t MaxHits = 100) {
    static const TIconvCodePages Iconv;
    TDecodeEnv Env;
    Env.CodePages = &Iconv;
    const std::string W = Wide(Keyword);
    const TKeywordScanner Scanner(Gbk(Keyword), W);
    TMemorySource Source(File.data(), File.size());
    return {FindContentHits(Source, W, Scanner, MaxHits, Env), ContentHolds(Source, W, Scanner, Env)};
}

// A hit as "where: before[match]after", in UTF-8.
std::string Show(const TTextHit& Hit) {
    std::string Where;
    if (Hit.Where.Kind == THitPlace::RawBytes) {
        Where = "raw@" + std::to_string(Hit.Where.Offset);
    } else {
        static const char* const Names[] = {"body", "page", "sheet", "comment", "header", "footnote", "properties"};
        Where = Names[static_cast<int>(Hit.Where.Place)];
        if (Hit.Where.Number > 0) Where += " " + std::to_string(Hit.Where.Number);
        if (!Hit.Where.Name.empty()) Where += " " + Utf16ToUtf8(Hit.Where.Name.data(), Hit.Where.Name.size());
        for (const std::u16string& Name : Hit.Where.Embedded) Where += " in " + Utf16ToUtf8(Name.data(), Name.size());
    }
    auto U = [](const std::u16string& S) { return Utf16ToUtf8(S.data(), S.size()); };
    return Where + ": " + U(Hit.Before) + "[" + U(Hit.Match) + "]" + U(Hit.After);
}

std::string ShowAll(const std::vector<TTextHit>& Hits) {
    std::string Out;
    for (const TTextHit& Hit : Hits) Out += (Out.empty() ? "" : " / ") + Show(Hit);
    return Out;
}

std::string Docx(const std::string& Body, const std::string& Title = "") { return SmallDocx(Body, Title); }

TEST(KeywordHits, ContextAsAReaderSeesIt) {
    const std::string LongRun(40, 'x');
    const struct {
        const char* What;
        std::string File;
        std::u16string_view Keyword;
        const char8_t* Expected;
    } Cases[] = {
        {"a word split across runs is one hit with its whole context",
         Docx(U8(u8"<w:p><w:r><w:t>甲方：南方</w:t></w:r><w:r><w:t>纸业有限公司</w:t></w:r></w:p>")), u"南方纸业",
         u8"body: 甲方：[南方纸业]有限公司"},
        {"at the start and at the end of a paragraph",
         Docx(U8(u8"<w:p><w:t>合同编号</w:t></w:p><w:p><w:t>本合同</w:t></w:p>")), u"合同",
         u8"body: [合同]编号 / body: 本[合同]"},
        {"thirty characters each side, of the same paragraph only",
         Docx("<w:p><w:t>before</w:t></w:p><w:p><w:t>" + LongRun + "kestrel" + LongRun + "</w:t></w:p>"), u"kestrel",
         u8"body: xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx[kestrel]xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},
        {"the document's own letter case, a tab as the reader sees it",
         Docx("<w:p><w:t>the KesTrel</w:t><w:tab/><w:t>plan</w:t></w:p>"), u"kestrel", u8"body: the [KesTrel] plan"},
        {"a line break inside the paragraph", Docx("<w:p><w:t>first line</w:t><w:br/><w:t>kestrel</w:t></w:p>"),
         u"kestrel", u8"body: first line \u00B6 [kestrel]"},
        {"a property", Docx("<w:p><w:t>none</w:t></w:p>", "Kestrel notes"), u"kestrel",
         u8"properties: [Kestrel] notes"},
        {"raw bytes of a file of no known format, in the form that matched", "head \xBA\xCF\xCD\xAC tail\x01", u"合同",
         u8"raw@5: head [合同] tail "},
        {"raw UTF-16LE bytes", std::string("x\0a\0b\0c\0y\0", 10), u"abc", u8"raw@2: x[abc]y"},
    };
    for (const auto& C : Cases) {
        const TFound Found = Search(C.File, C.Keyword);
        EXPECT_EQ(ShowAll(Found.Hits), U8(C.Expected)) << C.What;
        EXPECT_TRUE(Found.Holds) << C.What;
    }
}

TEST(KeywordHits, LineBreaksShowInsideTheParagraphAndEndNoHit) {
    const TKeywordScanner Scanner("-", Wide(u"ab"));
    THitCollector Collector(Wide(u"ab"), Scanner, 10, TDecodeEnv{});
    PutText(Collector, u"x a");
    Collector.LineBreak();
    PutText(Collector, u"b ab\u0001y");
    Collector.LineBreak();
    PutText(Collector, u"z");
    Collector.Break();
    PutText(Collector, u"next");
    Collector.Finish();
    const char8_t* Expected = u8"body: x a \u00B6 b [ab] y \u00B6 z";
    EXPECT_EQ(ShowAll(Collector.Hits()), U8(Expected));
}

TEST(KeywordHits, StopAtMaxHitsInTheDocumentsOrder) {
    std::string Body;
    for (int I = 0; I < 10; ++I) Body += "<w:p><w:t>p" + std::to_string(I) + " kestrel</w:t></w:p>";
    const TFound Three = Search(Docx(Body), u"kestrel", 3);
    EXPECT_EQ(ShowAll(Three.Hits), "body: p0 [kestrel] / body: p1 [kestrel] / body: p2 [kestrel]");
    EXPECT_EQ(Search(Docx(Body), u"kestrel").Hits.size(), 10u);
}

// Hits are found exactly where the keyword test finds a match: over the fuzz seeds and fixtures
// of every decoder, with keywords that some of them hold.
TEST(KeywordHits, FoundExactlyWhenTheKeywordTestMatches) {
    namespace fs = std::filesystem;
    const fs::path Root = fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path();
    std::vector<fs::path> Files;
    for (const char* Folder : {"tests/fuzz/seeds", "tests/pure/doctext/fixtures", "tests/pure/doctext/pdf"})
        if (fs::exists(Root / Folder))
            for (const auto& Entry : fs::recursive_directory_iterator(Root / Folder))
                if (Entry.is_regular_file()) Files.push_back(Entry.path());
    ASSERT_GT(Files.size(), 20u);
    int Holding = 0;
    for (const fs::path& Path : Files) {
        std::ifstream In(Path, std::ios::binary);
        std::stringstream Bytes;
        Bytes << In.rdbuf();
        for (std::u16string_view Keyword : {u"合同", u"kestrel", u"a", u"the", u"南方纸业"}) {
            const TFound Found = Search(Bytes.str(), Keyword, 1);
            EXPECT_EQ(!Found.Hits.empty(), Found.Holds) << Path;
            Holding += Found.Holds;
            for (const TTextHit& Hit : Found.Hits)
                for (const std::u16string* Part : {&Hit.Before, &Hit.Match, &Hit.After})
                    for (char16_t U : *Part) EXPECT_GE(U, 0x20) << Path;
        }
    }
    EXPECT_GT(Holding, 10);
}

}  // namespace
