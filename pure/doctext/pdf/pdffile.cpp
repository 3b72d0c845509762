#include "pure/doctext/pdf/pdffile.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "pure/doctext/pdf/pdffilter.h"
#include "pure/doctext/pdf/pdfsecurity.h"

namespace pdf {

namespace {

// Bytes read to see what stands at an offset: "xref" or "N G obj"; "N G obj <<"; "endstream"
// after a stream's data.
constexpr std::size_t HeaderPeekBytes = 64, DictHeaderBytes = 256, EndPeekBytes = 32;
// An object or table that runs on past what was read is read again with this many times more.
constexpr std::size_t ReadGrowth = 4;
// A cross-reference stream's fields are at most this wide (a 64-bit number).
constexpr std::int64_t MaxFieldWidth = 8;
// Object numbers have at most this many digits (MaxObjects has fewer).
constexpr std::size_t MaxObjNumDigits = 10;
// The rebuild's chunks overlap by this much, more than an object header is long.
constexpr std::size_t ScanOverlap = 64;

const unsigned char* Find(const unsigned char* Data, std::size_t Size, std::string_view Word) {
    if (Size < Word.size()) return nullptr;
    const std::size_t At = std::string_view(reinterpret_cast<const char*>(Data), Size).find(Word);
    return At == std::string_view::npos ? nullptr : Data + At;
}

// The number of the header "N G obj" whose "obj" is at Data[Obj], with where it starts; 0 when
// no header ends there.
std::int64_t ObjHeaderBefore(const unsigned char* Data, std::size_t Size, std::size_t Obj, std::size_t& Start) {
    if (Obj + 3 < Size && IsRegular(Data[Obj + 3])) return 0;
    // Walk back over " G " and "N".
    std::size_t B = Obj;
    auto Back = [&](bool Digits) {
        while (B > 0 && (Digits ? (Data[B - 1] >= '0' && Data[B - 1] <= '9') : IsWhite(Data[B - 1]))) --B;
    };
    Back(false);
    const std::size_t GenEnd = B;
    Back(true);
    if (B == GenEnd) return 0;
    const std::size_t GenStart = B;
    Back(false);
    if (B == GenStart) return 0;
    const std::size_t NumEnd = B;
    Back(true);
    if (B == NumEnd || NumEnd - B > MaxObjNumDigits) return 0;
    if (B > 0 && IsRegular(Data[B - 1])) return 0;
    std::int64_t Num = 0;
    for (std::size_t K = B; K < NumEnd; ++K) Num = Num * 10 + (Data[K] - '0');
    Start = B;
    return Num;
}

}  // namespace

TMemoryBounds::TMemoryBounds(std::uint64_t MemoryLeft) {
    if (MemoryLeft >= MaxDecodeMemory) return;
    const std::uint64_t Share = MemoryLeft > FixedMemory ? MemoryLeft - FixedMemory : 0;
    Readable = Share >= ScaledMemory / MinScaledShare;
    auto Scaled = [&](std::uint64_t Full) {
        return static_cast<std::size_t>(std::max<std::uint64_t>(1, Full * Share / ScaledMemory));
    };
    WholeFile = Scaled(WholeFileBytes);
    Stream = Scaled(MaxStreamBytes);
    ObjStm = Scaled(MaxObjStmBytes);
    CacheNodes = Scaled(MaxCacheNodes);
    OperandNodes = Scaled(MaxOperandNodes);
    FontWeight = Scaled(MaxFontWeight);
}

TFile::TFile(TByteSource& Source, const TDecodeEnv& Env) : FSource(Source), FEnv(Env), FBounds(Env.MemoryLeft()) {}
TFile::~TFile() = default;

std::size_t TFile::Span(std::uint64_t At, std::size_t Want, const unsigned char*& Data) {
    Data = nullptr;
    if (At >= FSize) return 0;
    Want = static_cast<std::size_t>(std::min<std::uint64_t>(Want, FSize - At));
    if (FWhole) {
        Data = reinterpret_cast<const unsigned char*>(FWindow.data()) + At;
        return Want;
    }
    if (!(At >= FWindowAt && At + Want <= FWindowAt + FWindow.size())) {
        const std::size_t N = static_cast<std::size_t>(std::min<std::uint64_t>(std::max(Want, WindowSize), FSize - At));
        FWindow.resize(N);
        FWindow.resize(FSource.ReadAt(At, FWindow.data(), N));
        FWindowAt = At;
    }
    const std::size_t Offset = static_cast<std::size_t>(At - FWindowAt);
    if (Offset >= FWindow.size()) return 0;
    Data = reinterpret_cast<const unsigned char*>(FWindow.data()) + Offset;
    return std::min(Want, FWindow.size() - Offset);
}

bool TFile::Open() {
    if (!FBounds.Readable) return false;
    FSize = FSource.Size();
    if (FSize <= FBounds.WholeFile) {
        FWindow.resize(static_cast<std::size_t>(FSize));
        FWindow.resize(FSource.ReadAt(0, FWindow.data(), FWindow.size()));
        FSize = FWindow.size();
        FWhole = true;
    }
    // Decoded data in proportion to the file, within fixed bounds: a small file that inflates to
    // gigabytes costs no more than a large ordinary one.
    FMaxParse = std::clamp<std::uint64_t>(FSize * 16, MinParseBytes, MaxParseBytes);
    FMaxDecoded =
        static_cast<std::size_t>(std::clamp<std::uint64_t>(FSize * 64, MinFileStreamBytes, MaxFileStreamBytes));
    if (!LoadXref() || !Get(FTrailer, "Root").Is(TKind::Dict)) {
        Rebuild();
        if (!Get(FTrailer, "Root").Is(TKind::Dict)) return false;
    }
    return SetupSecurity();
}

TFile::TEntry* TFile::Slot(std::int64_t Num) {
    if (Num <= 0 || Num >= MaxObjects) return nullptr;
    const std::size_t Index = static_cast<std::size_t>(Num);
    if (Index >= FEntries.size()) {
        // Grown by doubling, but never beyond the table's bound.
        if (Index >= FEntries.capacity())
            FEntries.reserve(std::min<std::size_t>(std::max(Index + 1, 2 * FEntries.capacity()), MaxObjects));
        FEntries.resize(Index + 1);
    }
    return &FEntries[Index];
}

void TFile::SetEntry(std::int64_t Num, const TEntry& E) {
    TEntry* S = Slot(Num);
    if (S && S->Type == 0) *S = E;  // newer sections are read first and win
}

bool TFile::LoadXref() {
    const unsigned char* Tail;
    const std::uint64_t TailAt = FSize > StartXrefTail ? FSize - StartXrefTail : 0;
    const std::size_t TailSize = Span(TailAt, StartXrefTail, Tail);
    std::uint64_t Start = 0;
    bool Found = false;
    for (std::size_t I = TailSize; I-- > 0;) {
        if (I + 9 <= TailSize && std::memcmp(Tail + I, "startxref", 9) == 0) {
            TParser P(Tail, TailSize, I + 9);
            const TObject N = P.Next(false);
            if (N.Is(TKind::Int) && N.Int > 0) {
                Start = static_cast<std::uint64_t>(N.Int);
                Found = true;
            }
            break;
        }
    }
    if (!Found) return false;
    std::vector<std::uint64_t> Pending{Start};
    std::unordered_set<std::uint64_t> Seen;
    bool Any = false;
    for (int Sections = 0; !Pending.empty() && Sections < MaxSections; ++Sections) {
        const std::uint64_t At = Pending.back();
        Pending.pop_back();
        if (!Seen.insert(At).second) continue;  // a /Prev loop
        TObject Trailer;
        std::vector<std::uint64_t> Next;
        if (!ReadXrefSection(At, Trailer, Next)) {
            if (!Any) return false;
            continue;
        }
        if (!Any) {
            FTrailer = Trailer;
        } else if (FTrailer.Dict && Trailer.Dict) {
            // Older trailers fill in what the newer ones leave out.
            for (const auto& [Key, Value] : *Trailer.Dict)
                if (FTrailer.Get(Key).Is(TKind::Null)) FTrailer.Dict->emplace_back(Key, Value);
        }
        Any = true;
        // /Prev is read after /XRefStm: push it first.
        for (auto I = Next.rbegin(); I != Next.rend(); ++I) Pending.push_back(*I);
    }
    return Any && FTrailer.Is(TKind::Dict);
}

bool TFile::ReadXrefSection(std::uint64_t At, TObject& Trailer, std::vector<std::uint64_t>& Next) {
    const unsigned char* Data;
    const std::size_t N = Span(At, HeaderPeekBytes, Data);
    TLexer L(Data, N);
    L.SkipWhite();
    if (L.LooksAt("xref")) {
        if (!ReadXrefTable(At, Trailer)) return false;
        const TObject& Prev = Trailer.Get("Prev");
        if (Prev.Is(TKind::Int) && Prev.Int >= 0) Next.push_back(static_cast<std::uint64_t>(Prev.Int));
        const TObject& Stm = Trailer.Get("XRefStm");
        if (Stm.Is(TKind::Int) && Stm.Int >= 0) Next.insert(Next.begin(), static_cast<std::uint64_t>(Stm.Int));
        return true;
    }
    TObject Stream;
    std::int64_t Num = 0;
    int Gen = 0;
    {
        TParser H(Data, N);
        if (!H.ReadObjHeader(Num, Gen)) return false;
    }
    if (!ParseAt(At, Num, Stream) || !Stream.IsStream() || !Stream.Get("Type").IsName("XRef")) return false;
    if (!ReadXrefStream(Stream)) return false;
    Trailer = Stream;
    Trailer.StreamAt = -1;
    const TObject& Prev = Stream.Get("Prev");
    if (Prev.Is(TKind::Int) && Prev.Int >= 0) Next.push_back(static_cast<std::uint64_t>(Prev.Int));
    return true;
}

bool TFile::ReadXrefTable(std::uint64_t At, TObject& Trailer) {
    // The table is read token by token: writers vary the spacing of its 20-byte lines.
    for (std::size_t Want = FirstReadBytes;; Want = std::min(Want * ReadGrowth, FBounds.Stream)) {
        const unsigned char* Data;
        const std::size_t N = Span(At, Want, Data);
        TParser P(Data, N);
        P.Budget = SIZE_MAX;  // tokens are not kept: the table may be long
        TXrefRows Found;
        const bool Short = ScanXrefTable(P, Found, Trailer) && N == Want;
        if (Short && Want < FBounds.Stream && At + N < FSize) continue;
        for (const auto& [Num, E] : Found) {
            // A table that numbers its first section from 1 instead of 0 is a known writer slip; the
            // rebuild catches it when the objects do not match.
            SetEntry(Num, E);
        }
        return Trailer.Is(TKind::Dict);
    }
}

bool TFile::ScanXrefTable(TParser& P, TXrefRows& Found, TObject& Trailer) {
    P.Lexer().SkipWhite();
    P.Seek(P.Pos() + 4);  // "xref"
    while (Found.size() < static_cast<std::size_t>(MaxObjects)) {
        const TObject First = P.Next(false);
        if (First.Is(TKind::Keyword) && First.Text == "trailer") {
            P.Budget = MaxTrailerNodes;
            Trailer = P.Next();
            return P.Truncated();
        }
        if (First.Is(TKind::End)) return true;
        if (!First.Is(TKind::Int)) return false;
        const TObject Count = P.Next(false);
        if (!Count.Is(TKind::Int) || Count.Int < 0) return false;
        if (!ReadXrefRows(P, First.Int, Count.Int, Found)) return true;
    }
    return false;
}

bool TFile::ReadXrefRows(TParser& P, std::int64_t Num, std::int64_t Count, TXrefRows& Found) {
    for (std::int64_t I = 0; I < Count && Found.size() < static_cast<std::size_t>(MaxObjects); ++I, ++Num) {
        const TObject Offset = P.Next(false), Gen = P.Next(false), Kind = P.Next(false);
        if (Offset.Is(TKind::End) || Gen.Is(TKind::End) || Kind.Is(TKind::End)) return false;
        if (!Offset.Is(TKind::Int) || !Gen.Is(TKind::Int) || !Kind.Is(TKind::Keyword)) break;
        if (Kind.Text == "n" && Offset.Int > 0 && Num > 0 && Num < MaxObjects)
            Found.emplace_back(
                Num, TEntry{static_cast<std::uint64_t>(Offset.Int), 0, static_cast<std::uint16_t>(Gen.Int), 1});
    }
    return true;
}

bool TFile::ReadXrefStream(const TObject& Stream) {
    std::string Data;
    if (!StreamData(Stream, Data)) return false;
    const TObject& W = Stream.Get("W");
    if (W.Size() < 3) return false;
    int Widths[3];
    std::size_t Row = 0;
    for (int I = 0; I < 3; ++I) {
        const TObject& V = W.At(I);
        Widths[I] = V.Is(TKind::Int) ? static_cast<int>(std::clamp<std::int64_t>(V.Int, 0, MaxFieldWidth)) : 0;
        Row += Widths[I];
    }
    if (Row == 0) return false;
    std::vector<std::pair<std::int64_t, std::int64_t>> Ranges;
    const TObject& Index = Stream.Get("Index");
    if (Index.Is(TKind::Array)) {
        for (std::size_t I = 0; I + 1 < Index.Size(); I += 2)
            if (Index.At(I).Is(TKind::Int) && Index.At(I + 1).Is(TKind::Int))
                Ranges.emplace_back(Index.At(I).Int, Index.At(I + 1).Int);
    } else {
        const TObject& Size = Stream.Get("Size");
        Ranges.emplace_back(0, Size.Is(TKind::Int) ? Size.Int : 0);
    }
    std::size_t At = 0;
    for (const auto& [Start, Count] : Ranges) {
        for (std::int64_t I = 0; I < Count && At + Row <= Data.size(); ++I, At += Row) {
            std::uint64_t Field[3];
            std::size_t P = At;
            for (int F = 0; F < 3; ++F) {
                Field[F] = 0;
                for (int B = 0; B < Widths[F]; ++B) Field[F] = (Field[F] << 8) | static_cast<unsigned char>(Data[P++]);
            }
            const std::uint64_t Type = Widths[0] == 0 ? 1 : Field[0];
            TEntry E;
            if (Type == 1) {
                E.Type = 1;
                E.Offset = Field[1];
                E.Gen = static_cast<std::uint16_t>(Field[2]);
            } else if (Type == 2) {
                E.Type = 2;
                E.Offset = Field[1];
                E.Index = static_cast<std::uint32_t>(std::min<std::uint64_t>(Field[2], UINT32_MAX));
            } else {
                continue;
            }
            SetEntry(Start + I, E);
        }
    }
    return true;
}

void TFile::Rebuild() {
    if (FRebuilt) return;
    FRebuilt = true;
    FEntries.clear();
    DropLoaded();
    std::vector<std::uint64_t> Trailers;
    ScanFile(Trailers);
    FTrailer = TObject{};
    FTrailer.Kind = TKind::Dict;
    FTrailer.Dict = std::make_shared<TDict>();
    for (const std::uint64_t At : Trailers) {
        const unsigned char* Data;
        const std::size_t N = Span(At, FirstReadBytes, Data);
        TParser P(Data, N);
        P.Budget = MaxTrailerNodes;
        const TObject T = P.Next();
        if (T.Is(TKind::Dict)) MergeTrailer(T);
    }
    IndexDictionaries();
    DropObjects();
}

void TFile::ScanFile(std::vector<std::uint64_t>& Trailers) {
    // Pass one: every "N G obj" (the last of a number wins, as in an incremental update) and every
    // "trailer" dictionary, chunk by chunk. Each chunk starts a little early, so that a header cut
    // by the chunk's start is whole.
    for (std::uint64_t Chunk = 0; Chunk < FSize; Chunk += WindowSize) {
        const std::uint64_t Base = Chunk >= ScanOverlap ? Chunk - ScanOverlap : 0;
        const unsigned char* Data;
        const std::size_t N = Span(Base, WindowSize + 2 * ScanOverlap, Data);
        const std::size_t From = static_cast<std::size_t>(Chunk - Base);
        const std::size_t Limit = std::min(N, From + WindowSize);
        for (std::size_t I = From; I < Limit; ++I) {
            const unsigned char* Tr = Find(Data + I, N - I, "trailer");
            if (!Tr || static_cast<std::size_t>(Tr - Data) >= Limit) break;
            I = static_cast<std::size_t>(Tr - Data);
            Trailers.push_back(Base + I + 7);
            // Later trailers win: of very many, only the last ones count.
            if (Trailers.size() > MaxRebuildTrailers)
                Trailers.erase(Trailers.begin(), Trailers.begin() + MaxRebuildTrailers / 2);
        }
        for (std::size_t I = From; I < Limit; ++I) {
            const unsigned char* Hit = Find(Data + I, N - I, "obj");
            if (!Hit) break;
            I = static_cast<std::size_t>(Hit - Data);
            if (I >= Limit) break;
            std::size_t Start = 0;
            const std::int64_t Num = ObjHeaderBefore(Data, N, I, Start);
            if (TEntry* E = Slot(Num)) *E = TEntry{Base + Start, 0, 0, 1};
        }
    }
}

void TFile::MergeTrailer(const TObject& From) {
    for (const char* Key : {"Root", "Info", "Encrypt", "ID"}) {
        const TObject& V = From.Get(Key);
        if (V.Is(TKind::Null)) continue;
        bool Set = false;
        for (auto& [K, Old] : *FTrailer.Dict)
            if (K == Key) Old = V, Set = true;
        if (!Set) FTrailer.Dict->emplace_back(Key, V);
    }
}

void TFile::IndexDictionaries() {
    // Pass two: objects held in object streams, cross-reference streams that name the catalog,
    // and the catalog itself when no trailer names it.
    TObject Catalog;
    for (std::size_t Num = 1; Num < FEntries.size(); ++Num) {
        if (FEntries[Num].Type != 1) continue;
        TObject O;
        // Only dictionaries matter here, and small ones: a catalog, a cross-reference or object stream.
        if (!StartsWithDict(FEntries[Num].Offset) ||
            !ParseAt(FEntries[Num].Offset, static_cast<std::int64_t>(Num), O, MaxRebuildNodes) || !O.Is(TKind::Dict))
            continue;
        const TObject& Type = O.Get("Type");
        if (Type.IsName("XRef")) {
            MergeTrailer(O);
        } else if (Type.IsName("Catalog") && Catalog.Is(TKind::Null)) {
            Catalog.Kind = TKind::Ref;
            Catalog.Int = static_cast<std::int64_t>(Num);
        } else if (Type.IsName("ObjStm")) {
            if (const TObjStm* S = ObjStm(static_cast<std::int64_t>(Num)))
                for (std::size_t I = 0; I < S->Offsets.size(); ++I)
                    SetEntry(S->Offsets[I].first, TEntry{Num, static_cast<std::uint32_t>(I), 0, 2});
        }
    }
    if (FTrailer.Get("Root").Is(TKind::Null) && !Catalog.Is(TKind::Null)) FTrailer.Dict->emplace_back("Root", Catalog);
}

void TFile::DropObjects() {
    FCache.clear();
    FCacheNodes = 0;
}

void TFile::DropLoaded() {
    DropObjects();
    FObjStms.clear();
    FObjStmBytes = 0;
}

bool TFile::StartsWithDict(std::uint64_t At) {
    const unsigned char* Data;
    const std::size_t N = Span(At, DictHeaderBytes, Data);
    TParser P(Data, N);
    std::int64_t Num;
    int Gen;
    if (!P.ReadObjHeader(Num, Gen)) return false;
    P.Lexer().SkipWhite();
    return P.Lexer().LooksAt("<<") || (P.Pos() + 1 < N && Data[P.Pos()] == '<' && Data[P.Pos() + 1] == '<');
}

bool TFile::ParseAt(std::uint64_t At, std::int64_t Num, TObject& Out, std::size_t Nodes) {
    for (std::size_t Want = FirstReadBytes;; Want = std::min(Want * ReadGrowth, FBounds.Stream)) {
        if (FParseBytes > FMaxParse) return false;
        const unsigned char* Data;
        const std::size_t N = Span(At, Want, Data);
        TParser P(Data, N);
        P.Budget = Nodes;
        std::int64_t Found;
        int Gen;
        const bool Header = P.ReadObjHeader(Found, Gen) && Found == Num;
        if (Header) Out = P.NextWithStream();
        FParseBytes += P.Pos();
        FLastWeight = Nodes - P.Budget;
        if (!Header) return false;
        if (P.Truncated() && N == Want && Want < FBounds.Stream) continue;
        if (Out.Is(TKind::Error) || Out.Is(TKind::End)) return false;
        if (Out.Is(TKind::Keyword)) Out = TObject{};  // "N G obj endobj": a null object
        if (Out.StreamAt >= 0) Out.StreamAt += static_cast<std::int64_t>(At);
        Out.ObjNum = Num;
        Out.ObjGen = Gen;
        return true;
    }
}

TFile::TObjStm* TFile::ObjStm(std::int64_t StmNum) {
    for (auto I = FObjStms.begin(); I != FObjStms.end(); ++I)
        if (I->Num == StmNum) {
            FObjStms.splice(FObjStms.begin(), FObjStms, I);
            return &FObjStms.front();
        }
    TObject Stream;
    if (!LoadObject(StmNum, 0, Stream) || !Stream.IsStream() || !Stream.Get("Type").IsName("ObjStm")) return nullptr;
    TObjStm S;
    S.Num = StmNum;
    if (!StreamData(Stream, S.Data)) return nullptr;
    const TObject& First = Stream.Get("First");
    const TObject& Count = Stream.Get("N");
    if (!First.Is(TKind::Int) || First.Int < 0 || static_cast<std::uint64_t>(First.Int) > S.Data.size()) return nullptr;
    S.First = static_cast<std::size_t>(First.Int);
    TParser P(reinterpret_cast<const unsigned char*>(S.Data.data()), S.First);
    const std::int64_t N = Count.Is(TKind::Int) ? std::min<std::int64_t>(Count.Int, MaxObjStmMembers) : 0;
    for (std::int64_t I = 0; I < N; ++I) {
        const TObject Num = P.Next(false), Offset = P.Next(false);
        if (!Num.Is(TKind::Int) || !Offset.Is(TKind::Int) || Offset.Int < 0) break;
        S.Offsets.emplace_back(Num.Int, static_cast<std::size_t>(Offset.Int));
    }
    S.ByNumber = S.Offsets;
    std::sort(S.ByNumber.begin(), S.ByNumber.end());
    S.Bytes = S.Data.size() + S.Offsets.size() * ObjStmMemberBytes;
    FObjStmBytes += S.Bytes;
    FObjStms.push_front(std::move(S));
    while (FObjStmBytes > FBounds.ObjStm && FObjStms.size() > 1) {
        FObjStmBytes -= FObjStms.back().Bytes;
        FObjStms.pop_back();
    }
    return &FObjStms.front();
}

bool TFile::LoadFromObjStm(std::int64_t StmNum, std::uint32_t Index, std::int64_t Num, TObject& Out) {
    if (FParseBytes > FMaxParse) return false;
    TObjStm* S = ObjStm(StmNum);
    if (!S) return false;
    std::size_t Offset = SIZE_MAX;
    if (Index < S->Offsets.size() && S->Offsets[Index].first == Num) {
        Offset = S->Offsets[Index].second;
    } else {
        const auto I = std::lower_bound(S->ByNumber.begin(), S->ByNumber.end(), std::make_pair(Num, std::size_t(0)));
        if (I != S->ByNumber.end() && I->first == Num) Offset = I->second;
    }
    if (Offset == SIZE_MAX || Offset > S->Data.size() - S->First) return false;
    TParser P(reinterpret_cast<const unsigned char*>(S->Data.data()), S->Data.size(), S->First + Offset);
    P.Budget = MaxParseNodes;
    Out = P.Next();
    FParseBytes += P.Pos() - S->First - Offset;
    FLastWeight = MaxParseNodes - P.Budget;
    if (Out.Is(TKind::Error) || Out.Is(TKind::End) || Out.Is(TKind::Keyword)) return false;
    Out.ObjNum = Num;
    return true;
}

void TFile::Cache(std::int64_t Num, const TObject& O, std::size_t Nodes) {
    if (FCacheNodes + Nodes > FBounds.CacheNodes) DropObjects();
    FCache[Num] = O;
    FCacheNodes += Nodes;
}

namespace {

void DecryptStrings(TObject& O, const TSecurity& S, std::int64_t Num, int Gen, int Depth) {
    if (Depth > MaxDepth) return;
    if (O.Is(TKind::String)) {
        S.DecryptString(O.Text, Num, Gen);
    } else if (O.Array) {
        for (TObject& I : *O.Array) DecryptStrings(I, S, Num, Gen, Depth + 1);
    } else if (O.Dict) {
        for (auto& [K, V] : *O.Dict) DecryptStrings(V, S, Num, Gen, Depth + 1);
    }
}

}  // namespace

bool TFile::LoadObject(std::int64_t Num, int Gen, TObject& Out) {
    (void)Gen;  // the newest object of a number counts, whatever generation the reference names
    if (const auto I = FCache.find(Num); I != FCache.end()) {
        Out = I->second;
        return true;
    }
    if (FLoading > MaxLoadNesting) return false;
    ++FLoading;
    bool Ok = false;
    for (int Attempt = 0; Attempt < 2 && !Ok; ++Attempt) {
        if (Num > 0 && static_cast<std::uint64_t>(Num) < FEntries.size()) {
            const TEntry E = FEntries[static_cast<std::size_t>(Num)];
            if (E.Type == 1) {
                Ok = ParseAt(E.Offset, Num, Out);
                if (Ok && FSecurity) DecryptStrings(Out, *FSecurity, Num, Out.ObjGen, 0);
            } else if (E.Type == 2 && static_cast<std::int64_t>(E.Offset) != Num) {
                Ok = LoadFromObjStm(static_cast<std::int64_t>(E.Offset), E.Index, Num, Out);
            }
        }
        if (Ok || FRebuilt || FLoading > 1) break;
        // A reference the cross-reference data cannot serve: scan the file once and retry.
        Rebuild();
    }
    --FLoading;
    if (Ok) Cache(Num, Out, FLastWeight);
    return Ok;
}

TObject TFile::Resolve(const TObject& O) {
    TObject Current = O;
    for (int Hops = 0; Current.Is(TKind::Ref) && Hops < MaxRefHops; ++Hops) {
        TObject Next;
        if (!LoadObject(Current.Int, Current.Gen, Next)) return TObject{};
        Current = std::move(Next);
    }
    return Current.Is(TKind::Ref) ? TObject{} : Current;
}

bool TFile::RawStream(const TObject& Stream, std::string& Out, std::size_t Limit) {
    const std::uint64_t Start = static_cast<std::uint64_t>(Stream.StreamAt);
    if (Start > FSize) return false;
    std::uint64_t Length = UINT64_MAX;
    const TObject L = Resolve(Stream.Get("Length"));
    if (L.Is(TKind::Int) && L.Int >= 0 && Start + static_cast<std::uint64_t>(L.Int) <= FSize) {
        // Trust /Length when "endstream" follows it.
        const unsigned char* Data;
        const std::size_t N = Span(Start + L.Int, EndPeekBytes, Data);
        TLexer P(Data, N);
        P.SkipWhite();
        if (P.LooksAt("endstream") || P.LooksAt("endobj")) Length = static_cast<std::uint64_t>(L.Int);
    }
    if (Length == UINT64_MAX) {
        const unsigned char* Data;
        const std::size_t N = Span(Start, Limit + EndPeekBytes, Data);
        const unsigned char* End = Find(Data, N, "endstream");
        if (!End) End = Find(Data, N, "endobj");
        std::size_t Len = End ? static_cast<std::size_t>(End - Data) : N;
        while (Len > 0 && (Data[Len - 1] == '\n' || Data[Len - 1] == '\r')) --Len;
        Length = Len;
    }
    Length = std::min<std::uint64_t>(Length, Limit);  // of longer data, the first bytes
    const unsigned char* Data;
    const std::size_t N = Span(Start, static_cast<std::size_t>(Length), Data);
    Out.assign(reinterpret_cast<const char*>(Data), N);
    return true;
}

bool TFile::FilterChain(const TObject& Stream, TChain& Chain) {
    TObject Filters = Resolve(Stream.Get("Filter"));
    TObject Parms = Resolve(Stream.Get("DecodeParms"));
    if (Parms.Is(TKind::Null)) Parms = Resolve(Stream.Get("DP"));
    if (Filters.Is(TKind::Name)) {
        Chain.emplace_back(Filters.Text, Parms.Is(TKind::Array) ? Resolve(Parms.At(0)) : Parms);
    } else if (Filters.Is(TKind::Array)) {
        for (std::size_t I = 0; I < Filters.Size() && I < MaxFilters; ++I) {
            const TObject F = Resolve(Filters.At(I));
            if (!F.Is(TKind::Name)) return false;
            Chain.emplace_back(F.Text, Parms.Is(TKind::Array) ? Resolve(Parms.At(I)) : TObject{});
        }
    }
    return true;
}

bool TFile::Decode(const TChain& Chain, std::string& Data, std::size_t Limit) {
    std::string Out;
    for (const auto& [Name, P] : Chain) {
        // The unfiltered data counted before may have passed the file's bound already.
        const std::size_t Room = FDecodedBytes < FMaxDecoded ? std::min(Limit, FMaxDecoded - FDecodedBytes) : 0;
        if (Room == 0) return false;
        if (ApplyFilter(Name, P, Data, Out, Room) != TFilterResult::Ok) return false;
        FDecodedBytes += Out.size();
        Data.swap(Out);
    }
    return true;
}

bool TFile::StreamData(const TObject& Stream, std::string& Out, std::size_t Limit) {
    Out.clear();
    if (!Stream.IsStream() || FDecodedBytes >= FMaxDecoded) return false;
    // The filters are looked up first: that may read other streams, which then do not meet this
    // one's data in memory.
    TChain Chain;
    if (!FilterChain(Stream, Chain) || !RawStream(Stream, Out, Limit)) return false;
    FDecodedBytes += Out.size();  // unfiltered data costs the reader as much as decoded data
    if (FSecurity && Stream.ObjNum >= 0 && !Stream.Get("Type").IsName("XRef") &&
        !(Stream.Get("Type").IsName("Metadata") && !FSecurity->EncryptsMetadata()))
        FSecurity->DecryptStream(Out, Stream.ObjNum, Stream.ObjGen);
    if (!Decode(Chain, Out, Limit)) {
        Out.clear();
        return false;
    }
    return true;
}

bool TFile::SetupSecurity() {
    const TObject& Ref = FTrailer.Get("Encrypt");
    if (Ref.Is(TKind::Null)) return true;
    const TObject Encrypt = Resolve(Ref);
    if (!Encrypt.Is(TKind::Dict)) return true;  // a dangling /Encrypt: read the file as it is
    const TObject Id = Resolve(FTrailer.Get("ID"));
    const TObject First = Resolve(Id.At(0));
    auto Security = std::make_unique<TSecurity>();
    if (!Security->Open(Encrypt, First.Is(TKind::String) ? First.Text : std::string(), FEnv.Crypto)) return false;
    FSecurity = std::move(Security);
    DropLoaded();  // objects read so far were not decrypted
    return true;
}

}  // namespace pdf
