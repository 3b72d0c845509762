// The keyword test and both searches over real office documents (60 files written by an office
// suite with a Chinese interface, kept beside the repository in shared/documents), as a user
// meets them: every keyword the author typed into a document's text or properties is found,
// every file the raw byte rule finds is still found, and no file is found by a font or style
// name that only the format stores.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/zemzuvave.h"
#include "pure/support/bytetext.h"
#include "tests/helpers/testfiles.h"

namespace {

const char* const Keywords[] = {"合同", "年度预算", "kestrel", "纪要", "蓝鲸计划", "宋体", "正文"};

// Per file, one letter per keyword above: F the keyword must be found (typed into the text or
// the properties, in the name, or found by the raw rule), N it must not be, - either (its UTF-8
// bytes lie somewhere in the file, which the raw scan may find).
struct TDocument {
    const char* Path;
    const char* Expect;
};
const TDocument Documents[] = {
    {"合同管理/归档/2019/第一季度/原件/扫描件/采购协议副本.doc", "FNFNNFF"},
    {"合同管理/采购/采购协议.doc", "FNFNNFF"},
    {"合同管理/采购/采购协议.docx", "FNFNNNN"},
    {"合同管理/采购/采购协议.htm", "FNFNNNN"},
    {"合同管理/采购/采购协议.html", "FNFNNNN"},
    {"合同管理/采购/采购协议.odt", "FNFNNNN"},
    {"合同管理/采购/采购协议.pdf", "FNFNNNN"},
    {"合同管理/采购/采购协议.rtf", "FNFNNNN"},
    {"合同管理/采购/采购协议（完整版）.doc", "FNNNNFF"},
    {"合同管理/采购/纯文本/采购协议(UTF-16).txt", "FNFNNNN"},
    {"合同管理/采购/纯文本/采购协议(UTF-8).txt", "FNFNNNN"},
    {"合同管理/采购/纯文本/采购协议(UTF-8无BOM).txt", "FNFNNNN"},
    {"合同管理/采购/纯文本/采购协议.txt", "FNFNNNN"},
    {"合同管理/采购/纯文本/采购协议（完整版）.txt", "FNNNNNN"},
    {"杂项/KESTREL_报价单.xls", "NNFNNFN"},
    {"杂项/KESTREL_报价单.xlsx", "NNFNNNN"},
    {"杂项/乱码/乱码示例.txt", "NFNNNNN"},
    {"杂项/乱码/凑漳甓仍に憧刂.txt", "NNNNNNN"},
    {"杂项/繁體資料/台灣分公司協議.doc", "FNFNNFF"},
    {"行政部/会议/周例会纪要.xls", "NNFFNFN"},
    {"行政部/会议/周例会纪要.xlsx", "NNFFNNN"},
    {"行政部/会议/第三季度会议纪要.doc", "NNNFNFF"},
    {"行政部/会议/第三季度会议纪要.docx", "NNNFNNN"},
    {"行政部/会议/第三季度会议纪要.txt", "NNNFNNN"},
    {"行政部/登记/办公用品领用.doc", "NNNNNFF"},
    {"行政部/登记/办公用品领用.docx", "NNNNNNN"},
    {"行政部/登记/办公用品领用.htm", "NNNNNNN"},
    {"行政部/登记/办公用品领用.rtf", "NNNNNNN"},
    {"行政部/登记/办公用品领用.txt", "NNNNNNN"},
    {"行政部/通知/会议通知.doc", "FFNNNFF"},
    {"行政部/通知/会议通知.docx", "FFNNNNN"},
    {"行政部/通知/会议通知.htm", "FFNNNNN"},
    {"行政部/通知/会议通知.pdf", "FFNNNNN"},
    {"行政部/通知/会议通知.rtf", "FFNNNNN"},
    {"行政部/通知/会议通知.txt", "NNNNNNN"},
    {"财务部/2023年/旧预算表.XLS", "FFFNNFN"},
    {"财务部/2024年度预算/预算说明.doc", "NFNNNFF"},
    {"财务部/2024年度预算/预算说明.docx", "NFNNNNN"},
    {"财务部/2024年度预算/预算说明.htm", "NFNNNNN"},
    {"财务部/2024年度预算/预算说明.html", "NFNNNNN"},
    {"财务部/2024年度预算/预算说明.odt", "NFNNNNN"},
    {"财务部/2024年度预算/预算说明.pdf", "NFNNNNN"},
    {"财务部/2024年度预算/预算说明.rtf", "NFNNNNN"},
    {"财务部/2024年度预算/报表/客户往来备注.csv", "FNNNNNN"},
    {"财务部/2024年度预算/报表/客户往来备注.xls", "FNNNNFN"},
    {"财务部/2024年度预算/报表/客户往来备注.xlsx", "FNNNNNN"},
    {"财务部/2024年度预算/报表/预算表(UTF-8).csv", "FFFNNNN"},
    {"财务部/2024年度预算/报表/预算表.csv", "FFFNNNN"},
    {"财务部/2024年度预算/报表/预算表.ods", "FFFNNNN"},
    {"财务部/2024年度预算/报表/预算表.xls", "FFFNNFN"},
    {"财务部/2024年度预算/报表/预算表.xlsx", "FFFNNNN"},
    {"财务部/2024年度预算/纯文本/预算说明(UTF-16).txt", "NFNNNNN"},
    {"财务部/2024年度预算/纯文本/预算说明(UTF-8).txt", "NFNNNNN"},
    {"财务部/2024年度预算/纯文本/预算说明.txt", "NFNNNNN"},
    {"项目部/培训/新员工培训.ppt", "NNFNNFN"},
    {"项目部/培训/新员工培训.pptx", "NNFNNNN"},
    {"项目部/汇报/项目进展汇报.odp", "FFFNNNN"},
    {"项目部/汇报/项目进展汇报.pdf", "FNFNNNN"},
    {"项目部/汇报/项目进展汇报.ppt", "FFFNNFN"},
    {"项目部/汇报/项目进展汇报.pptx", "FFFNNNN"},
};

// The documents' folder as the program sees it, or empty when the repository has no
// shared/documents beside it.
std::string DocumentsFolder() {
    const std::string Unix = YQ_SHARED_DOCUMENTS;
    std::string Windows = "Z:";
    for (char C : Unix) Windows += C == '/' ? '\\' : C;
    return GetFileAttributesA(Windows.c_str()) == INVALID_FILE_ATTRIBUTES ? std::string() : Windows;
}

std::string WindowsPath(const std::string& Folder, const char* Relative) {
    std::string Path = Folder + "\\";
    for (const char* P = Relative; *P; ++P) Path += *P == '/' ? '\\' : *P;
    return Path;
}

std::string LowerExtension(const std::string& Path) {
    std::string Ext = Path.substr(Path.rfind('.'));
    for (char& C : Ext) C = static_cast<char>(C >= 'A' && C <= 'Z' ? C + 32 : C);
    return Ext;
}

// Reported paths, with ASCII letters lower-cased (a quick search reports the folder part in the
// cache's lower-case form).
std::set<std::string> Reported;
void Collect(const std::string& Path, int Kind, bool&) {
    if (Kind == 0) Reported.insert(AsciiLowerWholeChars(Path));
}

}  // namespace

