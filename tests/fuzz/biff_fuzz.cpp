// Any bytes as an Excel workbook stream: the shared-string table's reader never reads astray,
// never hangs and keeps its memory bounded.
#include <cstddef>
#include <cstdint>

#include "pure/doctext/biff.h"

namespace {

class TDiscardSink : public TTextSink {
public:
    bool Text(const char16_t*, std::size_t) override { return true; }
    bool Break() override { return true; }
    bool RawStream(TByteSource&) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    TMemorySource Source(Data, Size);
    TDiscardSink Sink;
    DecodeWorkbookStrings(Source, Sink);
    return 0;
}
