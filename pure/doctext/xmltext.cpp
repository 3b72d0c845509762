// The XML text extractor: its text out, its elements, and the reading of the text and plain tags
// that lie whole in a buffer. The states that read the rest a byte at a time are in xmlstates.cpp.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "pure/doctext/decodelimits.h"
#include "pure/doctext/xmlscan.h"
#include "pure/doctext/xmltext.h"
#include "pure/support/bytetext.h"

using namespace xmlscan;

namespace {

// Whether List (words each ended by a space or the list's end) holds Word.
bool ListHolds(const char* List, std::string_view Word) {
    for (std::string_view Rest = List; !Rest.empty();) {
        const std::size_t Space = Rest.find(' ');
        if (Rest.substr(0, Space) == Word) return true;
        if (Space == std::string_view::npos) break;
        Rest.remove_prefix(Space + 1);
    }
    return false;
}

// Units held back for the sink: a flush asks the sink again what it waits for, so that a keyword
// test may soon pass over text again.
constexpr std::size_t HeldUnits = 1024;

}  // namespace

TXmlTextExtractor::TXmlTextExtractor(const TXmlTextRules& Rules, TTextSink& Sink)
    : FRulerValues(Rules.Unless.Values != nullptr ? Rules.Unless.Values : ""),
      FRulerOnly(Rules.Unless.Only),
      FRulerNumbers(Rules.Unless.Numbers),
      FSink(Sink),
      FWriter(Sink, HeldUnits) {
    const TXmlTextUnless& Unless = Rules.Unless;
    // Breaks and line breaks act only where text of the run is held.
    FNames.Add(Rules.Containers, Container, true);
    FNames.Add(Rules.Breaks, Break, false);
    FNames.Add(Rules.Skips, Skip, true);
    FNames.Add(Rules.Spaces, Space, true);
    FNames.Add(Rules.Tabs, Tab, true);
    FNames.Add(Rules.LineBreaks, LineBreak, false);
    if (Rules.AttributeElement != nullptr && Rules.AttributeName != nullptr) {
        FNames.Add(Rules.AttributeElement, Attribute, true);
        FAttributeName = Rules.AttributeName;
    }
    FNames.Add(Unless.Containers, Ruled, true);
    if (Unless.Element != nullptr && Unless.Attribute != nullptr) {
        FNames.Add(Unless.Element, Ruler, true);
        FRulerAttribute = Unless.Attribute;
    }
    if (Rules.SpaceCount != nullptr) FSpaceCount = Rules.SpaceCount;
    for (const TFlags Flag : {Attribute, Ruler, Space})
        if (!WantedAttribute(Flag).empty()) FReads |= Flag;
    FName.reserve(FNames.Longest());
    // The first bytes of the names that act while no text is shown or held (see TQuietScan), and
    // of those that do while the element of Unless rules its containers out.
    constexpr TFlags Acting = Container | Skip | Space | Tab | Attribute | Ruled | Ruler;
    FQuiet[0].Count = QuietFirsts(Acting, FQuiet[0].Firsts);
    FQuiet[1].Count = QuietFirsts(Acting & ~Ruled, FQuiet[1].Firsts);
    FAwaits = FSink.AwaitedUnit() != 0;
    Await();
}

int TXmlTextExtractor::QuietFirsts(TFlags Acting, unsigned char (&Firsts)[2]) const {
    int Count = 0;
    for (std::size_t I = 0; I < FNames.Count(); ++I) {
        if ((FNames.Flags(I) & Acting) == 0) continue;
        const unsigned char First = static_cast<unsigned char>(FNames.Name(I)[0]);
        if (std::memchr(Firsts, First, static_cast<std::size_t>(Count)) != nullptr) continue;
        if (Count == static_cast<int>(sizeof Firsts)) return -1;  // every tag is read
        Firsts[Count++] = First;
    }
    return Count;
}

