// Any bytes as the content stream of a page whose resources hold a WinAnsi font, a Type0 font
// with a ToUnicode map, a GBK font and a form XObject: the text operators, fonts and inline
// images on hostile content.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pure/doctext/pdf/pdfdecoder.h"
#include "tests/fuzz/discardsink.h"

namespace {

std::string Obj(int Num, const std::string& Body) { return std::to_string(Num) + " 0 obj\n" + Body + "\nendobj\n"; }

std::string Stream(const std::string& Dict, std::string_view Data) {
    return "<<" + Dict + " /Length " + std::to_string(Data.size()) + ">>\nstream\n" + std::string(Data) + "\nendstream";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view Content(reinterpret_cast<const char*>(Data), Size);
    // Without a cross-reference table the decoder finds the objects by scanning.
    const std::string Pdf =
        "%PDF-1.4\n" + Obj(1, "<</Type /Catalog /Pages 2 0 R>>") + Obj(2, "<</Type /Pages /Kids [3 0 R] /Count 1>>") +
        Obj(3,
            "<</Type /Page /Parent 2 0 R /Contents 4 0 R /Resources <</Font <</F1 5 0 R /F2 6 0 R /F3 8 0 R>> "
            "/XObject <</X1 9 0 R>>>>>>") +
        Obj(4, Stream("", Content)) + Obj(5, "<</Type /Font /Subtype /Type1 /Encoding /WinAnsiEncoding>>") +
        Obj(6, "<</Type /Font /Subtype /Type0 /Encoding /Identity-H /ToUnicode 7 0 R>>") +
        Obj(7, Stream("",
                      "begincmap 1 begincodespacerange <0000> <FFFF> endcodespacerange 1 beginbfrange <0001> "
                      "<00FF> <4E00> endbfrange endcmap")) +
        Obj(8, "<</Type /Font /Subtype /Type0 /Encoding /GBK-EUC-H>>") +
        Obj(9, Stream("/Subtype /Form /Resources <</Font <</F1 5 0 R>>>>", Content.substr(0, Content.size() / 2))) +
        "trailer\n<</Root 1 0 R>>\n%%EOF\n";
    TMemorySource Source(Pdf.data(), Pdf.size());
    TDiscardSink Sink;
    DecodePdf(Source, Sink, TDecodeEnv{});
    return 0;
}
