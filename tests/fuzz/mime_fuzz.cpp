// Any bytes through the mail decoder, its attachments read as nested documents.
#include "tests/fuzz/formatfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    return FuzzFormat("mime", Data, Size);
}
