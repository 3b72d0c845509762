// The states of the XML text extractor that read a byte or a few at a time: references, tags the
// buffer cuts or whose attributes are read, markup after "<!" and "<?". Text and the plain tags
// that lie whole in the buffer are read in xmltext.cpp.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "pure/doctext/decodelimits.h"
#include "pure/doctext/xmlscan.h"
#include "pure/doctext/xmltext.h"

using namespace xmlscan;

bool DecodeXmlReference(const char* Name, std::size_t Length, char32_t& Out) {
    const std::string_view N(Name, Length);
    if (N == "amp") return Out = '&', true;
    if (N == "lt") return Out = '<', true;
    if (N == "gt") return Out = '>', true;
    if (N == "quot") return Out = '"', true;
    if (N == "apos") return Out = '\'', true;
    if (Length < 2 || Name[0] != '#') return false;
    const bool Hex = Name[1] == 'x' || Name[1] == 'X';
    std::size_t At = Hex ? 2 : 1;
    if (At == Length) return false;
    char32_t Value = 0;
    for (; At < Length; ++At) {
        const char C = Name[At];
        int Digit;
        if (C >= '0' && C <= '9')
            Digit = C - '0';
        else if (Hex && C >= 'a' && C <= 'f')
            Digit = C - 'a' + 10;
        else if (Hex && C >= 'A' && C <= 'F')
            Digit = C - 'A' + 10;
        else
            return false;
        Value = Value * (Hex ? 16 : 10) + static_cast<char32_t>(Digit);
        if (Value > 0x10FFFF) return false;
    }
    if (Value == 0 || (Value >= 0xD800 && Value < 0xE000)) return false;
    Out = Value;
    return true;
}

bool TXmlTextExtractor::FeedUtf8(const unsigned char* Data, std::size_t Size) {
    // The reader of each state, in the order of TState: text and the plain tags that lie whole in
    // the buffer are read in one go, the rest a few bytes at a time.
    using TReader = std::size_t (TXmlTextExtractor::*)(const unsigned char*, std::size_t, std::size_t);
    static constexpr TReader Readers[] = {
        &TXmlTextExtractor::ReadPlain,   &TXmlTextExtractor::ReadPlain,   &TXmlTextExtractor::ReadEntity,
        &TXmlTextExtractor::ReadTagOpen, &TXmlTextExtractor::ReadName,    &TXmlTextExtractor::ReadName,
        &TXmlTextExtractor::ReadInTag,   &TXmlTextExtractor::ReadInQuote, &TXmlTextExtractor::ReadEndTag,
        &TXmlTextExtractor::ReadBang,    &TXmlTextExtractor::ReadComment, &TXmlTextExtractor::ReadCData,
        &TXmlTextExtractor::ReadPi,      &TXmlTextExtractor::ReadDoctype};
    static_assert(std::size(Readers) == static_cast<std::size_t>(TState::Doctype) + 1);
    std::size_t I = 0;
    while (I < Size && !Stopped()) {
        const TReader Read = Readers[static_cast<std::size_t>(FState)];
        I = (this->*Read)(Data, I, Size);
    }
    return !Stopped();
}

std::size_t TXmlTextExtractor::ReadEntity(const unsigned char* Data, std::size_t I, std::size_t) {
    const unsigned char C = Data[I];
    if (C != ';' && C != '<' && C != '&' && !IsXmlSpace(C) && FEntityLength < sizeof FEntity) {
        FEntity[FEntityLength++] = static_cast<char>(C);
        return I + 1;
    }
    // The reference ends at ';'; at anything else there was none, and C is read again as text.
    FState = TState::Text;
    EntityDone(C == ';');
    return C == ';' ? I + 1 : I;
}

bool TXmlTextExtractor::EntityDone(bool Semicolon) {
    char32_t C;
    if (Semicolon && DecodeXmlReference(FEntity, FEntityLength, C)) return CodePoint(C);
    // Not a reference: the text as written.
    return Unit('&') && TextBytes(reinterpret_cast<const unsigned char*>(FEntity), FEntityLength) &&
           (!Semicolon || Unit(';'));
}

