#include "pure/support/bytetext.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

struct TLeadByteSet {
    std::array<bool, 256> IsLead{};
    bool Any = false;
};

TLeadByteSet& LeadBytes() {
    static TLeadByteSet Set;
    return Set;
}

bool IsDelimiter(const std::string& Delimiters, unsigned char B) {
    return B != 0 && Delimiters.find(static_cast<char>(B)) != std::string::npos;
}

int AsInt(std::size_t N) { return static_cast<int>(N); }

}  // namespace

void SetLeadByteRanges(const TLeadByteRanges& Ranges) {
    TLeadByteSet Set;
    for (const auto& [First, Last] : Ranges)
        for (unsigned B = First; B <= Last; ++B) {
            Set.IsLead[B] = true;
            Set.Any = true;
        }
    LeadBytes() = Set;
}

bool DoubleByteMode() { return LeadBytes().Any; }

bool IsLeadByte(unsigned char Byte) { return LeadBytes().IsLead[Byte]; }

TByteClass ByteClassAt(const std::string& S, int Index) {
    if (Index < 1 || Index > AsInt(S.size()) || !DoubleByteMode()) return TByteClass::Single;
    const auto B = static_cast<unsigned char>(S[static_cast<std::size_t>(Index - 1)]);
    if (B == 0) return TByteClass::Single;
    int Run = 0;
    for (int I = Index - 1; I >= 1 && IsLeadByte(static_cast<unsigned char>(S[static_cast<std::size_t>(I - 1)])); --I)
        ++Run;
    if (Run % 2 == 1) return TByteClass::Trail;
    return IsLeadByte(B) ? TByteClass::Lead : TByteClass::Single;
}

std::vector<TByteClass> ByteClasses(const std::string& S) {
    std::vector<TByteClass> Classes(S.size(), TByteClass::Single);
    if (!DoubleByteMode()) return Classes;
    std::size_t Run = 0;  // lead-set bytes right before the current one
    for (std::size_t I = 0; I < S.size(); ++I) {
        const auto B = static_cast<unsigned char>(S[I]);
        if (B != 0) {
            if (Run % 2 == 1)
                Classes[I] = TByteClass::Trail;
            else if (IsLeadByte(B))
                Classes[I] = TByteClass::Lead;
        }
        Run = IsLeadByte(B) ? Run + 1 : 0;
    }
    return Classes;
}

std::string AsciiLower(const std::string& S) {
    std::string R(S);
    for (char& C : R) C = static_cast<char>(FoldLower(static_cast<unsigned char>(C)));
    return R;
}

std::string AsciiLowerWholeChars(const std::string& S) {
    std::string R(S);
    const auto Classes = ByteClasses(S);
    for (std::size_t I = 0; I < R.size(); ++I)
        if (Classes[I] == TByteClass::Single) R[I] = static_cast<char>(FoldLower(static_cast<unsigned char>(R[I])));
    return R;
}

namespace {

template <typename TFold>
int CompareWith(const std::string& S1, const std::string& S2, TFold Fold) {
    const std::size_t N = std::min(S1.size(), S2.size());
    for (std::size_t I = 0; I < N; ++I) {
        const int A = Fold(static_cast<unsigned char>(S1[I]));
        const int B = Fold(static_cast<unsigned char>(S2[I]));
        if (A != B) return A - B;
    }
    return AsInt(S1.size()) - AsInt(S2.size());
}

}  // namespace

int CompareBytes(const std::string& S1, const std::string& S2) {
    return CompareWith(S1, S2, [](unsigned char B) { return B; });
}

int CompareNoCase(const std::string& S1, const std::string& S2) { return CompareWith(S1, S2, FoldUpper); }

int CompareRawNoCase(const void* P1, const char* P2, std::size_t MaxLen) {
    if (MaxLen == 0) return 0;
    const std::size_t N = std::min(MaxLen, std::strlen(P2) + 1);
    const auto* A = static_cast<const unsigned char*>(P1);
    const auto* B = reinterpret_cast<const unsigned char*>(P2);
    for (std::size_t I = 0; I < N; ++I) {
        const int X = FoldUpper(A[I]);
        const int Y = FoldUpper(B[I]);
        if (X != Y) return X - Y;
    }
    return 0;
}

