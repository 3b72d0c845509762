// Any bytes as a ZIP package: the directory, every member read to its end or its bound, and the
// package's parts decoded. No crash, no hang, bounded memory.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pure/doctext/package.h"
#include "pure/doctext/zip.h"

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
    std::uint64_t Budget = std::uint64_t(16) << 20;  // less than a package's, to keep runs short
    unsigned char Buffer[4096];
    for (const TZipEntry& Entry : ReadZipDirectory(Source)) {
        TZipMemberReader Reader(Source, Entry, Budget);
        while (Reader.Read(Buffer, sizeof Buffer) > 0) {
        }
    }
    TDiscardSink Sink;
    DecodeZipPackage(Source, Sink, TDecodeEnv{});
    return 0;
}
