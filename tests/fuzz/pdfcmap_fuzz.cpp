// Any bytes as a CMap program, then decoded as codes through the result: code-space ranges,
// bfchar, bfrange with strings and arrays, usecmap.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pure/doctext/pdf/pdffont.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    pdf::TCMap Map;
    const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
    Map.Parse(Text);
    std::u16string Out;
    for (std::size_t I = 0; I < Size && I < 4096;) {
        int Length = Map.CodeLength(Data + I, Size - I);
        if (Length <= 0) Length = 1;
        if (static_cast<std::size_t>(Length) > Size - I) break;
        std::uint32_t Code = 0;
        for (int K = 0; K < Length; ++K) Code = (Code << 8) | Data[I + K];
        Map.Lookup(Code, Out);
        I += static_cast<std::size_t>(Length);
    }
    return 0;
}