bool TXmlTextExtractor::Feed(const unsigned char* Data, std::size_t Size) {
    if (Stopped()) return false;
    if (FState == TState::Start) {
        // The first bytes tell the encoding: a byte-order mark, or "<" in UTF-16.
        while (Size > 0 && FStartCount < 4) FStartBytes[FStartCount++] = *Data++, --Size;
        if (FStartCount < 4) return true;
        const unsigned char* B = FStartBytes;
        std::size_t Skip = 0;
        if (B[0] == 0xFF && B[1] == 0xFE)
            FUtf16 = true, Skip = 2;
        else if (B[0] == 0xFE && B[1] == 0xFF)
            FUtf16 = FBigEndian = true, Skip = 2;
        else if (B[0] == '<' && B[1] == 0 && B[2] != 0)
            FUtf16 = true;
        else if (B[0] == 0 && B[1] == '<')
            FUtf16 = FBigEndian = true;
        else if (B[0] == 0xEF && B[1] == 0xBB && B[2] == 0xBF)
            Skip = 3;
        FState = TState::Text;
        if (!(FUtf16 ? FeedUtf16(B + Skip, 4 - Skip) : FeedUtf8(B + Skip, 4 - Skip))) return false;
    }
    return FUtf16 ? FeedUtf16(Data, Size) : FeedUtf8(Data, Size);
}

bool TXmlTextExtractor::Finish() {
    if (FState == TState::Start && !Stopped()) {
        const std::size_t Count = FStartCount;
        FStartCount = 4;  // take what there is as UTF-8
        FState = TState::Text;
        if (!FeedUtf8(FStartBytes, Count)) return false;
    }
    if (Stopped()) return false;
    return EndRun();
}

bool TXmlTextExtractor::FeedUtf16(const unsigned char* Data, std::size_t Size) {
    // The units as UTF-8, which the states read.
    unsigned char Buffer[4096];
    std::size_t Used = 0;
    auto Put = [&](char32_t C) {
        if (Used + 4 > sizeof Buffer) {
            if (!FeedUtf8(Buffer, Used)) return false;
            Used = 0;
        }
        Used += EncodeUtf8(C, Buffer + Used);
        return true;
    };
    for (std::size_t I = 0; I < Size; ++I) {
        if (!FHaveOddByte) {
            FOddByte = Data[I];
            FHaveOddByte = true;
            continue;
        }
        FHaveOddByte = false;
        const char16_t U = FBigEndian ? static_cast<char16_t>((FOddByte << 8) | Data[I])
                                      : static_cast<char16_t>(FOddByte | (Data[I] << 8));
        bool Ok = true;
        if (U >= 0xD800 && U < 0xDC00) {
            if (FHighSurrogate != 0) Ok = Put(0xFFFD);
            FHighSurrogate = U;
        } else if (U >= 0xDC00 && U < 0xE000) {
            Ok = Put(FHighSurrogate != 0 ? 0x10000 + ((FHighSurrogate - 0xD800) << 10) + (U - 0xDC00) : 0xFFFD);
            FHighSurrogate = 0;
        } else {
            if (FHighSurrogate != 0) Ok = Put(0xFFFD);
            FHighSurrogate = 0;
            Ok = Ok && Put(U);
        }
        if (!Ok) return false;
    }
    return FeedUtf8(Buffer, Used);
}

// ---- Text out ----

void TXmlTextExtractor::Await() {
    if (!FAwaits) return;
    const char16_t U = FSink.AwaitedUnit();
    FAwaitedLength = 0;
    // A surrogate comes only from a four-byte form and U+FFFD also from damaged bytes: text that
    // may hold them is always decoded.
    if (U == 0 || (U >= 0xD800 && U < 0xE000) || U == 0xFFFD) return;
    FAwaitedLength = EncodeUtf8(U, FAwaited);
    FAwaitedOther = static_cast<unsigned char>(IsAsciiLetter(FAwaited[0]) ? FAwaited[0] ^ 0x20 : FAwaited[0]);
}

bool TXmlTextExtractor::AwaitsNoNumber() const {
    const unsigned char A = FAwaited[0];
    const bool NumberUnit = (A >= '0' && A <= '9') || A == '.' || A == '-' || A == '+' || A == 'E' || A == 'e';
    return FAwaitedLength > 1 || (FAwaitedLength == 1 && !NumberUnit);
}

bool TXmlTextExtractor::Passable(const unsigned char* Data, std::size_t Size) {
    if (FNeed > 0) return false;
    if (!Flush()) return false;  // the sink's wait holds for what it was given
    if (FAwaitedLength == 0) return false;
    // The run's end: a lead byte among its last three whose continuation bytes do not all follow
    // leaves a character unfinished.
    for (std::size_t K = 1; K <= 3 && K <= Size; ++K) {
        const unsigned char B = Data[Size - K];
        if (B < 0x80) break;
        if (B >= 0xC2 && B < 0xF5) {
            if ((B < 0xE0 ? 2u : B < 0xF0 ? 3u : 4u) > K) return false;
            break;
        }
    }
    return !HoldsSequence(Data, Size, FAwaited, FAwaitedLength, FAwaitedOther);
}

