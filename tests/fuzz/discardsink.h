#pragma once
// A sink that takes every piece of text and wants more: the fuzz targets drive a decoder to the
// end of its input.
#include <cstddef>

#include "pure/doctext/textsink.h"

class TDiscardSink : public TTextSink {
public:
    bool Text(const char16_t*, std::size_t) override { return true; }
    bool Break() override { return true; }
    bool RawStream(TByteSource&) override { return true; }
};
