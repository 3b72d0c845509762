#include "pure/doctext/document.h"

#include <cstring>

#include "pure/doctext/cfb.h"
#include "pure/doctext/package.h"
#include "pure/doctext/pdf/pdfdecoder.h"
#include "pure/doctext/plaintext.h"
#include "pure/doctext/rtf.h"

namespace {

bool StartsWith(const unsigned char* Head, std::size_t Size, const char* Signature, std::size_t Length) {
    return Size >= Length && std::memcmp(Head, Signature, Length) == 0;
}

// "%PDF-" may follow some junk (a mail header, a byte-order mark) within the first kilobyte.
bool HoldsPdfHeader(const unsigned char* Head, std::size_t Size) {
    static const char Marker[] = "%PDF-";
    const std::size_t Length = sizeof Marker - 1;
    for (std::size_t At = 0; At + Length <= Size && At < FormatHeadSize; ++At)
        if (std::memcmp(Head + At, Marker, Length) == 0) return true;
    return false;
}

}  // namespace

TDocumentFormat RecognizeFormat(const unsigned char* Head, std::size_t Size) {
    if (StartsWith(Head, Size, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) return TDocumentFormat::CompoundFile;
    if (StartsWith(Head, Size, "PK\x03\x04", 4)) return TDocumentFormat::Zip;
    if (StartsWith(Head, Size, "{\\rtf", 5)) return TDocumentFormat::Rtf;
    if (StartsWith(Head, Size, "\xFE\xFF", 2)) return TDocumentFormat::Utf16BigEndian;
    if (HoldsPdfHeader(Head, Size)) return TDocumentFormat::Pdf;
    return TDocumentFormat::Unknown;
}

void DecodeDocument(TDocumentFormat Format, TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env) {
    switch (Format) {
    case TDocumentFormat::Utf16BigEndian:
        DecodeUtf16BigEndian(Source, Sink);
        break;
    case TDocumentFormat::Rtf:
        DecodeRtf(Source, Sink, Env);
        break;
    case TDocumentFormat::CompoundFile:
        DecodeCompoundFile(Source, Sink);
        break;
    case TDocumentFormat::Zip:
        DecodeZipPackage(Source, Sink, Env);
        break;
    case TDocumentFormat::Pdf:
        DecodePdf(Source, Sink, Env);
        break;
    default:
        break;
    }
}
