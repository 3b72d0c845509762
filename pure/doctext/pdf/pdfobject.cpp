#include "pure/doctext/pdf/pdfobject.h"

#include <cmath>

#include "pure/doctext/decodelimits.h"

namespace pdf {

namespace {

// The largest generation number an object header may have.
constexpr std::int64_t MaxGeneration = 65535;

}  // namespace

const TObject& NullObject() {
    static const TObject Null;
    return Null;
}

const TObject& TObject::Get(std::string_view Key) const {
    if (Kind != TKind::Dict || !Dict) return NullObject();
    for (const auto& [K, V] : *Dict)
        if (K == Key) return V;
    return NullObject();
}

const TObject& TObject::At(std::size_t I) const {
    if (Kind != TKind::Array || !Array || I >= Array->size()) return NullObject();
    return (*Array)[I];
}

TObject TParser::NextWithStream() {
    TObject O = Parse(true, 0);
    if (O.Kind == TKind::Dict && FLexer.ReadStreamStart()) O.StreamAt = static_cast<std::int64_t>(FLexer.Pos());
    return O;
}

bool TParser::ReadObjHeader(std::int64_t& Num, int& Gen) {
    const TObject A = Parse(false, 0);
    if (A.Kind != TKind::Int || A.Int < 0) return false;
    const TObject B = Parse(false, 0);
    if (B.Kind != TKind::Int || B.Int < 0 || B.Int > MaxGeneration) return false;
    FLexer.SkipWhite();
    if (!FLexer.LooksAt("obj")) return false;
    FLexer.Seek(FLexer.Pos() + 3);
    Num = A.Int;
    Gen = static_cast<int>(B.Int);
    return true;
}

bool TParser::PutBackEnd(const TObject& Keyword) {
    if (Keyword.Text != "endobj" && Keyword.Text != "stream") return false;
    FLexer.Seek(FLexer.Pos() - Keyword.Text.size());
    return true;
}

void TParser::ChargeBytes(std::size_t Bytes) {
    const std::size_t Nodes = Bytes / StringBytesPerNode;
    Budget -= Nodes < Budget ? Nodes : Budget;
}

TObject TParser::Parse(bool AllowRefs, int Depth) {
    TObject O;  // built in place: the one object returned
    if (FLexer.AtEnd()) {
        O.Kind = TKind::End;
    } else if (Budget == 0) {
        O.Kind = TKind::Error;
    } else {
        --Budget;
        FLexer.Read(FToken, O.Text);
        Build(O, FToken, AllowRefs, Depth);
    }
    return O;
}

void TParser::Build(TObject& O, const TToken& Token, bool AllowRefs, int Depth) {
    switch (Token.Kind) {
    case TTokenKind::End:
        O.Kind = TKind::End;
        return;
    case TTokenKind::Int:
        O.Kind = TKind::Int;
        O.Int = Token.Int;
        if (AllowRefs && O.Int >= 0 && FLexer.ReadRefTail(O.Gen)) O.Kind = TKind::Ref;
        return;
    case TTokenKind::Real:
        O.Kind = TKind::Real;
        O.Real = Token.Real;
        return;
    case TTokenKind::String:
    case TTokenKind::HexString:
        O.Kind = TKind::String;
        O.Hex = Token.Kind == TTokenKind::HexString;
        ChargeBytes(O.Text.size());
        return;
    case TTokenKind::Name:
        O.Kind = TKind::Name;
        ChargeBytes(O.Text.size());
        return;
    case TTokenKind::ArrayOpen:
    case TTokenKind::DictOpen:
        if (Depth >= MaxDepth)
            O.Kind = TKind::Error;  // nested deeper than any document needs
        else if (Token.Kind == TTokenKind::ArrayOpen)
            ParseArray(O, AllowRefs, Depth);
        else
            ParseDict(O, AllowRefs, Depth);
        return;
    case TTokenKind::Keyword:
        if (O.Text == "true" || O.Text == "false") {
            O.Kind = TKind::Bool;
            O.Int = O.Text == "true";
            O.Text.clear();
        } else if (O.Text == "null") {
            O.Text.clear();
        } else {
            O.Kind = TKind::Keyword;
        }
        return;
    case TTokenKind::Delimiter:
        O.Kind = TKind::Keyword;  // a closing delimiter where no array or dictionary is open
        return;
    }
}

bool TParser::Closes(char Closer, int& C) {
    C = FLexer.Peek();
    if (C < 0) {
        FTruncated = true;  // cut short: the object ends with the data
        return true;
    }
    if (C != Closer) return false;
    TToken Token;
    FLexer.Next(Token);  // ] or >> (a lone > too)
    return true;
}

void TParser::ParseArray(TObject& O, bool AllowRefs, int Depth) {
    O.Kind = TKind::Array;
    O.Array = std::make_shared<TArray>();
    for (int C; !Closes(']', C);) {
        TObject Item = Parse(AllowRefs, Depth + 1);
        if (Item.Kind == TKind::Error) {
            O = std::move(Item);
            return;
        }
        if (Item.Kind == TKind::Keyword) {
            if (PutBackEnd(Item)) return;
            if (Item.Text == "R" && AllowRefs && O.Array->size() >= 2) {
                // "N G R" that the lexer's look-ahead does not take ("1 +0 R", "1 0%c\n R"): fold the
                // two numbers into a reference.
                TObject& N = (*O.Array)[O.Array->size() - 2];
                const TObject& G = O.Array->back();
                if (N.Kind == TKind::Int && G.Kind == TKind::Int) {
                    N.Kind = TKind::Ref;
                    N.Gen = static_cast<int>(G.Int);
                    O.Array->pop_back();
                }
                continue;
            }
        }
        O.Array->push_back(std::move(Item));
    }
}

void TParser::ParseDict(TObject& O, bool AllowRefs, int Depth) {
    O.Kind = TKind::Dict;
    O.Dict = std::make_shared<TDict>();
    TToken Key;
    for (int C; !Closes('>', C);) {
        // A key, or a stray token in its place that is read and dropped (a damaged dictionary
        // keeps its good entries).
        const bool HasKey = C == '/';
        if (HasKey) {
            FLexer.Next(Key);
            ChargeBytes(Key.Text.size());
        }
        TObject Value = Parse(AllowRefs, Depth + 1);
        if (Value.Kind == TKind::Error) {
            O = std::move(Value);
            return;
        }
        if (Value.Kind == TKind::End) {
            FTruncated = true;
            return;
        }
        if (Value.Kind == TKind::Keyword) {
            // A key without a value before ">>" still ends the dictionary.
            if (PutBackEnd(Value) || Value.Text == ">>") return;
            continue;
        }
        if (HasKey) O.Dict->emplace_back(std::move(Key.Text), std::move(Value));
    }
}

}  // namespace pdf
