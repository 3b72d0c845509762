#pragma once
// Why a file matched: each place the keyword stands in a document's text, with the text around it
// as a reader sees it. The hit collector is a sink for the same decoders the keyword test uses and
// matches by the same rule (ASCII letters folded, nothing across a run's end), so that it finds a
// hit exactly where the keyword test finds a match.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pure/doctext/decodeenv.h"
#include "pure/doctext/textsink.h"
#include "pure/engine/keyscan.h"

// Characters of context kept on each side of a hit.
inline constexpr std::size_t HitContextChars = 30;
// How a line break inside a paragraph shows in a hit's context.
inline constexpr char16_t HitLineBreakMark[] = u" \u00B6 ";

// Where a hit stands.
struct THitPlace {
    enum TKind : std::uint8_t {
        Text,      // in the decoded text, at Place (Number, Name)
        RawBytes,  // in the file's own bytes, at Offset
    };
    TKind Kind = Text;
    TTextPlace Place = TTextPlace::Body;
    std::uint32_t Number = 0;  // the page
    std::u16string Name;       // the sheet
    std::uint64_t Offset = 0;  // of a hit in the raw bytes
    // The nested documents the hit lies in, outermost first (an attachment, an archive member).
    std::vector<std::u16string> Embedded;
};

struct TTextHit {
    std::u16string Before, Match, After;  // no control characters; line breaks as HitLineBreakMark
    THitPlace Where;
};

// A keyword occurrence's context characters as shown: control characters (and the line and
// paragraph separators) become spaces.
char16_t ShownUnit(char16_t Unit);

class THitCollector : public TTextSink {
public:
    // Wide: the keyword's UTF-16LE bytes; Scanner: its raw forms, for the streams a container holds
    // (it must outlive the collector). Collects up to MaxHits hits. CodePages decodes the context of
    // a raw hit in the 8-bit form (may be null: only ASCII then).
    // Places: whether the collector asks decoders for places where that costs another order.
    THitCollector(const std::string& Wide, const TKeywordScanner& Scanner, std::size_t MaxHits, const TDecodeEnv& Env,
                  bool Places = true);

    // The hits so far, in the order of the text; the last ones may still be gathering their After.
    const std::vector<TTextHit>& Hits() const { return FHits; }
    bool Full() const { return FHits.size() >= FMaxHits; }
    // Ends the last run, completing the hits that wait for their After.
    void Finish() { CloseRun(); }

    bool Text(const char16_t* Units, std::size_t Count) override;
    bool Break() override;
    bool LineBreak() override;
    bool Place(TTextPlace Where, std::uint32_t Number, std::u16string_view Name) override;
    bool BeginEmbedded(std::u16string_view Name) override;
    bool EndEmbedded() override;
    bool WantsPlaces() const override { return FPlaces; }
    bool RawStream(TByteSource& Stream) override;

private:
    bool Wanting() const { return !Full() || FOpen > 0; }
    void Shown(std::u16string_view Units);
    void CloseRun();

    std::u16string FPattern;         // the keyword's units with a..z folded to A..Z
    std::vector<std::size_t> FBack;  // KMP: the longest proper border of each pattern prefix
    std::size_t FMatched = 0;
    const TKeywordScanner& FScanner;
    std::size_t FMaxHits;
    const TDecodeEnv& FEnv;
    bool FPlaces;
    THitPlace FPlace;     // where the text now arriving stands
    std::u16string FRun;  // the run's latest units as shown (a bounded tail)
    std::vector<TTextHit> FHits;
    std::size_t FOpen = 0;  // hits at the end of FHits still gathering their After
};

// The hits of the keyword's raw forms in Count bytes of Source from Offset on, up to MaxHits in
// all in Hits, each with the bytes around it read in the form that matched (the 8-bit form
// through the system code page of Env). Where: the place to give the hits; Kind RawBytes gets the
// source offset filled in. False when Source ended early.
bool FindRawHits(TByteSource& Source, const TKeywordScanner& Scanner, const THitPlace& Where, std::size_t MaxHits,
                 const TDecodeEnv& Env, std::vector<TTextHit>& Hits);
