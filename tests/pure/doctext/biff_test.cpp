// Excel workbook streams: the shared strings, joined across CONTINUE records with the 8-bit /
// 16-bit switch, with rich-text runs and extended blocks skipped wherever they are cut.
#include <gtest/gtest.h>

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
    DecodeWorkbookStrings(Source, Sink);
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
         u8"ab"},
        {"table cut short", Bof() + Sst(Head(3, false) + "abc" + Head(9, true) + Wide(u"de")), u8"abc|de"},
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
