#include "pure/doctext/unitscout.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "pure/doctext/charset.h"
#include "pure/doctext/decodelimits.h"
#include "pure/doctext/htmlentities.h"
#include "pure/doctext/xmlscan.h"
#include "pure/doctext/xmltext.h"
#include "pure/support/bytetext.h"
#include "pure/support/findbyte.h"

namespace {

// Units looked at again where two pieces meet: a reference's "&", its longest name and its end.
constexpr std::size_t Reach = HtmlMaxReferenceName + 2;
static_assert(Reach >= XmlMaxReferenceName + 2, "a cut XML reference is looked at whole");
// In a double-byte code page, also room for the characters between the last byte no character
// goes on with and a form cut between two pieces (a paragraph of CJK text has no such byte).
constexpr std::size_t CodePageReach = 2048;

bool IsHtmlNameUnit(char16_t C) {
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '#';
}
bool EndsXmlName(char16_t C) {
    return C == ';' || C == '<' || C == '&' || C == ' ' || C == '\t' || C == '\r' || C == '\n';
}

// The first of the Size units at Data from From on that is A or B; Size when none.
std::size_t NextOf(const char16_t* Data, std::size_t Size, std::size_t From, char16_t A, char16_t B) {
    while (From < Size && Data[From] != A && Data[From] != B) ++From;
    return From;
}
std::size_t NextOf(const unsigned char* Data, std::size_t Size, std::size_t From, unsigned char A) {
    const unsigned char* P = FindByte(Data + From, Size - From, A);
    return P != nullptr ? static_cast<std::size_t>(P - Data) : Size;
}

}  // namespace

bool TUnitScout::Judges(char16_t Unit) { return Unit >= 0x80 && !(Unit >= 0xD800 && Unit < 0xE000) && Unit != 0xFFFD; }

TUnitScout::TUnitScout(char16_t Unit, unsigned CodePage, TReferences References, const TDecodeEnv& Env)
    : FUnit(Unit),
      FCodePage(CodePage),
      FReferences(References),
      FNamed(References == TReferences::Html && HtmlEntityStandsFor(Unit)) {
    // Code pages of one- and two-byte characters (not GB18030's four) with few such sequences.
    const bool Platform = CodePage != CodePageAuto && CodePage != CodePageUtf16Le && CodePage != CodePageUtf16Be &&
                          CodePage != CodePageGb18030 && CodePage != 20932 && Env.CodePages != nullptr;
    if (CodePage == CodePageUtf8) {
        unsigned char Form[4];
        FForms.emplace_back(reinterpret_cast<const char*>(Form), EncodeUtf8(Unit, Form));
    } else if (Platform && Env.CodePages->FormsOf(CodePage, Unit, FForms) && FForms.size() <= 8) {
        FCodePageForms = true;
        FConverter = Env.CodePages;
    } else {
        FForms.clear();
        FDecoder = std::make_unique<TTextDecoder>(CodePage, Env);
    }
}

TUnitScout::~TUnitScout() = default;

bool TUnitScout::Feed(const unsigned char* Data, std::size_t Size) {
    if (FFound || Size == 0) return FFound;
    if (FDecoder == nullptr) return LooksUtf16(Data, Size, false) || Look(FByteTail, Data, Size, false);
    FUnits.clear();
    FDecoder->Feed(std::string_view(reinterpret_cast<const char*>(Data), Size), FUnits);
    return Look(FUnitTail, FUnits.data(), FUnits.size(), false);
}

bool TUnitScout::Finish() {
    if (FFound) return true;
    if (FDecoder == nullptr) return LooksUtf16(nullptr, 0, true) || Look(FByteTail, FByteTail.data(), 0, true);
    FUnits.clear();
    FDecoder->Finish(FUnits);
    return Look(FUnitTail, FUnits.data(), FUnits.size(), true);
}

bool TUnitScout::LooksUtf16(const unsigned char* Data, std::size_t Size, bool Final) {
    if (FStarted) return false;
    unsigned char First[2];
    std::size_t Count = 0;
    for (std::size_t I = 0; I < FByteTail.size() && Count < 2; ++I) First[Count++] = FByteTail[I];
    for (std::size_t I = 0; I < Size && Count < 2; ++I) First[Count++] = Data[I];
    if (Count < 2 && !Final) return false;
    FStarted = true;
    const bool Mark = Count == 2 && ((First[0] == 0xFF && First[1] == 0xFE) || (First[0] == 0xFE && First[1] == 0xFF));
    // In a code page, a byte-order mark of UTF-8 turns the text to UTF-8 as well.
    const bool Utf8Mark = FCodePageForms && Count > 0 && First[0] == 0xEF;
    return FFound = Mark || Utf8Mark || std::find(First, First + Count, 0) != First + Count;
}

