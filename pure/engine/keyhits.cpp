#include "pure/engine/keyhits.h"

#include <algorithm>
#include <memory>

#include "pure/doctext/bytesource.h"
#include "pure/engine/keymatch.h"
#include "pure/support/bytetext.h"

namespace {

inline char16_t FoldUnit(char16_t U) { return (U >= u'a' && U <= u'z') ? static_cast<char16_t>(U - 0x20) : U; }

// The start of the last Count characters of Text (a surrogate pair counts as one).
std::size_t LastChars(std::u16string_view Text, std::size_t Count) {
    std::size_t At = Text.size();
    while (At > 0 && Count > 0) {
        --At;
        if (At > 0 && Text[At] >= 0xDC00 && Text[At] < 0xE000 && Text[At - 1] >= 0xD800 && Text[At - 1] < 0xDC00) --At;
        --Count;
    }
    return At;
}

// The length of the first Count characters of Text.
std::size_t FirstChars(std::u16string_view Text, std::size_t Count) {
    std::size_t At = 0;
    while (At < Text.size() && Count > 0) {
        const bool Pair = Text[At] >= 0xD800 && Text[At] < 0xDC00 && At + 1 < Text.size() && Text[At + 1] >= 0xDC00 &&
                          Text[At + 1] < 0xE000;
        At += Pair ? 2 : 1;
        --Count;
    }
    return At;
}

std::u16string Shown(std::u16string Text) {
    for (char16_t& U : Text) U = ShownUnit(U);
    return Text;
}

// Bytes read on each side of a raw hit: enough for the context's characters in any form.
constexpr std::size_t RawContextBytes = 4 * HitContextChars;
// Bytes scanned at a time for raw hits, and the stretch the vector scan tests before the
// position-by-position search looks inside it.
constexpr std::size_t RawBlock = std::size_t(1) << 20;
constexpr std::size_t RawStretch = 4096;

// The text of Bytes in the keyword's form Form.
std::u16string ReadInForm(int Form, std::string_view Bytes, const TDecodeEnv& Env) {
    std::u16string Out;
    if (Form == TKeywordScanner::Utf16Le) {
        for (std::size_t I = 0; I + 1 < Bytes.size(); I += 2)
            Out += static_cast<char16_t>(static_cast<unsigned char>(Bytes[I]) |
                                         (static_cast<unsigned char>(Bytes[I + 1]) << 8));
    } else if (Form == TKeywordScanner::Utf8 || Env.CodePages == nullptr ||
               !Env.CodePages->ToUtf16(Env.SystemCodePage(), Bytes, Out)) {
        DecodeUtf8(Bytes, Out);
    }
    for (char16_t& U : Out)
        if (U == 0xFFFD) U = u' ';  // bytes that are no character of the form
    return Shown(std::move(Out));
}

// The hit at Offset of Source in Form, with its context.
TTextHit RawHit(TByteSource& Source, std::uint64_t Offset, int Form, std::size_t Length, const THitPlace& Where,
                const TDecodeEnv& Env) {
    TTextHit Hit;
    Hit.Where = Where;
    if (Where.Kind == THitPlace::RawBytes) Hit.Where.Offset = Offset;
    const std::uint64_t BeforeAt = Offset > RawContextBytes ? Offset - RawContextBytes : 0;
    std::string Bytes(static_cast<std::size_t>(Offset - BeforeAt) + Length + RawContextBytes, '\0');
    Bytes.resize(Source.ReadAt(BeforeAt, Bytes.data(), Bytes.size()));
    const std::size_t At = static_cast<std::size_t>(Offset - BeforeAt);
    const std::string_view View(Bytes);
    // UTF-16 units stand at the hit's parity: the bytes before are taken from an even distance.
    const std::u16string Before = ReadInForm(Form, View.substr(0, At), Env);
    Hit.Before = Before.substr(LastChars(Before, HitContextChars));
    Hit.Match = ReadInForm(Form, View.substr(At, Length), Env);
    const std::u16string After = ReadInForm(Form, View.substr(std::min(View.size(), At + Length)), Env);
    Hit.After = After.substr(0, FirstChars(After, HitContextChars));
    return Hit;
}

}  // namespace

char16_t ShownUnit(char16_t Unit) {
    return Unit < 0x20 || Unit == 0x7F || (Unit >= 0x80 && Unit < 0xA0) || Unit == 0x2028 || Unit == 0x2029 ? u' '
                                                                                                            : Unit;
}

THitCollector::THitCollector(const std::string& Wide, const TKeywordScanner& Scanner, std::size_t MaxHits,
                             const TDecodeEnv& Env, bool Places)
    : FScanner(Scanner), FMaxHits(MaxHits), FEnv(Env), FPlaces(Places) {
    FoldPattern(Wide, FPattern, FBack);
}

