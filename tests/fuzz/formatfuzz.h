#pragma once
// Any bytes through one format's decoder as a file of that format, with the code page converter
// of the tests and a sink that stops after as many units as the first byte says (0: never): no
// crash, no hang, bounded memory.
#include <cstddef>
#include <cstdint>

#include "pure/doctext/document.h"
#include "tests/pure/doctext/doctexttest.h"

inline int FuzzFormat(const char* Name, const std::uint8_t* Data, std::size_t Size) {
    if (Size < 1) return 0;
    static const TIconvCodePages CodePages;
    TDecodeEnv Env;
    Env.CodePages = &CodePages;
    TCollectSink Sink;
    if (Data[0] != 0) Sink.StopAfterUnits = std::size_t(Data[0]) * 16;
    TMemorySource Source(Data + 1, Size - 1);
    DecodeDocument(*FindFormat(Name), Source, Sink, Env);
    return 0;
}
