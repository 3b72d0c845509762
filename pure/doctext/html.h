#pragma once
// Web pages (.html .htm .xhtml, the HTML parts of mail and the chapters of e-books): the text
// between the tags, streamed, with no tree and no stack as deep as the nesting. Inline elements
// (span, b, a, font, ...) join the text around them into one run; block elements (p, div, li,
// td, h1, ...) end runs and br ends a line. Scripts, styles, comments and attribute values give
// nothing; character references and the named entities are decoded. The title and the
// document properties a page's <meta> elements hold (keywords, description, author) are the
// page's properties.
#include <cstddef>
#include <memory>
#include <string>

#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "pure/doctext/textsink.h"

class TSinkWriter;

// True when the first bytes of a file are those of a web page: after an optional byte-order mark,
// white space, comments and an XML declaration, one of <!DOCTYPE html, <html, <head, <meta,
// <body or <title (letters in any case).
bool IsHtml(const unsigned char* Head, std::size_t Size);

void DecodeHtml(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env);

// A page fed piece by piece (a mail's HTML part) and handed to Out as its text. The page's
// charset: its byte-order mark, else DeclaredCodePage (its container's label, 0 for none), else
// a <meta> charset or XML declaration in its first bytes, else UTF-8 when its first non-ASCII
// bytes are valid as such, else the system's code page.
class THtmlReader {
public:
    THtmlReader(TSinkWriter& Out, const TDecodeEnv& Env, unsigned DeclaredCodePage = 0);
    ~THtmlReader();
    THtmlReader(const THtmlReader&) = delete;
    THtmlReader& operator=(const THtmlReader&) = delete;
    // The next bytes of the page. False once the sink wants no more.
    bool Feed(const unsigned char* Data, std::size_t Size);
    // Ends the page and its last run. False as Feed.
    bool Finish();

private:
    class TImpl;
    std::unique_ptr<TImpl> FImpl;
};

class TUnitScout;

// Whether a page fed piece by piece may give Unit in its text (see unitscout.h), its charset told
// as THtmlReader tells it: the look a keyword test takes before it reads the page.
class THtmlScout {
public:
    // Unit: one TUnitScout::Judges accepts.
    THtmlScout(char16_t Unit, const TDecodeEnv& Env, unsigned DeclaredCodePage = 0);
    ~THtmlScout();
    THtmlScout(const THtmlScout&) = delete;
    THtmlScout& operator=(const THtmlScout&) = delete;
    // The next bytes of the page. True once the page may give the unit.
    bool Feed(const unsigned char* Data, std::size_t Size);
    // Ends the page. True when it may give the unit.
    bool Finish();

private:
    bool Start();

    char16_t FUnit;
    const TDecodeEnv& FEnv;
    unsigned FDeclared;
    std::string FHead;
    std::unique_ptr<TUnitScout> FScout;
};
