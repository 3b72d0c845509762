#pragma once
// The PDF syntax's tokens, read from bytes in memory: numbers, strings, names, keywords and the
// delimiters of arrays and dictionaries, with white space and comments between them. The lexer
// builds no objects (TParser in pdfobject.h does); it keeps no state beyond its position and
// whether the data ran out inside a token.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pdf {

// Byte classes of the syntax.
inline bool IsWhite(unsigned char C) { return C == 0 || C == 9 || C == 10 || C == 12 || C == 13 || C == 32; }
inline bool IsDelimiter(unsigned char C) {
    return C == '(' || C == ')' || C == '<' || C == '>' || C == '[' || C == ']' || C == '{' || C == '}' || C == '/' ||
           C == '%';
}
inline bool IsRegular(unsigned char C) { return !IsWhite(C) && !IsDelimiter(C); }

enum class TTokenKind : unsigned char {
    End,        // no more data
    Int,        // Int
    Real,       // Real
    String,     // a literal string: Text holds its bytes
    HexString,  // a hexadecimal string: Text holds its bytes
    Name,       // Text holds the name without the slash, #xx escapes resolved
    Keyword,    // a run of regular bytes that is no number: operators, true, null, obj, R, ...
    ArrayOpen,  // [
    DictOpen,   // <<
    Delimiter,  // ] >> ) { } (a lone > reads as >>), as Text
};

struct TToken {
    TTokenKind Kind = TTokenKind::End;
    std::int64_t Int = 0;
    double Real = 0;
    std::string Text;
    std::size_t Start = 0;  // where it begins
};

// Reads tokens from Data[0, Size). Offsets are relative to Data.
class TLexer {
public:
    TLexer(const unsigned char* Data, std::size_t Size, std::size_t At = 0)
        : FData(Data), FSize(Size), FAt(At < Size ? At : Size) {}

    const unsigned char* Data() const { return FData; }
    std::size_t Size() const { return FSize; }
    std::size_t Pos() const { return FAt; }
    void Seek(std::size_t At) { FAt = At < FSize ? At : FSize; }
    // Skips white space and comments.
    void SkipWhite() {
        if (FAt < FSize && !IsWhite(FData[FAt]) && FData[FAt] != '%') return;  // most often
        SkipWhiteRun();
    }
    // Whether only white space and comments are left.
    bool AtEnd() {
        SkipWhite();
        return FAt >= FSize;
    }
    // The next byte after white space and comments, -1 at the end.
    int Peek() { return AtEnd() ? -1 : FData[FAt]; }
    // Whether the bytes at Pos spell Word followed by a non-regular byte (or the end).
    bool LooksAt(std::string_view Word) const;

    // The next token; End once the data is used up.
    void Next(TToken& Token) {
        SkipWhite();
        Read(Token);
    }
    // The token at Pos, where no white space or comment stands; with Text, its text goes there
    // rather than into the token (the parser reads it straight into an object).
    void Read(TToken& Token) { Read(Token, Token.Text); }
    void Read(TToken& Token, std::string& Text);
    // After the number of a reference: " G R" (the generation and the keyword) when that follows,
    // read with its generation; otherwise nothing is read and the answer is false.
    bool ReadRefTail(int& Gen);
    // After a stream's dictionary: the keyword "stream" with its end of line, when that follows;
    // otherwise nothing is read and the answer is false.
    bool ReadStreamStart();

    // True once the data ran out inside a string: a window onto a larger file may retry with
    // more bytes.
    bool Truncated = false;

private:
    const unsigned char* FData;
    std::size_t FSize;
    std::size_t FAt;
    void SkipWhiteRun();
    void ReadLiteral(std::string& Out);
    void ReadHex(std::string& Out);
    void ReadName(std::string& Out);
    bool ReadNumber(TToken& Out);
    void ReadKeyword(TToken& Out, std::string& Text);
};

}  // namespace pdf