bool RawEqualNoCase(const void* P1, const void* P2, std::size_t Len) {
    const auto* A = static_cast<const unsigned char*>(P1);
    const auto* B = static_cast<const unsigned char*>(P2);
    for (std::size_t I = 0; I < Len; ++I)
        if (FoldUpper(A[I]) != FoldUpper(B[I])) return false;
    return true;
}

int TextPos(const std::string& Sub, const std::string& S) {
    if (Sub.empty() || S.empty() || Sub.size() > S.size()) return 0;
    const auto At = S.find(Sub);
    return At == std::string::npos ? 0 : AsInt(At) + 1;
}

std::string SubText(const std::string& S, int Index, int Count) {
    if (Index < 1) Index = 1;
    if (Index > AsInt(S.size()) || Count <= 0) return std::string();
    return S.substr(static_cast<std::size_t>(Index - 1), static_cast<std::size_t>(Count));
}

std::string TrimControls(const std::string& S) {
    auto IsControl = [](char C) { return static_cast<unsigned char>(C) <= 0x20; };
    const auto First = std::find_if_not(S.begin(), S.end(), IsControl);
    const auto Last = std::find_if_not(S.rbegin(), std::string::const_reverse_iterator(First), IsControl).base();
    return std::string(First, Last);
}

std::size_t FindSingleByte(const std::string& S, char Wanted, std::size_t From) {
    // A byte is a trail byte when an odd run of lead-set bytes stands right before it (see
    // ByteClasses); the run before From is counted once, then carried along.
    std::size_t Run = 0;
    for (std::size_t I = std::min(From, S.size()); I > 0 && IsLeadByte(static_cast<unsigned char>(S[I - 1])); --I)
        ++Run;
    for (std::size_t I = From; I < S.size(); ++I) {
        const auto B = static_cast<unsigned char>(S[I]);
        if (S[I] == Wanted && (Run % 2 == 0 || B == 0)) return I;
        Run = IsLeadByte(B) ? Run + 1 : 0;
    }
    return std::string::npos;
}

int PosNotAtTrail(const std::string& Sub, const std::string& S) {
    const std::string Needle(Sub.c_str());
    const std::string Hay(S.c_str());
    if (Needle.empty() || Hay.empty()) return 0;
    for (auto At = FindSingleByte(Hay, Needle[0]); At != std::string::npos; At = FindSingleByte(Hay, Needle[0], At + 1))
        if (Hay.compare(At, Needle.size(), Needle) == 0) return AsInt(At) + 1;
    return 0;
}

int LastSeparatorPos(const std::string& Delimiters, const std::string& S) {
    int I = AsInt(S.size());
    while (I >= 1) {
        const auto B = static_cast<unsigned char>(S[static_cast<std::size_t>(I - 1)]);
        if (IsDelimiter(Delimiters, B)) {
            if (ByteClassAt(S, I) != TByteClass::Trail) return I;
            I -= 2;  // the delimiter is the second byte of a character: skip the whole character
            continue;
        }
        --I;
    }
    return 0;
}

std::string FolderPart(const std::string& Path) { return SubText(Path, 1, LastSeparatorPos("\\:", Path)); }

std::string NamePart(const std::string& Path) { return SubText(Path, LastSeparatorPos("\\:", Path) + 1); }

std::string ExtensionPart(const std::string& Path) {
    const int I = LastSeparatorPos(".\\:", Path);
    if (I > 0 && Path[static_cast<std::size_t>(I - 1)] == '.') return SubText(Path, I);
    return std::string();
}

std::string WithoutTrailingBackslash(const std::string& Path) {
    const int N = AsInt(Path.size());
    if (N > 0 && Path.back() == '\\' && ByteClassAt(Path, N) != TByteClass::Trail)
        return Path.substr(0, Path.size() - 1);
    return Path;
}

std::string TStringList::ToText() const {
    std::size_t Size = 0;
    for (const auto& Line : FLines) Size += Line.size() + 2;
    std::string Text;
    Text.reserve(Size);
    for (const auto& Line : FLines) {
        Text += Line;
        Text += "\r\n";
    }
    return Text;
}

void TStringList::SetText(const std::string& Bytes) {
    Clear();
    const std::size_t End = std::min(Bytes.size(), Bytes.find('\0'));
    std::size_t I = 0;
    while (I < End) {
        const std::size_t Start = I;
        while (I < End && Bytes[I] != '\r' && Bytes[I] != '\n') ++I;
        FLines.emplace_back(Bytes, Start, I - Start);
        if (I < End && Bytes[I] == '\r') ++I;
        if (I < End && Bytes[I] == '\n') ++I;
    }
}

