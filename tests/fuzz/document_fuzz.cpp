// Any bytes through format recognition and the matching decoder: no crash, no hang, bounded
// memory, whatever the format.
#include <cstddef>
#include <cstdint>

#include "pure/doctext/document.h"

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
    const TDocumentFormat Format = RecognizeFormat(Data, Size < FormatHeadSize ? Size : FormatHeadSize);
    DecodeDocument(Format, Source, Sink, TDecodeEnv{});
    return 0;
}