bool TXmlTextExtractor::Flush() {
    if (FWriter.Held() > 0) {
        FWriter.Flush();
        Await();
    }
    return !Stopped();
}

bool TXmlTextExtractor::EndRun(bool Line) {
    if (FNeed > 0) {
        FNeed = 0;
        if (!Unit(0xFFFD)) return false;
    }
    if (!FRunHasText) return Flush();
    FRunHasText = false;
    if (Line)
        FWriter.LineBreak();
    else
        FWriter.Break();
    Await();
    return !Stopped();
}

bool TXmlTextExtractor::Commit(std::size_t Count) {
    if (Count == 0) return !Stopped();
    FRunHasText = true;
    if (Count < FWriter.Room()) return FWriter.Commit(Count);
    FWriter.Commit(Count);  // which fills the buffer and hands it out
    Await();
    return !Stopped();
}

bool TXmlTextExtractor::Unit(char16_t U) {
    *FWriter.Space() = U;
    return Commit(1);
}

bool TXmlTextExtractor::CodePoint(char32_t C) {
    if (C < 0x10000) return Unit(static_cast<char16_t>(C));
    if (FWriter.Room() < 2 && !Flush()) return false;  // a surrogate pair stays in one piece
    C -= 0x10000;
    char16_t* const Out = FWriter.Space();
    Out[0] = static_cast<char16_t>(0xD800 + (C >> 10));
    Out[1] = static_cast<char16_t>(0xDC00 + (C & 0x3FF));
    return Commit(2);
}

bool TXmlTextExtractor::TextBytes(const unsigned char* Data, std::size_t Size) {
    for (std::size_t I = 0; I < Size;) {
        if (FNeed == 0) {
            // Most characters straight into the writer's buffer; the one they stop at below.
            char16_t* const Out = FWriter.Space();
            if (!Commit(static_cast<std::size_t>(DecodeCommon(Data, I, Size, Out, Out + FWriter.Room()) - Out)))
                return false;
            if (I >= Size) break;
        }
        if (!TextByte(Data[I++])) return false;
    }
    return true;
}

bool TXmlTextExtractor::TextByte(unsigned char B) {
    if (FNeed > 0) {
        if ((B & 0xC0) == 0x80) {
            FCode = (FCode << 6) | (B & 0x3F);
            if (--FNeed > 0) return true;
            // An overlong form (one a shorter sequence could write) stands for no character.
            const bool Valid = FCode >= FLeast && FCode <= 0x10FFFF && !(FCode >= 0xD800 && FCode < 0xE000);
            return CodePoint(Valid ? FCode : 0xFFFD);
        }
        FNeed = 0;
        if (!Unit(0xFFFD)) return false;
    }
    if (B < 0x80) return Unit(B);
    if (B >= 0xC2 && B < 0xE0)
        FCode = B & 0x1F, FNeed = 1, FLeast = 0x80;
    else if (B >= 0xE0 && B < 0xF0)
        FCode = B & 0x0F, FNeed = 2, FLeast = 0x800;
    else if (B >= 0xF0 && B < 0xF5)
        FCode = B & 0x07, FNeed = 3, FLeast = 0x10000;
    else
        return Unit(0xFFFD);
    return true;
}

// ---- Elements ----

bool TXmlTextExtractor::StartElement(bool Empty, std::string_view Value) {
    const TFlags Flags = FTagFlags;
    if ((Flags & Skip) != 0) {
        if (!Empty) ++FSkipDepth;
        return true;
    }
    if (FSkipDepth > 0) return true;
    if ((Flags & (Attribute | Ruler | Ruled | Space | Tab)) == 0) {
        // Most tags that act: a break, a container.
        if ((Flags & (Break | LineBreak)) != 0 && !EndRun((Flags & Break) == 0)) return false;
        if ((Flags & Container) != 0 && !Empty) ++FContainerDepth;
        return true;
    }
    if ((Flags & Attribute) != 0 && !Value.empty() && !AttributeText(Value)) return false;
    // A line break ends the line, not the paragraph (a break listed as both ends the paragraph).
    if ((Flags & (Break | LineBreak)) != 0 && !EndRun((Flags & Break) == 0)) return false;
    if ((Flags & Ruler) != 0) {
        CloseRuled();
        FRuledOut =
            !Empty &&
            (FRulerOnly != (!Value.empty() && ListHolds(FRulerValues, Value)) ||
             (FRulerNumbers != nullptr && (Value.empty() || ListHolds(FRulerNumbers, Value)) && AwaitsNoNumber()));
    }
    if ((Flags & Container) != 0 && !Empty) ++FContainerDepth;
    if ((Flags & Ruled) != 0 && !Empty && !FRuledOut) ++FContainerDepth, ++FRuledDepth;
    if ((Flags & Space) != 0 && !Spaces(Value)) return false;
    if ((Flags & Tab) != 0 && !Unit('\t')) return false;
    return true;
}

