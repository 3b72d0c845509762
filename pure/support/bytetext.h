#pragma once
// Byte rules of 8-bit text in the program's ANSI code page: case folding, comparison, search,
// cutting, trimming, byte classes of double-byte characters, path splitting and the line-list
// text form. Nothing here calls the platform; the lead-byte set is handed in from outside.
//
// Texts are std::string holding bytes; lengths count bytes; positions are 1-based.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// ---- Double-byte mode and lead-byte set (process-wide) ----

using TLeadByteRanges = std::vector<std::pair<unsigned char, unsigned char>>;

// Replaces the lead-byte set by the union of the inclusive ranges; an empty list turns
// double-byte mode off.
void SetLeadByteRanges(const TLeadByteRanges& Ranges);
bool DoubleByteMode();
bool IsLeadByte(unsigned char Byte);

enum class TByteClass { Single, Lead, Trail };

// Class of the byte at 1-based Index: decided by the run of lead-set bytes right before it
// (odd run: trail byte), so it needs no parse from the start of the text.
TByteClass ByteClassAt(const std::string& S, int Index);

// Classes of all bytes of S in one pass; equal to ByteClassAt at every position.
std::vector<TByteClass> ByteClasses(const std::string& S);

// ---- Case folding and comparison ----

// A..Z become a..z, byte by byte, whatever the byte class (81 41 becomes 81 61).
std::string AsciiLower(const std::string& S);
// As AsciiLower, but leaves both bytes of every double-byte character as they are.
std::string AsciiLowerWholeChars(const std::string& S);

int CompareBytes(const std::string& S1, const std::string& S2);
// As CompareBytes with a..z folded to A..Z on both sides.
int CompareNoCase(const std::string& S1, const std::string& S2);

// Folds a..z to A..Z; every other byte stays.
inline unsigned char FoldUpper(unsigned char B) { return (B >= 'a' && B <= 'z') ? B - 0x20 : B; }
// Folds A..Z to a..z; every other byte stays.
inline unsigned char FoldLower(unsigned char B) { return (B >= 'A' && B <= 'Z') ? B + 0x20 : B; }
inline bool IsAsciiLetter(unsigned char B) { return (B >= 'A' && B <= 'Z') || (B >= 'a' && B <= 'z'); }

// P2 is zero-terminated; compares min(MaxLen, strlen(P2) + 1) bytes with a..z folded.
int CompareRawNoCase(const void* P1, const char* P2, std::size_t MaxLen);
// True when Len bytes of P1 and P2 are equal with a..z folded; zero bytes are ordinary bytes.
bool RawEqualNoCase(const void* P1, const void* P2, std::size_t Len);

// ---- UTF-8 ----

// Writes the UTF-8 bytes of the code point C (below 0x110000) to Out, which holds at least 4
// bytes; returns how many.
inline std::size_t EncodeUtf8(char32_t C, unsigned char* Out) {
    if (C < 0x80) {
        Out[0] = static_cast<unsigned char>(C);
        return 1;
    }
    if (C < 0x800) {
        Out[0] = static_cast<unsigned char>(0xC0 | (C >> 6));
        Out[1] = static_cast<unsigned char>(0x80 | (C & 0x3F));
        return 2;
    }
    if (C < 0x10000) {
        Out[0] = static_cast<unsigned char>(0xE0 | (C >> 12));
        Out[1] = static_cast<unsigned char>(0x80 | ((C >> 6) & 0x3F));
        Out[2] = static_cast<unsigned char>(0x80 | (C & 0x3F));
        return 3;
    }
    Out[0] = static_cast<unsigned char>(0xF0 | (C >> 18));
    Out[1] = static_cast<unsigned char>(0x80 | ((C >> 12) & 0x3F));
    Out[2] = static_cast<unsigned char>(0x80 | ((C >> 6) & 0x3F));
    Out[3] = static_cast<unsigned char>(0x80 | (C & 0x3F));
    return 4;
}
// Appends the UTF-8 bytes of one code point.
void AppendUtf8(std::string& Out, char32_t C);
// UTF-16 units as UTF-8; surrogate pairs joined, a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const char16_t* Units, std::size_t Count);
// Appends the UTF-16 form of UTF-8 bytes to Out. A byte that starts no valid sequence (a stray
// continuation byte, an overlong or surrogate form, a sequence cut short) gives one U+FFFD.
void DecodeUtf8(std::string_view Bytes, std::u16string& Out);
// True when Bytes are valid UTF-8 throughout (no overlong forms, surrogates or cut sequences).
bool IsValidUtf8(std::string_view Bytes);
// Appends the UTF-16 form of the code point C (a surrogate pair above U+FFFF).
inline void AppendUtf16(std::u16string& Out, char32_t C) {
    if (C < 0x10000) {
        Out += static_cast<char16_t>(C);
    } else {
        C -= 0x10000;
        Out += static_cast<char16_t>(0xD800 + (C >> 10));
        Out += static_cast<char16_t>(0xDC00 + (C & 0x3FF));
    }
}

