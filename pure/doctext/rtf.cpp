#include "pure/doctext/rtf.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "pure/doctext/bytereader.h"
#include "pure/doctext/decodelimits.h"

namespace {

// Where a group's text goes. Text and Property reach the sink; Info holds the properties;
// Alternate is the 8-bit copy of a text whose Unicode copy follows in a nested \ud group;
// FontTable is read only for the code pages of the fonts.
enum class TDest : unsigned char { Text, Property, Info, Alternate, FontTable, Hidden };

bool Visible(TDest D) { return D == TDest::Text || D == TDest::Property; }

struct TGroup {
    TDest Dest = TDest::Text;
    TDest BeforeAlternate = TDest::Text;  // the destination that a \ud group inside \upr returns to
    unsigned char FallbackCount = 1;      // \ucN: characters that stand in for each \uN
    unsigned short FontCodePage = 0;      // of the current font's character set; 0: the document's
};

enum class TAction : unsigned char {
    Break,         // ends a paragraph, cell, row, section or page
    Unit,          // a character given by the table
    Unicode,       // \uN
    UnicodeSkip,   // \ucN
    CodePage,      // \ansicpg
    Hide,          // a destination a reader does not see
    Info,          // the document properties
    Property,      // one property inside \info
    Alternate,     // \upr: an 8-bit copy, then a Unicode one
    UnicodeCopy,   // \ud inside \upr
    Binary,        // \binN: N bytes of data follow
    FontTable,     // \fonttbl
    Font,          // \fN: selects a font, or names one in the font table
    FontCharset,   // \fcharsetN in the font table
    FontCodePage,  // \cpgN in the font table
};

struct TWord {
    std::string_view Name;
    TAction Action;
    char16_t Unit = 0;
};

// Sorted by name for the binary search.
constexpr TWord Words[] = {
    {"ansicpg", TAction::CodePage},
    {"author", TAction::Property},
    {"bin", TAction::Binary},
    {"bkmkstart", TAction::Hide},
    {"bullet", TAction::Unit, 0x2022},
    {"category", TAction::Property},
    {"cell", TAction::Break},
    {"colortbl", TAction::Hide},
    {"comment", TAction::Property},
    {"company", TAction::Property},
    {"cpg", TAction::FontCodePage},
    {"datastore", TAction::Hide},
    {"doccomm", TAction::Property},
    {"emdash", TAction::Unit, 0x2014},
    {"emspace", TAction::Unit, 0x2003},
    {"endash", TAction::Unit, 0x2013},
    {"enspace", TAction::Unit, 0x2002},
    {"f", TAction::Font},
    {"fcharset", TAction::FontCharset},
    {"fldinst", TAction::Hide},
    {"fonttbl", TAction::FontTable},
    {"info", TAction::Info},
    {"keywords", TAction::Property},
    {"ldblquote", TAction::Unit, 0x201C},
    {"line", TAction::Unit, u'\n'},
    {"listoverridetable", TAction::Hide},
    {"listtable", TAction::Hide},
    {"lquote", TAction::Unit, 0x2018},
    {"manager", TAction::Property},
    {"nestcell", TAction::Break},
    {"nonshppict", TAction::Hide},
    {"objdata", TAction::Hide},
    {"object", TAction::Unit, 0},  // holds \objdata (hidden) and \result (visible)
    {"operator", TAction::Property},
    {"page", TAction::Break},
    {"par", TAction::Break},
    {"pict", TAction::Hide},
    {"qmspace", TAction::Unit, 0x2005},
    {"rdblquote", TAction::Unit, 0x201D},
    {"revtbl", TAction::Hide},
    {"row", TAction::Break},
    {"rquote", TAction::Unit, 0x2019},
    {"sect", TAction::Break},
    {"stylesheet", TAction::Hide},
    {"subject", TAction::Property},
    {"tab", TAction::Unit, u'\t'},
    {"themedata", TAction::Hide},
    {"title", TAction::Property},
    {"u", TAction::Unicode},
    {"uc", TAction::UnicodeSkip},
    {"ud", TAction::UnicodeCopy},
    {"upr", TAction::Alternate},
};

static_assert(std::is_sorted(std::begin(Words), std::end(Words),
                             [](const TWord& A, const TWord& B) { return A.Name < B.Name; }));

constexpr TWord UnicodeWord{"u", TAction::Unicode};

const TWord* FindWord(std::string_view Name) {
    const auto* End = std::end(Words);
    const auto* At =
        std::lower_bound(std::begin(Words), End, Name, [](const TWord& W, std::string_view N) { return W.Name < N; });
    return At != End && At->Name == Name ? At : nullptr;
}

bool IsDoubleByteCodePage(unsigned CodePage) {
    return CodePage == 932 || CodePage == 936 || CodePage == 949 || CodePage == 950;
}

// The Windows code page of an RTF font character set; 0 for the document's own.
unsigned short CharsetCodePage(std::int64_t Charset) {
    switch (Charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    default:
        return 0;
    }
}

// The value of every byte as a hexadecimal digit, -1 for bytes that are none; and the bytes that
// end a run of plain text. Tables, since both tests run once per byte of the document.
struct TByteClasses {
    signed char Hex[256];
    bool EndsText[256];
    constexpr TByteClasses() : Hex(), EndsText() {
        for (int C = 0; C < 256; ++C) {
            Hex[C] = C >= '0' && C <= '9'   ? C - '0'
                     : C >= 'a' && C <= 'f' ? C - 'a' + 10
                     : C >= 'A' && C <= 'F' ? C - 'A' + 10
                                            : -1;
            EndsText[C] = C == '{' || C == '}' || C == '\\' || C == '\r' || C == '\n' || C == '\0';
        }
    }
};
constexpr TByteClasses ByteClasses;

int HexValue(int C) { return C < 0 ? -1 : ByteClasses.Hex[C]; }

bool IsDigit(unsigned char C) { return C >= '0' && C <= '9'; }

// A byte that is 8-bit text by itself, not markup or a line end.
bool IsPlainText(unsigned char C) { return !ByteClasses.EndsText[C]; }

class TRtfDecoder {
public:
    TRtfDecoder(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env) : FReader(Source), FSink(Sink), FEnv(Env) {
        FStack.reserve(64);
    }

