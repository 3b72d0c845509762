// Excel workbook streams: the shared strings, joined across CONTINUE records with the 8-bit /
// 16-bit switch, with rich-text runs and extended blocks skipped wherever they are cut; the
// cells' own text sheet by sheet; the shared strings in their cells for a sink that wants places.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "pure/doctext/biff.h"
#include "tests/pure/doctext/cfbwriter.h"
#include "tests/pure/doctext/doctexttest.h"

namespace {

std::string Le16(unsigned V) { return {static_cast<char>(V & 0xFF), static_cast<char>(V >> 8)}; }
std::string Le32(unsigned V) { return Le16(V & 0xFFFF) + Le16(V >> 16); }
std::string Record(unsigned Type, const std::string& Data) {
    return Le16(Type) + Le16(static_cast<unsigned>(Data.size())) + Data;
}
std::string Continue(const std::string& Data) { return Record(0x3C, Data); }
std::string Bof() { return Record(0x0809, Le16(0x0600) + Le16(0x0005) + std::string(12, '\0')); }
std::string Eof() { return Record(0x0A, ""); }
std::string Sst(const std::string& Data) { return Record(0xFC, Le32(9) + Le32(9) + Data); }

// UTF-16LE bytes of UTF-16 text.
std::string Wide(std::u16string_view Text) {
    std::string S;
    for (const char16_t C : Text) S += Le16(C);
    return S;
}
// A string's header: character count, flags, and the run count / extended size when flagged.
std::string Head(unsigned Count, bool Wide16, unsigned Runs = 0, unsigned Ext = 0) {
    std::string H = Le16(Count) + static_cast<char>((Wide16 ? 1 : 0) | (Runs ? 8 : 0) | (Ext ? 4 : 0));
    if (Runs) H += Le16(Runs);
    if (Ext) H += Le32(Ext);
    return H;
}

// The strings as UTF-8, breaks as "|" (narrow literals of the suites are GBK, so expectations are u8"").
std::u8string Strings(const std::string& Stream, std::size_t StopAfterUnits = SIZE_MAX) {
    TMemorySource Source(Stream.data(), Stream.size());
    TCollectSink Sink;
    Sink.StopAfterUnits = StopAfterUnits;
    DecodeWorkbook(Source, Sink, TDecodeEnv{});
    return std::u8string(Sink.Text8.begin(), Sink.Text8.end());
}

TEST(WorkbookStrings, JoinsStringsAcrossContinueRecords) {
    const std::string Runs(8, '\x11'), Ext(10, '\x22');
    const struct {
        const char* What;
        std::string Stream;
        std::u8string Expected;
    } Cases[] = {
        {"8-bit, 16-bit and empty strings",
         Bof() + Sst(Head(3, false) + "abc" + Head(2, true) + Wide(u"合同") + Head(0, false)) + Eof(), u8"abc|合同||"},
        {"8-bit is Latin-1, not a code page", Bof() + Sst(Head(2, false) + "\xBA\xCF") + Eof(), u8"ºÏ|"},
        {"cut, then 16-bit", Bof() + Sst(Head(4, false) + "ab") + Continue("\x01" + Wide(u"合同")) + Eof(),
         u8"ab合同|"},
        {"cut inside 合同, then 8-bit",
         Bof() + Sst(Head(4, true) + Wide(u"x合")) + Continue(std::string("\x00", 1) + "Ty") + Eof(), u8"x合Ty|"},
        {"cut twice",
         Bof() + Sst(Head(3, true) + Wide(u"合")) + Continue(std::string("\x00g", 2)) + Continue("\x01" + Wide(u"同")),
         u8"合g同|"},
        {"header at a record's end, characters after it",
         Bof() + Sst(Head(2, false)) + Continue("\x01" + Wide(u"合同")) + Continue(Head(1, false) + "z"), u8"合同|z|"},
        {"rich runs cut",
         Bof() + Sst(Head(2, false, 2) + "xy" + Runs.substr(0, 3)) + Continue(Runs.substr(3) + Head(1, false) + "n"),
         u8"xy|n|"},
        {"extended block cut",
         Bof() + Sst(Head(2, true, 0, 10) + Wide(u"合同") + Ext.substr(0, 4)) +
             Continue(Ext.substr(4) + Head(1, false) + "n"),
         u8"合同|n|"},
        {"runs and block after a cut string",
         Bof() + Sst(Head(3, false, 2, 10) + "ab") + Continue("\x01" + Wide(u"c") + Runs + Ext) +
             Continue(Head(1, false) + "n"),
         u8"abc|n|"},
        {"records before the table skipped",
         Bof() + Record(0x31, "font") + Record(0x85, "sheet") + Sst(Head(1, false) + "q") + Eof(), u8"q|"},
        {"another record ends the table", Bof() + Sst(Head(4, false) + "ab") + Record(0xFF, "\x01" + Wide(u"cd")),
         u8"ab|"},
        {"table cut short", Bof() + Sst(Head(3, false) + "abc" + Head(9, true) + Wide(u"de")), u8"abc|de|"},
        {"record longer than the stream",
         Bof() + Le16(0xFC) + Le16(4000) + Le32(9) + Le32(9) + Head(3, false) + "abc" + Head(900, true) +
             Wide(u"合同x") + "\xFF",
         u8"abc|合同x|"},
        {"encrypted workbook", Bof() + Record(0x2F, "key") + Sst(Head(1, false) + "q"), u8""},
        {"not a workbook", Sst(Head(1, false) + "q"), u8""},
        {"table after the globals' end", Bof() + Eof() + Sst(Head(1, false) + "q"), u8""},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        EXPECT_EQ(Strings(C.Stream), C.Expected);
    }
}

TEST(WorkbookStrings, StopsWhenTheSinkHasEnough) {
    std::string Table;
    for (int I = 0; I < 1000; ++I) Table += Head(3, false) + "abc";
    EXPECT_EQ(Strings(Bof() + Sst(Table) + Eof(), 6), u8"abc|abc");
}

// ---- Cells ----

std::string Le64(std::uint64_t V) { return Le32(V & 0xFFFFFFFF) + Le32(V >> 32); }
std::string Bits(double V) {
    std::uint64_t B;
    std::memcpy(&B, &V, sizeof B);
    return Le64(B);
}
const std::string At = Le16(3) + Le16(1) + Le16(15);  // row, column, format
std::string Number(double V) { return Record(0x0203, At + Bits(V)); }
std::string Rk(std::uint32_t V) { return Record(0x027E, At + Le32(V)); }
std::string MulRk(std::initializer_list<std::uint32_t> Rks) {
    std::string Data = Le16(3) + Le16(1);
    for (const std::uint32_t V : Rks) Data += Le16(15) + Le32(V);
    return Record(0x00BD, Data + Le16(static_cast<unsigned>(Rks.size())));
}
// A formula (=1) whose cached result is V, or of Kind (0 string, 1 boolean, 2 error, 3 empty).
std::string Formula(const std::string& Result) {
    return Record(0x0006, At + Result + Le16(0) + Le32(0) + "\x02\x00\x1E\x01");
}
std::string Formula(double V) { return Formula(Bits(V)); }
std::string FormulaOf(char Kind) { return Formula(std::string{Kind, 0, 1, 0, 0, 0, '\xFF', '\xFF'}); }
std::string String(const std::string& Str) { return Record(0x0207, Str); }
std::string Label(const std::string& Str) { return Record(0x0204, At + Str); }
std::string LabelSst(unsigned Index) { return Record(0x00FD, At + Le32(Index)); }
std::string SheetBof(unsigned Version = 0x0600) {
    return Record(0x0809, Le16(Version) + Le16(0x10) + std::string(12, '\0'));
}
// BIFF8's BOUNDSHEET: where the sheet's BOF stands, visibility, kind, the name (8-bit or 16-bit).
std::string BoundSheet(std::uint32_t Position, const std::u16string& Name) {
    return Record(0x0085, Le32(Position) + std::string(2, '\0') + static_cast<char>(Name.size()) + '\x01' + Wide(Name));
}

// A workbook: the globals (between their BOF and EOF), then one substream per sheet, with sheet
// names that give where each sheet's BOF record stands, the first two swapped, or wrongly.
enum class TPositions { Real, Swapped, Wrong };
std::string Book(const std::string& Globals, const std::vector<std::string>& Sheets,
                 const std::vector<std::u16string>& Names = {}, TPositions Positions = TPositions::Real) {
    std::vector<std::uint32_t> At(Names.size(), 0);
    std::string Stream;
    for (int Pass = 0; Pass < 2; ++Pass) {
        std::string Bound;
        for (std::size_t I = 0; I < Names.size(); ++I) Bound += BoundSheet(At[I], Names[I]);
        Stream = Bof() + Bound + Globals + Eof();
        for (std::size_t I = 0; I < Sheets.size(); ++I) {
            if (I < At.size()) At[I] = Positions == TPositions::Wrong ? 7 : static_cast<std::uint32_t>(Stream.size());
            Stream += SheetBof() + Sheets[I] + Eof();
        }
        if (Positions == TPositions::Swapped) std::swap(At[0], At[1]);
    }
    return Stream;
}

// What a sink that shows places gets, wanting them or not; with the iconv code pages or none.
std::u8string Text(const std::string& Stream, bool Places = false, bool CodePages = true) {
    static const TIconvCodePages Iconv;
    TDecodeEnv Env;
    if (CodePages) Env.CodePages = &Iconv;
    TMemorySource Source(Stream.data(), Stream.size());
    TPlaceSink Sink;
    Sink.Places = Places;
    DecodeWorkbook(Source, Sink, Env);
    return std::u8string(Sink.Text8.begin(), Sink.Text8.end());
}

TEST(WorkbookCells, GiveTheTextAReaderSees) {
    const struct {
        const char* What;
        std::string Stream;
        std::u8string Expected;
    } Cases[] = {
        {"numbers of each record kind",
         Book("", {Number(0.1) + Number(-42.5) + Number(123456789012345) + Number(1234567890123456) + Number(1e20) +
                   Rk(7 << 2 | 2) + Rk(12345 << 2 | 3) + MulRk({1 << 2 | 2, 0x400C0000, 0x400C0001}) + Formula(2.5)}),
         u8"<Sheet>0.1|-42.5|123456789012345|1.234567890123456E+15|1E+20|7|123.45|1|3.5|0.035|2.5|"},
        {"string formulas: the STRING record after them, cut or not",
         Book("", {FormulaOf(0) + Record(0x04BC, "shared formula") + String(Head(2, true) + Wide(u"合同")) +
                   FormulaOf(0) + String(Head(4, false) + "ab") + Continue("\x01" + Wide(u"合同"))}),
         u8"<Sheet>合同|ab合同|"},
        {"boolean, error and empty results and BOOLERR cells give nothing",
         Book("", {FormulaOf(1) + FormulaOf(2) + FormulaOf(3) + Record(0x0205, At + "\x01\x00")}), u8"<Sheet>"},
        {"inline labels, 8-bit (Latin-1) and 16-bit",
         Book("", {Label(Head(3, false) + "a\xE9"
                                          "b") +
                   Label(Head(2, true) + Wide(u"合同")) + Label(Head(0, false))}),
         u8"<Sheet>aéb|合同||"},
        {"damaged cells give nothing",
         Book("", {Record(0x0203, At + "\x01") + Record(0x027E, "rk") +
                   Record(0x00BD, Le16(3) + Le16(1) + Le16(15) + Le32(9)) + Label("") + Label(Head(5, false) + "ab") +
                   Number(1)}),
         u8"<Sheet>ab|1|"},
        {"shared strings first, then the sheets' own text",
         Book(Sst(Head(1, false) + "q"), {LabelSst(0) + Number(5)}, {u"一"}), u8"q|<Sheet 一>5|"},
        {"charts' substreams inside a sheet",
         Book("", {Number(1) + SheetBof() + Number(2) + Eof() + Number(3), Number(4)}), u8"<Sheet>1|2|3|<Sheet>4|"},
        {"names by where each sheet's BOF stands",
         Book("", {Number(1), Number(2), Number(3)}, {u"一", u"二"}, TPositions::Swapped),
         u8"<Sheet 二>1|<Sheet 一>2|<Sheet>3|"},
        {"names in order where none stands right", Book("", {Number(1), Number(2)}, {u"一", u"二"}, TPositions::Wrong),
         u8"<Sheet 一>1|<Sheet 二>2|"},
        {"cells in the globals are not read", Bof() + Number(1) + Eof(), u8""},
        {"encrypted workbook", Bof() + Record(0x2F, "key") + Eof() + SheetBof() + Number(1) + Eof(), u8""},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        EXPECT_EQ(Text(C.Stream), C.Expected);
    }
}

TEST(WorkbookStrings, ComeFromTheWorkbookStreamOfACompoundFile) {
    TCfbWriter W;
    W.Add("Workbook", Bof() + Sst(Head(2, true) + Wide(u"合同")) + Eof() + std::string(5000, '\0'));
    W.Add("Other", Bof() + Sst(Head(1, false) + "q") + Eof());
    const std::string File = W.Build();
    TMemorySource Source(File.data(), File.size());
    TCollectSink Sink;
    DecodeDocument(*FindFormat("compound"), Source, Sink, TDecodeEnv{});
    EXPECT_EQ(std::u8string(Sink.Text8.begin(), Sink.Text8.end()), u8"合同|");
    EXPECT_EQ(Sink.RawStreams.size(), 2u);
}

}  // namespace

