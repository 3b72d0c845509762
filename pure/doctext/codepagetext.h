#pragma once
// 8-bit text in a Windows code page on its way to a sink writer: the bytes are held and converted
// together when they fill the buffer, when the code page changes and whenever the decoder needs
// the text before it handed on (before a Unicode character, at the end of a run). A full buffer
// keeps a double-byte character's lead byte at its end for the trail that follows.
#include <cstddef>
#include <string>

#include "pure/doctext/decodeenv.h"
#include "pure/doctext/sinkwriter.h"

class TCodePageText {
public:
    static constexpr std::size_t Capacity = 4096;

    // Converter null: only ASCII is known.
    TCodePageText(TSinkWriter& Out, const TCodePageConverter* Converter, unsigned CodePage)
        : FOut(Out), FConverter(Converter), FCodePage(CodePage) {}
    TCodePageText(const TCodePageText&) = delete;
    TCodePageText& operator=(const TCodePageText&) = delete;

    bool Holds() const { return FCount > 0; }
    void Put(char Byte) {
        FBytes[FCount] = Byte;
        Commit(1);
    }
    void Put(const unsigned char* Bytes, std::size_t Count);
    // For decoders that write the bytes themselves: the free space at the end of the buffer
    // (never none), to be filled and then committed.
    char* Space() { return FBytes + FCount; }
    std::size_t Room() const { return Capacity - FCount; }
    void Commit(std::size_t Count) {
        if ((FCount += Count) == Capacity) Convert(true);
    }
    // Converts the bytes held in the code page they were written in, then takes the new one.
    void SetCodePage(unsigned CodePage) {
        Convert();
        FCodePage = CodePage;
    }
    // Converts the bytes held and puts the units to the writer. KeepPartial: a lead byte at the
    // end stays for its trail.
    void Convert(bool KeepPartial = false);

private:
    void PutAscii(const char* Bytes, std::size_t Count, bool AllAscii);

    TSinkWriter& FOut;
    const TCodePageConverter* FConverter;
    unsigned FCodePage;
    std::size_t FCount = 0;
    char FBytes[Capacity];
    std::u16string FUnits;  // the converter's output
};