template <typename T>
bool TUnitScout::Look(std::vector<T>& Tail, const T* Data, std::size_t Size, bool Final) {
    // What the last piece cut off lies in its tail and the start of this one.
    const std::size_t Keep = FCodePageForms ? CodePageReach : Reach;
    if (!Tail.empty()) {
        std::vector<T> Joint(Tail);
        const std::size_t Take = std::min(Size, Keep);
        Joint.insert(Joint.end(), Data, Data + Take);
        if (Holds(Joint.data(), Joint.size(), Final && Take == Size, Tail.size())) return FFound = true;
    }
    if (Size > 0 && Holds(Data, Size, Final, 0)) return FFound = true;
    if (Size >= Keep) {
        Tail.assign(Data + Size - Keep, Data + Size);
    } else {
        Tail.insert(Tail.end(), Data, Data + Size);
        if (Tail.size() > Keep) Tail.erase(Tail.begin(), Tail.end() - Keep);
    }
    FAtStart = false;
    return false;
}

template <typename T>
bool TUnitScout::Holds(const T* Data, std::size_t Size, bool Final, std::size_t Kept) const {
    if constexpr (sizeof(T) == 1) {
        for (const std::string& Form : FForms) {
            const auto* Bytes = reinterpret_cast<const unsigned char*>(Form.data());
            if (!FCodePageForms) {
                if (xmlscan::HoldsSequence(Data, Size, Bytes, Form.size(), Bytes[0])) return true;
                // XML text joins a character whose bytes markup or a reference cuts apart: the
                // form's first bytes before a tag or a reference count too.
                for (std::size_t K = 1; FReferences == TReferences::Xml && K < Form.size(); ++K)
                    for (const unsigned char Mark : {'<', '&'}) {
                        const unsigned char Cut[3] = {Bytes[0], K > 1 ? Bytes[1] : Mark, Mark};
                        if (xmlscan::HoldsSequence(Data, Size, Cut, K + 1, Cut[0])) return true;
                    }
                continue;
            }
            // In a double-byte code page the bytes may belong to two characters: those from the last
            // byte that no character goes on with (below 0x40, no trail byte) to the form's end are
            // converted as the text is. Where no such byte lies before the form in what is looked
            // at (the text's start aside), that cannot be told.
            for (std::size_t At = 0; At + Form.size() <= Size; ++At) {
                const unsigned char* Hit = FindByte(Data + At, Size - Form.size() + 1 - At, Bytes[0]);
                if (Hit == nullptr) break;
                At = static_cast<std::size_t>(Hit - Data);
                if (std::memcmp(Hit, Bytes, Form.size()) != 0 || At + Form.size() <= Kept) continue;
                std::size_t Start = At;
                while (Start > 0 && Data[Start - 1] >= 0x40) --Start;
                if (Start == 0 && !(Kept == 0 && FAtStart)) {
                    // Near a piece's start, where two pieces meet, it was told with the bytes kept.
                    if (Kept == 0 && At + Form.size() <= CodePageReach) continue;
                    return true;
                }
                std::u16string Units;
                const std::string_view Window(reinterpret_cast<const char*>(Data + Start), At + Form.size() - Start);
                if (!FConverter->ToUtf16(FCodePage, Window, Units) || Units.find(FUnit) != std::u16string::npos)
                    return true;
            }
        }
        if (FReferences == TReferences::None) return false;
        for (std::size_t At = NextOf(Data, Size, 0, '&'); At < Size; At = NextOf(Data, Size, At + 1, '&'))
            if (ReferenceGives(Data, At + 1, Size, Final)) return true;
    } else {
        const char16_t Amp = FReferences == TReferences::None ? FUnit : u'&';
        for (std::size_t At = NextOf(Data, Size, 0, FUnit, Amp); At < Size; At = NextOf(Data, Size, At + 1, FUnit, Amp))
            if (Data[At] == FUnit || ReferenceGives(Data, At + 1, Size, Final)) return true;
    }
    return false;
}

// Whether the reference whose name starts at At stands for the unit, read as the piece's reader
// reads it; one the end of Data cuts is judged with the next piece, unless Final.
template <typename T>
bool TUnitScout::ReferenceGives(const T* Data, std::size_t At, std::size_t Size, bool Final) const {
    char Name[HtmlMaxReferenceName];
    std::size_t Length = 0, I = At;
    if (FReferences == TReferences::Html) {
        while (I < Size && Length < HtmlMaxReferenceName && IsHtmlNameUnit(Data[I]))
            Name[Length++] = static_cast<char>(Data[I++]);
        if (I == Size && Length < HtmlMaxReferenceName && !Final) return false;
        // A byte of a code page that its conversion may drop (an invalid one) would join the
        // name with what follows it.
        if (FCodePageForms && I < Size && Length < HtmlMaxReferenceName && Data[I] >= 0x80) return true;
        if (Length == 0) return false;
        if (Name[0] != '#' && !FNamed) return false;
        return HtmlReference(std::string_view(Name, Length)) == FUnit;
    }
    while (I < Size && Length < XmlMaxReferenceName && !EndsXmlName(Data[I]))
        Name[Length++] = static_cast<char>(Data[I++]);
    char32_t C = 0;
    return I < Size && Data[I] == ';' && DecodeXmlReference(Name, Length, C) && C == FUnit;
}
