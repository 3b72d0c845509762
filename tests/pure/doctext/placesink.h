#pragma once
// What the decoders hand out for a whole file, with where its text stands (see TPlaceSink) and
// "/" for a line break inside a run, for the suites of formats that tell both.
#include <string>

#include "tests/pure/doctext/doctexttest.h"

class TLinePlaceSink : public TPlaceSink {
public:
    bool LineBreak() override {
        Text8 += '/';
        return true;
    }
};

// Bytes recognised by content and decoded into a TLinePlaceSink that wants places; the code pages through iconv,
// without MissingCodePage.
inline std::string DecodeWithPlaces(const std::string& Bytes, unsigned MissingCodePage = 0) {
    TIconvCodePages CodePages;
    CodePages.Missing = MissingCodePage;
    TDecodeEnv Env;
    Env.CodePages = &CodePages;
    TLinePlaceSink Sink;
    Sink.Places = true;
    DecodeRecognized(Bytes, Sink, Env);
    return Sink.Text8;
}
