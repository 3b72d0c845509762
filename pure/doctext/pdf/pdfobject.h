#pragma once
// PDF objects and the parser that builds them from the lexer's tokens. The same parser reads
// indirect objects of the file, members of object streams, cross-reference sections, content
// streams and CMaps. It keeps no state between calls beyond the bytes it is given, and every
// parse is bounded: a node budget caps what one parse may build, and nesting is capped.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pure/doctext/decodelimits.h"
#include "pure/doctext/pdf/pdflexer.h"

namespace pdf {

enum class TKind : unsigned char { Null, Bool, Int, Real, String, Name, Array, Dict, Ref, Keyword, End, Error };

struct TObject;
using TArray = std::vector<TObject>;
using TDict = std::vector<std::pair<std::string, TObject>>;

struct TObject {
    TKind Kind = TKind::Null;
    bool Hex = false;      // a string written in hexadecimal
    std::int64_t Int = 0;  // integer, boolean (0/1) or the number of a reference
    double Real = 0;       // real number
    int Gen = 0;           // generation of a reference
    std::string Text;      // string bytes, name (no slash) or keyword
    std::shared_ptr<TArray> Array;
    std::shared_ptr<TDict> Dict;
    std::int64_t StreamAt = -1;  // a dictionary followed by "stream": where its data starts
    std::int64_t ObjNum = -1;    // the indirect object it was read as (for decryption)
    int ObjGen = 0;

    bool Is(TKind K) const { return Kind == K; }
    bool IsNumber() const { return Kind == TKind::Int || Kind == TKind::Real; }
    double Number() const { return Kind == TKind::Int ? double(Int) : Kind == TKind::Real ? Real : 0; }
    bool IsName(std::string_view N) const { return Kind == TKind::Name && Text == N; }
    bool IsStream() const { return Kind == TKind::Dict && StreamAt >= 0; }
    // A dictionary's value for Key (null object when absent or not a dictionary).
    const TObject& Get(std::string_view Key) const;
    std::size_t Size() const { return Array ? Array->size() : 0; }
    const TObject& At(std::size_t I) const;
};

// A node's cost in memory (see NodeBytes): its dictionary entry, doubled, and a small block.
static_assert(2 * sizeof(std::pair<std::string, TObject>) + 16 <= NodeBytes);

const TObject& NullObject();

// Reads objects from Data[0, Size) through a TLexer. Offsets are relative to Data.
class TParser {
public:
    TParser(const unsigned char* Data, std::size_t Size, std::size_t At = 0) : FLexer(Data, Size, At) {}

    TLexer& Lexer() { return FLexer; }
    std::size_t Pos() const { return FLexer.Pos(); }
    void Seek(std::size_t At) { FLexer.Seek(At); }
    bool AtEnd() { return FLexer.AtEnd(); }

    // The next object; keywords (operators, "obj", "R", "stream") and stray delimiters come back
    // as Keyword, the end of the data as End, a budget overrun as Error. References "N G R" are
    // recognised when AllowRefs is set (never in content streams).
    TObject Next(bool AllowRefs = true) { return Parse(AllowRefs, 0); }
    // Like Next, but a dictionary followed by "stream" records where the data starts.
    TObject NextWithStream();
    // Reads "N G obj" at the current position; false when that is not there.
    bool ReadObjHeader(std::int64_t& Num, int& Gen);

    // Objects this parser may still build (arrays and dictionaries count their members; strings
    // and names count one more for every StringBytesPerNode bytes).
    std::size_t Budget = DefaultParseNodes;
    // True once the data ran out in the middle of an object: a window onto a larger file may
    // retry with more bytes.
    bool Truncated() const { return FTruncated || FLexer.Truncated; }

private:
    TLexer FLexer;
    TToken FToken;  // the token being read (its text goes into the object)
    bool FTruncated = false;
    TObject Parse(bool AllowRefs, int Depth);
    // Makes O (holding the token's text) the object the token begins.
    void Build(TObject& O, const TToken& Token, bool AllowRefs, int Depth);
    void ParseArray(TObject& O, bool AllowRefs, int Depth);
    void ParseDict(TObject& O, bool AllowRefs, int Depth);
    // A keyword that ends the object being read: it is put back for the caller.
    bool PutBackEnd(const TObject& Keyword);
    void ChargeBytes(std::size_t Bytes);
    // Whether the array or dictionary being read ends here, at Closer (read) or at the end of the
    // data; C is the next byte (-1 at the end).
    bool Closes(char Closer, int& C);
};

}  // namespace pdf
