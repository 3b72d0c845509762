// Any bytes through the PDF tokenizer and object parser: objects, object headers and streams,
// to the end of the data. No crash, no hang, bounded memory.
#include <cstddef>
#include <cstdint>

#include "pure/doctext/pdf/pdfobject.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    pdf::TParser P(Data, Size);
    while (!P.AtEnd()) {
        const std::size_t Before = P.Pos();
        std::int64_t Num;
        int Gen;
        if (!P.ReadObjHeader(Num, Gen)) P.Seek(Before);
        const pdf::TObject O = P.NextWithStream();
        if (O.Is(pdf::TKind::Error)) break;
        if (O.StreamAt >= 0 && static_cast<std::size_t>(O.StreamAt) > Size) __builtin_trap();
        (void)O.Get("Length");
        if (P.Pos() == Before) __builtin_trap();  // every step moves on
    }
    return 0;
}
