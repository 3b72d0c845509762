#pragma once
// The document-text layer: recognises a document's format by its content (never by the file's
// extension) and hands its text to a sink. Damaged, encrypted or unknown content gives less text
// or none; it never fails. Only a failing read of the source passes through.
#include <cstddef>

#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "pure/doctext/textsink.h"

enum class TDocumentFormat { Unknown, Utf16BigEndian, Rtf, CompoundFile, Zip, Pdf };

// Bytes of the file's start that RecognizeFormat looks at.
inline constexpr std::size_t FormatHeadSize = 1024;

// The format of a file whose first bytes (up to FormatHeadSize of them) are Head.
TDocumentFormat RecognizeFormat(const unsigned char* Head, std::size_t Size);

// Decodes Source as Format and hands its text to Sink, until the sink asks to stop.
void DecodeDocument(TDocumentFormat Format, TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env);
