#include "pure/doctext/rtf.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "pure/doctext/bytereader.h"
#include "pure/doctext/codepagetext.h"
#include "pure/doctext/decodelimits.h"
#include "pure/doctext/rtfwords.h"
#include "pure/doctext/sinkwriter.h"

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
    TTextPlace Place = TTextPlace::Body;  // where the group's text stands
};

constexpr TRtfWord UnicodeWord{"u", TRtfAction::Unicode};

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

bool IsLetter(int C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }

// A byte that is 8-bit text by itself, not markup or a line end.
bool IsPlainText(unsigned char C) { return !ByteClasses.EndsText[C]; }

class TRtfDecoder {
public:
    TRtfDecoder(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env, bool FastPaths)
        : FReader(Source),
          FOut(Sink),
          FText(FOut, Env.CodePages, Env.SystemCodePage()),
          FFast(FastPaths),
          FCodePage(Env.SystemCodePage()) {
        FStack.reserve(64);
    }

    void Run() {
        while (!FDone && !FOut.Stopped()) {
            const int C = FReader.Get();
            if (C < 0) break;
            switch (C) {
            case '{':
                OpenGroup();
                break;
            case '}':
                FDone = !CloseGroup();  // the document's outermost group ended
                break;
            case '\\':
                if (!FFast || (!UnicodeEscape() && !HexEscapes())) Control();
                break;
            case '\r':
            case '\n':
            case '\0':
                break;
            default:
                if (FFast && FFallbackLeft == 0 && !FStarred)
                    TextRun(static_cast<unsigned char>(C));
                else
                    TextByte(static_cast<unsigned char>(C));
            }
        }
        FText.Convert();
        FOut.Flush();
    }

private:
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
        const TDest Was = FStack.back().Dest;
        FStack.pop_back();
        FText.SetCodePage(CodePage());  // the text held is converted in the closing group's
        if (FStack.empty()) return false;
        if (Was == TDest::Property && Top().Dest != TDest::Property) Break();
        ShowPlace(Top().Place);
        return true;
    }

    // Ends the run and tells the sink where the text that follows stands, when that changed.
    void ShowPlace(TTextPlace Place) {
        if (Place == FPlace) return;
        FText.Convert();
        FOut.EndRun();
        FOut.Place(Place);
        FPlace = Place;
    }

    // The text of the group from here on stands in Place (only text a reader sees has a place).
    void SetPlace(TTextPlace Place) {
        if (Top().Dest != TDest::Text) return;
        Top().Place = Place;
        ShowPlace(Place);
    }

    void SetDest(TDest Dest) {
        if (Top().Dest == Dest) return;
        FText.Convert();
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
        // The units are written straight into the writer's buffer, Held of them not yet committed.
        char16_t* Out = FOut.Space();
        std::size_t Room = FOut.Room(), Held = 0;
        const auto Commit = [&] {
            FOut.Commit(Held);
            Held = 0;
            Out = FOut.Space();
            Room = FOut.Room();
        };
        while (!FOut.Stopped()) {
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
                if (FText.Holds()) {  // 8-bit text before the first unit
                    FText.Convert();
                    Commit();
                }
                Out[Held++] = static_cast<char16_t>(Param < 0 ? Param + 65536 : Param);
                if (Held == Room) Commit();
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
        FOut.Commit(Held);
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
        const bool Show = Visible(Top().Dest);
        // The bytes are written straight into the held text's buffer, Held of them not yet committed.
        char* Out = FText.Space();
        std::size_t Room = FText.Room(), Held = 0;
        while (Count - Pos >= 3 && P[Pos] == '\'') {
            const int High = HexValue(P[Pos + 1]), Low = HexValue(P[Pos + 2]);
            if (High < 0 || Low < 0) break;
            if (Show) {
                Out[Held++] = static_cast<char>(High * 16 + Low);
                if (Held == Room) {
                    FText.Commit(Held);
                    Held = 0;
                    Out = FText.Space();
                    Room = FText.Room();
                }
            }
            Taken = Pos + 3;
            if (Count - Taken < 2 || P[Taken] != '\\') break;
            Pos = Taken + 1;
        }
        FText.Commit(Held);
        if (Taken == 0) return false;
        FReader.Advance(Taken);
        return true;
    }

    void Control() {
        const int C = FReader.Peek();
        if (C < 0) return;
        if (IsLetter(C)) {
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

    // A control word's name and number as read; a name longer than any known word is unknown.
    struct TControlWord {
        char Name[32];
        std::size_t Length = 0;
        bool HasParam = false;
        std::int64_t Param = 0;
    };

    TControlWord ReadControlWord() {
        TControlWord W;
        for (int C = FReader.Peek(); IsLetter(C); C = FReader.Peek()) {
            FReader.Get();
            if (W.Length < sizeof W.Name) W.Name[W.Length] = static_cast<char>(C);
            ++W.Length;
        }
        const bool Negative = FReader.Peek() == '-';
        if (Negative) FReader.Get();
        for (int C = FReader.Peek(); C >= '0' && C <= '9'; C = FReader.Peek()) {
            FReader.Get();
            W.HasParam = true;
            if (W.Param < (std::int64_t(1) << 32)) W.Param = W.Param * 10 + (C - '0');
        }
        if (Negative) W.Param = -W.Param;
        if (FReader.Peek() == ' ') FReader.Get();
        return W;
    }

    static const TRtfWord* Lookup(const TControlWord& W) {
        // \uN is by far the most frequent word of Chinese text: it skips the table search.
        if (W.Length == 1 && W.Name[0] == 'u') return &UnicodeWord;
        return W.Length <= sizeof W.Name ? FindRtfWord(std::string_view(W.Name, W.Length)) : nullptr;
    }

    void ControlWord() {
        const TControlWord W = ReadControlWord();
        const bool Starred = FStarred;
        FStarred = false;
        const TRtfWord* Word = Lookup(W);
        if (!Acts(Word, W, Starred)) return;
        switch (Word->Action) {
        case TRtfAction::Break:
        case TRtfAction::LineBreak:
        case TRtfAction::Unit:
        case TRtfAction::Unicode:
        case TRtfAction::UnicodeSkip:
            CharacterWord(*Word, W);
            break;
        case TRtfAction::CodePage:
        case TRtfAction::FontTable:
        case TRtfAction::Font:
        case TRtfAction::FontCharset:
        case TRtfAction::FontCodePage:
            FontWord(Word->Action, W);
            break;
        case TRtfAction::Hide:
        case TRtfAction::Place:
        case TRtfAction::Alternate:
        case TRtfAction::UnicodeCopy:
            DestinationWord(*Word);
            break;
        case TRtfAction::Info:
        case TRtfAction::Property:
            PropertyWord(Word->Action, Starred);
            break;
        case TRtfAction::Binary:
            break;
        }
    }

    // Takes the words that act whatever the group's state and answers false for them: \binN (its
    // data passed over), a word standing in for the preceding \uN, and one unknown or marked as an
    // ignorable destination ("\*": one a reader does not see, unless it is one of the few read
    // here). True leaves the word to its kind.
    bool Acts(const TRtfWord* Word, const TControlWord& W, bool Starred) {
        if (Word != nullptr && Word->Action == TRtfAction::Binary) {
            if (W.HasParam && W.Param > 0) FReader.Skip(static_cast<std::uint64_t>(W.Param));
            return false;
        }
        if (FFallbackLeft > 0) {
            --FFallbackLeft;
            return false;
        }
        if (Word == nullptr ||
            (Starred && Word->Action != TRtfAction::UnicodeCopy && Word->Action != TRtfAction::Property)) {
            if (Starred) SetDest(TDest::Hidden);
            return false;
        }
        return true;
    }

    // Paragraph and cell ends, the characters the table gives, \uN and the count of its fallbacks.
    void CharacterWord(const TRtfWord& Word, const TControlWord& W) {
        switch (Word.Action) {
        case TRtfAction::Break:
            Break();
            break;
        case TRtfAction::LineBreak:
            if (Visible(Top().Dest)) {
                FText.Convert();
                FOut.LineBreak();
            }
            break;
        case TRtfAction::Unit:
            if (Word.Unit != 0) PutUnit(Word.Unit);
            break;
        case TRtfAction::Unicode:
            if (W.HasParam && W.Param >= -32768 && W.Param <= 65535) {
                PutUnit(static_cast<char16_t>(W.Param < 0 ? W.Param + 65536 : W.Param));
                FFallbackLeft = Top().FallbackCount;
            }
            break;
        default:  // \ucN
            if (W.HasParam) Top().FallbackCount = static_cast<unsigned char>(std::clamp<std::int64_t>(W.Param, 0, 16));
        }
    }

    // The document's code page (\ansicpg), and the fonts: the table that names them with their
    // character sets or code pages, and the choice of one in the text.
    void FontWord(TRtfAction Action, const TControlWord& W) {
        if (Action == TRtfAction::FontTable) {
            SetDest(TDest::FontTable);
            return;
        }
        if (!W.HasParam) return;
        const bool InTable = Top().Dest == TDest::FontTable;
        switch (Action) {
        case TRtfAction::CodePage:
            if (W.Param > 0 && W.Param < 65536) {
                FCodePage = static_cast<unsigned>(W.Param);
                FText.SetCodePage(CodePage());
            }
            break;
        case TRtfAction::Font:
            if (InTable) {
                FTableFont = W.Param;
                if (FontIndex(W.Param) < 0 && FFonts.size() < RtfMaxFonts) FFonts.push_back({W.Param, 0});
            } else {
                const int Index = FontIndex(W.Param);
                Top().FontCodePage = Index < 0 ? 0 : FFonts[static_cast<std::size_t>(Index)].CodePage;
                FText.SetCodePage(CodePage());
            }
            break;
        default: {  // \fcharsetN, \cpgN
            const int Index = InTable ? FontIndex(FTableFont) : -1;
            if (Index < 0) break;
            const unsigned short CodePage =
                Action == TRtfAction::FontCharset
                    ? RtfCharsetCodePage(W.Param)
                    : static_cast<unsigned short>(W.Param > 0 && W.Param < 65536 ? W.Param : 0);
            if (CodePage != 0) FFonts[static_cast<std::size_t>(Index)].CodePage = CodePage;
        }
        }
    }

    // Destinations a reader does not see, those that stand apart from the body (headers and
    // footers, footnotes, comments), and the 8-bit copy of a text that its Unicode copy (\ud
    // inside \upr) stands in for.
    void DestinationWord(const TRtfWord& Word) {
        const TRtfAction Action = Word.Action;
        TGroup& G = Top();
        if (Action == TRtfAction::Hide) {
            SetDest(TDest::Hidden);
        } else if (Action == TRtfAction::Place) {
            SetPlace(Word.Place);
        } else if (Action == TRtfAction::UnicodeCopy) {
            SetDest(G.Dest == TDest::Alternate ? G.BeforeAlternate : TDest::Hidden);
        } else if (G.Dest != TDest::Hidden && G.Dest != TDest::Alternate) {  // \upr
            G.BeforeAlternate = G.Dest;
            SetDest(TDest::Alternate);
        }
    }

    // The document properties (\info), each property inside them a run of its own.
    void PropertyWord(TRtfAction Action, bool Starred) {
        if (Action == TRtfAction::Info) {
            if (Top().Dest != TDest::Text) return;
            SetPlace(TTextPlace::Properties);
            SetDest(TDest::Info);
        } else if (Top().Dest == TDest::Info) {
            SetDest(TDest::Property);
            Break();
        } else if (Starred) {
            SetDest(TDest::Hidden);
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
        FText.Put(static_cast<char>(First));
        FText.Put(P, Length);
    }

    // A byte of 8-bit text in the document's code page (a double-byte character comes as two).
    void TextByte(unsigned char B) {
        FStarred = false;
        if (FFallbackLeft > 0) {
            --FFallbackLeft;
            return;
        }
        if (!Visible(Top().Dest)) return;
        FText.Put(static_cast<char>(B));
    }

    void PutUnit(char16_t Unit) {
        if (FFallbackLeft > 0) {
            --FFallbackLeft;
            return;
        }
        if (!Visible(Top().Dest)) return;
        FText.Convert();
        FOut.Put(Unit);
    }

    int FontIndex(std::int64_t Number) const {
        for (std::size_t I = 0; I < FFonts.size(); ++I)
            if (FFonts[I].Number == Number) return static_cast<int>(I);
        return -1;
    }

    unsigned CodePage() { return Top().FontCodePage != 0 ? Top().FontCodePage : FCodePage; }

    void Break() {
        FText.Convert();
        FOut.Break();
    }

    TForwardReader FReader;
    TSinkWriter FOut;
    TCodePageText FText;  // 8-bit text held until it is converted
    const bool FFast;     // runs of text and escapes read straight from the buffer
    std::vector<TGroup> FStack;
    TGroup FOutside{TDest::Hidden, TDest::Hidden, 1};
    std::size_t FOverflow = 0;  // groups opened beyond RtfMaxDepth and not yet closed
    unsigned FCodePage;         // \ansicpg; without it, the system's
    struct TFont {
        std::int64_t Number;
        unsigned short CodePage;  // 0: the document's
    };
    std::vector<TFont> FFonts;             // from the font table
    std::int64_t FTableFont = -1;          // the font the table is describing
    unsigned FFallbackLeft = 0;            // characters still to skip after a \uN
    bool FStarred = false;                 // a \* waits for the destination word it marks
    bool FDone = false;                    // the document's group has closed
    TTextPlace FPlace = TTextPlace::Body;  // where the sink was last told the text stands
};

}  // namespace

void DecodeRtf(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env) {
    TRtfDecoder(Source, Sink, Env, true).Run();
}

void DecodeRtfByteByByte(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env) {
    TRtfDecoder(Source, Sink, Env, false).Run();
}
