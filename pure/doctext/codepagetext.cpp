#include "pure/doctext/codepagetext.h"

#include <algorithm>
#include <string_view>

namespace {

bool IsDoubleByteCodePage(unsigned CodePage) {
    return CodePage == 932 || CodePage == 936 || CodePage == 949 || CodePage == 950;
}

// A lead byte of the double-byte code pages (932, 936, 949, 950).
bool StartsPair(unsigned char B) { return B >= 0x81 && B <= 0xFE; }

// Looked at 64 bytes at a time: a loop without an exit is vectorised, and text that is not
// ASCII is told after a few bytes.
bool IsAscii(const char* Bytes, std::size_t Count) {
    for (std::size_t At = 0; At < Count; At += 64) {
        const std::size_t End = std::min(Count, At + 64);
        unsigned char All = 0;
        for (std::size_t I = At; I < End; ++I) All |= static_cast<unsigned char>(Bytes[I]);
        if (All >= 0x80) return false;
    }
    return true;
}

}  // namespace

void TCodePageText::Put(const unsigned char* Bytes, std::size_t Count) {
    while (Count > 0) {
        const std::size_t N = std::min(Count, Capacity - FCount);
        std::copy_n(Bytes, N, FBytes + FCount);
        Bytes += N;
        Count -= N;
        if ((FCount += N) == Capacity) Convert(true);
    }
}

void TCodePageText::Convert(bool KeepPartial) {
    if (FCount == 0) return;
    std::size_t Take = FCount;
    if (KeepPartial && IsDoubleByteCodePage(FCodePage)) {
        Take = 0;
        while (Take < FCount) {
            const std::size_t Length = StartsPair(static_cast<unsigned char>(FBytes[Take])) ? 2 : 1;
            if (Take + Length > FCount) break;
            Take += Length;
        }
    }
    const bool Ascii = IsAscii(FBytes, Take);
    FUnits.clear();
    if (!Ascii && FConverter != nullptr && FConverter->ToUtf16(FCodePage, std::string_view(FBytes, Take), FUnits))
        FOut.Put(FUnits);
    else
        PutAscii(FBytes, Take, Ascii);  // ASCII is the same in every code page; without one nothing else is known
    std::copy(FBytes + Take, FBytes + FCount, FBytes);
    FCount -= Take;
}

// The ASCII bytes as units, written straight into the writer's buffer (AllAscii: all are).
void TCodePageText::PutAscii(const char* Bytes, std::size_t Count, bool AllAscii) {
    while (Count > 0 && !FOut.Stopped()) {
        char16_t* Out = FOut.Space();
        const std::size_t N = std::min(Count, FOut.Room());
        std::size_t Put = 0;
        if (AllAscii) {
            for (; Put < N; ++Put) Out[Put] = static_cast<unsigned char>(Bytes[Put]);
        } else {
            for (std::size_t I = 0; I < N; ++I) {
                const auto C = static_cast<unsigned char>(Bytes[I]);
                Out[Put] = C;
                Put += C < 0x80;
            }
        }
        FOut.Commit(Put);
        Bytes += N;
        Count -= N;
    }
}
