// Any bytes as a compound file: every stream it yields is read back in uneven pieces, so that the
// sector map's reads are exercised at every offset, and where its pieces lie in the file is
// checked against the file's bytes. No crash, no hang, bounded memory.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "pure/doctext/cfb.h"

namespace {

class TReadingSink : public TTextSink {
public:
    explicit TReadingSink(TByteSource& File) : FFile(File) {}
    bool Text(const char16_t*, std::size_t) override { return true; }
    bool Break() override { return true; }
    bool RawStream(TByteSource& Stream) override {
        unsigned char Buffer[777];
        std::uint64_t At = 0;
        for (std::size_t N; (N = Stream.ReadAt(At, Buffer, sizeof Buffer)) > 0;) At += N;
        if (At != Stream.Size()) __builtin_trap();  // a stream reads as long as it says it is
        // Each piece holds the file's bytes where the stream says.
        unsigned char Theirs[64], Ours[64];
        for (std::uint64_t Offset = 0, FileOffset = 0, N; Offset < Stream.Size(); Offset += N) {
            N = Stream.FilePiece(Offset, FileOffset);
            if (N == 0) __builtin_trap();
            const std::size_t Check = static_cast<std::size_t>(N < sizeof Ours ? N : sizeof Ours);
            if (Stream.ReadAt(Offset, Ours, Check) != Check || FFile.ReadAt(FileOffset, Theirs, Check) != Check ||
                std::memcmp(Ours, Theirs, Check) != 0)
                __builtin_trap();
        }
        ForEachSeamWindow(Stream, 15, [&](std::uint64_t Offset, std::uint64_t Count) {
            if (Offset + Count > Stream.Size()) __builtin_trap();
            return true;
        });
        return true;
    }

private:
    TByteSource& FFile;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    TFileImage Source(Data, Size);  // the fuzzer's input as the file itself
    TReadingSink Sink(Source);
    DecodeCompoundFile(Source, Sink, TDecodeEnv{});
    return 0;
}
