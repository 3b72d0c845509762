#include "pure/doctext/pdf/pdfobject.h"

#include <cmath>

#include "pure/doctext/decodelimits.h"

namespace pdf {

namespace {

int HexValue(unsigned char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

TObject Make(TKind Kind) {
    TObject O;
    O.Kind = Kind;
    return O;
}

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

void TParser::SkipWhite() {
    while (FAt < FSize) {
        const unsigned char C = FData[FAt];
        if (IsWhite(C)) {
            ++FAt;
        } else if (C == '%') {
            while (FAt < FSize && FData[FAt] != '\n' && FData[FAt] != '\r') ++FAt;
        } else {
            break;
        }
    }
}

bool TParser::LooksAt(std::string_view Word) const {
    if (FSize - FAt < Word.size()) return false;
    if (std::string_view(reinterpret_cast<const char*>(FData + FAt), Word.size()) != Word) return false;
    return FAt + Word.size() == FSize || !IsRegular(FData[FAt + Word.size()]);
}

void TParser::ReadLiteral(std::string& Out) {
    ++FAt;  // (
    int Nesting = 1;
    while (FAt < FSize) {
        unsigned char C = FData[FAt++];
        if (C == '(') {
            ++Nesting;
        } else if (C == ')') {
            if (--Nesting == 0) return;
        } else if (C == '\r') {
            // End-of-line markers in a literal read as one line feed.
            if (FAt < FSize && FData[FAt] == '\n') ++FAt;
            C = '\n';
        } else if (C == '\\') {
            if (FAt >= FSize) break;
            C = FData[FAt++];
            switch (C) {
            case 'n':
                C = '\n';
                break;
            case 'r':
                C = '\r';
                break;
            case 't':
                C = '\t';
                break;
            case 'b':
                C = '\b';
                break;
            case 'f':
                C = '\f';
                break;
            case '\r':
                if (FAt < FSize && FData[FAt] == '\n') ++FAt;
                continue;  // a line continuation
            case '\n':
                continue;
            default:
                if (C >= '0' && C <= '7') {
                    int Value = C - '0';
                    for (int I = 0; I < 2 && FAt < FSize && FData[FAt] >= '0' && FData[FAt] <= '7'; ++I)
                        Value = Value * 8 + (FData[FAt++] - '0');
                    C = static_cast<unsigned char>(Value);
                }
                // Any other escaped byte stands for itself: \( \) \\ and unknown ones.
            }
        }
        if (Out.size() < MaxStringBytes) Out += static_cast<char>(C);
    }
    Truncated = true;
}

void TParser::ReadHex(std::string& Out) {
    ++FAt;  // <
    int High = -1;
    while (FAt < FSize) {
        const unsigned char C = FData[FAt++];
        if (C == '>') {
            if (High >= 0) Out += static_cast<char>(High << 4);
            return;
        }
        const int V = HexValue(C);
        if (V < 0) continue;  // white space and stray bytes
        if (High < 0) {
            High = V;
        } else {
            if (Out.size() < MaxStringBytes) Out += static_cast<char>((High << 4) | V);
            High = -1;
        }
    }
    Truncated = true;
}

void TParser::ReadName(std::string& Out) {
    ++FAt;  // /
    while (FAt < FSize && IsRegular(FData[FAt])) {
        unsigned char C = FData[FAt++];
        if (C == '#' && FAt + 1 < FSize && HexValue(FData[FAt]) >= 0 && HexValue(FData[FAt + 1]) >= 0) {
            C = static_cast<unsigned char>(HexValue(FData[FAt]) * 16 + HexValue(FData[FAt + 1]));
            FAt += 2;
        }
        Out += static_cast<char>(C);
    }
}

bool TParser::ReadNumber(TObject& Out) {
    std::size_t At = FAt;
    bool Negative = false;
    while (At < FSize && (FData[At] == '+' || FData[At] == '-')) Negative = FData[At++] == '-' ? !Negative : Negative;
    double Value = 0;
    std::int64_t Whole = 0;
    bool Digits = false, Real = false;
    double Scale = 0.1;
    while (At < FSize) {
        const unsigned char C = FData[At];
        if (C >= '0' && C <= '9') {
            Digits = true;
            if (Real) {
                Value += (C - '0') * Scale;
                Scale /= 10;
            } else if (Whole < (std::int64_t(1) << 53)) {
                Whole = Whole * 10 + (C - '0');
            }
        } else if (C == '.' && !Real) {
            Real = true;
            Value = double(Whole);
        } else {
            break;
        }
        ++At;
    }
    if (!Digits && !Real) return false;
    // A malformed tail ("1.2.3", "12abc") belongs to the same token and is dropped.
    while (At < FSize && IsRegular(FData[At])) ++At;
    FAt = At;
    if (Real) {
        Out.Kind = TKind::Real;
        Out.Real = Negative ? -Value : Value;
    } else {
        Out.Kind = TKind::Int;
        Out.Int = Negative ? -Whole : Whole;
    }
    return true;
}

TObject TParser::Next(bool AllowRefs) { return Parse(AllowRefs, 0); }

TObject TParser::NextWithStream() {
    TObject O = Parse(true, 0);
    if (O.Kind != TKind::Dict) return O;
    const std::size_t Save = FAt;
    SkipWhite();
    if (LooksAt("stream")) {
        FAt += 6;
        // The keyword is followed by CR LF or LF (some writers put a lone CR or spaces first).
        while (FAt < FSize && FData[FAt] == ' ') ++FAt;
        if (FAt < FSize && FData[FAt] == '\r') ++FAt;
        if (FAt < FSize && FData[FAt] == '\n') ++FAt;
        O.StreamAt = static_cast<std::int64_t>(FAt);
    } else {
        FAt = Save;
    }
    return O;
}

bool TParser::ReadObjHeader(std::int64_t& Num, int& Gen) {
    const TObject A = Parse(false, 0);
    if (A.Kind != TKind::Int || A.Int < 0) return false;
    const TObject B = Parse(false, 0);
    if (B.Kind != TKind::Int || B.Int < 0 || B.Int > 65535) return false;
    SkipWhite();
    if (!LooksAt("obj")) return false;
    FAt += 3;
    Num = A.Int;
    Gen = static_cast<int>(B.Int);
    return true;
}

TObject TParser::Parse(bool AllowRefs, int Depth) {
    SkipWhite();
    if (FAt >= FSize) return Make(TKind::End);
    if (Budget == 0) return Make(TKind::Error);
    --Budget;
    const unsigned char C = FData[FAt];
    TObject O;
    switch (C) {
    case '(':
        O.Kind = TKind::String;
        ReadLiteral(O.Text);
        return O;
    case '<':
        if (FAt + 1 < FSize && FData[FAt + 1] == '<') {
            FAt += 2;
            if (Depth >= MaxDepth) return Make(TKind::Error);
            O.Kind = TKind::Dict;
            O.Dict = std::make_shared<TDict>();
            for (;;) {
                SkipWhite();
                if (FAt >= FSize) {
                    Truncated = true;
                    return O;
                }
                if (FData[FAt] == '>') {
                    FAt += (FAt + 1 < FSize && FData[FAt + 1] == '>') ? 2 : 1;
                    return O;
                }
                if (FData[FAt] != '/') {
                    // Not a key: skip the stray token (a damaged dictionary keeps its good entries).
                    TObject Stray = Parse(AllowRefs, Depth + 1);
                    if (Stray.Kind == TKind::Error) return Stray;
                    if (Stray.Kind == TKind::Keyword && (Stray.Text == "endobj" || Stray.Text == "stream")) {
                        FAt -= Stray.Text.size();
                        return O;
                    }
                    continue;
                }
                std::string Key;
                ReadName(Key);
                TObject Value = Parse(AllowRefs, Depth + 1);
                if (Value.Kind == TKind::Error) return Value;
                if (Value.Kind == TKind::End) {
                    Truncated = true;
                    return O;
                }
                if (Value.Kind == TKind::Keyword) {
                    if (Value.Text == "endobj" || Value.Text == "stream") {
                        FAt -= Value.Text.size();
                        return O;
                    }
                    continue;
                }
                O.Dict->emplace_back(std::move(Key), std::move(Value));
            }
        }
        O.Kind = TKind::String;
        O.Hex = true;
        ReadHex(O.Text);
        return O;
    case '>':
        FAt += (FAt + 1 < FSize && FData[FAt + 1] == '>') ? 2 : 1;
        O.Kind = TKind::Keyword;
        O.Text = ">>";
        return O;
    case '[': {
        ++FAt;
        if (Depth >= MaxDepth) return Make(TKind::Error);
        O.Kind = TKind::Array;
        O.Array = std::make_shared<TArray>();
        for (;;) {
            SkipWhite();
            if (FAt >= FSize) {
                Truncated = true;
                return O;
            }
            if (FData[FAt] == ']') {
                ++FAt;
                return O;
            }
            TObject Item = Parse(AllowRefs, Depth + 1);
            if (Item.Kind == TKind::Error) return Item;
            if (Item.Kind == TKind::Keyword) {
                if (Item.Text == "endobj" || Item.Text == "stream") {
                    FAt -= Item.Text.size();
                    return O;
                }
                if (Item.Text == "R" && AllowRefs && O.Array->size() >= 2) {
                    // "N G R" inside an array: fold the two numbers into a reference.
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
    case ']':
    case ')':
    case '{':
    case '}':
        ++FAt;
        O.Kind = TKind::Keyword;
        O.Text = static_cast<char>(C);
        return O;
    case '/':
        O.Kind = TKind::Name;
        ReadName(O.Text);
        return O;
    default:
        break;
    }
    if (C == '+' || C == '-' || C == '.' || (C >= '0' && C <= '9')) {
        if (ReadNumber(O)) {
            if (AllowRefs && O.Kind == TKind::Int && O.Int >= 0) {
                // "N G R": look ahead without building anything.
                const std::size_t Save = FAt;
                SkipWhite();
                std::size_t At = FAt;
                std::int64_t G = 0;
                bool Digits = false;
                while (At < FSize && FData[At] >= '0' && FData[At] <= '9') {
                    if (G < 1000000) G = G * 10 + (FData[At] - '0');
                    Digits = true;
                    ++At;
                }
                if (Digits && At < FSize && IsWhite(FData[At])) {
                    FAt = At;
                    SkipWhite();
                    if (FAt < FSize && FData[FAt] == 'R' && (FAt + 1 == FSize || !IsRegular(FData[FAt + 1]))) {
                        ++FAt;
                        O.Kind = TKind::Ref;
                        O.Gen = static_cast<int>(G);
                        return O;
                    }
                }
                FAt = Save;
            }
            return O;
        }
    }
    // A keyword: true, false, null, an operator, obj, endobj, R, stream...
    const std::size_t Start = FAt;
    while (FAt < FSize && IsRegular(FData[FAt])) ++FAt;
    if (FAt == Start) ++FAt;  // a lone stray byte
    O.Text.assign(reinterpret_cast<const char*>(FData + Start), FAt - Start);
    if (O.Text == "true" || O.Text == "false") {
        O.Kind = TKind::Bool;
        O.Int = O.Text == "true";
        O.Text.clear();
    } else if (O.Text == "null") {
        O.Kind = TKind::Null;
        O.Text.clear();
    } else {
        O.Kind = TKind::Keyword;
    }
    return O;
}

}  // namespace pdf
