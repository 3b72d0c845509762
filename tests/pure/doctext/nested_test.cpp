// Documents inside documents: archive members, embedded objects; one budget and a bounded depth
// for the whole file.
#include <gtest/gtest.h>

#include <ctime>

#include "tests/pure/doctext/cfbwriter.h"
#include "tests/pure/doctext/doctexttest.h"
#include "tests/pure/doctext/heapcount.h"
#include "tests/pure/doctext/ziptest.h"

namespace {

std::string Para(const std::string& Text) { return "<w:p><w:t>" + Text + "</w:t></w:p>"; }

std::string Zip(const std::vector<TZipMember>& Members) { return TZipWriter().Build(Members); }

std::string Nested(const std::string& Bytes) {
    TPlaceSink Sink;
    DecodeRecognized(Bytes, Sink, TDecodeEnv{});
    return Sink.Text8;
}

// A compound file (a Word 97 document) holding streams as its objects do.
std::string Compound(const std::vector<std::pair<std::string, std::string>>& Streams) {
    TCfbWriter W;
    for (const auto& [Name, Data] : Streams) W.Add(Name, Data);
    return W.Build();
}

// A packaged file's native data: its size, a flag word, label, path, two words, temporary path,
// then the file.
std::string Packaged(const std::string& Label, const std::string& File) {
    auto Le32 = [](std::size_t V) { return std::string{char(V), char(V >> 8), char(V >> 16), char(V >> 24)}; };
    const std::string Temp = "C:\\Temp\\" + Label;
    const std::string Body = std::string("\x02\0", 2) + Label + '\0' + "C:\\" + Label + '\0' + Le32(0x30000) +
                             Le32(Temp.size() + 1) + Temp + '\0' + Le32(File.size()) + File;
    return Le32(Body.size()) + Body;
}

TEST(NestedDocuments, MembersAndEmbeddedObjectsAreReadAsDocuments) {
    const std::string Inner = SmallDocx(Para("inner words"));
    const std::string Ct = "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
    const struct {
        const char* What;
        std::string File;
        std::string Expected;
    } Cases[] = {
        {"an archive's documents, in its order; other members give nothing",
         Zip({{"scan/a.docx", Inner}, {"readme.bin", "\x01\x02 words"}, {"b.docx", SmallDocx(Para("second"))}}),
         "{a.docx:<Body>inner words|}{b.docx:<Body>second|}"},
        {"a workbook embedded in a report",
         Zip({{"[Content_Types].xml",
               "<Types><Override PartName=\"/word/document.xml\" ContentType=\"" + Ct + "\"/></Types>"},
              {"word/document.xml", "<w:document><w:body>" + Para("report") + "</w:body></w:document>"},
              {"word/embeddings/Microsoft_Word_Document.docx", Inner}}),
         "<Body>report|{microsoft_word_document.docx:<Body>inner words|}"},
        {"an OpenDocument's OLE object",
         Zip({{"mimetype", "application/vnd.oasis.opendocument.text"},
              {"content.xml", "<office:document-content><text:p>odt</text:p></office:document-content>"},
              {"Object 1", Inner}}),
         "<Body>odt|{object 1:<Body>inner words|}"},
        {"a workbook saved whole in a Word 97 document's object",
         Compound({{"WordDocument", std::string(600, 'w')}, {"Package", Inner}}),
         U8(u8"<Body><Body>{嵌入对象:<Body>inner words|}")},
        {"a file an object packager wrapped",
         Compound({{"WordDocument", std::string(600, 'w')}, {"\x01Ole10Native", Packaged("plan.docx", Inner)}}),
         "<Body><Body>{plan.docx:<Body>inner words|}"},
    };
    for (const auto& C : Cases) EXPECT_EQ(Nested(C.File), C.Expected) << C.What;
}

TEST(NestedDocuments, DepthIsBoundedAndOneBudgetHoldsForEveryLevel) {
    // Archives inside archives ten levels down: the first levels are read, the deeper ones not.
    std::string File = SmallDocx(Para("deepest"));
    for (int Level = 10; Level >= 1; --Level) File = Zip({{"level" + std::to_string(Level) + ".zip", File}});
    const std::string Text = Nested(File);
    EXPECT_NE(Text.find("{level4.zip"), std::string::npos) << Text;
    EXPECT_EQ(Text.find("{level5.zip"), std::string::npos) << Text;
    EXPECT_EQ(Text.find("deepest"), std::string::npos);

    // A bomb three levels down stops at the file's one budget, quickly.
    TZipMember Bomb{"word/document.xml", ""};
    Bomb.Compressed = RawDeflate(std::string(64 << 20, ' '));
    Bomb.StatedSize = 64 << 20;
    std::string Bombed =
        TZipWriter().Build({{"[Content_Types].xml",
                             "<Types><Default Extension=\"xml\" ContentType=\"application/vnd."
                             "openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>"},
                            Bomb});
    for (int Level = 0; Level < 3; ++Level)
        Bombed = Zip({{"copy" + std::to_string(Level) + ".zip", Bombed}, {"again.zip", Bombed}});
    const std::clock_t Start = std::clock();
    Nested(Bombed);
    EXPECT_LT(double(std::clock() - Start) / CLOCKS_PER_SEC, 20.0);
}

// The memory of every level together stays within the one bound of a file: archives whose
// members are archives with large directories and large documents, each level holding its copy.
TEST(NestedDocuments, MemoryOfAllLevelsTogetherStaysBounded) {
    // An archive whose directory is as large as a package's may be, holding (deflated, so that it
    // fits) an archive of the same kind: each level holds its copy and its members' names.
    auto Wide = [](int Count, const std::vector<TZipMember>& More) {
        std::vector<TZipMember> Members;
        for (int I = 0; I < Count; ++I) Members.push_back({std::string(400, 'n') + std::to_string(I), ""});
        for (TZipMember& M : Members) M.Deflate = false;
        Members.insert(Members.end(), More.begin(), More.end());
        return TZipWriter().Build(Members);
    };
    const std::string Inner = Wide(18000, {});
    const std::string Outer = Wide(16500, {{"inner.zip", Inner}});
    TZipMember Stored{"outer.zip", Outer};
    Stored.Deflate = false;
    const std::string File = TZipWriter().Build({Stored});
    ASSERT_LT(Outer.size(), EmbedMaxBytes);
    ASSERT_LT(Inner.size(), EmbedMaxBytes);
    const std::size_t Before = LiveBytes;
    PeakBytes = LiveBytes;
    Nested(File);
    EXPECT_LE(PeakBytes - Before, MaxDecodeMemory) << "peak " << (PeakBytes - Before) / 1024 << " KiB";
}

}  // namespace
