// Any bytes through the charset decoder, fed in pieces of the size the second byte says, in the
// code page the first byte picks: no crash, and for the character sets read here alone (UTF-8,
// UTF-16) the same text as the bytes decoded whole. (GB18030 without the platform's code page
// hands its two-byte runs to the converter, which may resynchronise after an invalid pair in its
// own way.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "pure/doctext/charset.h"
#include "tests/pure/doctext/doctexttest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 2) return 0;
    static const unsigned CodePages[] = {65001, 1200, 1201, 54936, 936, 950, 1252, CodePageAuto};
    const unsigned CodePage = CodePages[Data[0] % 8];
    const std::size_t Piece = Data[1] % 16 + 1;
    TIconvCodePages Iconv;
    Iconv.Missing = 54936;
    TDecodeEnv Env;
    Env.CodePages = &Iconv;
    const std::string_view Bytes(reinterpret_cast<const char*>(Data + 2), Size - 2);
    std::u16string Whole, Pieces;
    DecodeText(Bytes, CodePage, Env, Whole);
    TTextDecoder Decoder(CodePage, Env);
    for (std::size_t At = 0; At < Bytes.size(); At += Piece) Decoder.Feed(Bytes.substr(At, Piece), Pieces);
    Decoder.Finish(Pieces);
    const bool OwnDecoder = CodePage == 65001 || CodePage == 1200 || CodePage == 1201;
    if (OwnDecoder && Whole != Pieces) std::abort();
    return 0;
}
