#pragma once
// The text of an XML part, streamed: character data of chosen elements (never tag names, never
// attribute values except one chosen attribute; a few others only say what an element stands
// for, such as a cell's type or a space's count), with the predefined entities, character
// references and CDATA sections, in UTF-8 or UTF-16. A streaming tokenizer whose state is a few
// counters and small bounded buffers: no tree, no stack as deep as the nesting. The byte scanners
// under it are in xmlscan.h, its name list in xmlnames.h, the states that read a few bytes at a
// time in xmlstates.cpp.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pure/doctext/decodelimits.h"
#include "pure/doctext/sinkwriter.h"
#include "pure/doctext/textsink.h"
#include "pure/doctext/xmlnames.h"
#include "pure/doctext/xmlscan.h"

// Containers whose text counts unless an attribute of the element around them has one of a few
// values: a worksheet cell's value (<v> of a <c>) is what a reader sees unless the cell's type
// (its t) says the value is an index into the shared strings, a truth value or an error code.
// Elements of that name do not nest: the nearest start of one rules until its end.
struct TXmlTextUnless {
    const char* Containers = "";      // the containers so ruled, a list as in TXmlTextRules
    const char* Element = nullptr;    // the element around them whose attribute rules ("c")
    const char* Attribute = nullptr;  // that attribute, by local name ("t")
    const char* Values = "";          // the values for which they give nothing ("s b e")
    bool Only = false;                // instead: they give text for those values only
    // Values for which (and where the attribute is absent) they hold a number: passed over while
    // the sink awaits a unit that no number's text holds, as no match can then lie in them.
    const char* Numbers = nullptr;
};

// Which elements say what, by local name (the part after any prefix). A list is a string of
// names each ended by a space, such as "p h table-cell ". An element reads at most one of its
// attributes: the text attribute, else the one of Unless, else the space count.
struct TXmlTextRules {
    const char* Containers = "";             // character data inside these is text
    const char* Breaks = "";                 // their start and end end a run of text
    const char* Skips = "";                  // nothing inside these is text
    const char* Spaces = "";                 // empty elements that stand for a space
    const char* SpaceCount = nullptr;        // ... their attribute that repeats it (text:c="3")
    const char* Tabs = "";                   // ... for a tab
    const char* LineBreaks = "";             // ... for a line break inside the run's paragraph
    const char* AttributeElement = nullptr;  // the element whose attribute is text (a sheet's name)
    const char* AttributeName = nullptr;
    TXmlTextUnless Unless = {};  // containers that count unless the element around them says not
};

class TXmlTextExtractor {
public:
    TXmlTextExtractor(const TXmlTextRules& Rules, TTextSink& Sink);
    // Feeds the next bytes of the part. False once the sink wants no more.
    bool Feed(const unsigned char* Data, std::size_t Size);
    // Ends the part: hands out the text held back and ends the run. False as Feed.
    bool Finish();

private:
    enum class TState : std::uint8_t {
        Start,
        Text,
        Entity,
        TagOpen,
        StartName,
        EndName,
        InTag,
        InQuote,
        EndTag,
        Bang,
        Comment,
        CData,
        Pi,
        Doctype
    };
    using TFlags = TXmlNameList::TFlags;
    enum TFlag : TFlags {
        Container = 1,
        Break = 2,
        Skip = 4,
        Space = 8,
        Tab = 16,
        LineBreak = 32,
        Attribute = 64,
        Ruled = 128,  // a container of Unless
        Ruler = 256   // the element of Unless
    };
    static constexpr std::size_t Npos = ~std::size_t(0);

