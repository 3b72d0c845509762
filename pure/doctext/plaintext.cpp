#include "pure/doctext/plaintext.h"

#include <cstdint>

void DecodeUtf16BigEndian(TByteSource& Source, TTextSink& Sink, const TDecodeEnv&) {
    constexpr std::size_t BlockUnits = 8 * 1024;
    unsigned char Bytes[2 * BlockUnits];
    char16_t Units[BlockUnits];
    std::uint64_t At = 2;  // after the byte-order mark
    for (;;) {
        const std::size_t Got = Source.ReadAt(At, Bytes, sizeof Bytes);
        const std::size_t Count = Got / 2;  // an odd last byte is no character
        for (std::size_t I = 0; I < Count; ++I)
            Units[I] = static_cast<char16_t>((Bytes[2 * I] << 8) | Bytes[2 * I + 1]);
        if (Count > 0 && !Sink.Text(Units, Count)) return;
        if (Got < sizeof Bytes) return;
        At += Got;
    }
}
