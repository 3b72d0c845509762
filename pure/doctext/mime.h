#pragma once
// Mail saved as a file (.eml) and web archives (.mht, .mhtml): the Subject, From, To and Cc of
// each message as properties, its text parts as text, its HTML parts as web pages, and every
// other part (an attachment, whatever its name or type) as a document of its own when its content
// is of a known format. Multiparts and messages inside messages are followed to a bounded depth
// with a list of open boundaries, not by recursion.
#include <cstddef>

#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "pure/doctext/textsink.h"

// True when the first bytes of a file are a mail's header block: after an optional mailbox
// "From " line, every complete line up to the first empty one is a header field ("Name: value",
// the name printable ASCII) or the folded continuation of one, and among them stand either three
// fields of the names mail carries (From, To, Cc, Subject, Date, Message-ID, Received,
// Return-Path, MIME-Version, Content-Type, X-..., ...) or both MIME-Version and Content-Type.
bool IsMimeMessage(const unsigned char* Head, std::size_t Size);

void DecodeMime(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env);
