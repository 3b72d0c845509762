// Any bytes through each PDF stream filter: the first byte picks the filter and its predictor,
// the rest is the encoded data. The output limit must hold.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pure/doctext/pdf/pdffilter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 1) return 0;
    static const char* const Names[] = {"FlateDecode", "LZWDecode", "ASCIIHexDecode", "ASCII85Decode",
                                        "RunLengthDecode"};
    static const char* const Parms[] = {"", "<</Predictor 2 /Colors 3 /Columns 5>>", "<</Predictor 12 /Columns 4>>",
                                        "<</Predictor 15 /Colors 2 /BitsPerComponent 4 /Columns 7 /EarlyChange 0>>"};
    const std::string P = Parms[(Data[0] >> 4) % 4];
    pdf::TParser Parser(reinterpret_cast<const unsigned char*>(P.data()), P.size());
    const pdf::TObject Dict = Parser.Next();
    std::string Out;
    const std::size_t Limit = 1 << 16;
    pdf::ApplyFilter(Names[Data[0] % 5], Dict, std::string_view(reinterpret_cast<const char*>(Data) + 1, Size - 1), Out,
                     Limit);
    if (Out.size() > Limit) __builtin_trap();
    return 0;
}
