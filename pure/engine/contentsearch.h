#pragma once
// The keyword in a file's content beyond its raw bytes: the text of its document format,
// recognised by content. One rule for the keyword test (does the file hold it?) and for the hits
// (where does it?), so that the two always agree.
#include <cstddef>
#include <string>
#include <vector>

#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "pure/engine/keyhits.h"
#include "pure/engine/keyscan.h"

// True when the text of File's document format (recognised from Head, its first HeadSize bytes)
// holds the keyword (Wide: its UTF-16LE bytes). The raw scan of the whole file found no form of it
// already, so that the streams a container holds are scanned only where their pieces meet.
bool DecodedTextHolds(TByteSource& File, const unsigned char* Head, std::size_t HeadSize, const std::string& Wide,
                      const TKeywordScanner& Scanner, const TDecodeEnv& Env);

// The whole keyword test of File's content: its raw bytes (see ScanStream), then the text of its
// document format. As the engine's test of a file, over any byte source.
bool ContentHolds(TByteSource& File, const std::string& Wide, const TKeywordScanner& Scanner, const TDecodeEnv& Env);

// Up to MaxHits places where File's content holds the keyword, in the order of the document: the
// hits in its decoded text (and in the streams its container holds), or, when that gives none, in
// its raw bytes. Empty exactly when neither the raw scan nor DecodedTextHolds finds the keyword.
std::vector<TTextHit> FindContentHits(TByteSource& File, const std::string& Wide, const TKeywordScanner& Scanner,
                                      std::size_t MaxHits, const TDecodeEnv& Env);
