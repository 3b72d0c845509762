#pragma once
// Where a decoder puts what a reader of the document sees. The keyword test's sink matches as
// the text arrives and asks the decoder to stop at the first match; the hit finder keeps each
// match with the text around it and where it stands; tests collect the text.
#include <cstddef>
#include <cstdint>
#include <string_view>

class TByteSource;

// The parts of a document that text can stand in, as far as its format tells.
enum class TTextPlace : std::uint8_t { Body, Page, Sheet, Comment, HeaderFooter, Footnote, Properties };

class TTextSink {
public:
    virtual ~TTextSink() = default;
    // Text as UTF-16 code units in reading order, joined with the text before it (a word written
    // half bold arrives in two calls). Returns false once the sink wants no more: the decoder
    // then stops as soon as it can.
    virtual bool Text(const char16_t* Units, std::size_t Count) = 0;
    // Ends a run of text (a paragraph, table cell, shared string, slide shape, row, property):
    // nothing matches across it. Returns false as Text does.
    virtual bool Break() = 0;
    // Ends a line inside a paragraph (a manual line break): nothing matches across it either, but
    // the paragraph goes on. Returns false as Text does.
    virtual bool LineBreak() { return Break(); }
    // Says where the text that follows stands, until the next call: on page Number (from 1), on
    // the sheet Name, in the properties, ... A decoder ends the run before it. Returns false as
    // Text does.
    virtual bool Place(TTextPlace Where, std::uint32_t Number = 0, std::u16string_view Name = {}) {
        (void)Where, (void)Number, (void)Name;
        return true;
    }
    // The text from here to the matching EndEmbedded belongs to a document held inside this one
    // (an attachment, an embedded object, a member of an archive) that the container calls Name.
    // Both end the run, as Break does, and return false as Text does.
    virtual bool BeginEmbedded(std::u16string_view Name) {
        (void)Name;
        return Break();
    }
    virtual bool EndEmbedded() { return Break(); }
    // The unit the sink waits for before any text can matter to it (a keyword test with no part
    // of its keyword matched yet: the keyword's first unit), or 0 when all text matters. Text that
    // holds neither this unit nor, for a letter a..z or A..Z, the letter's other case may then be
    // passed over rather than handed out; the run still ends with Break. Asked again after each
    // Text and Break, as only they change it.
    virtual char16_t AwaitedUnit() const { return 0; }
    // True when the sink keeps where each piece of text stands: a decoder then hands text out in
    // reading order under its places even where another order is cheaper for it (a workbook's
    // shared strings in the cells that show them rather than in the table's order).
    virtual bool WantsPlaces() const { return false; }
    // A stream held inside a container (such as one stream of a compound file), to be scanned
    // for the keyword's raw byte forms as if it were a file of its own. Returns false as Text does.
    virtual bool RawStream(TByteSource& Stream) = 0;
};

// Hands a whole piece of text to the sink.
inline bool PutText(TTextSink& Sink, std::u16string_view Units) { return Sink.Text(Units.data(), Units.size()); }
