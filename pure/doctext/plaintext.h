#pragma once
// Plain text in UTF-16 with the big-endian byte-order mark (FE FF): its units, in order.
#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "pure/doctext/textsink.h"

void DecodeUtf16BigEndian(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env);
