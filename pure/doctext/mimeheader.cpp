#include "pure/doctext/mimeheader.h"

#include <algorithm>
#include <map>
#include <vector>

#include "pure/doctext/charset.h"
#include "pure/doctext/decodelimits.h"
#include "pure/doctext/mimecoding.h"
#include "pure/support/bytetext.h"

namespace {

bool IsBlank(char C) { return C == ' ' || C == '\t'; }

int HexValue(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    return -1;
}

// Text with its escapes (Escape and two hexadecimal digits) decoded; with Underscore, "_" is a
// space.
std::string HexDecoded(std::string_view Text, char Escape, bool Underscore) {
    std::string Out;
    for (std::size_t I = 0; I < Text.size(); ++I) {
        if (Text[I] == '_' && Underscore) {
            Out += ' ';
        } else if (Text[I] == Escape && I + 2 < Text.size() && HexValue(Text[I + 1]) >= 0 &&
                   HexValue(Text[I + 2]) >= 0) {
            Out += static_cast<char>(HexValue(Text[I + 1]) * 16 + HexValue(Text[I + 2]));
            I += 2;
        } else {
            Out += Text[I];
        }
    }
    return Out;
}

// The bytes of an encoded word's text: base64 (B) or the header form of quoted-printable (Q),
// where "_" is a space.
std::string DecodeWordText(char Encoding, std::string_view Text) {
    if (Encoding == 'Q' || Encoding == 'q') return HexDecoded(Text, '=', true);
    TTransferDecoder Decoder(TTransferEncoding::Base64);
    std::string Out(Text.size() + 2, '\0');
    auto* To = reinterpret_cast<unsigned char*>(Out.data());
    std::size_t N = Decoder.Decode(reinterpret_cast<const unsigned char*>(Text.data()), Text.size(), To);
    N += Decoder.Finish(To + N);
    Out.resize(N);
    return Out;
}

// An encoded word at Value[At] ("=?charset?E?text?="): its charset label (without a language
// after "*"), encoding and text, and the offset after it; false when none stands there.
struct TEncodedWord {
    std::string_view Charset, Text;
    char Encoding = 0;
    std::size_t End = 0;
};
bool ReadEncodedWord(std::string_view Value, std::size_t At, TEncodedWord& Word) {
    if (Value.substr(At, 2) != "=?") return false;
    const std::size_t CharsetEnd = Value.find('?', At + 2);
    if (CharsetEnd == std::string_view::npos || CharsetEnd + 2 >= Value.size() || Value[CharsetEnd + 2] != '?')
        return false;
    Word.Charset = Value.substr(At + 2, CharsetEnd - At - 2);
    Word.Charset = Word.Charset.substr(0, Word.Charset.find('*'));
    Word.Encoding = Value[CharsetEnd + 1];
    if (Word.Encoding != 'B' && Word.Encoding != 'b' && Word.Encoding != 'Q' && Word.Encoding != 'q') return false;
    const std::size_t TextStart = CharsetEnd + 3;
    const std::size_t TextEnd = Value.find("?=", TextStart);
    if (TextEnd == std::string_view::npos || Word.Charset.empty()) return false;
    Word.Text = Value.substr(TextStart, TextEnd - TextStart);
    for (char C : Word.Charset)
        if (IsBlank(C)) return false;
    for (char C : Word.Text)
        if (IsBlank(C)) return false;
    Word.End = TextEnd + 2;
    return true;
}

// One parameter of a structured value: its name in lower case and its value, unquoted.
struct TParameter {
    std::string Name;
    std::string Value;
};

std::vector<TParameter> Parameters(std::string_view Value) {
    std::vector<TParameter> Out;
    std::size_t At = Value.find(';');
    while (At != std::string_view::npos && At < Value.size() && Out.size() < MimeMaxParameters) {
        ++At;
        while (At < Value.size() && (IsBlank(Value[At]) || Value[At] == '\n' || Value[At] == '\r')) ++At;
        const std::size_t Equals = Value.find_first_of("=;", At);
        if (Equals == std::string_view::npos || Value[Equals] == ';') {
            At = Equals;
            continue;
        }
        std::string_view Name = Value.substr(At, Equals - At);
        while (!Name.empty() && IsBlank(Name.back())) Name.remove_suffix(1);
        TParameter P{AsciiLower(std::string(Name)), {}};
        At = Equals + 1;
        while (At < Value.size() && IsBlank(Value[At])) ++At;
        if (At < Value.size() && Value[At] == '"') {
            for (++At; At < Value.size() && Value[At] != '"'; ++At) {
                if (Value[At] == '\\' && At + 1 < Value.size()) ++At;
                P.Value += Value[At];
            }
            At = Value.find(';', At);
        } else {
            // A token; some writers leave a name with spaces unquoted, so it runs to the ";".
            const std::size_t End = Value.find(';', At);
            std::string_view Token = Value.substr(At, End == std::string_view::npos ? End : End - At);
            while (!Token.empty() && IsBlank(Token.back())) Token.remove_suffix(1);
            P.Value = Token;
            At = End;
        }
        Out.push_back(std::move(P));
    }
    return Out;
}

// The parameter Name: its bytes, whether it was written in the extended form, and the charset
// that form names.
struct TParameterValue {
    bool Found = false, Extended = false;
    std::string Bytes, Charset;
};
TParameterValue FindParameter(std::string_view Value, std::string_view Name) {
    TParameterValue Out;
    std::map<unsigned, std::pair<bool, std::string>> Sections;  // number: extended, value
    for (TParameter& P : Parameters(Value)) {
        if (P.Name == Name && !Out.Found) {
            Out.Found = true, Out.Bytes = std::move(P.Value);
            continue;
        }
        // "name*" (one extended section), "name*N" and "name*N*" (section N, plain or extended).
        if (P.Name.size() <= Name.size() || P.Name.compare(0, Name.size(), Name) != 0 || P.Name[Name.size()] != '*')
            continue;
        std::string_view Rest = std::string_view(P.Name).substr(Name.size() + 1);
        const bool Extended = Rest.empty() || Rest.back() == '*';
        if (!Rest.empty() && Rest.back() == '*') Rest.remove_suffix(1);
        unsigned Number = 0;
        if (!Rest.empty()) {
            if (Rest.size() > 3 || Rest.find_first_not_of("0123456789") != std::string_view::npos) continue;
            Number = static_cast<unsigned>(std::stoul(std::string(Rest)));
        }
        Sections.emplace(Number, std::make_pair(Extended, std::move(P.Value)));
    }
    if (Sections.empty()) return Out;
    // The sections, numbered from 0 without a gap; the first names the charset of the extended ones.
    Out = TParameterValue{true, false, {}, {}};
    unsigned Next = 0;
    for (auto& [Number, Section] : Sections) {
        if (Number != Next++) break;
        std::string_view Text = Section.second;
        if (Section.first && Number == 0) {
            const std::size_t First = Text.find('\''), Second = Text.find('\'', First + 1);
            if (First != std::string_view::npos && Second != std::string_view::npos) {
                Out.Charset = Text.substr(0, First);
                Text.remove_prefix(Second + 1);
            }
            Out.Extended = true;
        }
        Out.Bytes += Section.first ? HexDecoded(Text, '%', false) : std::string(Text);
    }
    return Out;
}

}  // namespace

