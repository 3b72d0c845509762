#include "pure/engine/contentsearch.h"

#include "pure/doctext/document.h"
#include "pure/engine/keymatch.h"

bool DecodedTextHolds(TByteSource& File, const unsigned char* Head, std::size_t HeadSize, const std::string& Wide,
                      const TKeywordScanner& Scanner, const TDecodeEnv& Env) {
    const TDocumentFormat* Format = RecognizeFormat(Head, HeadSize);
    if (Format == nullptr) return false;
    TKeywordMatcher Matcher(Wide, Scanner);
    Matcher.SetFileScanned();
    DecodeDocument(*Format, File, Matcher, Env);
    return Matcher.Found();
}

bool ContentHolds(TByteSource& File, const std::string& Wide, const TKeywordScanner& Scanner, const TDecodeEnv& Env) {
    struct TShortSource {};  // a source that ends before the size it announced holds no more
    std::uint64_t At = 0;
    try {
        if (ScanStream(Scanner, File.Size(), ScanBlockSize, [&](void* Buffer, std::size_t Count) {
                if (!File.ReadExactAt(At, Buffer, Count)) throw TShortSource();
                At += Count;
            }))
            return true;
    } catch (const TShortSource&) {
    }
    unsigned char Head[FormatHeadSize];
    const std::size_t HeadSize = File.ReadAt(0, Head, sizeof Head);
    return DecodedTextHolds(File, Head, HeadSize, Wide, Scanner, Env);
}

namespace {

std::vector<TTextHit> DecodedHits(const TDocumentFormat& Format, TByteSource& File, const std::string& Wide,
                                  const TKeywordScanner& Scanner, std::size_t MaxHits, const TDecodeEnv& Env,
                                  bool Places) {
    THitCollector Collector(Wide, Scanner, MaxHits, Env, Places);
    DecodeDocument(Format, File, Collector, Env);
    Collector.Finish();
    return Collector.Hits();
}

}  // namespace

std::vector<TTextHit> FindContentHits(TByteSource& File, const std::string& Wide, const TKeywordScanner& Scanner,
                                      std::size_t MaxHits, const TDecodeEnv& Env) {
    if (MaxHits == 0) return {};
    unsigned char Head[FormatHeadSize];
    const std::size_t HeadSize = File.ReadAt(0, Head, sizeof Head);
    const TDocumentFormat* Format = RecognizeFormat(Head, HeadSize);
    std::vector<TTextHit> Hits;
    if (Format != nullptr) Hits = DecodedHits(*Format, File, Wide, Scanner, MaxHits, Env, true);
    if (Hits.empty()) {
        THitPlace Raw;
        Raw.Kind = THitPlace::RawBytes;
        FindRawHits(File, Scanner, Raw, MaxHits, Env, Hits);
    }
    // A decoder that reads a stream's text for a sink that keeps places need not scan the stream's
    // bytes as well; where neither its text nor the file's bytes held the keyword, the stream's
    // bytes still may, where its pieces meet, as the keyword test finds them.
    if (Hits.empty() && Format != nullptr) Hits = DecodedHits(*Format, File, Wide, Scanner, MaxHits, Env, false);
    return Hits;
}