// Records passed over where they stand in the reader's buffer, cut by its end or longer than
// it; numbers passed over too while the sink awaits a unit no number holds.
TEST(WorkbookCells, ManyRecordsAcrossTheReadersBuffer) {
    struct TAwaitingSink : TPlaceSink {
        char16_t Awaited = 0;
        char16_t AwaitedUnit() const override { return Awaited; }
    };
    std::string Cells, Expected = "<Sheet>";
    for (int I = 0; I < 20000; ++I) {
        Cells += LabelSst(0) + Number(I + 0.5) + (I % 7 == 0 ? Record(0x1234, std::string(I % 5000, 'x')) : "");
        Expected += std::to_string(I) + ".5|";
    }
    Cells += Record(0x1234, std::string(65535, 'y')) + Label(Head(1, false) + "x") + Number(1);
    const std::string Stream = Book("", {Cells});
    for (const char16_t Awaited : {u'\0', u'5', u'x'}) {
        TMemorySource Source(Stream.data(), Stream.size());
        TAwaitingSink Sink;
        Sink.Awaited = Awaited;
        DecodeWorkbook(Source, Sink, TDecodeEnv{});
        EXPECT_EQ(Sink.Text8, Awaited == u'x' ? "<Sheet>x|" : Expected + "x|1|");
    }
}