std::string MimeField(std::string_view Block, std::string_view Name) {
    std::size_t Line = 0;
    while (Line < Block.size()) {
        std::size_t End = Block.find('\n', Line);
        if (End == std::string_view::npos) End = Block.size();
        std::size_t At = Line + Name.size();
        if (At <= End && RawEqualNoCase(Block.data() + Line, Name.data(), Name.size())) {
            while (At < End && IsBlank(Block[At])) ++At;
            if (At < End && Block[At] == ':') {
                std::string Value(Block.substr(At + 1, End - At - 1));
                // Folded lines: a line end before white space goes.
                while (End + 1 < Block.size() && IsBlank(Block[End + 1])) {
                    const std::size_t Next = std::min(Block.find('\n', End + 1), Block.size());
                    Value.append(Block.substr(End + 1, Next - End - 1));
                    End = Next;
                }
                const std::size_t First = Value.find_first_not_of(" \t");
                return First == std::string::npos ? std::string() : Value.substr(First);
            }
        }
        Line = End + 1;
    }
    return {};
}

unsigned MimeCodePage(std::string_view Label, const TDecodeEnv& Env) {
    if (Label.find_first_not_of(" \t") == std::string_view::npos) return CodePageAuto;
    const unsigned CodePage = CodePageOfLabel(Label);
    return CodePage != 0 ? CodePage : Env.SystemCodePage();
}

std::u16string DecodeHeaderText(std::string_view Value, const TDecodeEnv& Env) {
    std::u16string Out;
    // Bytes of adjacent encoded words of one charset, decoded together.
    std::string Pending;
    unsigned PendingPage = 0;
    auto FlushWords = [&] {
        if (!Pending.empty()) DecodeText(Pending, PendingPage, Env, Out);
        Pending.clear();
    };
    std::size_t Raw = 0;  // the start of text not yet handed out
    bool AfterWord = false;
    for (std::size_t At = Value.find("=?"); At != std::string_view::npos; At = Value.find("=?", At)) {
        TEncodedWord Word;
        if (!ReadEncodedWord(Value, At, Word)) {
            At += 2;
            continue;
        }
        const std::string_view Between = Value.substr(Raw, At - Raw);
        if (!(AfterWord && Between.find_first_not_of(" \t\r\n") == std::string_view::npos)) {
            FlushWords();
            DecodeText(Between, CodePageAuto, Env, Out);
        }
        const unsigned CodePage = MimeCodePage(Word.Charset, Env);
        if (CodePage != PendingPage) FlushWords();
        PendingPage = CodePage;
        Pending += DecodeWordText(Word.Encoding, Word.Text);
        Raw = At = Word.End;
        AfterWord = true;
    }
    FlushWords();
    DecodeText(Value.substr(Raw), CodePageAuto, Env, Out);
    return Out;
}

std::string MimeValueToken(std::string_view Value) {
    const std::size_t Start = Value.find_first_not_of(" \t");
    if (Start == std::string_view::npos) return {};
    const std::size_t End = Value.find_first_of(" \t;(", Start);
    return AsciiLower(std::string(Value.substr(Start, End == std::string_view::npos ? End : End - Start)));
}

std::string MimeParameter(std::string_view Value, std::string_view Name) { return FindParameter(Value, Name).Bytes; }

std::u16string MimeParameterText(std::string_view Value, std::string_view Name, const TDecodeEnv& Env) {
    const TParameterValue P = FindParameter(Value, Name);
    if (!P.Extended) return DecodeHeaderText(P.Bytes, Env);
    std::u16string Out;
    DecodeText(P.Bytes, MimeCodePage(P.Charset, Env), Env, Out);
    return Out;
}
