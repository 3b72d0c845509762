#include "pure/doctext/html.h"

#include <cstring>
#include <string>
#include <string_view>

#include "pure/doctext/bytereader.h"
#include "pure/doctext/charset.h"
#include "pure/doctext/htmltext.h"
#include "pure/doctext/sinkwriter.h"
#include "pure/doctext/unitscout.h"
#include "pure/support/bytetext.h"

namespace {

bool IsSpaceByte(char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f'; }

// Offset of the first Needle in Text with ASCII letters in any case (Needle in lower case), or
// npos.
std::size_t FindNoCase(std::string_view Text, std::string_view Needle, std::size_t From = 0) {
    for (std::size_t At = From; At + Needle.size() <= Text.size(); ++At)
        if (RawEqualNoCase(Text.data() + At, Needle.data(), Needle.size())) return At;
    return std::string_view::npos;
}

// The label after Key ("charset", "encoding") in Text: Key, white space, "=", white space, an
// optional quote, then the label up to a quote, white space, ";", "/", ">" or "?".
std::string_view LabelAfter(std::string_view Text, std::string_view Key) {
    for (std::size_t At = FindNoCase(Text, Key); At != std::string_view::npos; At = FindNoCase(Text, Key, At + 1)) {
        std::size_t I = At + Key.size();
        while (I < Text.size() && IsSpaceByte(Text[I])) ++I;
        if (I >= Text.size() || Text[I] != '=') continue;
        ++I;
        while (I < Text.size() && (IsSpaceByte(Text[I]) || Text[I] == '"' || Text[I] == '\'')) ++I;
        const std::size_t End = Text.find_first_of("\"' \t\r\n;/>?", I);
        return Text.substr(I, End == std::string_view::npos ? Text.size() - I : End - I);
    }
    return {};
}

// The code page a page's first bytes declare: a <meta> element's charset (as an attribute of its
// own or inside a Content-Type's content), else the XML declaration's encoding; 0 for none.
unsigned DeclaredCodePage(std::string_view Head) {
    for (std::size_t At = FindNoCase(Head, "<meta"); At != std::string_view::npos;
         At = FindNoCase(Head, "<meta", At + 5)) {
        const std::size_t End = Head.find('>', At);
        const std::string_view Tag = Head.substr(At, End == std::string_view::npos ? End : End - At);
        unsigned CodePage = CodePageOfLabel(LabelAfter(Tag, "charset"));
        // A page whose bytes were read as ASCII to find this is no UTF-16 text.
        if (CodePage == CodePageUtf16Le || CodePage == CodePageUtf16Be) CodePage = CodePageUtf8;
        if (CodePage != 0) return CodePage;
    }
    std::size_t Start = 0;
    while (Start < Head.size() && IsSpaceByte(Head[Start])) ++Start;
    if (Head.substr(Start, 5) == "<?xml") {
        const std::size_t End = Head.find("?>", Start);
        return CodePageOfLabel(
            LabelAfter(Head.substr(Start, End == std::string_view::npos ? End : End - Start), "encoding"));
    }
    return 0;
}

// The code page a page is read in, told by its container (Declared, 0 for none) or its first
// bytes; a byte-order mark overrides it.
unsigned PageCodePage(std::string_view Head, unsigned Declared) {
    return Declared != 0 ? Declared : DeclaredCodePage(Head);
}

// Hands the page in Source to Take a block at a time (where it lies, when in memory) while Take
// answers true; false when it did not.
template <typename TTake>
bool ForEachBlock(TByteSource& Source, TTake&& Take) {
    TForwardReader In(Source, 0, HtmlReadBlock);
    while (In.Peek() >= 0) {
        std::size_t Count = 0;
        const unsigned char* Block = In.Buffered(Count);
        if (!Take(Block, Count)) return false;
        In.Advance(Count);
    }
    return true;
}

// Whether the page in Source may give Unit: the whole page looked through.
bool PageMayGive(TByteSource& Source, char16_t Unit, const TDecodeEnv& Env) {
    THtmlScout Scout(Unit, Env);
    return !ForEachBlock(Source, [&](const unsigned char* Block, std::size_t Count) {
        return !Scout.Feed(Block, Count);
    }) || Scout.Finish();
}

}  // namespace

class THtmlReader::TImpl {
public:
    TImpl(TSinkWriter& Out, const TDecodeEnv& Env, unsigned DeclaredCodePage)
        : FEnv(Env), FDeclared(DeclaredCodePage), FText(Out) {}

    bool Feed(const unsigned char* Data, std::size_t Size) {
        const std::string_view Bytes(reinterpret_cast<const char*>(Data), Size);
        if (!FDecoder) {
            // The charset is told by the page's first bytes: they wait until there are enough.
            const std::size_t Taken = std::min(Size, HtmlCharsetScanBytes - FHead.size());
            FHead.append(Bytes.substr(0, Taken));
            if (FHead.size() < HtmlCharsetScanBytes) return true;
            if (!Start()) return false;
            return Decode(Bytes.substr(Taken));
        }
        return Decode(Bytes);
    }

