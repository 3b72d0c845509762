#include "pure/doctext/document.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "pure/doctext/cfb.h"
#include "pure/doctext/html.h"
#include "pure/doctext/mime.h"
#include "pure/doctext/package.h"
#include "pure/doctext/pdf/pdfdecoder.h"
#include "pure/doctext/plaintext.h"
#include "pure/doctext/rtf.h"

namespace {

// "%PDF-" may follow some junk (a mail header, a byte-order mark) within the first kilobyte.
bool HoldsPdfHeader(const unsigned char* Head, std::size_t Size) {
    static const char Marker[] = "%PDF-";
    const std::size_t Length = sizeof Marker - 1;
    for (std::size_t At = 0; At + Length <= Size && At < FormatHeadSize; ++At)
        if (std::memcmp(Head + At, Marker, Length) == 0) return true;
    return false;
}

// Every format the layer reads, in the order they are tried: fixed signatures first.
const TDocumentFormat Formats[] = {
    {"compound", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", nullptr, DecodeCompoundFile},
    {"zip", "PK\x03\x04", nullptr, DecodeZipPackage},
    {"rtf", "{\\rtf", nullptr, DecodeRtf},
    // Before the UTF-16BE text, whose byte-order mark a page in UTF-16BE begins with too.
    {"html", "", IsHtml, DecodeHtml},
    {"utf16be", "\xFE\xFF", nullptr, DecodeUtf16BigEndian},
    {"pdf", "", HoldsPdfHeader, DecodePdf},
    {"mime", "", IsMimeMessage, DecodeMime},
};

bool Recognizes(const TDocumentFormat& Format, const unsigned char* Head, std::size_t Size) {
    if (Format.Recognize != nullptr) return Format.Recognize(Head, Size);
    return Size >= Format.Signature.size() && std::memcmp(Head, Format.Signature.data(), Format.Signature.size()) == 0;
}

}  // namespace

const TDocumentFormat* RecognizeFormat(const unsigned char* Head, std::size_t Size) {
    for (const TDocumentFormat& Format : Formats)
        if (Recognizes(Format, Head, Size)) return &Format;
    return nullptr;
}

const TDocumentFormat* FindFormat(std::string_view Name) {
    for (const TDocumentFormat& Format : Formats)
        if (Name == Format.Name) return &Format;
    return nullptr;
}

void DecodeDocument(const TDocumentFormat& Format, TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env) {
    if (Env.Budget != nullptr) {
        Format.Decode(Source, Sink, Env);
        return;
    }
    TDecodeBudget Budget;
    TDecodeEnv WithBudget = Env;
    WithBudget.Budget = &Budget;
    Format.Decode(Source, Sink, WithBudget);
}

namespace {

// Copies the nested document in Source into memory, within the file's budget, and decodes it as
// Format (when null: as what its content is). Embedded: its text goes between BeginEmbedded and
// EndEmbedded. False once the sink wants no more.
bool DecodeNested(TByteSource& Source, const TDocumentFormat* Format, std::u16string_view Name, bool Embedded,
                  TTextSink& Sink, const TDecodeEnv& Env) {
    if (Env.Budget == nullptr || Env.Depth >= EmbedMaxDepth) return true;
    const std::uint64_t Size = Source.Size();
    if (Size == 0 || Size > EmbedMaxBytes || Size > Env.Budget->UnpackLeft) return true;
    if (Format == nullptr) {
        unsigned char Head[FormatHeadSize];
        const std::size_t HeadSize = Source.ReadAt(0, Head, sizeof Head);
        Format = RecognizeFormat(Head, HeadSize);
        if (Format == nullptr) return true;
    }
    // Decoders read at random offsets: the nested document is copied into memory once.
    const TMemoryLease Memory(Env.Budget, Size);
    if (!Memory.Granted()) return true;
    std::vector<unsigned char> Bytes(static_cast<std::size_t>(Size));
    Bytes.resize(Source.ReadAt(0, Bytes.data(), Bytes.size()));
    Env.Budget->UnpackLeft -= std::min<std::uint64_t>(Bytes.size(), Env.Budget->UnpackLeft);
    TMemorySource Copy(Bytes.data(), Bytes.size());
    TDecodeEnv Inner = Env;
    ++Inner.Depth;
    if (!Embedded) {
        Format->Decode(Copy, Sink, Inner);
        return Sink.Break();
    }
    if (!Sink.BeginEmbedded(Name)) return false;
    Format->Decode(Copy, Sink, Inner);
    return Sink.EndEmbedded();
}

}  // namespace

bool DecodeEmbedded(TByteSource& Source, std::u16string_view Name, TTextSink& Sink, const TDecodeEnv& Env) {
    return DecodeNested(Source, nullptr, Name, true, Sink, Env);
}

bool DecodeStoredPart(TByteSource& Source, const TDocumentFormat& Format, TTextSink& Sink, const TDecodeEnv& Env) {
    return DecodeNested(Source, &Format, {}, false, Sink, Env);
}
