#pragma once
// The text of a web page from its characters (already decoded from the page's charset), in one
// pass with a few bounded buffers: a tokenizer's state, the name of the tag being read, an
// entity being read, and the values of a <meta> element. See html.h for what counts as text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pure/doctext/decodelimits.h"

class TSinkWriter;

class THtmlText {
public:
    explicit THtmlText(TSinkWriter& Out) : FOut(Out) {}
    // The next characters of the page. False once the sink wants no more.
    bool Feed(const char16_t* Units, std::size_t Count);
    // Ends the page: text held back is handed on and the run ended. False as Feed.
    bool Finish();

    // What an element does to the text around it.
    enum class TRole : std::uint8_t { Inline, Block, LineBreak, Raw, Title, Meta };

private:
    enum class TState : std::uint8_t {
        Text,
        Reference,  // after "&"
        TagOpen,    // after "<"
        StartName,
        EndName,
        InTag,  // between attributes
        AttributeName,
        AfterAttributeName,
        BeforeValue,
        QuotedValue,
        UnquotedValue,
        MarkupOpen,  // after "<!"
        Comment,
        Bogus,  // a declaration, processing instruction or end tag's rest: up to ">"
        Raw     // a script's or style's content: up to its end tag
    };

    void Step(char16_t C);
    void Character(char16_t C);
    void CodePoint(char32_t C);
    void Space();
    // The reference after "&" ends, with a ";" or before another character.
    void EndReference(bool Semicolon);
    void EndStartTag();
    void EndEndTag();
    // Ends the title's run of text, when one is being read.
    void EndTitle();
    void EndRun();
    void MetaProperty();

    TSinkWriter& FOut;
    TState FState = TState::Text;
    bool FPendingSpace = false;  // white space seen since the run's last character
    bool FRunHasText = false;
    bool FInTitle = false;
    // The tag being read: its name in lower case (a longer name is none of the known ones).
    char FName[16] = {};
    std::size_t FNameLength = 0;
    TRole FRole = TRole::Inline;
    bool FEmptyTag = false;  // "/" just before the tag's ">"
    // An element whose content is raw text, and how much of its end tag "</name" has been seen.
    char FRawName[8] = {};
    std::size_t FRawNameLength = 0, FRawMatched = 0;
    // The attribute being read, and the captured values of a <meta> element.
    char FAttribute[16] = {};
    std::size_t FAttributeLength = 0;
    char16_t FQuote = 0;
    std::u16string* FValue = nullptr;  // the value being captured, if any
    std::u16string FMetaName, FMetaContent;
    // The reference being read, after "&".
    char FReference[HtmlMaxReferenceName + 2] = {};
    std::size_t FReferenceLength = 0;
    int FDashes = 0;  // "-" just before, in a comment or after "<!"
    bool FMarkupDash = false;
};