    bool Finish() {
        if (!FDecoder && !Start()) return false;
        FUnits.clear();
        FDecoder->Finish(FUnits);
        return FText.Feed(FUnits.data(), FUnits.size()) && FText.Finish();
    }

private:
    bool Start() {
        FDecoder = std::make_unique<TTextDecoder>(PageCodePage(FHead, FDeclared), FEnv);
        const bool Going = Decode(FHead);
        FHead.clear();
        return Going;
    }

    bool Decode(std::string_view Bytes) {
        FUnits.clear();
        FDecoder->Feed(Bytes, FUnits);
        return FText.Feed(FUnits.data(), FUnits.size());
    }

    const TDecodeEnv& FEnv;
    unsigned FDeclared;
    std::string FHead;
    std::unique_ptr<TTextDecoder> FDecoder;
    std::u16string FUnits;
    THtmlText FText;
};

THtmlReader::THtmlReader(TSinkWriter& Out, const TDecodeEnv& Env, unsigned DeclaredCodePage)
    : FImpl(std::make_unique<TImpl>(Out, Env, DeclaredCodePage)) {}
THtmlReader::~THtmlReader() = default;
bool THtmlReader::Feed(const unsigned char* Data, std::size_t Size) { return FImpl->Feed(Data, Size); }
bool THtmlReader::Finish() { return FImpl->Finish(); }

THtmlScout::THtmlScout(char16_t Unit, const TDecodeEnv& Env, unsigned DeclaredCodePage)
    : FUnit(Unit), FEnv(Env), FDeclared(DeclaredCodePage) {}
THtmlScout::~THtmlScout() = default;

bool THtmlScout::Feed(const unsigned char* Data, std::size_t Size) {
    if (!FScout) {
        // The charset is told by the page's first bytes, as the reader tells it.
        const std::size_t Taken = std::min(Size, HtmlCharsetScanBytes - FHead.size());
        FHead.append(reinterpret_cast<const char*>(Data), Taken);
        if (FHead.size() < HtmlCharsetScanBytes) return false;
        if (Start()) return true;
        Data += Taken, Size -= Taken;
    }
    return FScout->Feed(Data, Size);
}

bool THtmlScout::Finish() { return (!FScout && Start()) || FScout->Finish(); }

bool THtmlScout::Start() {
    FScout = std::make_unique<TUnitScout>(FUnit, PageCodePage(FHead, FDeclared), TReferences::Html, FEnv);
    const bool Found = FScout->Feed(reinterpret_cast<const unsigned char*>(FHead.data()), FHead.size());
    FHead.clear();
    return Found;
}

void DecodeHtml(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env) {
    const TMemoryLease Memory(Env.Budget, HtmlMaxMemory);
    if (!Memory.Granted()) return;
    // A keyword test that waits for a unit the page's bytes cannot give passes the page over.
    const char16_t Unit = Sink.AwaitedUnit();
    if (TUnitScout::Judges(Unit) && !PageMayGive(Source, Unit, Env)) {
        Sink.Break();
        return;
    }
    TSinkWriter Out(Sink);
    THtmlReader Reader(Out, Env);
    if (ForEachBlock(Source, [&](const unsigned char* Block, std::size_t Count) { return Reader.Feed(Block, Count); }))
        Reader.Finish();
}

bool IsHtml(const unsigned char* Head, std::size_t Size) {
    // A page in UTF-16 is looked at through the low bytes of its ASCII characters.
    std::string Ascii;
    std::string_view Text(reinterpret_cast<const char*>(Head), Size);
    if (Size >= 2 && (Head[0] == 0xFF || Head[0] == 0xFE) && Head[0] + Head[1] == 0xFF + 0xFE) {
        const std::size_t Low = Head[0] == 0xFF ? 0 : 1;
        for (std::size_t I = 2; I + 1 < Size; I += 2) {
            if (Head[I + 1 - Low] != 0) break;
            Ascii += static_cast<char>(Head[I + Low]);
        }
        Text = Ascii;
    } else if (Text.substr(0, 3) == "\xEF\xBB\xBF") {
        Text.remove_prefix(3);
    }
    // White space, comments and an XML declaration or other processing instruction may come first.
    for (;;) {
        while (!Text.empty() && IsSpaceByte(Text.front())) Text.remove_prefix(1);
        std::size_t End;
        if (Text.substr(0, 4) == "<!--")
            End = Text.find("-->", 4), End = End == std::string_view::npos ? End : End + 3;
        else if (Text.substr(0, 2) == "<?")
            End = Text.find("?>", 2), End = End == std::string_view::npos ? End : End + 2;
        else
            break;
        if (End == std::string_view::npos) return false;
        Text.remove_prefix(End);
    }
    for (std::string_view Start : {"<!doctype html", "<html", "<head", "<meta", "<body", "<title"}) {
        if (Text.size() < Start.size() || !RawEqualNoCase(Text.data(), Start.data(), Start.size())) continue;
        if (Text.size() == Start.size()) return true;
        const char Next = Text[Start.size()];
        return IsSpaceByte(Next) || Next == '>' || Next == '/';
    }
    return false;
}