    void Run() {
        while (!FStop) {
            const int C = FReader.Get();
            if (C < 0) break;
            switch (C) {
            case '{':
                OpenGroup();
                break;
            case '}':
                if (!CloseGroup()) {  // the document's outermost group ended
                    Flush();
                    FStop = true;
                }
                break;
            case '\\':
                if (!UnicodeEscape() && !HexEscapes()) Control();
                break;
            case '\r':
            case '\n':
            case '\0':
                break;
            default:
                if (FFallbackLeft == 0 && !FStarred)
                    TextRun(static_cast<unsigned char>(C));
                else
                    TextByte(static_cast<unsigned char>(C));
            }
        }
        Flush();
    }

private:
    // Pending 8-bit text and collected units are handed on in pieces of about this size.
    static constexpr std::size_t PieceSize = 4096;

    TGroup& Top() { return FStack.empty() ? FOutside : FStack.back(); }

    void OpenGroup() {
        FStarred = false;
        FFallbackLeft = 0;
        if (FStack.size() >= RtfMaxDepth) {
            ++FOverflow;
            return;
        }
        // Outside the document's group nothing is visible; its first group is the document.
        FStack.push_back(FStack.empty() ? TGroup{} : Top());
    }

    // False when the document's group itself closed.
    bool CloseGroup() {
        FStarred = false;
        FFallbackLeft = 0;
        if (FOverflow > 0) {
            --FOverflow;
            return true;
        }
        if (FStack.empty()) return true;
        ConvertPending();  // in the closing group's code page
        const TDest Was = FStack.back().Dest;
        FStack.pop_back();
        if (FStack.empty()) return false;
        if (Was != Top().Dest) {
            Flush();
            if (Was == TDest::Property) Break();
        }
        return true;
    }

    void SetDest(TDest Dest) {
        if (Top().Dest == Dest) return;
        Flush();
        Top().Dest = Dest;
    }

