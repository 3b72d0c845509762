// Any bytes as an XML part: the text extracted must not depend on how the bytes arrive, whole or
// in pieces whose sizes the input chooses.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "pure/doctext/xmltext.h"

namespace {

class TCollect : public TTextSink {
public:
    std::u16string Text16;
    bool Text(const char16_t* Units, std::size_t Count) override {
        Text16.append(Units, Count);
        return Text16.size() < 100000;
    }
    bool Break() override {
        Text16 += u'|';
        return true;
    }
    bool RawStream(TByteSource&) override { return true; }
};

const TXmlTextRules Rules{"t p h", "p h tc si", "Fallback", "s", "tab", "br line-break", "sheet", "name"};

std::u16string Extract(const std::uint8_t* Data, std::size_t Size, std::size_t Piece) {
    TCollect Sink;
    TXmlTextExtractor Extractor(Rules, Sink);
    bool More = true;
    for (std::size_t At = 0; More && At < Size; At += Piece)
        More = Extractor.Feed(Data + At, Piece < Size - At ? Piece : Size - At);
    if (More) Extractor.Finish();
    return Sink.Text16;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size == 0) return 0;
    const std::size_t Piece = Data[0] % 7 + 1;
    const std::u16string Whole = Extract(Data + 1, Size - 1, Size);
    const std::u16string Pieces = Extract(Data + 1, Size - 1, Piece);
    // The sink may stop at a different point within one chunk; compare what both saw.
    const std::size_t Common = Whole.size() < Pieces.size() ? Whole.size() : Pieces.size();
    if (Whole.size() < 100000 && Pieces.size() < 100000 && Whole != Pieces) std::abort();
    if (Whole.compare(0, Common, Pieces, 0, Common) != 0) std::abort();
    return 0;
}
