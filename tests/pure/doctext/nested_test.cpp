// Documents inside documents: archive members, embedded objects; one budget and a bounded depth
// for the whole file.
#include <gtest/gtest.h>

#include <ctime>

#include "tests/pure/doctext/doctexttest.h"
#include "tests/pure/doctext/ziptest.h"

namespace {

std::string Para(const std::string& Text) { return "<w:p><w:t>" + Text + "</w:t></w:p>"; }

std::string Zip(const std::vector<TZipMember>& Members) { return TZipWriter().Build(Members); }

// A sink that records where embedded documents begin and end, as "<name" and ">".
class TNestSink : public TCollectSink {
public:
    bool BeginEmbedded(std::u16string_view Name) override {
        Text8 += "<" + Utf16ToUtf8(Name.data(), Name.size());
        return true;
    }
    bool EndEmbedded() override {
        Text8 += ">";
        return true;
    }
};

std::string Nested(const std::string& Bytes) {
    TNestSink Sink;
    TMemorySource Source(Bytes.data(), Bytes.size());
    DecodeDocument(*FindFormat("zip"), Source, Sink, TDecodeEnv{});
    return Sink.Text8;
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
         "<a.docxinner words|>"
         "<b.docxsecond|>"},
        {"a workbook embedded in a report",
         Zip({{"[Content_Types].xml",
               "<Types><Override PartName=\"/word/document.xml\" ContentType=\"" + Ct + "\"/></Types>"},
              {"word/document.xml", "<w:document><w:body>" + Para("report") + "</w:body></w:document>"},
              {"word/embeddings/Microsoft_Word_Document.docx", Inner}}),
         "report|<microsoft_word_document.docxinner words|>"},
        {"an OpenDocument's OLE object",
         Zip({{"mimetype", "application/vnd.oasis.opendocument.text"},
              {"content.xml", "<office:document-content><text:p>odt</text:p></office:document-content>"},
              {"Object 1", Inner}}),
         "odt|<object 1inner words|>"},
    };
    for (const auto& C : Cases) EXPECT_EQ(Nested(C.File), C.Expected) << C.What;
}

TEST(NestedDocuments, DepthIsBoundedAndOneBudgetHoldsForEveryLevel) {
    // Archives inside archives ten levels down: the first levels are read, the deeper ones not.
    std::string File = SmallDocx(Para("deepest"));
    for (int Level = 10; Level >= 1; --Level) File = Zip({{"level" + std::to_string(Level) + ".zip", File}});
    const std::string Text = Nested(File);
    EXPECT_NE(Text.find("<level4.zip"), std::string::npos) << Text;
    EXPECT_EQ(Text.find("<level5.zip"), std::string::npos) << Text;
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

}  // namespace