    // The common \uN (with an optional space) read straight from the buffer, when nothing makes it
    // special: no fallback characters pending, no "\*" before it. A run of such characters, each
    // followed by its one plain fallback byte, is taken in one loop. False leaves the input as it
    // was (the backslash already taken).
    bool UnicodeEscape() {
        if (FFallbackLeft > 0 || FStarred) return false;
        std::size_t Count;
        const unsigned char* P = FReader.Buffered(Count);
        const bool Show = Visible(Top().Dest);
        const unsigned char Fallback = Top().FallbackCount;
        std::size_t Pos = 0;    // P[Pos] follows a backslash already taken
        std::size_t Taken = 0;  // bytes taken for good; a backslash after them stays in the input
        bool Any = false;
        char16_t Units[256];  // handed on together, not one by one
        std::size_t Held = 0;
        const auto HandOn = [&] {
            FUnits.append(Units, Held);
            Held = 0;
            if (FUnits.size() >= PieceSize) Send();
        };
        while (!FStop) {
            std::size_t I = Pos;
            if (Count - I < 3 || P[I] != 'u') break;
            ++I;
            const bool Negative = P[I] == '-';
            if (Negative) ++I;
            std::int64_t Param = 0;
            const std::size_t DigitsFrom = I;
            while (I < Count && I < DigitsFrom + 7 && IsDigit(P[I])) Param = Param * 10 + (P[I++] - '0');
            // A word cut by the buffer's end, with no digits or with too many takes the general way.
            if (I == DigitsFrom || I >= Count || IsDigit(P[I])) break;
            if (P[I] == ' ') ++I;
            Taken = I;
            Any = true;
            if (Negative) Param = -Param;
            if (Param < -32768 || Param > 65535) break;
            if (Show) {
                if (!FPending.empty()) ConvertPending();
                Units[Held++] = static_cast<char16_t>(Param < 0 ? Param + 65536 : Param);
                if (Held == std::size(Units)) HandOn();
            }
            // One plain fallback byte is passed over here; anything else is left to the general way.
            if (Fallback != 1 || Taken >= Count || !IsPlainText(P[Taken])) {
                FFallbackLeft = Fallback;
                break;
            }
            ++Taken;
            if (Taken + 1 >= Count || P[Taken] != '\\') break;
            Pos = Taken + 1;
        }
        if (Held > 0) HandOn();
        FReader.Advance(Taken);
        return Any;
    }

    // A run of \'hh bytes (8-bit text in the code page, a double-byte character written as two)
    // read straight from the buffer, when no fallback characters are pending and no "\*" waits.
    // False leaves the input as it was (the backslash already taken).
    bool HexEscapes() {
        if (FFallbackLeft > 0 || FStarred) return false;
        std::size_t Count;
        const unsigned char* P = FReader.Buffered(Count);
        std::size_t Pos = 0;    // P[Pos] follows a backslash already taken
        std::size_t Taken = 0;  // bytes taken for good
        char Bytes[256];
        std::size_t Held = 0;
        const bool Show = Visible(Top().Dest);
        while (Count - Pos >= 3 && P[Pos] == '\'') {
            const int High = HexValue(P[Pos + 1]), Low = HexValue(P[Pos + 2]);
            if (High < 0 || Low < 0) break;
            Bytes[Held++] = static_cast<char>(High * 16 + Low);
            Taken = Pos + 3;
            if (Held == sizeof Bytes) {
                if (Show) FPending.append(Bytes, Held);
                Held = 0;
            }
            if (Count - Taken < 2 || P[Taken] != '\\') break;
            Pos = Taken + 1;
        }
        if (Taken == 0) return false;
        if (Show) {
            FPending.append(Bytes, Held);
            if (FPending.size() >= PieceSize) ConvertPending(true);
        }
        FReader.Advance(Taken);
        return true;
    }

