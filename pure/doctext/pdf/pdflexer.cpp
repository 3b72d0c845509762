#include "pure/doctext/pdf/pdflexer.h"

#include "pure/doctext/decodelimits.h"

namespace pdf {

namespace {

// A reference's generation is read up to this value; larger ones (no writer makes them, the
// syntax allows five digits) stay at it rather than overflow.
constexpr std::int64_t GenerationCap = 1000000;
// Integers keep their digits up to this value, where doubles stop being exact.
constexpr std::int64_t IntegerCap = std::int64_t(1) << 53;

int HexValue(unsigned char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

bool IsDigit(unsigned char C) { return C >= '0' && C <= '9'; }

// The byte a literal string's backslash escape C stands for; -1 for a line continuation.
int Escaped(unsigned char C) {
    switch (C) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case '\r':
    case '\n':
        return -1;
    default:
        return C;  // \( \) \\ and unknown escapes stand for the byte itself
    }
}

}  // namespace

void TLexer::SkipWhiteRun() {
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

bool TLexer::LooksAt(std::string_view Word) const {
    if (FSize - FAt < Word.size()) return false;
    if (std::string_view(reinterpret_cast<const char*>(FData + FAt), Word.size()) != Word) return false;
    return FAt + Word.size() == FSize || !IsRegular(FData[FAt + Word.size()]);
}

void TLexer::ReadLiteral(std::string& Out) {
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
            if (C >= '0' && C <= '7') {
                int Value = C - '0';
                for (int I = 0; I < 2 && FAt < FSize && FData[FAt] >= '0' && FData[FAt] <= '7'; ++I)
                    Value = Value * 8 + (FData[FAt++] - '0');
                C = static_cast<unsigned char>(Value);
            } else if (const int E = Escaped(C); E >= 0) {
                C = static_cast<unsigned char>(E);
            } else {
                if (C == '\r' && FAt < FSize && FData[FAt] == '\n') ++FAt;
                continue;  // a line continuation
            }
        }
        if (Out.size() < MaxStringBytes) Out += static_cast<char>(C);
    }
    Truncated = true;
}

void TLexer::ReadHex(std::string& Out) {
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

void TLexer::ReadName(std::string& Out) {
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

bool TLexer::ReadNumber(TToken& Out) {
    std::size_t At = FAt;
    bool Negative = false;
    while (At < FSize && (FData[At] == '+' || FData[At] == '-')) Negative = FData[At++] == '-' ? !Negative : Negative;
    double Value = 0;
    std::int64_t Whole = 0;
    bool Digits = false, Real = false;
    double Scale = 0.1;
    for (; At < FSize; ++At) {
        const unsigned char C = FData[At];
        if (IsDigit(C)) {
            Digits = true;
            if (Real) {
                Value += (C - '0') * Scale;
                Scale /= 10;
            } else if (Whole < IntegerCap) {
                Whole = Whole * 10 + (C - '0');
            }
        } else if (C == '.' && !Real) {
            Real = true;
            Value = double(Whole);
        } else {
            break;
        }
    }
    if (!Digits && !Real) return false;
    // A malformed tail ("1.2.3", "12abc") belongs to the same token and is dropped.
    while (At < FSize && IsRegular(FData[At])) ++At;
    FAt = At;
    if (Real) {
        Out.Kind = TTokenKind::Real;
        Out.Real = Negative ? -Value : Value;
    } else {
        Out.Kind = TTokenKind::Int;
        Out.Int = Negative ? -Whole : Whole;
    }
    return true;
}

void TLexer::ReadKeyword(TToken& Out, std::string& Text) {
    const std::size_t Start = FAt;
    while (FAt < FSize && IsRegular(FData[FAt])) ++FAt;
    if (FAt == Start) ++FAt;  // a lone stray byte
    Out.Kind = TTokenKind::Keyword;
    Text.assign(reinterpret_cast<const char*>(FData + Start), FAt - Start);
}

void TLexer::Read(TToken& Token, std::string& Text) {
    Token.Start = FAt;
    Text.clear();
    if (FAt >= FSize) {
        Token.Kind = TTokenKind::End;
        return;
    }
    const unsigned char C = FData[FAt];
    const bool Double = FAt + 1 < FSize && FData[FAt + 1] == C;
    switch (C) {
    case '(':
        Token.Kind = TTokenKind::String;
        ReadLiteral(Text);
        return;
    case '<':
        if (Double) {
            FAt += 2;
            Token.Kind = TTokenKind::DictOpen;
        } else {
            Token.Kind = TTokenKind::HexString;
            ReadHex(Text);
        }
        return;
    case '>':
        FAt += Double ? 2 : 1;
        Token.Kind = TTokenKind::Delimiter;
        Text = ">>";
        return;
    case '[':
        ++FAt;
        Token.Kind = TTokenKind::ArrayOpen;
        return;
    case ']':
    case ')':
    case '{':
    case '}':
        ++FAt;
        Token.Kind = TTokenKind::Delimiter;
        Text = static_cast<char>(C);
        return;
    case '/':
        Token.Kind = TTokenKind::Name;
        ReadName(Text);
        return;
    default:
        break;
    }
    if ((C == '+' || C == '-' || C == '.' || IsDigit(C)) && ReadNumber(Token)) return;
    ReadKeyword(Token, Text);
}

bool TLexer::ReadRefTail(int& Gen) {
    // Looks ahead over bytes only: most numbers are no references, and nothing is built for them.
    const std::size_t Save = FAt;
    SkipWhite();
    std::size_t At = FAt;
    std::int64_t G = 0;
    for (; At < FSize && IsDigit(FData[At]); ++At)
        if (G < GenerationCap) G = G * 10 + (FData[At] - '0');
    if (At > FAt && At < FSize && IsWhite(FData[At])) {
        FAt = At;
        SkipWhite();
        if (FAt < FSize && FData[FAt] == 'R' && (FAt + 1 == FSize || !IsRegular(FData[FAt + 1]))) {
            ++FAt;
            Gen = static_cast<int>(G);
            return true;
        }
    }
    FAt = Save;
    return false;
}

bool TLexer::ReadStreamStart() {
    const std::size_t Save = FAt;
    SkipWhite();
    if (!LooksAt("stream")) {
        FAt = Save;
        return false;
    }
    FAt += 6;
    // The keyword is followed by CR LF or LF (some writers put a lone CR or spaces first).
    while (FAt < FSize && FData[FAt] == ' ') ++FAt;
    if (FAt < FSize && FData[FAt] == '\r') ++FAt;
    if (FAt < FSize && FData[FAt] == '\n') ++FAt;
    return true;
}

}  // namespace pdf
