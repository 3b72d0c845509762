#pragma once
// Shared helpers of the document-decoder suites: a sink that collects what a decoder hands out,
// and a code page converter over iconv standing in for the platform's.
#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pure/doctext/document.h"
#include "pure/engine/keymatch.h"
#include "pure/support/bytetext.h"

// Collects text as UTF-8 with "|" for every break, and the bytes of every raw stream.
class TCollectSink : public TTextSink {
public:
    std::string Text8;                      // the text, breaks as "|"
    std::vector<std::string> RawStreams;    // each raw stream's bytes
    std::size_t StopAfterUnits = SIZE_MAX;  // asks to stop once this many units arrived

    bool Text(const char16_t* Units, std::size_t Count) override {
        for (std::size_t I = 0; I < Count; ++I) PutUnit(Units[I]);
        FUnits += Count;
        return FUnits < StopAfterUnits;
    }
    bool Break() override {
        Text8 += '|';
        return FUnits < StopAfterUnits;
    }
    bool RawStream(TByteSource& Stream) override {
        std::string Bytes(static_cast<std::size_t>(Stream.Size()), '\0');
        Bytes.resize(Stream.ReadAt(0, Bytes.data(), Bytes.size()));
        RawStreams.push_back(std::move(Bytes));
        return true;
    }

private:
    std::size_t FUnits = 0;
    char16_t FHigh = 0;
    void PutUnit(char16_t Unit) {
        char32_t C = Unit;
        if (C >= 0xD800 && C < 0xDC00) {
            FHigh = static_cast<char16_t>(C);
            return;
        }
        if (C >= 0xDC00 && C < 0xE000 && FHigh != 0) C = 0x10000 + ((FHigh - 0xD800) << 10) + (C - 0xDC00);
        FHigh = 0;
        ::AppendUtf8(Text8, C);
    }
};

// Bytes in memory read short where a cut lies (Cuts ascending), so that a decoder's reader meets
// the end of its buffer there.
class TCutSource : public TMemorySource {
public:
    TCutSource(const void* Data, std::size_t Size, std::vector<std::size_t> Cuts)
        : TMemorySource(Data, Size), FCuts(std::move(Cuts)) {}
    std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) override {
        const auto Cut = std::upper_bound(FCuts.begin(), FCuts.end(), Offset);
        if (Cut != FCuts.end()) Count = static_cast<std::size_t>(std::min<std::uint64_t>(Count, *Cut - Offset));
        return TMemorySource::ReadAt(Offset, Buffer, Count);
    }
    const unsigned char* Bytes(std::uint64_t& Count) const override {  // read in its cut pieces
        Count = 0;
        return nullptr;
    }

private:
    std::vector<std::size_t> FCuts;
};

// Also writes where text stands, as "<Page 2>", "<Sheet name>", "<Body>", "<Properties>", ..., and
// a nested document as "{name:" its text "}"; wants places when asked to.
class TPlaceSink : public TCollectSink {
public:
    bool Places = false;
    bool BeginEmbedded(std::u16string_view Name) override {
        Text8 += "{" + Utf16ToUtf8(Name.data(), Name.size()) + ":";
        return true;
    }
    bool EndEmbedded() override {
        Text8 += "}";
        return true;
    }
    bool WantsPlaces() const override { return Places; }
    bool Place(TTextPlace Where, std::uint32_t Number, std::u16string_view Name) override {
        static const char* const Names[] = {"Body",         "Page",     "Sheet",     "Comment",
                                            "HeaderFooter", "Footnote", "Properties"};
        Text8 += std::string("<") + Names[static_cast<int>(Where)];
        if (Number != 0) Text8 += " " + std::to_string(Number);
        if (!Name.empty()) Text8 += " " + Utf16ToUtf8(Name.data(), Name.size());
        Text8 += ">";
        return true;
    }
};

// UTF-8 text from a u8 literal (narrow literals of this build are GBK).
inline std::string U8(const char8_t* Text) { return reinterpret_cast<const char*>(Text); }
inline std::string U8(std::u8string_view Text) { return std::string(Text.begin(), Text.end()); }

// Windows code pages through glibc's iconv ("CP936", "CP1252", GB18030 for 54936, ISO-8859-N for
// 2859N, ...); Missing stands for a code page the platform lacks (54936 under Wine).
class TIconvCodePages : public TCodePageConverter {
public:
    unsigned Missing = 0;