std::size_t TXmlTextExtractor::ReadTagOpen(const unsigned char* Data, std::size_t I, std::size_t) {
    const unsigned char C = Data[I];
    FName.clear();
    FNameTooLong = false;
    FSlashSeen = false;
    FAttrLength = 0;
    FAttrTooLong = FAttrEnded = false;
    FFound = false;
    FValue.clear();
    switch (C) {
    case '/':
        FState = TState::EndName;
        return I + 1;
    case '!':
        FState = TState::Bang;
        FBangLength = 0;
        return I + 1;
    case '?':
        FState = TState::Pi;
        FTrail = 0;
        return I + 1;
    default:
        FState = TState::StartName;
        return I;
    }
}

std::size_t TXmlTextExtractor::ReadName(const unsigned char* Data, std::size_t I, std::size_t Size) {
    for (; I < Size && !NameStops.Stop[Data[I]]; ++I) {
        const char C = static_cast<char>(Data[I]);
        if (C == ':') {
            FName.clear();  // the local name follows the prefix
            FNameTooLong = false;
        } else if (FName.size() < FNames.Longest()) {
            FName += C;
        } else {
            FNameTooLong = true;  // longer than any listed name
        }
    }
    if (I == Size) return Size;
    const TFlags Flags = FNames.Find(FName.data(), FNameTooLong ? 0 : FName.size());
    if (FState == TState::EndName) {
        EndElement(Flags);
        FState = Shown() ? TState::EndTag : TState::Text;
        return I;
    }
    FTagFlags = Flags;
    // As where the tag lies whole (PlainTag): outside shown text, a tag that acts at its start
    // only does so now, and its attributes are passed over up to the next tag.
    if (ActsAtStartOnly(Flags) && !ReadsAttribute(Flags) && !Shown()) {
        FState = TState::Text;
        if (Flags != 0) StartElement(false);
    } else {
        FState = TState::InTag;
    }
    return I;
}

std::size_t TXmlTextExtractor::ReadInTag(const unsigned char* Data, std::size_t I, std::size_t Size) {
    const std::string_view Wanted = WantedAttribute(FTagFlags);
    if (Wanted.empty()) {
        // No attribute of this tag is read: on to its end or its next quoted value.
        std::size_t J = I;
        while (J < Size && !TagStops.Stop[Data[J]]) ++J;
        std::size_t Last = J;
        while (Last > I && IsXmlSpace(Data[Last - 1])) --Last;
        if (Last > I) FSlashSeen = Data[Last - 1] == '/';
        return J == Size ? Size : TagStop(Data[J], Wanted, J + 1);
    }
    // The attribute names, by the rules of ReadAttributes.
    for (; I < Size; ++I) {
        const unsigned char C = Data[I];
        if (TagStops.Stop[C]) return TagStop(C, Wanted, I + 1);
        if (IsXmlSpace(C)) {
            FAttrEnded = true;
        } else if (C == '/' || C == '=') {
            FAttrEnded = true;
            FSlashSeen = C == '/';
        } else if (C == ':') {
            FSlashSeen = FAttrEnded = FAttrTooLong = false;
            FAttrLength = 0;  // the local name follows the prefix
        } else {
            FSlashSeen = false;
            if (FAttrEnded) FAttrLength = 0, FAttrTooLong = FAttrEnded = false;
            if (FAttrLength < sizeof FAttr)
                FAttr[FAttrLength++] = static_cast<char>(C);
            else
                FAttrTooLong = true;
        }
    }
    return Size;
}