TEST(RealDocuments, KeywordTestSeesWhatAReaderSees) {
    const std::string Folder = DocumentsFolder();
    if (Folder.empty()) GTEST_SKIP() << "no shared/documents beside the repository";
    for (const TDocument& Doc : Documents) {
        const std::string Path = WindowsPath(Folder, Doc.Path);
        for (int K = 0; K < 7; ++K) {
            if (Doc.Expect[K] == '-') continue;
            bool Found = false;
            EXPECT_NO_THROW(Found = Tzemzuvave::FileMatches(Path, Keywords[K])) << Doc.Path;
            EXPECT_EQ(Found, Doc.Expect[K] == 'F') << Doc.Path << " / " << Keywords[K];
            // The hits are found by the same rules: one exactly when the test matches.
            EXPECT_EQ(!Tzemzuvave::FileHits(Path, Keywords[K], 1).empty(), Found) << Doc.Path << " / " << Keywords[K];
        }
    }
}

// A full search and then a quick search of the documents' folder, for every type present and
// the keywords typed into documents, list exactly the files expected to hold the keyword.
TEST(RealDocuments, FullAndQuickSearchesListTheFilesHoldingTheKeyword) {
    const std::string Folder = DocumentsFolder();
    if (Folder.empty()) GTEST_SKIP() << "no shared/documents beside the repository";
    const TTempDir CacheRoot;
    Tzemzuvave Engine(CacheRoot.Path());
    std::set<std::string> Types;
    for (const TDocument& Doc : Documents) Types.insert(LowerExtension(Doc.Path));
    for (int K : {0, 1, 2}) {
        for (const std::string& Type : Types) {
            std::set<std::string> Must, May;
            for (const TDocument& Doc : Documents) {
                if (LowerExtension(Doc.Path) != Type) continue;
                const std::string Path = AsciiLowerWholeChars(WindowsPath(Folder, Doc.Path));
                if (Doc.Expect[K] != 'N') May.insert(Path);
                if (Doc.Expect[K] == 'F') Must.insert(Path);
            }
            for (bool Quick : {false, true}) {
                Reported.clear();
                Engine.Search(Keywords[K], Folder, Type, Quick, Collect);
                for (const std::string& Path : Must)
                    EXPECT_TRUE(Reported.count(Path)) << (Quick ? "quick " : "full ") << Path << " / " << Keywords[K];
                for (const std::string& Path : Reported)
                    EXPECT_TRUE(May.count(Path)) << (Quick ? "quick " : "full ") << Path << " / " << Keywords[K];
            }
        }
    }
}