// ---- Searching, cutting, trimming ----

// Position of the first exact occurrence of Sub in S; 0 when Sub or S is empty or Sub is absent.
int TextPos(const std::string& Sub, const std::string& S);
// Count bytes from Index on (Index < 1 counts as 1); out-of-range arguments give less or nothing.
std::string SubText(const std::string& S, int Index, int Count);
// S from Index to its end.
inline std::string SubText(const std::string& S, int Index) { return SubText(S, Index, static_cast<int>(S.size())); }
// Removes every byte 0x00..0x20 from both ends.
std::string TrimControls(const std::string& S);

// 0-based offset of the first Wanted byte at or after From that is a character of its own, not
// the second byte of a double-byte character; std::string::npos when there is none.
std::size_t FindSingleByte(const std::string& S, char Wanted, std::size_t From = 0);

// Position of the first exact occurrence of Sub in S that does not begin at a trail byte of S;
// both taken up to their first zero byte. 0 when none or either is empty.
int PosNotAtTrail(const std::string& Sub, const std::string& S);

// ---- Paths ("\" and ":" separate; a separator that is a trail byte separates nothing) ----

int LastSeparatorPos(const std::string& Delimiters, const std::string& S);
std::string FolderPart(const std::string& Path);     // up to and including the last "\" or ":"
std::string NamePart(const std::string& Path);       // after the last "\" or ":"
std::string ExtensionPart(const std::string& Path);  // from the last "." of the name, or empty
// Path less one final "\" when that "\" is a character of its own, not the second byte of a
// double-byte character.
std::string WithoutTrailingBackslash(const std::string& Path);

// ---- Ordered list of text lines with its file text form ----

class TStringList {
public:
    void Add(const std::string& Line) { FLines.push_back(Line); }
    int Count() const { return static_cast<int>(FLines.size()); }
    const std::string& operator[](int Index) const { return FLines[static_cast<std::size_t>(Index)]; }
    std::string& operator[](int Index) { return FLines[static_cast<std::size_t>(Index)]; }
    void Clear() { FLines.clear(); }

    // Every line followed by CR LF.
    std::string ToText() const;
    // Clears the list, then takes lines from Bytes up to its first zero byte; CR, LF and CR LF
    // each end a line, and a last line without an end counts.
    void SetText(const std::string& Bytes);

    // Writes ToText() to the file, replacing it only once the new content is complete.
    // Fails with "不能创建文件 %s" or "写流出错"; the old file then stays as it was.
    void SaveLines(const std::string& FileName) const;
    // Reads the file with SetText. Fails with "不能打开文件 %s" and leaves the list unchanged.
    void LoadLines(const std::string& FileName);

private:
    std::vector<std::string> FLines;
};
