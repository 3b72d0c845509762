// The PDF decoder: objects and cross-reference data, filters, fonts to characters, page text,
// document information, damaged files; and the real PDFs of other producers.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <sstream>

#include "pure/doctext/pdf/pdffile.h"
#include "pure/doctext/pdf/pdffilter.h"
#include "pure/doctext/pdf/pdffont.h"
#include "tests/pure/doctext/doctexttest.h"
#include "tests/pure/doctext/pdfwriter.h"
#include "tests/pure/doctext/ziptest.h"

namespace {

// U+20000, beyond the sources' execution character set: in UTF-8 bytes.
const std::string Ext = "\xF0\xA0\x80\x80";

std::string TextOf(const std::string& Pdf, bool CodePages = true, std::size_t StopAfter = SIZE_MAX) {
    return DecodeToText(Pdf, CodePages, StopAfter);
}

std::string ReadFile(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
}

std::string Here() {
    const std::string File = __FILE__;
    return File.substr(0, File.find_last_of('/') + 1);
}

// A CMap mapping glyph codes 1.. of a two-byte font to the characters of Chars (UTF-16 hex).
std::string ToUnicode(const std::vector<std::string>& Chars) {
    std::string Map =
        "/CIDInit /ProcSet findresource begin begincmap 1 begincodespacerange <0000> <FFFF> "
        "endcodespacerange " +
        std::to_string(Chars.size()) + " beginbfchar ";
    for (std::size_t I = 0; I < Chars.size(); ++I) {
        char Code[24];
        std::snprintf(Code, sizeof Code, "%04zX", I + 1);
        Map += "<" + std::string(Code) + "> <" + Chars[I] + "> ";
    }
    return Map + "endbfchar endcmap";
}

// One page showing Content. F1 is Helvetica in WinAnsiEncoding, F2 a Type0 font whose codes 1..4
// show 合 同 年 度; Fonts replaces both.
TPdfBuilder OnePage(const std::string& Content, const std::string& Fonts = "") {
    TPdfBuilder B;
    B.Add("<</Type /Catalog /Pages 2 0 R>>");
    B.Add("<</Type /Pages /Kids [3 0 R] /Count 1 /Resources <</Font <<" +
          (Fonts.empty() ? std::string("/F1 5 0 R /F2 6 0 R") : Fonts) + ">>>>>>");
    B.Add("<</Type /Page /Parent 2 0 R /Contents 4 0 R>>");  // resources inherited from the tree
    B.Add(TPdfBuilder::Stream("", Content));
    B.Add("<</Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding>>");
    B.Add("<</Type /Font /Subtype /Type0 /Encoding /Identity-H /ToUnicode 7 0 R /DescendantFonts []>>");
    B.Add(TPdfBuilder::Stream("", ToUnicode({"5408", "540C", "5E74", "5EA6"})));
    return B;
}

std::string Page(const std::string& Content, const std::string& Fonts = "") { return OnePage(Content, Fonts).Build(); }

std::string Zlib(const std::string& Data) {
    uLongf Size = compressBound(Data.size());
    std::string Out(Size, '\0');
    compress(reinterpret_cast<Bytef*>(Out.data()), &Size, reinterpret_cast<const Bytef*>(Data.data()), Data.size());
    Out.resize(Size);
    return Out;
}

// Appends an incremental update that replaces object Num with Body.
std::string Update(const std::string& Base, int Num, const std::string& Body, int Size) {
    const std::size_t Mark = Base.rfind("startxref\n");
    const std::string Prev = Base.substr(Mark + 10, Base.find('\n', Mark + 10) - Mark - 10);
    std::string Out = Base;
    const std::size_t At = Out.size();
    Out += std::to_string(Num) + " 0 obj\n" + Body + "\nendobj\n";
    const std::size_t Xref = Out.size();
    char Line[24];
    std::snprintf(Line, sizeof Line, "%010zu 00000 n \n", At);
    Out += "xref\n" + std::to_string(Num) + " 1\n" + Line + "trailer\n<</Size " + std::to_string(Size) +
           " /Root 1 0 R /Prev " + Prev + ">>\nstartxref\n" + std::to_string(Xref) + "\n%%EOF\n";
    return Out;
}

struct TCase {
    const char* Name;
    std::string Pdf;
    std::vector<std::string> Found;   // each must be in the text
    std::vector<std::string> Absent;  // none may be
};

void Check(const std::vector<TCase>& Cases, bool CodePages = true) {
    for (const TCase& C : Cases) {
        const std::string Text = TextOf(C.Pdf, CodePages);
        for (const std::string& F : C.Found) EXPECT_NE(Text.find(F), std::string::npos) << C.Name << ": " << Text;
        for (const std::string& A : C.Absent) EXPECT_EQ(Text.find(A), std::string::npos) << C.Name << ": " << Text;
    }
}

TEST(PdfText, StringsOperatorsAndJoining) {
    Check({
        {"literal escapes", Page("BT /F1 9 Tf (K\\145s\\(T\\)r\\\nel \\\\x\\t\\0611) Tj ET"), {"Kes(T)rel \\x11"}, {}},
        {"hex strings, odd digit count", Page("BT /F1 9 Tf <4B 6573 74726 56C> Tj <4B7> Tj ET"), {"KestrelKp"}, {}},
        {"kerning between two characters", Page("BT /F2 9 Tf [<0001> -250.5 <0002>] TJ ET"), {U8(u8"合同")}, {}},
        {"a keyword split across two lines",
         Page("BT /F1 9 Tf 72 700 Td (report of the Kes) Tj 0 -14 Td (trel team) Tj ET\nBT 72 672 Td (and ) ' ET"),
         {"Kestrel team", "teamand "},
         {}},
        {"quote operators and a font change",
         Page("BT /F1 9 Tf 14 TL (a) ' 1 2 (b) \" /F2 9 Tf <00030004> Tj ET"),
         {U8(u8"ab年度")},
         {}},
        {"text in a form drawn on the page",
         [] {
             TPdfBuilder B = OnePage("q /X1 Do Q");
             B.Objects[2] =
                 "<</Type /Page /Parent 2 0 R /Contents 4 0 R /Resources <</XObject <</X1 8 0 R>> "
                 "/Font <</F1 5 0 R>>>>>>";
             B.Add(TPdfBuilder::Stream("/Type /XObject /Subtype /Form", "BT /F1 9 Tf (in the form) Tj ET"));
             return B.Build();
         }(),
         {"in the form"},
         {}},
        {"content arrays: a token across two parts",
         [] {
             TPdfBuilder B = OnePage("BT /F1 9 Tf (Kes");
             B.Objects[2] = "<</Type /Page /Parent 2 0 R /Contents [4 0 R 8 0 R]>>";
             B.Add(TPdfBuilder::Stream("", "trel) Tj ET"));
             return B.Build();
         }(),
         {"Kestrel"},
         {}},
        {"an image-only page",
         Page("q 100 0 0 100 0 0 cm BI /W 4 /H 4 /BPC 8 /CS /G ID (kestrel) Tj \xFF\x00 EI Q /Im1 Do"),
         {},
         {"kestrel"}},
    });
}

TEST(PdfText, FontsToCharacters) {
    const std::string Ranges =
        "begincmap 2 begincodespacerange <00> <7F> <8000> <FFFF> endcodespacerange "
        "1 beginbfchar <41> <00660069> endbfchar "
        "2 beginbfrange <8001> <8003> <5E74> <9000> <9001> [<5408> <540C>] endbfrange endcmap";
    auto Type0 = [](const std::string& Encoding, const std::string& Extra = "") {
        return "/F3 <</Type /Font /Subtype /Type0 /Encoding /" + Encoding + Extra + " /DescendantFonts []>>";
    };
    auto Simple = [](const std::string& Encoding) { return "/F3 <</Type /Font /Subtype /Type1 " + Encoding + ">>"; };
    Check({
        {"ToUnicode with ranges, arrays and mixed code lengths",
         [&] {
             TPdfBuilder B = OnePage("BT /F3 9 Tf <41 8001 8003 9000 9001 4241> Tj ET", "/F3 8 0 R");
             B.Add("<</Type /Font /Subtype /Type0 /Encoding 10 0 R /ToUnicode 9 0 R>>");
             B.Add(TPdfBuilder::Stream("", Ranges));
             B.Add(TPdfBuilder::Stream("/Type /CMap",
                                       "begincmap 2 begincodespacerange <00> <7F> <8000> <FFFF> "
                                       "endcodespacerange endcmap"));
             return B.Build();
         }(),
         {U8(u8"fi年并合同fi")},
         {}},
        {"ToUnicode built on another by /UseCMap",
         [&] {
             TPdfBuilder B = OnePage("BT /F3 9 Tf <0001 0002> Tj ET", "/F3 8 0 R");
             B.Add("<</Type /Font /Subtype /Type0 /Encoding /Identity-H /ToUnicode 9 0 R>>");
             B.Add(TPdfBuilder::Stream("/UseCMap 10 0 R", "begincmap 1 beginbfchar <0002> <540C> endbfchar endcmap"));
             B.Add(TPdfBuilder::Stream("", "begincmap 1 beginbfrange <0001> <0002> <5E74> endbfrange endcmap"));
             return B.Build();
         }(),
         {U8(u8"年同")},
         {}},
        {"GBK-EUC-H without ToUnicode",
         Page("BT /F3 9 Tf <BACFCDAC> Tj (Kes) Tj <CDAC> Tj ET", Type0("GBK-EUC-H")),
         {U8(u8"合同Kes同")},
         {}},
        {"GB-EUC-V and GBpc-EUC-H",
         Page("BT /F3 9 Tf <BACF> Tj /F4 9 Tf <CDAC> Tj ET",
              Type0("GB-EUC-V") + " /F4 <</Subtype /Type0 /Encoding /GBpc-EUC-H>>"),
         {U8(u8"合同")},
         {}},
        {"UniGB-UCS2-H and UniGB-UTF16-V",
         Page("BT /F3 9 Tf <5408540C> Tj /F4 9 Tf <D840DC00 5E74> Tj ET",
              Type0("UniGB-UCS2-H") + " /F4 <</Subtype /Type0 /Encoding /UniGB-UTF16-V>>"),
         {U8(u8"合同") + Ext + U8(u8"年")},
         {}},
        {"Identity-H without ToUnicode gives nothing",
         Page("BT /F3 9 Tf <00410042> Tj ET", Type0("Identity-H")),
         {},
         {"A", "B"}},
        {"WinAnsi and MacRoman",
         Page("BT /F3 9 Tf <93 4B 94> Tj /F4 9 Tf <8E> Tj ET",
              Simple("/Encoding /WinAnsiEncoding") + " /F4 <</Subtype /TrueType /Encoding /MacRomanEncoding>>"),
         {U8(u8"“K”é")},
         {}},
        {"Differences over StandardEncoding",
         Page("BT /F3 9 Tf <01 02 03 27 60 41> Tj ET",
              Simple("/Encoding <</Differences [1 /uni5408 /g1234 /eacute]>>")),
         {U8(u8"合é’‘A")},
         {}},
        {"no encoding and no ToUnicode",
         Page("BT /F3 9 Tf (kestrel) Tj ET", "/F3 <</Subtype /Type1 /BaseFont /X>>"),
         {},
         {"kestrel"}},
    });
    // Without the platform's code pages the GB codes give nothing, and nothing breaks.
    Check({{"GBK without code pages", Page("BT /F3 9 Tf <BACF> Tj ET", Type0("GBK-EUC-H")), {}, {U8(u8"合")}}}, false);
}

TEST(PdfText, DocumentInformationAndMetadata) {
    TPdfBuilder B = OnePage("");
    B.Add(
        "<</Title (Annual \\(draft\\) \\215report\\216) /Subject <FEFF5E745EA6 98847B97> /Keywords (a\\\nb) "
        "/Author <FEFFD840DC00> /Creator (not read)>>");
    B.Add(TPdfBuilder::Stream("/Type /Metadata /Subtype /XML",
                              "<x:xmpmeta><dc:title><rdf:Alt><rdf:li>Kes&amp;trel &#x5408;&#21516;</rdf:li>"
                              "</rdf:Alt></dc:title></x:xmpmeta>"));
    B.Objects[0] = "<</Type /Catalog /Pages 2 0 R /Metadata 9 0 R>>";
    EXPECT_EQ(TextOf(B.Build("/Root 1 0 R /Info 8 0 R")),
              U8(u8"Annual (draft) “report”|年度预算|ab|") + Ext + U8(u8"|Kes&trel 合同||"));
}

TEST(PdfText, CrossReferenceData) {
    const std::string Content = "BT /F1 9 Tf (kestrel) Tj ET";
    const std::string Table = Page(Content);
    std::string Shifted = Table;
    Shifted.insert(15, "% an added comment that moves every object\n");
    std::string NoTrailer = OnePage(Content).Build("", TPdfBuilder::TXref::None);
    std::string Replaced = Update(Table, 4, TPdfBuilder::Stream("", "BT /F1 9 Tf (falcon) Tj ET"), 8);
    // A hybrid file: the table leaves out the objects of an object stream that /XRefStm indexes.
    TPdfBuilder Hybrid = OnePage(Content);
    const std::string Streamed = Hybrid.Build("/Root 1 0 R", TPdfBuilder::TXref::Stream);
    const std::size_t XrefStm = std::stoul(Streamed.substr(Streamed.rfind("startxref\n") + 10));
    std::string HybridPdf = Streamed.substr(0, Streamed.rfind("startxref\n"));
    const std::size_t TableAt = HybridPdf.size();
    HybridPdf += "xref\n0 1\n0000000000 65535 f \ntrailer\n<</Size 10 /Root 1 0 R /XRefStm " + std::to_string(XrefStm) +
                 ">>\nstartxref\n" + std::to_string(TableAt) + "\n%%EOF\n";
    // A stale copy of the content after the end, which only a rebuild by scanning would take.
    const std::string Stale = "4 0 obj\n" + TPdfBuilder::Stream("", "BT /F1 9 Tf (stale) Tj ET") + "\nendobj\n";
    Check({
        {"table", Table + Stale, {"kestrel"}, {"stale"}},
        {"cross-reference and object streams",
         OnePage(Content).Build("/Root 1 0 R", TPdfBuilder::TXref::Stream) + Stale,
         {"kestrel"},
         {"stale"}},
        {"hybrid", HybridPdf + Stale, {"kestrel"}, {"stale"}},
        {"offsets all wrong", Shifted, {"kestrel"}, {}},
        {"no table, no trailer", NoTrailer, {"kestrel"}, {}},
        {"a mail header before the file: every offset is off",
         "From: a\r\nSubject: b\r\n\r\n" + Table,
         {"kestrel"},
         {}},
        {"an update replaces the page content", Replaced, {"falcon"}, {"kestrel"}},
    });
}

TEST(PdfText, DamageEndsWorkNotTheDecoder) {
    const std::string Content = "BT /F1 9 Tf (kestrel) Tj ET";
    TPdfBuilder Loops = OnePage(Content);
    // A page tree whose kid is its own parent, a page whose second content part is itself, a length
    // that refers to itself, and a reference chain that goes round.
    Loops.Objects[1] = "<</Type /Pages /Kids [3 0 R 2 0 R 8 0 R] /Count 2 /Resources <</Font <</F1 5 0 R>>>>>>";
    Loops.Objects[2] = "<</Type /Page /Parent 2 0 R /Contents [4 0 R 3 0 R 9 0 R]>>";
    Loops.Add("<</Type /Page /Contents 10 0 R>>");
    Loops.Add("<</Length 9 0 R>>\nstream\nBT /F1 9 Tf (falcon) Tj ET\nendstream");
    Loops.Add("11 0 R");
    Loops.Add("10 0 R");
    std::string Looped = Loops.Build();
    const std::size_t Start = Looped.rfind("startxref\n") + 10;
    Looped.replace(Start, Looped.find('\n', Start) - Start, std::to_string(Looped.rfind("xref\n0 ")));
    // /Prev pointing at the section itself.
    std::string PrevLoop = Looped;
    PrevLoop.insert(PrevLoop.rfind("trailer\n<<") + 10, "/Prev " + std::to_string(PrevLoop.rfind("xref\n0 ")) + " ");
    const std::string Whole = Page(Content);
    Check({
        {"loops", Looped, {"kestrel", "falcon"}, {}},
        {"a /Prev loop", PrevLoop, {"kestrel"}, {}},
        {"cut in the content stream", Whole.substr(0, Whole.find("(kes") + 4), {}, {}},
        {"not a PDF after the header", "%PDF-1.4\n" + std::string(5000, '['), {}, {}},
    });
    // A sink that wants no more stops the decoder.
    const std::string Many = Page("BT /F1 9 Tf " + [] {
        std::string S;
        for (int I = 0; I < 2000; ++I) S += "(word) Tj ";
        return S;
    }() + "ET");
    EXPECT_LT(TextOf(Many, true, 10).size(), 5000u);
}

// Writes every place into the text: "<P>" for the properties, "<N>" for page N.
class TPlaceSink : public TCollectSink {
public:
    bool Place(TTextPlace Where, std::uint32_t Number, std::u16string_view) override {
        Text8 += Where == TTextPlace::Properties ? "<P>" : "<" + std::to_string(Number) + ">";
        return true;
    }
};

TEST(PdfText, PlacesOfPagesAndProperties) {
    TPdfBuilder B;
    B.Add("<</Type /Catalog /Pages 2 0 R>>");
    B.Add("<</Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 /Resources <</Font <</F1 6 0 R>>>>>>");
    B.Add("<</Type /Page /Contents 7 0 R>>");
    B.Add("<</Type /Page>>");
    B.Add("<</Type /Page /Contents 8 0 R>>");
    B.Add("<</Type /Font /Subtype /Type1 /Encoding /WinAnsiEncoding>>");
    B.Add(TPdfBuilder::Stream("", "BT /F1 9 Tf (one) Tj ET"));
    B.Add(TPdfBuilder::Stream("", "BT /F1 9 Tf (three) Tj ET"));
    B.Add("<</Title (Kestrel)>>");
    const std::string Pdf = B.Build("/Root 1 0 R /Info 9 0 R");
    TMemorySource Source(Pdf.data(), Pdf.size());
    TPlaceSink Sink;
    DecodeDocument(*RecognizeFormat(reinterpret_cast<const unsigned char*>(Pdf.data()), FormatHeadSize), Source, Sink,
                   TDecodeEnv{});
    EXPECT_EQ(Sink.Text8, "<P>Kestrel|<1>one|<2>|<3>three|");
}

// A PDF nested in another document shares the file's memory: its bounds shrink with what is
// left, the sum of what it may hold stays within that, and it is still read.
TEST(PdfText, NestedPdfsStayWithinTheFilesMemory) {
    using namespace pdf;
    for (const std::uint64_t Left : {MaxDecodeMemory, 48 * MiB, 30 * MiB, 14 * MiB, 8 * MiB}) {
        const TMemoryBounds B(Left);
        if (!B.Readable) {
            EXPECT_LT(Left, FixedMemory + ScaledMemory / 8) << Left;
            continue;
        }
        const std::uint64_t Held = std::max<std::uint64_t>(B.WholeFile, B.Stream + KiB) +
                                   std::uint64_t(MaxObjects) * XrefEntryBytes +
                                   std::max<std::uint64_t>(B.ObjStm, B.Stream + MaxObjStmMembers * ObjStmMemberBytes) +
                                   B.CacheNodes * NodeBytes + 4 * B.Stream + B.OperandNodes * NodeBytes +
                                   MaxStringBytes + B.FontWeight * MappingBytes + 2 * std::uint64_t(MaxObjects) / 8;
        EXPECT_LE(Held, Left) << Left;
    }
    EXPECT_EQ(TMemoryBounds(MaxDecodeMemory).Stream, MaxStreamBytes);
    EXPECT_FALSE(TMemoryBounds(4 * MiB).Readable);

    TPdfBuilder B;
    B.Add("<</Type /Catalog /Pages 2 0 R>>");
    B.Add("<</Type /Pages /Kids [3 0 R] /Count 1 /Resources <</Font <</F1 4 0 R>>>>>>");
    B.Add("<</Type /Page /Contents 5 0 R>>");
    B.Add("<</Type /Font /Subtype /Type1 /Encoding /WinAnsiEncoding>>");
    B.Add(TPdfBuilder::Stream("", "BT /F1 9 Tf (kestrel) Tj ET"));
    const std::string Inner = TZipWriter().Build({{"scan.pdf", B.Build()}});
    EXPECT_EQ(DecodeToText(TZipWriter().Build({{"inner.zip", Inner}})), "||kestrel|||");
}

TEST(PdfText, DamageKeepsTheTextAround) {
    Check({
        {"a marked-content dictionary with a key and no value",
         Page("/P <</MCID>> BDC BT /F1 9 Tf (kestrel) Tj ET EMC"),
         {"kestrel"},
         {}},
        {"content longer than a stream may be: its first bytes",
         Page("BT /F1 9 Tf (kestrel) Tj ET " + std::string(pdf::MaxStreamBytes, ' ') + "BT (falcon) Tj ET"),
         {"kestrel"},
         {"falcon"}},
    });
    // A text string in UTF-8: a byte that starts no character gives U+FFFD.
    EXPECT_EQ(pdf::TextString("\xEF\xBB\xBF"
                              "K\xC3\xA9\xFF!"),
              u"K\u00E9\uFFFD!");
    // A predictor row wider than the data: the part there is undone, in place (no buffer as wide
    // as the row claims).
    std::string Out;
    const std::string Wide = "<</Predictor 12 /Colors 32 /BitsPerComponent 16 /Columns 1048576>>";
    pdf::TParser P(reinterpret_cast<const unsigned char*>(Wide.data()), Wide.size());
    pdf::ApplyFilter("FlateDecode", P.Next(), Zlib(std::string("\x02kestrel", 8)), Out, 1 << 20);
    EXPECT_EQ(Out, "kestrel");
}

TEST(PdfFilters, DecodeEachAndChains) {
    using pdf::TObject;
    auto Parms = [](const std::string& Dict) {
        pdf::TParser P(reinterpret_cast<const unsigned char*>(Dict.data()), Dict.size());
        return P.Next();
    };
    // PNG "Up" rows of 3 columns, and TIFF differences of 2 columns.
    const std::string Png = Zlib(std::string("\x02\x01\x02\x03\x02\x01\x01\x01", 8));
    const std::string Tiff = Zlib(std::string("\x05\x01\x07\xFF", 4));
    std::string Varied;
    for (int I = 0; I < 3000; ++I) Varied += static_cast<char>(I * I * 7 % 251);
    const std::string Noise = Zlib(Varied);
    struct TFilterCase {
        const char* Name;
        std::string Filter, Parms, In, Out;
    } Cases[] = {
        {"flate", "FlateDecode", "", Zlib("kestrel kestrel"), "kestrel kestrel"},
        {"flate, PNG up", "FlateDecode", "<</Predictor 12 /Columns 3>>", Png, "\x01\x02\x03\x02\x03\x04"},
        {"flate, TIFF", "Fl", "<</Predictor 2 /Columns 2>>", Tiff, "\x05\x06\x07\x06"},
        {"flate, truncated", "FlateDecode", "", Noise.substr(0, Noise.size() / 2), ""},
        {"LZW", "LZWDecode", "", "\x80\x0B\x60\x50\x22\x0C\x0C\x85\x01", "\x2D\x2D\x2D\x2D\x2D\x41\x2D\x2D\x2D\x42"},
        {"ASCIIHex", "AHx", "", "4b 65 7 >zz", "Kep"},
        {"ASCII85", "ASCII85Decode", "", "<~9jqo^zBl~>", std::string("Man \0\0\0\0i", 9)},
        {"RunLength", "RunLengthDecode", "",
         "\x02"
         "abc"
         "\xFE"
         "z"
         "\x80"
         "ignored",
         "abczzz"},
        {"an image filter", "DCTDecode", "", "\xFF\xD8", ""},
    };
    for (const TFilterCase& C : Cases) {
        std::string Out;
        const auto R = pdf::ApplyFilter(C.Filter, Parms(C.Parms), C.In, Out, 1 << 20);
        if (C.Filter == "DCTDecode") {
            EXPECT_EQ(R, pdf::TFilterResult::Unsupported) << C.Name;
            continue;
        }
        if (std::string(C.Name) == "flate, truncated") {
            EXPECT_GT(Out.size(), 0u) << C.Name;
            EXPECT_LT(Out.size(), 3000u) << C.Name;  // what inflated before the cut, nothing more
            continue;
        }
        EXPECT_EQ(Out, C.Out) << C.Name;
    }
    // The limit holds for every filter, however much the input expands.
    std::string Out;
    pdf::ApplyFilter("FlateDecode", TObject{}, Zlib(std::string(1 << 20, 'a')), Out, 1000);
    EXPECT_EQ(Out.size(), 1000u);
    pdf::ApplyFilter("RunLengthDecode", TObject{}, std::string(4000, '\x81'), Out, 1000);
    EXPECT_LE(Out.size(), 1000u);
    // A chain through a whole file: ASCIIHex over Flate.
    std::string Hex;
    for (const unsigned char C : Zlib("BT /F1 9 Tf (chained) Tj ET")) {
        char Two[3];
        std::snprintf(Two, sizeof Two, "%02x", C);
        Hex += Two;
    }
    TPdfBuilder B = OnePage("");
    B.Objects[3] = TPdfBuilder::Stream("/Filter [/AHx /Fl]", Hex + ">");
    EXPECT_NE(TextOf(B.Build()).find("chained"), std::string::npos);
}

TEST(PdfFiles, RealDocuments) {
    // Made by other producers: a typesetter, a rewriter's object streams, an office suite's export.
    EXPECT_NE(TextOf(ReadFile(Here() + "pdf/groff.pdf")).find("a kestrel is often seen"), std::string::npos);
    EXPECT_EQ(TextOf(ReadFile(Here() + "pdf/objstm.pdf")),
              U8(u8"2024年度预算|Wang|Quarterly KesTrel report合同年度预算|"));
    // Encrypted files need the platform's cryptography: natively they give nothing and do not fail.
    for (const char* Name : {"rc4-40", "rc4-128", "aes-128", "aes-256-r5", "aes-256-r6", "password"})
        EXPECT_EQ(TextOf(ReadFile(Here() + "pdf/" + Name + ".pdf")), "") << Name;

    std::string Shared = Here() + "../../../../shared/documents/files/";
    if (!std::ifstream(Shared + U8(u8"行政部/通知/会议通知.pdf"))) Shared = "/work/shared/documents/files/";
    const struct {
        const char8_t* File;
        std::vector<const char8_t*> Keywords;
    } Typed[] = {
        {u8"合同管理/采购/采购协议.pdf", {u8"合同", u8"KesTrel"}},
        {u8"行政部/通知/会议通知.pdf", {u8"合同", u8"年度预算"}},
        {u8"财务部/2024年度预算/预算说明.pdf", {u8"年度预算"}},
        {u8"项目部/汇报/项目进展汇报.pdf", {u8"合同", u8"KesTrel"}},
    };
    for (const auto& T : Typed) {
        const std::string Pdf = ReadFile(Shared + U8(T.File));
        if (Pdf.empty()) GTEST_SKIP() << "the shared documents are not beside the repository";
        const std::string Text = TextOf(Pdf);
        for (const char8_t* K : T.Keywords)
            EXPECT_NE(Text.find(U8(K)), std::string::npos) << U8(T.File) << " " << U8(K);
        EXPECT_EQ(Text.find(U8(u8"宋体")), std::string::npos);
    }
}

}  // namespace
