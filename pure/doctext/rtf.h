#pragma once
// Rich Text Format: the text a reader sees (body, headers, footnotes, field results) and the
// document properties (title, subject, keywords, author, comments, ...). Tables of fonts,
// colours, styles and lists, pictures, object data and the other hidden destinations give none.
// Headers and footers, footnotes, comments and the properties each stand in their own place,
// runs of their own; a manual line break (\line) is a line break.
#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "pure/doctext/textsink.h"

void DecodeRtf(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env);

// The same decoding with every byte taken through the general rules, none of the runs of text
// and escapes read straight from the reader's buffer: the reference the tests hold the fast
// paths to.
void DecodeRtfByteByByte(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env);
