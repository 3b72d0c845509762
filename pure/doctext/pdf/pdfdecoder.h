#pragma once
// The text a reader of a PDF sees: the document information (title, subject, keywords, author),
// the XMP metadata, and the text shown on every page, in content order.
#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "pure/doctext/textsink.h"

void DecodePdf(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env);