    // Kept, as the program's converter keeps them: telling converts the whole code page.
    bool FormsOf(unsigned CodePage, char16_t Unit, std::vector<std::string>& Forms) const override {
        const auto Key = std::make_pair(CodePage, Unit);
        const auto It = FTold.find(Key);
        if (It != FTold.end()) return Forms = It->second.second, It->second.first;
        const bool Known = TCodePageConverter::FormsOf(CodePage, Unit, Forms);
        FTold[Key] = {Known, Forms};
        return Known;
    }

    bool ToUtf16(unsigned CodePage, std::string_view Bytes, std::u16string& Out) const override {
        if (CodePage == Missing) return false;
        const std::string Name = CodePage == 65001                      ? "UTF-8"
                                 : CodePage == 54936                    ? "GB18030"
                                 : CodePage > 28590 && CodePage < 28600 ? "ISO-8859-" + std::to_string(CodePage - 28590)
                                                                        : "CP" + std::to_string(CodePage);
        iconv_t Cd = iconv_open("UTF-16LE", Name.c_str());
        if (Cd == reinterpret_cast<iconv_t>(-1)) return false;
        std::string In(Bytes);
        std::string Buffer(In.size() * 4 + 4, '\0');
        char* InP = In.data();
        std::size_t InLeft = In.size();
        char* OutP = Buffer.data();
        std::size_t OutLeft = Buffer.size();
        while (InLeft > 0) {
            if (iconv(Cd, &InP, &InLeft, &OutP, &OutLeft) == static_cast<std::size_t>(-1)) {
                ++InP;  // an invalid byte is dropped, as the platform's conversion would
                --InLeft;
            }
        }
        iconv_close(Cd);
        const std::size_t Bytes16 = Buffer.size() - OutLeft;
        for (std::size_t I = 0; I + 1 < Bytes16; I += 2)
            Out += static_cast<char16_t>(static_cast<unsigned char>(Buffer[I]) |
                                         (static_cast<unsigned char>(Buffer[I + 1]) << 8));
        return true;
    }

private:
    mutable std::map<std::pair<unsigned, char16_t>, std::pair<bool, std::vector<std::string>>> FTold;
};

// Decodes Bytes into Sink as the format their content is recognised as (nothing when none).
inline void DecodeRecognized(const std::string& Bytes, TTextSink& Sink, const TDecodeEnv& Env) {
    TMemorySource Source(Bytes.data(), Bytes.size());
    const auto* Head = reinterpret_cast<const unsigned char*>(Bytes.data());
    if (const TDocumentFormat* Format = RecognizeFormat(Head, std::min(Bytes.size(), FormatHeadSize)))
        DecodeDocument(*Format, Source, Sink, Env);
}

// Whether the keyword test finds Keyword in the text of the document Bytes (with the iconv code
// pages), passing over what cannot hold it as the program's test does.
inline bool KeywordTestFinds(const std::string& Bytes, std::u16string_view Keyword) {
    static const TIconvCodePages Iconv;
    std::string Wide;
    for (const char16_t U : Keyword) Wide += {static_cast<char>(U & 0xFF), static_cast<char>(U >> 8)};
    const TKeywordScanner Scanner("\x01", Wide);
    TKeywordMatcher Matcher(Wide, Scanner);
    TDecodeEnv Env;
    Env.CodePages = &Iconv;
    DecodeRecognized(Bytes, Matcher, Env);
    return Matcher.Found();
}

// What the decoders hand out for Bytes, recognised by content (nothing when no format is known),
// as the collecting sink writes it; with the iconv code pages unless CodePages is false.
inline std::string DecodeToText(const std::string& Bytes, bool CodePages = true, std::size_t StopAfterUnits = SIZE_MAX,
                                const TCrypto* Crypto = nullptr) {
    static const TIconvCodePages Iconv;
    TDecodeEnv Env;
    if (CodePages) Env.CodePages = &Iconv;
    Env.Crypto = Crypto;
    TCollectSink Sink;
    Sink.StopAfterUnits = StopAfterUnits;
    DecodeRecognized(Bytes, Sink, Env);
    return Sink.Text8;
}
