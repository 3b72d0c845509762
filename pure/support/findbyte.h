#pragma once
// The first place of a byte in a buffer, sixteen bytes at a time where the processor has SSE2.
// The decoders look for line ends, tag ends and closing quotes in every byte of a document; the
// C runtime's memchr reads a byte at a time on some systems the program runs on (Wine's msvcrt),
// which made it the largest single cost of reading a mail.
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The first of the Size bytes at Data that equals Byte, or null when none does.
inline const unsigned char* FindByte(const unsigned char* Data, std::size_t Size, unsigned char Byte) {
#if defined(__SSE2__)
    const __m128i Needle = _mm_set1_epi8(static_cast<char>(Byte));
    std::size_t I = 0;
    for (; I + 16 <= Size; I += 16) {
        const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I));
        if (const int Mask = _mm_movemask_epi8(_mm_cmpeq_epi8(V, Needle))) return Data + I + __builtin_ctz(Mask);
    }
    for (; I < Size; ++I)
        if (Data[I] == Byte) return Data + I;
    return nullptr;
#else
    return static_cast<const unsigned char*>(std::memchr(Data, Byte, Size));
#endif
}
