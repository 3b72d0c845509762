#pragma once
// A keyword test's quick look through one piece of a document (a mail's text or page, a web page,
// a page of a fixed-layout file) before the piece is read. The text a reader gets from such a
// piece is made of the characters its bytes encode and of character references, with nothing
// beyond ASCII of the reader's own making; so a piece whose bytes hold neither the form of the
// unit the test waits for nor a reference that stands for it cannot give that unit, and the
// test may pass it over unread. The look reads no markup: in UTF-8 it is a pass over the bytes
// sixteen at a time, in any other charset over the decoded text.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pure/doctext/decodeenv.h"

class TTextDecoder;

// How a piece writes character references: not at all; as XML does ("&#...;" and five names,
// each ended by ";"); or as web pages do (numbers and the named entities, ";" optional).
enum class TReferences : std::uint8_t { None, Xml, Html };

class TUnitScout {
public:
    // Whether a scout can judge Unit: a character beyond ASCII (markup, white space and broken
    // references make ASCII of their own), not half of a surrogate pair (a character beyond the
    // BMP, which numbers may also write) nor U+FFFD (what damaged bytes become).
    static bool Judges(char16_t Unit);

    // Unit: one Judges accepts. CodePage: the piece's charset as TTextDecoder reads it (a
    // byte-order mark overriding it). Pieces in UTF-8, or in a code page whose converter tells
    // the byte sequences that give the unit, are looked through as bytes, a start that may be a
    // byte-order mark (or UTF-16's zero bytes) counting as a sign of the unit; others decoded.
    TUnitScout(char16_t Unit, unsigned CodePage, TReferences References, const TDecodeEnv& Env);
    ~TUnitScout();
    TUnitScout(const TUnitScout&) = delete;
    TUnitScout& operator=(const TUnitScout&) = delete;

    // Looks through the next bytes of the piece. True once the piece may give the unit; nothing
    // more need be fed then.
    bool Feed(const unsigned char* Data, std::size_t Size);
    // The piece's end: a reference or character it cut off is judged as it stands. True when the
    // piece may give the unit.
    bool Finish();
    bool Found() const { return FFound; }

private:
    template <typename T>
    bool Look(std::vector<T>& Tail, const T* Data, std::size_t Size, bool Final);
    template <typename T>
    // Kept: 0 for a piece as fed, else the bytes kept from the pieces before at the start of
    // Data, where two pieces meet.
    bool Holds(const T* Data, std::size_t Size, bool Final, std::size_t Kept) const;
    template <typename T>
    bool ReferenceGives(const T* Data, std::size_t At, std::size_t Size, bool Final) const;
    bool LooksUtf16(const unsigned char* Data, std::size_t Size, bool Final);

    char16_t FUnit;
    unsigned FCodePage;
    TReferences FReferences;
    bool FNamed = false;  // a named entity stands for the unit
    // The byte sequences that give the unit (its UTF-8 form, or those of a code page), when the
    // bytes are looked through as they are; else the decoder that gives the text to look through.
    std::vector<std::string> FForms;
    bool FCodePageForms = false;
    const TCodePageConverter* FConverter = nullptr;  // with the forms of a code page
    bool FAtStart = true;                            // no piece looked through yet
    std::unique_ptr<TTextDecoder> FDecoder;
    std::u16string FUnits;
    // The last bytes or units looked at, where a reference the next piece goes on may begin.
    std::vector<unsigned char> FByteTail;
    std::vector<char16_t> FUnitTail;
    bool FStarted = false;  // the start of a UTF-8 piece was looked at
    bool FFound = false;
};
