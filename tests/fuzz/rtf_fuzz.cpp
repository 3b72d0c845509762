// Any bytes through the Rich Text decoder, with a code page converter: no crash, no hang, bounded
// memory. A first byte of 0 holds the decoder to the general rules alone: the same text, with the
// reader's buffer cut every few bytes as the second byte says; any other first byte has the sink
// stop after as many units as it says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "pure/doctext/rtf.h"
#include "tests/pure/doctext/doctexttest.h"

namespace {

std::string Decode(TByteSource& Source, bool Fast, std::size_t StopAfterUnits = SIZE_MAX) {
    static const TIconvCodePages CodePages;
    TDecodeEnv Env;
    Env.CodePages = &CodePages;
    TCollectSink Sink;
    Sink.StopAfterUnits = StopAfterUnits;
    (Fast ? DecodeRtf : DecodeRtfByteByByte)(Source, Sink, Env);
    return Sink.Text8;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 2) return 0;
    if (Data[0] != 0) {
        TMemorySource Source(Data + 1, Size - 1);
        Decode(Source, true, std::size_t(Data[0]) * 16);
        return 0;
    }
    std::vector<std::size_t> Cuts;
    for (std::size_t At = 0; At < Size - 2; At += 1 + Data[1] % 64) Cuts.push_back(At);
    TCutSource Cut(Data + 2, Size - 2, Cuts);
    TMemorySource Whole(Data + 2, Size - 2);
    if (Decode(Cut, true) != Decode(Whole, false)) std::abort();
    return 0;
}