    // ---- Text out ----
    bool Stopped() const { return FWriter.Stopped(); }
    // Hands the text held back to the sink, then asks it what it waits for now.
    bool Flush();
    // Ends the run (a character left unfinished becomes U+FFFD) when it holds text; for a line
    // break, ends the line instead.
    bool EndRun(bool Line = false);
    bool Unit(char16_t U);
    bool CodePoint(char32_t C);
    // Counts Count units written into the writer's space as text, flushing when it is full.
    bool Commit(std::size_t Count);
    // UTF-8 text bytes, a character begun in one call finished in the next.
    bool TextBytes(const unsigned char* Data, std::size_t Size);
    bool TextByte(unsigned char B);
    // Asks the sink which unit it waits for and keeps that unit's UTF-8 form.
    void Await();
    // Whether the text run Data[0..Size), which ends before a '<' or '&' of the buffer, may be
    // passed over: the sink waits for a unit the run does not hold, and the run leaves the decoder
    // as it found it (no character begun before it or left unfinished at its end).
    bool Passable(const unsigned char* Data, std::size_t Size);
    // The sink awaits a unit that no number's text holds (digits, a point, a sign, an exponent).
    bool AwaitsNoNumber() const;

    // ---- Elements ----
    bool Shown() const { return FContainerDepth > 0 && FSkipDepth == 0; }
    // While no text is shown or held, only a few tags can change anything (see TQuietScan).
    bool Quiet() const { return FQuiet[FRuledOut].Count >= 0 && !FRunHasText && FNeed == 0 && FSkipDepth == 0; }
    // The first bytes of the names whose flags, of Acting, act while nothing is shown or held
    // (at most two), or -1.
    int QuietFirsts(TFlags Acting, unsigned char (&Firsts)[2]) const;
    // A tag with these flags changes nothing between its start and end tags.
    static bool ActsAtStartOnly(TFlags Flags) { return (Flags & (Container | Skip | Attribute | Ruled | Ruler)) == 0; }
    // The attribute whose value a tag with these flags reads (empty: none).
    std::string_view WantedAttribute(TFlags Flags) const {
        return (Flags & Attribute) != 0 ? FAttributeName
               : (Flags & Ruler) != 0   ? FRulerAttribute
               : (Flags & Space) != 0   ? FSpaceCount
                                        : std::string_view();
    }
    bool ReadsAttribute(TFlags Flags) const { return (Flags & FReads) != 0; }
    // The start of the tag read (FTagFlags) with the value of its wanted attribute, and the end
    // of one with these flags.
    bool StartElement(bool Empty, std::string_view Value = {});
    void EndElement(TFlags Flags);
    bool AttributeText(std::string_view Value);
    // The spaces a space element stands for, by its count attribute.
    bool Spaces(std::string_view Count);
    // Ends the containers of Unless still open (their element ended, or began again).
    void CloseRuled();

    // ---- Bytes in ----
    bool FeedUtf8(const unsigned char* Data, std::size_t Size);
    bool FeedUtf16(const unsigned char* Data, std::size_t Size);
    // Reads text and the plain start and end tags that lie whole in the buffer from Data[I] on,
    // in the Text state: the position where the states take over, FState telling which.
    std::size_t ReadPlain(const unsigned char* Data, std::size_t I, std::size_t Size);
    // A run of shown text Data[0..Size), Whole unless the buffer ends it: passed over or decoded.
    bool ShownText(const unsigned char* Data, std::size_t Size, bool Whole);
    // The tag whose '<' stands before Data[I], read where it lies whole in the buffer and its name
    // is short: the position to go on from, or Npos for the states to read it.
    std::size_t PlainTag(const unsigned char* Data, std::size_t I, std::size_t Size);
    // A start tag whose attribute is read, from its name's end on; Npos when the buffer cuts it.
    std::size_t PlainAttributeTag(const unsigned char* Data, std::size_t I, std::size_t Size, TFlags Flags);
    std::size_t PlainEndTag(const unsigned char* Data, std::size_t I, std::size_t NameEnd, std::size_t Size,
                            TFlags Flags);
    // One method per state: each reads from Data[I] and returns where it stopped.
    std::size_t ReadEntity(const unsigned char* Data, std::size_t I, std::size_t Size);
    std::size_t ReadTagOpen(const unsigned char* Data, std::size_t I, std::size_t Size);
    std::size_t ReadName(const unsigned char* Data, std::size_t I, std::size_t Size);
    std::size_t ReadInTag(const unsigned char* Data, std::size_t I, std::size_t Size);
    // A '>' or quote C ends the attribute bytes read in the InTag state.
    std::size_t TagStop(unsigned char C, std::string_view Wanted, std::size_t Next);
    std::size_t ReadInQuote(const unsigned char* Data, std::size_t I, std::size_t Size);
    std::size_t ReadEndTag(const unsigned char* Data, std::size_t I, std::size_t Size);
    std::size_t ReadBang(const unsigned char* Data, std::size_t I, std::size_t Size);
    std::size_t ReadComment(const unsigned char* Data, std::size_t I, std::size_t Size);
    std::size_t ReadCData(const unsigned char* Data, std::size_t I, std::size_t Size);
    std::size_t ReadPi(const unsigned char* Data, std::size_t I, std::size_t Size);
    std::size_t ReadDoctype(const unsigned char* Data, std::size_t I, std::size_t Size);
    // The reference after '&' ends (at ';', or not a reference after all: as written).
    bool EntityDone(bool Semicolon);