TEST(WorkbookCells, Biff5TextIsInTheWorkbooksCodePage) {
    // BIFF5: strings without the 8-bit / 16-bit flag; narrow literals here are GBK bytes.
    const auto Book5 = [](const std::string& CodePage, const std::string& Name, const std::string& Cells) {
        const std::string Bound = Record(0x0085, Le32(0) + Le16(0) + static_cast<char>(Name.size()) + Name);
        return Record(0x0809, Le16(0x0500) + Le16(5) + std::string(4, '\0')) + CodePage + Bound + Eof() +
               SheetBof(0x0500) + Cells + Eof();
    };
    const std::string Cells = Label(Le16(4) + "合同") + FormulaOf(0) + String(Le16(4) + "ab\xE9z") + Number(3);
    const struct {
        const char* What;
        std::string Stream;
        bool CodePages;
        std::u8string Expected;
    } Cases[] = {
        {"code page 936", Book5(Record(0x42, Le16(936)), "预算", Cells), true, u8"<Sheet 预算>合同|ab閦|3|"},
        {"none named: the system's", Book5("", "预算", Cells), true, u8"<Sheet 预算>合同|ab閦|3|"},
        {"0x8001 stands for 1252", Book5(Record(0x42, Le16(0x8001)), "S", Cells), true, u8"<Sheet S>ºÏÍ¬|abéz|3|"},
        {"without a converter only ASCII", Book5(Record(0x42, Le16(936)), "预算", Cells), false, u8"<Sheet>|abz|3|"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        EXPECT_EQ(Text(C.Stream, false, C.CodePages), C.Expected);
    }
}

// The runs of a collected text, places left out, sorted.
std::vector<std::u8string> Runs(std::u8string Text) {
    std::vector<std::u8string> Out;
    for (std::size_t Open; (Open = Text.find(u8'<')) != std::u8string::npos;)
        Text.erase(Open, Text.find(u8'>', Open) - Open + 1);
    for (std::size_t Start = 0, Bar; (Bar = Text.find(u8'|', Start)) != std::u8string::npos; Start = Bar + 1)
        Out.push_back(Text.substr(Start, Bar - Start));
    std::sort(Out.begin(), Out.end());
    return Out;
}

TEST(WorkbookPlaces, SharedStringsStandInTheCellsThatShowThem) {
    const std::string Table = Sst(Head(2, false) + "s0" + Head(6, false) + "unused" + Head(2, false) + "s2" +
                                  Head(2, true) + Wide(u"合同") + Head(0, false));
    const std::string Stream =
        Book(Table,
             {LabelSst(2) + Number(1) + LabelSst(0),
              LabelSst(0) + LabelSst(3) + LabelSst(99) + FormulaOf(0) + String(Head(1, false) + "f")},
             {u"A", u"B"});
    EXPECT_EQ(Text(Stream, true), u8"<Sheet A>s2|1|s0|<Sheet B>合同|f|<Body>unused||");
    EXPECT_EQ(Text(Stream, false), u8"s0|unused|s2|合同||<Sheet A>1|<Sheet B>f|");
    EXPECT_EQ(Runs(Text(Stream, true)), Runs(Text(Stream, false)));
}

TEST(WorkbookPlaces, BeyondTheHeldBoundTheTableOrderStays) {
    // 1,100 strings of 8,000 characters, each in a CONTINUE record of its own: 17.6 MB as UTF-16,
    // more than BiffMaxHeldStrings; a cell shows the first and the last.
    std::string Table = Sst("");
    for (int I = 0; I < 1100; ++I) {
        std::string Chars(8000, static_cast<char>('a' + I % 26));
        Chars.replace(0, 4, std::to_string(1000 + I));
        Table += Continue(Head(8000, false) + Chars);
    }
    const std::string Stream = Book(Table, {LabelSst(1099) + LabelSst(0)});
    const std::u8string Placed = Text(Stream, true), Fast = Text(Stream, false);
    const std::size_t Sheet = Placed.find(u8"<Sheet>"), Last = Placed.find(u8"2099"), First = Placed.find(u8"1000");
    ASSERT_NE(Sheet, std::u8string::npos);
    EXPECT_EQ(Placed.substr(0, 6), u8"<Body>");  // the strings beyond the bound, at once
    EXPECT_LT(Last, Sheet);
    EXPECT_EQ(First, Sheet + 7);  // the first string in its cell, then the rest
    EXPECT_NE(Placed.find(u8"<Body>", Sheet), std::u8string::npos);
    EXPECT_EQ(Runs(Placed), Runs(Fast));
}

TEST(WorkbookPlaces, CompoundFilesSayWhereEachStreamStands) {
    // Stream names in any case, as WPS Office's files may spell them.
    const std::string Workbook = Book(Sst(Head(2, true) + Wide(u"合同")), {LabelSst(0) + Number(7)}, {u"表"});
    for (const bool Places : {false, true}) {
        TCfbWriter W;
        W.Add("WORKBOOK", Workbook);
        W.Add("\x05SummaryInformation", "props");
        W.Add("WordDocument", "words");
        const std::string File = W.Build();
        TMemorySource Source(File.data(), File.size());
        TPlaceSink Sink;
        Sink.Places = Places;
        DecodeDocument(*FindFormat("compound"), Source, Sink, TDecodeEnv{});
        // A sink that keeps places takes the workbook's text from its cells only.
        EXPECT_EQ(Sink.RawStreams.size(), Places ? 2u : 3u);
        std::u8string Text(Sink.Text8.begin(), Sink.Text8.end());
        EXPECT_NE(Text.find(Places ? u8"<Body><Sheet 表>合同|7|" : u8"<Body>合同|<Sheet 表>7|"), std::u8string::npos)
            << Sink.Text8;
        EXPECT_NE(Text.find(u8"<Properties>"), std::u8string::npos);
        EXPECT_EQ(std::count(Text.begin(), Text.end(), u8'<'), 4);
    }
}

// fixtures/numbers.xls: LibreOffice Calc 7.4 (Debian 12) saved fixtures/numbers.fods, typed by
// hand, as "Excel 97-2003" (soffice --headless --convert-to xls numbers.fods): numbers in RK,
// MULRK, NUMBER and FORMULA records as another producer writes them. It writes the string
// formula of A5 with the result 0 and no STRING record.
TEST(WorkbookPlaces, RealWorkbookFromAnotherProducer) {
    const std::string Path =
        std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/fixtures/numbers.xls";
    std::ifstream In(Path, std::ios::binary);
    ASSERT_TRUE(In) << Path;
    const std::string File(std::istreambuf_iterator<char>(In), {});
    std::u8string Texts[2];
    for (const bool Places : {false, true}) {
        TMemorySource Source(File.data(), File.size());
        TPlaceSink Sink;
        Sink.Places = Places;
        DecodeDocument(*FindFormat("compound"), Source, Sink, TDecodeEnv{});
        Texts[Places] = std::u8string(Sink.Text8.begin(), Sink.Text8.end());
    }
    const std::u8string Numbers =
        u8"1234.5|44031234567890|2469|0|0.1|1|2|3.25|-42.5|1E+20|1.234567890123456E+15|0.125|";
    EXPECT_NE(Texts[0].find(u8"<Body>项目|金额|办公用品|发票号码|合计|采购合同|KesTrel|<Sheet 预算表>" + Numbers +
                            u8"<Sheet Second>42|5.25|"),
              std::u8string::npos);
    EXPECT_NE(Texts[1].find(u8"<Body><Sheet 预算表>项目|金额|办公用品|1234.5|发票号码|44031234567890|合计|2469|"),
              std::u8string::npos);
    EXPECT_NE(Texts[1].find(u8"<Sheet Second>42|采购合同|KesTrel|5.25|"), std::u8string::npos);
    EXPECT_EQ(Runs(Texts[0]), Runs(Texts[1]));
}
