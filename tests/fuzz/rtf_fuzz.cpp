// Any bytes through the Rich Text decoder, with a code page converter and a sink that stops
// after as many units as the first byte says: no crash, no hang, bounded memory.
#include <cstddef>
#include <cstdint>

#include "pure/doctext/rtf.h"
#include "tests/pure/doctext/doctexttest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 1) return 0;
    TMemorySource Source(Data + 1, Size - 1);
    TCollectSink Sink;
    Sink.StopAfterUnits = Data[0] == 0 ? SIZE_MAX : std::size_t(Data[0]) * 16;
    const TIconvCodePages CodePages;
    TDecodeEnv Env;
    Env.CodePages = &CodePages;
    DecodeRtf(Source, Sink, Env);
    return 0;
}
