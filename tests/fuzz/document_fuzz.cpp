// Any bytes through format recognition and the matching decoder: no crash, no hang, bounded
// memory, whatever the format.
#include <cstddef>
#include <cstdint>

#include "pure/doctext/document.h"
#include "tests/fuzz/discardsink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    TMemorySource Source(Data, Size);
    TDiscardSink Sink;
    const TDocumentFormat* Format = RecognizeFormat(Data, Size < FormatHeadSize ? Size : FormatHeadSize);
    if (Format != nullptr) DecodeDocument(*Format, Source, Sink, TDecodeEnv{});
    return 0;
}
