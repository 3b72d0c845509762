#pragma once
// A collecting sink that also writes where the text stands, for the suites of formats that say
// so: "{P}" where properties begin, "{B}" where the body does, "/" for a line break inside a run,
// and "[name:" ... "]" around a document nested in the one read.
#include <string>

#include "tests/pure/doctext/doctexttest.h"

class TPlaceSink : public TCollectSink {
public:
    bool Place(TTextPlace Where, std::uint32_t, std::u16string_view) override {
        Text8 += Where == TTextPlace::Properties ? "{P}" : Where == TTextPlace::Body ? "{B}" : "{?}";
        return true;
    }
    bool LineBreak() override {
        Text8 += '/';
        return true;
    }
    bool BeginEmbedded(std::u16string_view Name) override {
        Text8 += "[" + Utf16ToUtf8(Name.data(), Name.size()) + ":";
        return true;
    }
    bool EndEmbedded() override {
        Text8 += "]";
        return true;
    }
};

// What the decoders hand out for Bytes, recognised by content, as TPlaceSink writes it; the code
// pages through iconv, without MissingCodePage.
inline std::string DecodeWithPlaces(const std::string& Bytes, unsigned MissingCodePage = 0) {
    TIconvCodePages CodePages;
    CodePages.Missing = MissingCodePage;
    TDecodeEnv Env;
    Env.CodePages = &CodePages;
    TMemorySource Source(Bytes.data(), Bytes.size());
    TPlaceSink Sink;
    const auto* Head = reinterpret_cast<const unsigned char*>(Bytes.data());
    if (const TDocumentFormat* Format = RecognizeFormat(Head, std::min(Bytes.size(), FormatHeadSize)))
        DecodeDocument(*Format, Source, Sink, Env);
    return Sink.Text8;
}
