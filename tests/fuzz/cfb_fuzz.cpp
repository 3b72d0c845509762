// Any bytes as a compound file: every stream it yields is read back in uneven pieces, so that the
// sector map's reads are exercised at every offset. No crash, no hang, bounded memory.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pure/doctext/cfb.h"

namespace {

class TReadingSink : public TTextSink {
public:
    bool Text(const char16_t*, std::size_t) override { return true; }
    bool Break() override { return true; }
    bool RawStream(TByteSource& Stream) override {
        unsigned char Buffer[777];
        std::uint64_t At = 0;
        for (std::size_t N; (N = Stream.ReadAt(At, Buffer, sizeof Buffer)) > 0;) At += N;
        if (At != Stream.Size()) __builtin_trap();  // a stream reads as long as it says it is
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    TMemorySource Source(Data, Size);
    TReadingSink Sink;
    DecodeCompoundFile(Source, Sink);
    return 0;
}