    TXmlNameList FNames;
    std::string_view FAttributeName, FRulerAttribute, FSpaceCount;  // the attributes read (see WantedAttribute)
    const char* FRulerValues;  // values of FRulerAttribute that rule out (or, FRulerOnly, in)
    bool FRulerOnly;
    const char* FRulerNumbers;
    TFlags FReads = 0;  // the flags whose tags read an attribute
    TTextSink& FSink;
    TSinkWriter FWriter;
    bool FUtf16 = false, FBigEndian = false;
    unsigned char FOddByte = 0;
    bool FHaveOddByte = false;
    char16_t FHighSurrogate = 0;
    unsigned char FStartBytes[4] = {};
    std::size_t FStartCount = 0;

    TState FState = TState::Start;
    std::uint32_t FContainerDepth = 0, FSkipDepth = 0;
    // Whether the element of Unless that is open rules its containers out, and how many of them
    // are open and counted in FContainerDepth.
    bool FRuledOut = false;
    std::uint32_t FRuledDepth = 0;
    // The tag being read: its local name (as long as the longest listed name, as no longer name
    // is listed) and its flags.
    std::string FName;
    bool FNameTooLong = false;
    TFlags FTagFlags = 0;
    bool FSlashSeen = false;
    char FQuote = 0;
    // The attribute being read (its local name, as long as any read at once, see ReadAttributes),
    // whether a byte that ends a name came after it, and the value of the one the tag wants.
    char FAttr[xmlscan::MaxAttributeName] = {};
    std::size_t FAttrLength = 0;
    bool FAttrTooLong = false, FAttrEnded = false;
    bool FCapturing = false, FFound = false;
    std::string FValue;
    // Entity reference in text, after '&', and the markup lookahead after "<!".
    char FEntity[XmlMaxReferenceName] = {};
    std::size_t FEntityLength = 0;
    char FBang[8] = {};
    std::size_t FBangLength = 0;
    int FTrail = 0;  // closing characters seen ("--" ... "-->", "]]" ... "]]>", "?")
    std::uint32_t FBracketDepth = 0;
    // UTF-8 sequence being decoded.
    char32_t FCode = 0, FLeast = 0;  // the code so far, and the least its length may write
    int FNeed = 0;
    // The first bytes of the names that act while no text is shown or held, [1] while the element
    // of Unless rules its containers out (a shared string's cell: only its end acts); Count -1:
    // more than two, which mark so many tags (in a word processor's paragraphs) that reading them
    // all is as fast.
    struct {
        unsigned char Firsts[2] = {};
        int Count = 0;
    } FQuiet[2];
    // The unit the sink waits for, in UTF-8 (no bytes: none, or one only decoding finds), with
    // the other case of an ASCII letter; only asked of a sink that waits at all.
    bool FAwaits = false;
    unsigned char FAwaited[4] = {}, FAwaitedOther = 0;
    std::size_t FAwaitedLength = 0;
    // Whether the run holds text, handed out or passed over.
    bool FRunHasText = false;
};

// Decodes the entity or character reference Name (between '&' and ';') into Out; false when it
// is none of the predefined entities or a valid reference.
bool DecodeXmlReference(const char* Name, std::size_t Length, char32_t& Out);
