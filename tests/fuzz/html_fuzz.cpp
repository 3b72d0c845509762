// Any bytes through the web page decoder.
#include "tests/fuzz/formatfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    return FuzzFormat("html", Data, Size);
}
