// Any bytes through the web page decoder; and the page's characters (each byte one, as Latin-1
// reads it) through its text reader twice, whole and one character at a time: the runs taken in one piece
// give exactly what the reader gives character by character.
#include "pure/doctext/htmltext.h"
#include "pure/doctext/sinkwriter.h"
#include "tests/fuzz/formatfuzz.h"

namespace {

std::string PageText(const char16_t* Units, std::size_t Count, std::size_t Piece) {
    TCollectSink Sink;
    TSinkWriter Out(Sink);
    THtmlText Reader(Out);
    for (std::size_t At = 0; At < Count; At += Piece) Reader.Feed(Units + At, std::min(Piece, Count - At));
    Reader.Finish();
    return Sink.Text8;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzFormat("html", Data, Size);
    const std::u16string Units(Data, Data + Size);
    if (PageText(Units.data(), Units.size(), Units.size() + 1) != PageText(Units.data(), Units.size(), 1))
        __builtin_trap();
    return 0;
}
