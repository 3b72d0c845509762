// Any bytes as a ZIP package: the directory, every member read to its end or its bound, and the
// package's parts decoded. No crash, no hang, bounded memory.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pure/doctext/package.h"
#include "pure/doctext/zip.h"
#include "tests/fuzz/discardsink.h"

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