// The text attribute's value, a run of its own, with its references decoded.
bool TXmlTextExtractor::AttributeText(std::string_view Value) {
    if (!EndRun()) return false;
    for (std::size_t I = 0; I < Value.size();) {
        if (Value[I] == '&') {
            const std::size_t Semi = Value.find(';', I);
            char32_t C;
            if (Semi != std::string::npos && Semi - I <= sizeof FEntity &&
                DecodeXmlReference(Value.data() + I + 1, Semi - I - 1, C)) {
                if (!CodePoint(C)) return false;
                I = Semi + 1;
                continue;
            }
        }
        if (!TextByte(static_cast<unsigned char>(Value[I++]))) return false;
    }
    return EndRun();
}

bool TXmlTextExtractor::Spaces(std::string_view Count) {
    // A count as written in decimal, blanks around it allowed; anything else stands for one, as
    // does no count at all; a count beyond the bound for as many as it allows.
    while (!Count.empty() && IsXmlSpace(static_cast<unsigned char>(Count.front()))) Count.remove_prefix(1);
    while (!Count.empty() && IsXmlSpace(static_cast<unsigned char>(Count.back()))) Count.remove_suffix(1);
    std::size_t N = Count.empty() ? 1 : 0;
    for (const char C : Count) {
        if (C < '0' || C > '9') {
            N = 1;
            break;
        }
        N = std::min<std::size_t>(N * 10 + static_cast<std::size_t>(C - '0'), XmlMaxRepeatedSpaces);
    }
    for (N = std::max<std::size_t>(N, 1); N > 0;) {
        const std::size_t Now = std::min(N, FWriter.Room());
        std::fill_n(FWriter.Space(), Now, u' ');
        if (!Commit(Now)) return false;
        N -= Now;
    }
    return true;
}

void TXmlTextExtractor::EndElement(TFlags Flags) {
    if ((Flags & Skip) != 0) {
        if (FSkipDepth > 0) --FSkipDepth;
        return;
    }
    if (FSkipDepth > 0) return;
    if ((Flags & Container) != 0 && FContainerDepth > 0) --FContainerDepth;
    if ((Flags & Ruled) != 0 && FRuledDepth > 0) {
        --FRuledDepth;
        if (FContainerDepth > 0) --FContainerDepth;
    }
    if ((Flags & Ruler) != 0) {
        CloseRuled();
        FRuledOut = false;
    }
    if ((Flags & Break) != 0) EndRun();
}

void TXmlTextExtractor::CloseRuled() {
    // (Damaged markup may have closed some by another name.)
    FContainerDepth -= std::min(FContainerDepth, FRuledDepth);
    FRuledDepth = 0;
}

// ---- Text and tags that lie whole in the buffer ----

bool TXmlTextExtractor::ShownText(const unsigned char* Data, std::size_t Size, bool Whole) {
    // A run the sink does not wait for is passed over undecoded; one that may end within a
    // character (at the buffer's end) is always decoded.
    if (FAwaits && Whole && Passable(Data, Size))
        FRunHasText = true;
    else
        TextBytes(Data, Size);
    return !Stopped();
}

[[gnu::always_inline]] inline std::size_t TXmlTextExtractor::PlainEndTag(const unsigned char* Data, std::size_t I,
                                                                         std::size_t NameEnd, std::size_t Size,
                                                                         TFlags Flags) {
    // As in the EndTag state: outside shown text on to the next tag, else to the next '>'.
    EndElement(Flags);
    if (Stopped()) return Size;
    if (!Shown()) return I;
    if (Data[NameEnd] == '>') return NameEnd + 1;
    const unsigned char* Gt = FindByte(Data + NameEnd, Size - NameEnd, '>');
    if (Gt == nullptr) {
        FState = TState::EndTag;
        return Size;
    }
    return static_cast<std::size_t>(static_cast<const unsigned char*>(Gt) - Data) + 1;
}