void AppendUtf8(std::string& Out, char32_t C) {
    unsigned char Bytes[4];
    Out.append(reinterpret_cast<const char*>(Bytes), EncodeUtf8(C, Bytes));
}

namespace {

// The length of the valid UTF-8 sequence at the start of Bytes (1 to 4) with its code point, or
// 0 when none starts there.
std::size_t Utf8SequenceAt(std::string_view Bytes, char32_t& C) {
    const auto B = [&](std::size_t I) { return static_cast<unsigned char>(Bytes[I]); };
    const unsigned char Lead = B(0);
    if (Lead < 0x80) {
        C = Lead;
        return 1;
    }
    const std::size_t Length = Lead >= 0xC2 && Lead < 0xE0   ? 2
                               : Lead >= 0xE0 && Lead < 0xF0 ? 3
                               : Lead >= 0xF0 && Lead < 0xF5 ? 4
                                                             : 0;
    if (Length == 0 || Bytes.size() < Length) return 0;
    char32_t Code = Lead & (0x7F >> Length);
    for (std::size_t I = 1; I < Length; ++I) {
        if ((B(I) & 0xC0) != 0x80) return 0;
        Code = (Code << 6) | (B(I) & 0x3F);
    }
    // Overlong three- and four-byte forms, surrogates and code points past U+10FFFF are no text.
    if ((Length == 3 && (Code < 0x800 || (Code >= 0xD800 && Code < 0xE000))) ||
        (Length == 4 && (Code < 0x10000 || Code >= 0x110000)))
        return 0;
    C = Code;
    return Length;
}

}  // namespace

void DecodeUtf8(std::string_view Bytes, std::u16string& Out) {
    while (!Bytes.empty()) {
        // A run of ASCII, most of a page's markup, widened in one piece.
        std::size_t Ascii = 0;
        while (Ascii < Bytes.size() && static_cast<unsigned char>(Bytes[Ascii]) < 0x80) ++Ascii;
        if (Ascii > 0) {
            Out.append(Bytes.begin(), Bytes.begin() + static_cast<std::ptrdiff_t>(Ascii));
            Bytes.remove_prefix(Ascii);
            continue;
        }
        // A well-formed three-byte sequence (all of the common Chinese characters) directly.
        const auto* B = reinterpret_cast<const unsigned char*>(Bytes.data());
        if (Bytes.size() >= 3 && (B[0] & 0xF0) == 0xE0 && (B[1] & 0xC0) == 0x80 && (B[2] & 0xC0) == 0x80) {
            const char32_t Three = ((B[0] & 0x0Fu) << 12) | ((B[1] & 0x3Fu) << 6) | (B[2] & 0x3Fu);
            if (Three >= 0x800 && (Three < 0xD800 || Three >= 0xE000)) {
                Out += static_cast<char16_t>(Three);
                Bytes.remove_prefix(3);
                continue;
            }
        }
        char32_t C = 0;
        std::size_t Length = Utf8SequenceAt(Bytes, C);
        if (Length == 0) C = 0xFFFD, Length = 1;
        AppendUtf16(Out, C);
        Bytes.remove_prefix(Length);
    }
}

bool IsValidUtf8(std::string_view Bytes) {
    while (!Bytes.empty()) {
        char32_t C = 0;
        const std::size_t Length = Utf8SequenceAt(Bytes, C);
        if (Length == 0) return false;
        Bytes.remove_prefix(Length);
    }
    return true;
}

std::string Utf16ToUtf8(const char16_t* Units, std::size_t Count) {
    std::string Out;
    for (std::size_t I = 0; I < Count; ++I) {
        char32_t C = Units[I];
        if (C >= 0xD800 && C < 0xDC00 && I + 1 < Count && Units[I + 1] >= 0xDC00 && Units[I + 1] < 0xE000)
            C = 0x10000 + ((C - 0xD800) << 10) + (Units[++I] - 0xDC00);
        else if (C >= 0xD800 && C < 0xE000)
            C = 0xFFFD;
        AppendUtf8(Out, C);
    }
    return Out;
}
