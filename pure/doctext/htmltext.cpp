#include "pure/doctext/htmltext.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "pure/doctext/decodelimits.h"
#include "pure/doctext/htmlentities.h"
#include "pure/doctext/sinkwriter.h"

namespace {

struct TElement {
    std::string_view Name;
    THtmlText::TRole Role;
};
using R = THtmlText::TRole;
// Elements that do more than join the text around them, sorted by name. Any other element,
// known or not (span, b, font, a, o:p, ...), is inline.
constexpr TElement Elements[] = {
    {"address", R::Block},    {"article", R::Block},  {"aside", R::Block},   {"blockquote", R::Block},
    {"body", R::Block},       {"br", R::LineBreak},   {"caption", R::Block}, {"center", R::Block},
    {"dd", R::Block},         {"details", R::Block},  {"dialog", R::Block},  {"dir", R::Block},
    {"div", R::Block},        {"dl", R::Block},       {"dt", R::Block},      {"fieldset", R::Block},
    {"figcaption", R::Block}, {"figure", R::Block},   {"footer", R::Block},  {"form", R::Block},
    {"frame", R::Block},      {"frameset", R::Block}, {"h1", R::Block},      {"h2", R::Block},
    {"h3", R::Block},         {"h4", R::Block},       {"h5", R::Block},      {"h6", R::Block},
    {"head", R::Block},       {"header", R::Block},   {"hgroup", R::Block},  {"hr", R::Block},
    {"html", R::Block},       {"iframe", R::Block},   {"legend", R::Block},  {"li", R::Block},
    {"listing", R::Block},    {"main", R::Block},     {"menu", R::Block},    {"meta", R::Meta},
    {"nav", R::Block},        {"noframes", R::Block}, {"ol", R::Block},      {"optgroup", R::Block},
    {"option", R::Block},     {"p", R::Block},        {"pre", R::Block},     {"script", R::Raw},
    {"section", R::Block},    {"select", R::Block},   {"style", R::Raw},     {"summary", R::Block},
    {"table", R::Block},      {"tbody", R::Block},    {"td", R::Block},      {"textarea", R::Block},
    {"tfoot", R::Block},      {"th", R::Block},       {"thead", R::Block},   {"title", R::Title},
    {"tr", R::Block},         {"ul", R::Block},       {"xmp", R::Block},
};

THtmlText::TRole RoleOf(std::string_view Name) {
    const TElement* It = std::lower_bound(std::begin(Elements), std::end(Elements), Name,
                                          [](const TElement& E, std::string_view N) { return E.Name < N; });
    return It != std::end(Elements) && It->Name == Name ? It->Role : THtmlText::TRole::Inline;
}

// <meta name="..."> values whose content is a document property its author wrote.
bool IsPropertyName(const std::u16string& Name) {
    for (const char* Property : {"author", "keywords", "description", "subject", "classification"}) {
        const std::size_t Length = std::strlen(Property);
        if (Name.size() != Length) continue;
        bool Same = true;
        for (std::size_t I = 0; I < Length && Same; ++I) {
            const char16_t C = Name[I] >= u'A' && Name[I] <= u'Z' ? Name[I] + 32 : Name[I];
            Same = C == static_cast<char16_t>(Property[I]);
        }
        if (Same) return true;
    }
    return false;
}

bool IsSpace(char16_t C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f'; }
// A unit that text between tags does not simply pass on: a tag, a reference or white space.
bool StopsText(char16_t C) { return C == '<' || C == '&' || (C <= ' ' && IsSpace(C)); }
bool IsLetter(char16_t C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }
bool IsReferenceUnit(char16_t C) { return IsLetter(C) || (C >= '0' && C <= '9') || C == '#'; }
char Lower(char16_t C) { return static_cast<char>(C >= 'A' && C <= 'Z' ? C + 32 : C); }

}  // namespace

bool THtmlText::Feed(const char16_t* Units, std::size_t Count) {
    for (std::size_t I = 0; I < Count && !FOut.Stopped();) {
        // Most of a page is text between tags and attribute values that give nothing: each run
        // of it is taken in one piece rather than a character at a time.
        std::size_t End = I;
        if (FState == TState::Text) {
            // A lone space between two characters of the run stays as it is.
            while (End < Count && (!StopsText(Units[End]) ||
                                   (Units[End] == u' ' && End > I && End + 1 < Count && !StopsText(Units[End + 1]))))
                ++End;
            if (End > I) {
                if (FPendingSpace) FOut.Put(u' ');
                FPendingSpace = false;
                FRunHasText = true;
                FOut.Put(Units + I, End - I);
            }
        } else if (FState == TState::QuotedValue && FValue == nullptr) {
            while (End < Count && Units[End] != FQuote) ++End;
        }
        if (End == I) Step(Units[End++]);
        I = End;
    }
    return !FOut.Stopped();
}

bool THtmlText::Finish() {
    if (FState == TState::Reference) EndReference(false);
    FState = TState::Text;
    EndTitle();
    EndRun();
    return FOut.Flush();
}

void THtmlText::CodePoint(char32_t C) {
    if (FPendingSpace) FOut.Put(u' ');
    FPendingSpace = false;
    FRunHasText = true;
    FOut.PutCodePoint(C);
}

void THtmlText::Character(char16_t C) {
    if (FPendingSpace) FOut.Put(u' ');
    FPendingSpace = false;
    FRunHasText = true;
    FOut.Put(C);
}

void THtmlText::Space() { FPendingSpace = FRunHasText; }

void THtmlText::EndRun() {
    FOut.EndRun();
    FRunHasText = FPendingSpace = false;
}

void THtmlText::EndTitle() {
    if (!FInTitle) return;
    FInTitle = false;
    EndRun();
    FOut.Place(TTextPlace::Body);
}

void THtmlText::EndReference(bool Semicolon) {
    const std::string_view Name(FReference, FReferenceLength);
    if (const char32_t C = HtmlReference(Name)) return CodePoint(C);
    Character(u'&');
    for (const char C : Name) Character(static_cast<char16_t>(C));
    if (Semicolon) Character(u';');
}

void THtmlText::MetaProperty() {
    if (FMetaContent.empty() || !IsPropertyName(FMetaName)) return;
    EndTitle();
    EndRun();
    FOut.Place(TTextPlace::Properties);
    // The value's references decoded as in text; but where the value was cut short, one that runs
    // to its end is not read: its name may have gone on ("&#x1F60" of "&#x1F60A;").
    const bool Cut = FMetaContent.size() >= HtmlMaxMetaValue;
    for (std::size_t I = 0; I < FMetaContent.size(); ++I) {
        const char16_t C = FMetaContent[I];
        if (C == u'&') {
            std::size_t End = I + 1;
            while (End < FMetaContent.size() && End - I <= HtmlMaxReferenceName && IsReferenceUnit(FMetaContent[End]))
                ++End;
            std::string Name;
            for (std::size_t J = I + 1; J < End; ++J) Name += static_cast<char>(FMetaContent[J]);
            const bool Whole = End - I <= HtmlMaxReferenceName && !(Cut && End == FMetaContent.size());
            if (const char32_t Value = Whole ? HtmlReference(Name) : 0) {
                CodePoint(Value);
                I = End < FMetaContent.size() && FMetaContent[End] == u';' ? End : End - 1;
                continue;
            }
        }
        IsSpace(C) ? Space() : Character(C);
    }
    EndRun();
    FOut.Place(TTextPlace::Body);
}

void THtmlText::EndStartTag() {
    FState = TState::Text;
    switch (FRole) {
    case TRole::Block:
        EndTitle();
        EndRun();
        return;
    case TRole::LineBreak:
        FOut.LineBreak();
        FRunHasText = FPendingSpace = false;
        return;
    case TRole::Raw:
        if (FEmptyTag) return;  // written as an empty element: "<script ... />"
        std::memcpy(FRawName, FName, FNameLength);
        FRawNameLength = FNameLength;
        FRawMatched = 0;
        FState = TState::Raw;
        return;
    case TRole::Title:
        if (FEmptyTag || FInTitle) return;
        EndRun();
        FOut.Place(TTextPlace::Properties);
        FInTitle = true;
        return;
    case TRole::Meta:
        MetaProperty();
        return;
    default:
        return;
    }
}

void THtmlText::EndEndTag() {
    FState = TState::Text;
    const TRole Role = RoleOf(std::string_view(FName, FNameLength));
    if (Role == TRole::Block) {
        EndTitle();
        EndRun();
    } else if (Role == TRole::Title) {
        EndTitle();
    }
}

void THtmlText::Step(char16_t C) {
    switch (FState) {
    case TState::Text:
        if (C == u'<')
            FState = TState::TagOpen;
        else if (C == u'&')
            FState = TState::Reference, FReferenceLength = 0;
        else if (IsSpace(C))
            Space();
        else
            Character(C);
        return;
    case TState::Reference:
        if (IsReferenceUnit(C) && FReferenceLength < sizeof FReference - 2) {
            FReference[FReferenceLength++] = static_cast<char>(C);
            return;
        }
        FState = TState::Text;
        EndReference(C == u';');
        if (C != u';') Step(C);
        return;
    case TState::TagOpen:
        FNameLength = 0;
        if (IsLetter(C)) {
            FName[FNameLength++] = Lower(C);
            FState = TState::StartName;
        } else if (C == u'/') {
            FState = TState::EndName;
        } else if (C == u'!') {
            FState = TState::MarkupOpen, FMarkupDash = false;
        } else if (C == u'?') {
            FState = TState::Bogus;
        } else {
            FState = TState::Text;
            Character(u'<');
            Step(C);
        }
        return;
    case TState::StartName:
    case TState::EndName:
        if (!IsSpace(C) && C != u'/' && C != u'>') {
            // A name too long for the buffer, or not ASCII, is none of the known ones.
            if (FNameLength < sizeof FName - 1 && C < 0x80)
                FName[FNameLength++] = Lower(C);
            else
                FNameLength = sizeof FName;
            return;
        }
        if (FNameLength == sizeof FName) FNameLength = 0;
        if (FState == TState::EndName) {
            FState = C == u'>' ? TState::Text : TState::Bogus;
            if (C == u'>' || FNameLength > 0) EndEndTag();
            if (C != u'>' && FNameLength > 0) FState = TState::Bogus;
            return;
        }
        FRole = RoleOf(std::string_view(FName, FNameLength));
        FMetaName.clear(), FMetaContent.clear();
        FEmptyTag = false;
        FState = TState::InTag;
        Step(C);
        return;
    case TState::InTag:
        if (C == u'>') return EndStartTag();
        FEmptyTag = C == u'/';
        if (!IsSpace(C) && C != u'/') {
            FAttributeLength = 0;
            FState = TState::AttributeName;
            Step(C);
        }
        return;
    case TState::AttributeName:
    case TState::AfterAttributeName:
        if (C == u'=') {
            FState = TState::BeforeValue;
        } else if (C == u'>' || C == u'/') {
            FState = TState::InTag;
            Step(C);
        } else if (IsSpace(C)) {
            FState = TState::AfterAttributeName;
        } else if (FState == TState::AfterAttributeName) {
            FState = TState::InTag;
            Step(C);
        } else if (FAttributeLength < sizeof FAttribute) {
            FAttribute[FAttributeLength++] = Lower(C);
        }
        return;
    case TState::BeforeValue: {
        if (IsSpace(C)) return;
        if (C == u'>') return EndStartTag();
        const std::string_view Attribute(FAttribute, FAttributeLength);
        FValue = FRole != TRole::Meta     ? nullptr
                 : Attribute == "name"    ? &FMetaName
                 : Attribute == "content" ? &FMetaContent
                                          : nullptr;
        if (C == u'"' || C == u'\'') {
            FQuote = C;
            FState = TState::QuotedValue;
            return;
        }
        FState = TState::UnquotedValue;
        Step(C);
        return;
    }
    case TState::QuotedValue:
    case TState::UnquotedValue:
        if (FState == TState::QuotedValue ? C == FQuote : IsSpace(C) || C == u'>') {
            FState = TState::InTag;
            FValue = nullptr;
            if (C == u'>') EndStartTag();
        } else if (FValue != nullptr && FValue->size() < HtmlMaxMetaValue) {
            *FValue += C;
        }
        return;
    case TState::MarkupOpen:
        if (C == u'-' && !FMarkupDash) {
            FMarkupDash = true;
        } else if (C == u'-') {
            FState = TState::Comment;
            FDashes = 2;  // "<!-->" and "<!--->" end where they stand
        } else {
            FState = C == u'>' ? TState::Text : TState::Bogus;
        }
        return;
    case TState::Comment:
        if (C == u'>' && FDashes >= 2)
            FState = TState::Text;
        else
            FDashes = C == u'-' ? FDashes + 1 : 0;
        return;
    case TState::Bogus:
        if (C == u'>') FState = TState::Text;
        return;
    case TState::Raw:
        // Looks for "</" and the element's name, then white space, "/" or ">".
        if (FRawMatched < 2 + FRawNameLength) {
            const bool Match = FRawMatched == 0   ? C == u'<'
                               : FRawMatched == 1 ? C == u'/'
                                                  : Lower(C) == FRawName[FRawMatched - 2] && C < 0x80;
            FRawMatched = Match ? FRawMatched + 1 : C == u'<' ? 1 : 0;
        } else if (IsSpace(C) || C == u'/' || C == u'>') {
            FState = C == u'>' ? TState::Text : TState::Bogus;
        } else {
            FRawMatched = C == u'<' ? 1 : 0;
        }
        return;
    }
}
