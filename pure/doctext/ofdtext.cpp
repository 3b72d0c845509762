#include "pure/doctext/ofdtext.h"

#include "pure/doctext/sinkwriter.h"
#include "pure/doctext/xmltags.h"
#include "pure/support/bytetext.h"

namespace {

bool PrivateUse(char16_t Unit) { return Unit >= 0xE000 && Unit <= 0xF8FF; }

bool XmlSpace(char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n'; }

// The code page of a data file that is not valid UTF-8: none (0) when its declaration says it is
// UTF-8 (it was cut short), GB18030 when it names that, else the system's (GBK and GB2312 on a
// Chinese system, and what a file without a declaration was most likely written in).
unsigned DeclaredCodePage(std::string_view Xml, const TDecodeEnv& Env) {
    const std::string Declaration = AsciiLower(std::string(Xml.substr(0, Xml.find('>'))));
    if (Declaration.find("utf-8") != std::string::npos) return 0;
    return Declaration.find("18030") != std::string::npos ? 54936 : Env.SystemCodePage();
}

}  // namespace

bool TPrivateUseFilter::Text(const char16_t* Units, std::size_t Count) {
    std::size_t Start = 0;
    for (std::size_t I = 0; I < Count; ++I) {
        if (!PrivateUse(Units[I])) continue;
        if (I > Start && !FSink.Text(Units + Start, I - Start)) return false;
        if ((I > Start || FHeld) && !FSink.Break()) return false;
        FHeld = false;
        Start = I + 1;
    }
    if (Count == Start) return true;
    FHeld = true;
    return FSink.Text(Units + Start, Count - Start);
}

bool TPrivateUseFilter::Break() {
    if (!FHeld) return true;
    FHeld = false;
    return FSink.Break();
}

bool TPrivateUseFilter::LineBreak() {
    if (!FHeld) return true;
    FHeld = false;
    return FSink.LineBreak();
}

std::string_view TrimXmlSpace(std::string_view Text) {
    while (!Text.empty() && XmlSpace(Text.front())) Text.remove_prefix(1);
    while (!Text.empty() && XmlSpace(Text.back())) Text.remove_suffix(1);
    return Text;
}

bool LooksLikeXml(std::string_view Head) {
    if (Head.substr(0, 3) == "\xEF\xBB\xBF") Head.remove_prefix(3);
    Head = TrimXmlSpace(Head);
    return !Head.empty() && Head[0] == '<';
}

bool DecodeDataXml(const std::string& Xml, TTextSink& Sink, const TDecodeEnv& Env) {
    std::string Converted;
    const unsigned CodePage = IsValidUtf8(Xml) || Env.CodePages == nullptr ? 0 : DeclaredCodePage(Xml, Env);
    if (CodePage != 0) {
        std::u16string Wide;
        if (Env.CodePages->ToUtf16(CodePage, Xml, Wide)) Converted = Utf16ToUtf8(Wide.data(), Wide.size());
    }
    const std::string_view Text = Converted.empty() ? std::string_view(Xml) : std::string_view(Converted);
    TSinkWriter Writer(Sink);
    ForEachXmlTag(Text, [&](std::string_view Tag, const TXmlAttributes&) {
        const std::string_view Data = TrimXmlSpace(XmlTextAfter(Text, Tag));
        if (!Data.empty() && !Writer.Stopped() && Writer.PutUtf8(DecodeXmlAttribute(Data))) Writer.Break();
    });
    return Writer.Flush();
}
