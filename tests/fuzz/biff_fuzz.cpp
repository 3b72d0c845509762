// Any bytes as an Excel workbook stream: the shared-string table's reader never reads astray,
// never hangs and keeps its memory bounded.
#include <cstddef>
#include <cstdint>

#include "pure/doctext/biff.h"
#include "tests/fuzz/discardsink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    TMemorySource Source(Data, Size);
    TDiscardSink Sink;
    DecodeWorkbookStrings(Source, Sink);
    return 0;
}