std::size_t TXmlTextExtractor::TagStop(unsigned char C, std::string_view Wanted, std::size_t Next) {
    if (C == '>') {
        FState = TState::Text;
        StartElement(FSlashSeen, FValue);
        return Next;
    }
    // A quoted value: the wanted one's kept.
    FQuote = static_cast<char>(C);
    FCapturing = !Wanted.empty() && !FFound && !FAttrTooLong && std::string_view(FAttr, FAttrLength) == Wanted;
    FFound = FFound || FCapturing;
    FState = TState::InQuote;
    return Next;
}

std::size_t TXmlTextExtractor::ReadInQuote(const unsigned char* Data, std::size_t I, std::size_t Size) {
    const unsigned char* Close = FindByte(Data + I, Size - I, static_cast<unsigned char>(FQuote));
    const std::size_t End = Close != nullptr ? static_cast<std::size_t>(Close - Data) : Size;
    if (FCapturing) {
        const std::size_t Room = XmlMaxAttributeValue - FValue.size();
        FValue.append(reinterpret_cast<const char*>(Data + I), std::min(Room, End - I));
    }
    if (Close == nullptr) return Size;
    FAttrLength = 0;
    FAttrTooLong = FAttrEnded = FSlashSeen = false;
    FState = TState::InTag;
    return End + 1;
}

std::size_t TXmlTextExtractor::ReadEndTag(const unsigned char* Data, std::size_t I, std::size_t Size) {
    const unsigned char* Gt = FindByte(Data + I, Size - I, '>');
    if (Gt == nullptr) return Size;
    FState = TState::Text;
    return static_cast<std::size_t>(Gt - Data) + 1;
}

std::size_t TXmlTextExtractor::ReadBang(const unsigned char* Data, std::size_t I, std::size_t) {
    static const char Comment[] = "--", CData[] = "[CDATA[";
    const char C = static_cast<char>(Data[I]);
    const std::size_t At = FBangLength;
    const bool MayComment = At < 2 && std::memcmp(FBang, Comment, At) == 0 && C == Comment[At];
    const bool MayCData = At < 7 && std::memcmp(FBang, CData, At) == 0 && C == CData[At];
    if (!MayComment && !MayCData) {
        FState = TState::Doctype;  // any other declaration, read to its end; C again
        FBracketDepth = 0;
        return I;
    }
    FBang[FBangLength++] = C;
    FTrail = 0;
    if (MayComment && FBangLength == 2)
        FState = TState::Comment;
    else if (MayCData && FBangLength == 7)
        FState = TState::CData;
    return I + 1;
}

std::size_t TXmlTextExtractor::ReadComment(const unsigned char* Data, std::size_t I, std::size_t) {
    const unsigned char C = Data[I];
    if (C == '>' && FTrail >= 2)
        FState = TState::Text;
    else
        FTrail = C == '-' ? FTrail + 1 : 0;
    return I + 1;
}

std::size_t TXmlTextExtractor::ReadCData(const unsigned char* Data, std::size_t I, std::size_t) {
    const unsigned char C = Data[I];
    if (C == ']') {
        if (FTrail < 2)
            ++FTrail;
        else if (Shown())
            Unit(']');  // "]]]": the first of three is text
    } else if (C == '>' && FTrail == 2) {
        FState = TState::Text;
    } else {
        if (Shown()) {
            for (int K = 0; K < FTrail; ++K) Unit(']');
            TextByte(C);
        }
        FTrail = 0;
    }
    return I + 1;
}

std::size_t TXmlTextExtractor::ReadPi(const unsigned char* Data, std::size_t I, std::size_t) {
    const unsigned char C = Data[I];
    if (C == '>' && FTrail == 1)
        FState = TState::Text;
    else
        FTrail = C == '?' ? 1 : 0;
    return I + 1;
}

std::size_t TXmlTextExtractor::ReadDoctype(const unsigned char* Data, std::size_t I, std::size_t) {
    const unsigned char C = Data[I];
    if (C == '[')
        ++FBracketDepth;
    else if (C == ']' && FBracketDepth > 0)
        --FBracketDepth;
    else if (C == '>' && FBracketDepth == 0)
        FState = TState::Text;
    return I + 1;
}
