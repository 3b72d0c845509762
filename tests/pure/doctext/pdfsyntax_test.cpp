// The PDF lexer and object parser on their own: tokens of every kind, damaged and cut input, the
// look-aheads for references and stream data, objects from tokens.
#include <gtest/gtest.h>

#include <cstdio>

#include "pure/doctext/pdf/pdfobject.h"
#include "tests/pure/doctext/doctexttest.h"

namespace {

using pdf::TKind;
using pdf::TTokenKind;

const unsigned char* Bytes(std::string_view S) { return reinterpret_cast<const unsigned char*>(S.data()); }

// The tokens of In, each written as its kind shows it ("12", "1.5", "(text)", "<hex>", "/name",
// keywords and delimiters as they are), "~" at the end when the data ran out inside a token.
std::string Tokens(std::string_view In) {
    pdf::TLexer L(Bytes(In), In.size());
    pdf::TToken T;
    std::string Out;
    for (L.Next(T); T.Kind != TTokenKind::End; L.Next(T)) {
        if (!Out.empty()) Out += ' ';
        char Number[32];
        switch (T.Kind) {
        case TTokenKind::Int:
            Out += std::to_string(T.Int);
            break;
        case TTokenKind::Real:
            std::snprintf(Number, sizeof Number, "%g", T.Real);
            Out += Number;
            break;
        case TTokenKind::String:
            Out += "(" + T.Text + ")";
            break;
        case TTokenKind::HexString:
            Out += "<" + T.Text + ">";
            break;
        case TTokenKind::Name:
            Out += "/" + T.Text;
            break;
        case TTokenKind::ArrayOpen:
            Out += "[";
            break;
        case TTokenKind::DictOpen:
            Out += "<<";
            break;
        default:
            Out += T.Text;
        }
    }
    return L.Truncated ? Out + " ~" : Out;
}

TEST(PdfLexer, Tokens) {
    const struct {
        const char* In;
        const char* Out;
    } Cases[] = {
        {"12 -3 +4 .5 -.25 --5 + .", "12 -3 4 0.5 -0.25 5 + 0"},
        {"1.2.3 12abc 4(x)", "1.2 12 4 (x)"},  // a malformed tail belongs to the number
        {"(a(b)c\\)d) (\\101\\0611\\q) (x\\\r\ny\\\nz)", "(a(b)c)d) (A11q) (xyz)"},
        {"(l1\r\nl2\rl3\\r)", "(l1\nl2\nl3\r)"},
        {"<41 42\n4> <> <zz41>", "<AB@> <> <A>"},
        {"/A#42C /#zz /a/b / x", "/ABC /#zz /a /b / x"},
        {"[ ] << >> > { } )", "[ ] << >> >> { } )"},
        {"1 % a comment ] (\n2%another\r3", "1 2 3"},
        {"true obj BT T* ' \" endstream", "true obj BT T* ' \" endstream"},
        {"", ""},
        {"  % only a comment", ""},
        // Cut inside a token: what was read, and the mark.
        {"(unterminated \\", "(unterminated ) ~"},
        {"<4142", "<AB> ~"},
        {"/Name", "/Name"},
    };
    for (const auto& C : Cases) EXPECT_EQ(Tokens(C.In), C.Out) << C.In;
    // A long string keeps its first bytes and is read to its end.
    const std::string Long = "(" + std::string(pdf::MaxStringBytes + 10, 'x') + ") 7";
    pdf::TLexer L(Bytes(Long), Long.size());
    pdf::TToken T;
    L.Next(T);
    EXPECT_EQ(T.Text.size(), pdf::MaxStringBytes);
    L.Next(T);
    EXPECT_EQ(T.Int, 7);
}

TEST(PdfLexer, LookAheads) {
    // After the first number: does " G R" follow? Where the answer is no, nothing is read.
    const struct {
        const char* In;
        bool Ref;
        int Gen;
        const char* Rest;
    } Refs[] = {
        {"1 0 R x", true, 0, " x"},      {"1 12 %c\n R]", true, 12, "]"}, {"1 0R", false, 0, " 0R"},
        {"1 0 Rx", false, 0, " 0 Rx"},   {"1 +0 R", false, 0, " +0 R"},   {"1 0", false, 0, " 0"},
        {"1 0 obj", false, 0, " 0 obj"}, {"1 2.0 R", false, 0, " 2.0 R"},
    };
    for (const auto& C : Refs) {
        pdf::TLexer L(Bytes(C.In), std::strlen(C.In), 1);
        int Gen = -1;
        EXPECT_EQ(L.ReadRefTail(Gen), C.Ref) << C.In;
        EXPECT_EQ(C.Ref ? Gen : 0, C.Gen) << C.In;
        EXPECT_EQ(std::string(C.In + L.Pos()), C.Rest) << C.In;
    }
    // After a dictionary: "stream" and its end of line, then the data.
    const struct {
        const char* In;
        const char* Data;  // null: no stream
    } Streams[] = {
        {" stream\r\nDATA", "DATA"}, {"\nstream\nDATA", "DATA"},   {"stream  \r\nDATA", "DATA"},
        {"stream\rDATA", "DATA"},    {"stream\n\nDATA", "\nDATA"}, {"streamer\nDATA", nullptr},
        {" endobj", nullptr},
    };
    for (const auto& C : Streams) {
        pdf::TLexer L(Bytes(C.In), std::strlen(C.In));
        EXPECT_EQ(L.ReadStreamStart(), C.Data != nullptr) << C.In;
        EXPECT_EQ(std::string(C.In + L.Pos()), C.Data ? C.Data : C.In) << C.In;
    }
}

// Objects as text: kinds and values, arrays and dictionaries spelled out.
std::string Show(const pdf::TObject& O) {
    switch (O.Kind) {
    case TKind::Null:
        return "null";
    case TKind::Bool:
        return O.Int ? "true" : "false";
    case TKind::Int:
        return std::to_string(O.Int);
    case TKind::Ref:
        return std::to_string(O.Int) + "R" + std::to_string(O.Gen);
    case TKind::String:
        return "(" + O.Text + ")";
    case TKind::Name:
        return "/" + O.Text;
    case TKind::Keyword:
        return "k:" + O.Text;
    case TKind::Array: {
        std::string S = "[";
        for (std::size_t I = 0; I < O.Size(); ++I) S += (I ? " " : "") + Show(O.At(I));
        return S + "]";
    }
    case TKind::Dict: {
        std::string S = "{";
        for (const auto& [K, V] : *O.Dict) S += "/" + K + " " + Show(V) + ";";
        return S + "}";
    }
    case TKind::End:
        return "end";
    case TKind::Error:
        return "error";
    default:
        return "?";
    }
}

TEST(PdfParser, Objects) {
    const struct {
        const char* In;
        const char* Out;  // the objects read one after another, up to the end
        bool Truncated = false;
    } Cases[] = {
        {"<</A 1 /B [true null 2 0 R (s)] /C <</D /E>>>> 3", "{/A 1;/B [true null 2R0 (s)];/C {/D /E;};} 3"},
        {"[1 0 % comment\nR 4 R 6] [R]", "[1R0 4 6] [k:R]"},  // folded; stray Rs dropped or kept
        {"<</A 1 2 /B 3>>", "{/A 1;/B 3;}"},                  // a stray token in a key's place
        {"<</A 1 ] /B 2>>", "{/A 1;/B 2;}"},
        {"<</A /B>> 5 <</C>> 6", "{/A /B;} 5 {} 6"},  // a key without a value ends no later
        {"<</A 1 /B endobj", "{/A 1;} k:endobj"},     // the end of the object is put back
        {"[1 2 stream", "[1 2] k:stream"},
        {"<</A [1 2", "{/A [1 2];}", true},
        {"<</A", "{}", true},
        {"] >> {", "k:] k:>> k:{"},
    };
    for (const auto& C : Cases) {
        pdf::TParser P(Bytes(C.In), std::strlen(C.In));
        std::string Out;
        for (pdf::TObject O = P.Next(); !O.Is(TKind::End); O = P.Next()) Out += (Out.empty() ? "" : " ") + Show(O);
        EXPECT_EQ(Out, C.Out) << C.In;
        EXPECT_EQ(P.Truncated(), C.Truncated) << C.In;
    }
    // Nesting beyond the bound and objects beyond the node budget end the parse.
    const std::string Deep = std::string(pdf::MaxDepth + 1, '[') + std::string(pdf::MaxDepth + 1, ']');
    EXPECT_EQ(pdf::TParser(Bytes(Deep), Deep.size()).Next().Kind, TKind::Error);
    const std::string Wide = "[1 2 3 4 5]";
    pdf::TParser Budgeted(Bytes(Wide), Wide.size());
    Budgeted.Budget = 5;
    EXPECT_EQ(Budgeted.Next().Kind, TKind::Error);
    // Object headers.
    std::int64_t Num = 0;
    int Gen = 0;
    const std::string Header = " 12 3 obj <<>>";
    pdf::TParser H(Bytes(Header), Header.size());
    EXPECT_TRUE(H.ReadObjHeader(Num, Gen));
    EXPECT_EQ(Num * 10 + Gen, 123);
    for (const char* Bad : {"12 70000 obj", "-1 0 obj", "1 0 objx", "1 obj"}) {
        pdf::TParser B(Bytes(Bad), std::strlen(Bad));
        EXPECT_FALSE(B.ReadObjHeader(Num, Gen)) << Bad;
    }
}

}  // namespace