// Hands shown units to the hits still gathering their After, and keeps the run's tail.
void THitCollector::Shown(std::u16string_view Units) {
    for (std::size_t I = FHits.size() - FOpen; I < FHits.size(); ++I) {
        std::u16string& After = FHits[I].After;
        After.append(Units.substr(0, FirstChars(Units, HitContextChars) + 1));
        if (FirstChars(After, HitContextChars) < After.size()) {
            After.resize(FirstChars(After, HitContextChars));
            if (I == FHits.size() - FOpen) --FOpen;
        }
    }
    FRun.append(Units);
    const std::size_t Keep = 2 * (HitContextChars + FPattern.size()) + 8;
    if (FRun.size() > 4 * Keep) FRun.erase(0, FRun.size() - Keep);
}

bool THitCollector::Text(const char16_t* Units, std::size_t Count) {
    if (FPattern.empty()) return Wanting();
    const std::size_t Length = FPattern.size();
    for (std::size_t I = 0; I < Count && Wanting(); ++I) {
        const char16_t Unit = Units[I];
        const char16_t Shown = ShownUnit(Unit);
        this->Shown(std::u16string_view(&Shown, 1));
        const char16_t U = FoldUnit(Unit);
        while (FMatched > 0 && U != FPattern[FMatched]) FMatched = FBack[FMatched];
        if (U == FPattern[FMatched] && ++FMatched == Length) {
            FMatched = 0;  // hits do not overlap: the next one starts after this one
            if (Full()) continue;
            TTextHit Hit;
            Hit.Where = FPlace;
            const std::u16string_view Run(FRun);
            const std::u16string_view Before = Run.substr(0, Run.size() - Length);
            Hit.Before = Before.substr(LastChars(Before, HitContextChars));
            Hit.Match = Run.substr(Run.size() - Length);
            FHits.push_back(std::move(Hit));
            ++FOpen;
        }
    }
    return Wanting();
}

void THitCollector::CloseRun() {
    FOpen = 0;
    FMatched = 0;
    FRun.clear();
}

bool THitCollector::Break() {
    CloseRun();
    return Wanting();
}

bool THitCollector::LineBreak() {
    FMatched = 0;
    Shown(HitLineBreakMark);
    return Wanting();
}

bool THitCollector::Place(TTextPlace Where, std::uint32_t Number, std::u16string_view Name) {
    CloseRun();
    FPlace.Kind = THitPlace::Text;
    FPlace.Place = Where;
    FPlace.Number = Number;
    FPlace.Name = Name;
    return Wanting();
}

bool THitCollector::BeginEmbedded(std::u16string_view Name) {
    CloseRun();
    FPlace.Embedded.emplace_back(Name);
    FPlace.Place = TTextPlace::Body, FPlace.Number = 0, FPlace.Name.clear();
    return Wanting();
}

bool THitCollector::EndEmbedded() {
    CloseRun();
    if (!FPlace.Embedded.empty()) FPlace.Embedded.pop_back();
    FPlace.Place = TTextPlace::Body, FPlace.Number = 0, FPlace.Name.clear();
    return Wanting();
}

bool THitCollector::RawStream(TByteSource& Stream) {
    CloseRun();
    if (!Full()) FindRawHits(Stream, FScanner, FPlace, FMaxHits, FEnv, FHits);
    return Wanting();
}

bool FindRawHits(TByteSource& Source, const TKeywordScanner& Scanner, const THitPlace& Where, std::size_t MaxHits,
                 const TDecodeEnv& Env, std::vector<TTextHit>& Hits) {
    const std::uint64_t Size = Source.Size();
    const std::size_t Overlap = Scanner.Overlap();
    std::unique_ptr<unsigned char[]> Buffer(new unsigned char[RawBlock + Overlap]);
    std::uint64_t Next = 0;  // hits do not overlap: the next one starts here or later
    // Each block holds the positions from Start on and the bytes an occurrence there may need.
    for (std::uint64_t Start = 0; Start < Size && Hits.size() < MaxHits; Start += RawBlock) {
        const std::size_t Want = static_cast<std::size_t>(std::min<std::uint64_t>(RawBlock + Overlap, Size - Start));
        const std::size_t Got = Source.ReadAt(Start, Buffer.get(), Want);
        const std::size_t Positions = std::min(Got, RawBlock);
        for (std::size_t From = 0; From < Positions && Hits.size() < MaxHits; From += RawStretch) {
            const std::size_t Count = std::min(RawStretch, Positions - From);
            if (Start + From + Count <= Next || !Scanner.FindIn(Buffer.get() + From, Got - From, Count)) continue;
            for (std::size_t Pos = From; Pos < From + Count && Hits.size() < MaxHits; ++Pos) {
                const int Form = Start + Pos >= Next ? Scanner.FormAt(Buffer.get(), Pos, Got) : -1;
                if (Form < 0) continue;
                const std::size_t Length = Scanner.FormLength(Form);
                Hits.push_back(RawHit(Source, Start + Pos, Form, Length, Where, Env));
                Next = Start + Pos + Length;
            }
        }
        if (Got < Want) return false;
    }
    return true;
}
