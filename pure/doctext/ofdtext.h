#pragma once
// The text helpers of the OFD package kind (ofd.cpp): the filter that drops a font's own codes,
// and the character data of an attached XML file of no known format.
#include <cstddef>
#include <string>
#include <string_view>

#include "pure/doctext/decodeenv.h"
#include "pure/doctext/textsink.h"

// Hands text on to Sink without the characters of the private use area (U+E000-U+F8FF), which
// a text code holds when its producer wrote a font's own codes instead of characters: they say
// nothing to a reader. Where they stood the run ends, as the characters either side were not
// written next to each other; a run that handed on no text is not ended again.
class TPrivateUseFilter : public TTextSink {
public:
    explicit TPrivateUseFilter(TTextSink& Sink) : FSink(Sink) {}
    bool Text(const char16_t* Units, std::size_t Count) override;
    bool Break() override;
    bool LineBreak() override;
    char16_t AwaitedUnit() const override { return FSink.AwaitedUnit(); }
    bool RawStream(TByteSource& Stream) override { return FSink.RawStream(Stream); }

private:
    TTextSink& FSink;
    bool FHeld = false;  // text handed on since the run began
};

// Text without the XML white space around it.
std::string_view TrimXmlSpace(std::string_view Text);

// True when Head, the first bytes of a file, begin (after a byte-order mark and white space) as
// XML does.
bool LooksLikeXml(std::string_view Head);

// Hands the character data of each element of Xml (a data file held whole) to Sink, a run per
// element: in UTF-8 as the file is when it is valid UTF-8, else in the code page its declaration
// names (GBK, GB2312, GB18030). False once the sink wants no more.
bool DecodeDataXml(const std::string& Xml, TTextSink& Sink, const TDecodeEnv& Env);