// Inlined in PlainTag as PlainEndTag is.
[[gnu::always_inline]] inline std::size_t TXmlTextExtractor::PlainAttributeTag(const unsigned char* Data, std::size_t I,
                                                                               std::size_t Size, TFlags Flags) {
    const TTagAttributes Tag = ReadAttributes(Data, I, Size, WantedAttribute(Flags), XmlMaxAttributeValue);
    if (Tag.End == Size) return Npos;
    FTagFlags = Flags;
    StartElement(Tag.Empty, Tag.Value);
    return Stopped() ? Size : Tag.End + 1;
}

// Part of ReadPlain, inlined as PlainEndTag is: a call for every tag costs a tenth more work.
[[gnu::always_inline]] inline std::size_t TXmlTextExtractor::PlainTag(const unsigned char* Data, std::size_t I,
                                                                      std::size_t Size) {
    // The name, read where it ends within a few bytes; anything else (a tag cut by the buffer's
    // end, a long name, markup after "<!" or "<?") goes to the states.
    const unsigned char First = I < Size ? Data[I] : 0;
    const bool End = First == '/';
    std::size_t NameAt, NameEnd;
    if (First == '!' || First == '?' || !FindTagName(Data, I + End, Size, NameAt, NameEnd)) return Npos;
    // A break ends nothing while no text of the run is held: its name is then passed over.
    const TFlags Flags =
        FNames.Find(reinterpret_cast<const char*>(Data + NameAt), NameEnd - NameAt, FRunHasText || FNeed > 0);
    if (Flags == 0 && !Shown()) {
        // Outside shown text, a tag of no meaning is passed over: its name and attributes hold no
        // '<', so the next tag starts at the next '<'. Looking for it from here rather than from
        // the name's end keeps the search apart from reading the name.
        return I;
    }
    if (!End && ReadsAttribute(Flags)) return PlainAttributeTag(Data, NameEnd, Size, Flags);
    if (ActsAtStartOnly(Flags) && !Shown()) {
        // Likewise a tag that says all it says where it starts (a break, a space); a break with
        // no text before it in its run, the most common of them, changes nothing.
        if ((Flags & (Space | Tab)) == 0 && !FRunHasText && FNeed == 0) return I;
        FTagFlags = Flags;
        if (End)
            EndElement(Flags);
        else
            StartElement(false);
        return Stopped() ? Size : I;
    }
    if (End) return PlainEndTag(Data, I, NameEnd, Size, Flags);
    // A start tag read to its '>', past its quoted values.
    const std::size_t Gt = TagEnd(Data, NameEnd, Size);
    if (Gt == Size) return Npos;
    FTagFlags = Flags;
    StartElement(EndsEmpty(Data, NameEnd, Gt));
    return Stopped() ? Size : Gt + 1;
}

std::size_t TXmlTextExtractor::ReadPlain(const unsigned char* Data, std::size_t I, std::size_t Size) {
    FState = TState::Text;  // (from Start, once the first bytes told the encoding)
    TMarks Marks(Data, Size);
    TQuietScan QuietScans[2] = {{Data, Size, FQuiet[0].Firsts, FQuiet[0].Count},
                                {Data, Size, FQuiet[1].Firsts, FQuiet[1].Count}};
    for (;;) {
        std::size_t J;
        if (!Shown()) {
            J = Quiet() ? QuietScans[FRuledOut].Next(I) : Marks.Next(I, 0);
        } else {
            J = Marks.Next(I, ~std::uint64_t(0));
            if (J > I && !ShownText(Data + I, J - I, J < Size)) return Size;
            if (J < Size && Data[J] == '&') {
                FState = TState::Entity;
                FEntityLength = 0;
                return J + 1;
            }
        }
        if (J == Size) return Size;
        I = PlainTag(Data, J + 1, Size);
        if (I == Npos) {
            FState = TState::TagOpen;  // the states read the tag from after its '<'
            return J + 1;
        }
        // (At the buffer's end, or once the sink stops, Size: the search above ends the loop.)
    }
}
