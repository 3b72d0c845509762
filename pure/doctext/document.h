#pragma once
// The document-text layer: recognises a document's format by its content (never by the file's
// extension) and hands its text to a sink. Damaged, encrypted or unknown content gives less text
// or none; it never fails. Only a failing read of the source passes through.
#include <cstddef>
#include <string_view>

#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "pure/doctext/textsink.h"

// The one signature of every decoder.
using TDecodeFunction = void (*)(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env);

// A format the layer reads: how a file of it is recognised and the decoder that reads it.
struct TDocumentFormat {
    const char* Name;  // a short name, for tests and benchmarks
    // Bytes the file begins with; empty when Recognize decides.
    std::string_view Signature;
    // For a format no fixed signature tells: true when the file's first bytes are of it.
    bool (*Recognize)(const unsigned char* Head, std::size_t Size);
    TDecodeFunction Decode;
};

// Bytes of the file's start that recognition looks at.
inline constexpr std::size_t FormatHeadSize = 1024;

// The format of a file whose first bytes (up to FormatHeadSize of them) are Head; null when none.
const TDocumentFormat* RecognizeFormat(const unsigned char* Head, std::size_t Size);
// The format called Name; null when there is none.
const TDocumentFormat* FindFormat(std::string_view Name);

// Decodes the file Source as Format and hands its text to Sink, until the sink asks to stop. The
// file's budget is set up here unless Env carries one already.
void DecodeDocument(const TDocumentFormat& Format, TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env);

// Decodes a document held inside the one being decoded (Env is the container's), called Name by
// its container, when its content is of a known format, its level is not too deep and the file's
// budget allows: its text goes to Sink between BeginEmbedded and EndEmbedded. Returns false once
// the sink wants no more.
bool DecodeEmbedded(TByteSource& Source, std::u16string_view Name, TTextSink& Sink, const TDecodeEnv& Env);

// Decodes a piece of the document being decoded that its container stores as a document of its
// own format (an e-book's chapter, a web archive's page): as DecodeEmbedded, but with Format, and
// its text counts as the container's own, without BeginEmbedded and EndEmbedded. Returns false
// once the sink wants no more.
bool DecodeStoredPart(TByteSource& Source, const TDocumentFormat& Format, TTextSink& Sink, const TDecodeEnv& Env);