    void Control() {
        const int C = FReader.Peek();
        if (C < 0) return;
        if ((C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z')) {
            ControlWord();
            return;
        }
        FReader.Get();
        FStarred = false;
        switch (C) {
        case '\'': {  // a digit that is not hexadecimal stays in the input: it may be a brace
            const int High = HexValue(FReader.Peek());
            if (High < 0) break;
            FReader.Get();
            const int Low = HexValue(FReader.Peek());
            if (Low < 0) break;
            FReader.Get();
            TextByte(static_cast<unsigned char>(High * 16 + Low));
            break;
        }
        case '{':
        case '}':
        case '\\':
            TextByte(static_cast<unsigned char>(C));
            break;
        case '~':
            PutUnit(0x00A0);
            break;
        case '_':
            PutUnit(0x2011);
            break;
        case '*':
            FStarred = true;
            break;
        case '\r':
        case '\n':
            if (FFallbackLeft > 0)
                --FFallbackLeft;
            else
                Break();
            break;
        default:
            if (FFallbackLeft > 0) --FFallbackLeft;
        }
    }

    void ControlWord() {
        char Name[32];
        std::size_t Length = 0;
        for (int C = FReader.Peek(); (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); C = FReader.Peek()) {
            FReader.Get();
            if (Length < sizeof Name) Name[Length] = static_cast<char>(C);
            ++Length;
        }
        const bool Known = Length <= sizeof Name;
        bool Negative = false, HasParam = false;
        std::int64_t Param = 0;
        if (FReader.Peek() == '-') {
            FReader.Get();
            Negative = true;
        }
        for (int C = FReader.Peek(); C >= '0' && C <= '9'; C = FReader.Peek()) {
            FReader.Get();
            HasParam = true;
            if (Param < (std::int64_t(1) << 32)) Param = Param * 10 + (C - '0');
        }
        if (Negative) Param = -Param;
        if (FReader.Peek() == ' ') FReader.Get();

        const bool Starred = FStarred;
        FStarred = false;
        // \uN is by far the most frequent word of Chinese text: it skips the table search.
        const TWord* Word = Length == 1 && Name[0] == 'u' ? &UnicodeWord
                            : Known                       ? FindWord(std::string_view(Name, Length))
                                                          : nullptr;
        if (Word != nullptr && Word->Action == TAction::Binary) {  // data, whatever the destination
            if (HasParam && Param > 0) FReader.Skip(static_cast<std::uint64_t>(Param));
            return;
        }
        if (FFallbackLeft > 0) {  // a control word standing in for the preceding \uN
            --FFallbackLeft;
            return;
        }
        if (Word == nullptr) {
            // An unknown destination marked as ignorable is one a reader does not see.
            if (Starred) SetDest(TDest::Hidden);
            return;
        }
        if (Starred && Word->Action != TAction::UnicodeCopy && Word->Action != TAction::Property) {
            SetDest(TDest::Hidden);
            return;
        }
        switch (Word->Action) {
        case TAction::Break:
            Break();
            break;
        case TAction::Unit:
            if (Word->Unit != 0) PutUnit(Word->Unit);
            break;
        case TAction::Unicode:
            if (HasParam && Param >= -32768 && Param <= 65535) {
                PutUnit(static_cast<char16_t>(Param < 0 ? Param + 65536 : Param));
                FFallbackLeft = Top().FallbackCount;
            }
            break;
        case TAction::UnicodeSkip:
            if (HasParam) Top().FallbackCount = static_cast<unsigned char>(std::clamp<std::int64_t>(Param, 0, 16));
            break;
        case TAction::CodePage:
            if (HasParam && Param > 0 && Param < 65536) {
                ConvertPending();
                FCodePage = static_cast<unsigned>(Param);
            }
            break;
        case TAction::Hide:
            SetDest(TDest::Hidden);
            break;
        case TAction::Info:
            if (Top().Dest == TDest::Text) SetDest(TDest::Info);
            break;
        case TAction::Property:
            if (Top().Dest == TDest::Info) {
                SetDest(TDest::Property);
                Break();
            } else if (Starred) {
                SetDest(TDest::Hidden);
            }
            break;
        case TAction::Alternate:
            if (Top().Dest != TDest::Hidden && Top().Dest != TDest::Alternate) {
                Top().BeforeAlternate = Top().Dest;
                SetDest(TDest::Alternate);
            }
            break;
        case TAction::UnicodeCopy:
            if (Top().Dest == TDest::Alternate)
                SetDest(Top().BeforeAlternate);
            else
                SetDest(TDest::Hidden);
            break;
        case TAction::FontTable:
            SetDest(TDest::FontTable);
            break;
        case TAction::Font:
            if (!HasParam) break;
            if (Top().Dest == TDest::FontTable) {
                FTableFont = Param;
                if (FontIndex(Param) < 0 && FFonts.size() < RtfMaxFonts) FFonts.push_back({Param, 0});
            } else {
                const int Index = FontIndex(Param);
                ConvertPending();
                Top().FontCodePage = Index < 0 ? 0 : FFonts[static_cast<std::size_t>(Index)].CodePage;
            }
            break;
        case TAction::FontCharset:
        case TAction::FontCodePage:
            if (HasParam && Top().Dest == TDest::FontTable) {
                const int Index = FontIndex(FTableFont);
                const unsigned short CodePage =
                    Word->Action == TAction::FontCharset
                        ? CharsetCodePage(Param)
                        : static_cast<unsigned short>(Param > 0 && Param < 65536 ? Param : 0);
                if (Index >= 0 && CodePage != 0) FFonts[static_cast<std::size_t>(Index)].CodePage = CodePage;
            }
            break;
        case TAction::Binary:
            break;
        }
    }

    // A run of 8-bit text starting with First, taken up to the next brace, backslash or line end
    // in one piece (no fallback characters are pending).
    void TextRun(unsigned char First) {
        std::size_t Count;
        const unsigned char* P = FReader.Buffered(Count);
        std::size_t Length = 0;
        while (Length < Count && IsPlainText(P[Length])) ++Length;
        FReader.Advance(Length);
        if (!Visible(Top().Dest)) return;
        FPending += static_cast<char>(First);
        FPending.append(reinterpret_cast<const char*>(P), Length);
        if (FPending.size() >= PieceSize) ConvertPending(true);
    }

    // A byte of 8-bit text in the document's code page (a double-byte character comes as two).
    void TextByte(unsigned char B) {
        FStarred = false;
        if (FFallbackLeft > 0) {
            --FFallbackLeft;
            return;
        }
        if (!Visible(Top().Dest)) return;
        FPending += static_cast<char>(B);
        if (FPending.size() >= PieceSize) ConvertPending(true);
    }

    void PutUnit(char16_t Unit) {
        if (FFallbackLeft > 0) {
            --FFallbackLeft;
            return;
        }
        if (!Visible(Top().Dest)) return;
        ConvertPending();
        FUnits += Unit;
        if (FUnits.size() >= PieceSize) Send();
    }

    int FontIndex(std::int64_t Number) const {
        for (std::size_t I = 0; I < FFonts.size(); ++I)
            if (FFonts[I].Number == Number) return static_cast<int>(I);
        return -1;
    }

    unsigned CodePage() { return Top().FontCodePage != 0 ? Top().FontCodePage : FCodePage; }

    // Turns the pending bytes into units. KeepPartial: a lead byte at the end waits for its trail.
    void ConvertPending(bool KeepPartial = false) {
        if (FPending.empty()) return;
        std::size_t Take = FPending.size();
        const unsigned Page = CodePage();
        if (KeepPartial && IsDoubleByteCodePage(Page)) {
            std::size_t I = 0;
            while (I < FPending.size()) {
                const auto B = static_cast<unsigned char>(FPending[I]);
                if (B >= 0x81 && B <= 0xFE) {
                    if (I + 1 == FPending.size()) break;
                    I += 2;
                } else {
                    ++I;
                }
            }
            Take = I;
        }
        const std::string_view Bytes(FPending.data(), Take);
        const bool Ascii =
            std::all_of(Bytes.begin(), Bytes.end(), [](char C) { return static_cast<unsigned char>(C) < 0x80; });
        if (Ascii || FEnv.CodePages == nullptr || !FEnv.CodePages->ToUtf16(Page, Bytes, FUnits)) {
            // ASCII is the same in every code page; without one nothing else is known.
            std::size_t End = FUnits.size();
            FUnits.resize(End + Bytes.size());
            for (char C : Bytes)
                if (static_cast<unsigned char>(C) < 0x80) FUnits[End++] = static_cast<char16_t>(C);
            FUnits.resize(End);
        }
        FPending.erase(0, Take);
        if (FUnits.size() >= PieceSize) Send();
    }

    void Send() {
        if (!FUnits.empty() && !FStop && !FSink.Text(FUnits.data(), FUnits.size())) FStop = true;
        FUnits.clear();
    }

    void Flush() {
        ConvertPending();
        Send();
    }

    void Break() {
        Flush();
        if (!FStop && !FSink.Break()) FStop = true;
    }

    TForwardReader FReader;
    TTextSink& FSink;
    const TDecodeEnv& FEnv;
    std::vector<TGroup> FStack;
    TGroup FOutside{TDest::Hidden, TDest::Hidden, 1};
    std::size_t FOverflow = 0;  // groups opened beyond RtfMaxDepth and not yet closed
    unsigned FCodePage = 936;   // \ansicpg; without it, the system's code page
    struct TFont {
        std::int64_t Number;
        unsigned short CodePage;  // 0: the document's
    };
    std::vector<TFont> FFonts;     // from the font table
    std::int64_t FTableFont = -1;  // the font the table is describing
    unsigned FFallbackLeft = 0;    // characters still to skip after a \uN
    bool FStarred = false;         // a \* waits for the destination word it marks
    bool FStop = false;
    std::string FPending;   // 8-bit text not yet converted
    std::u16string FUnits;  // converted text not yet handed to the sink
};

}  // namespace

void DecodeRtf(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env) { TRtfDecoder(Source, Sink, Env).Run(); }
