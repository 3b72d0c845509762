#include "pure/doctext/cfb.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "pure/doctext/biff.h"
#include "pure/doctext/bytereader.h"
#include "pure/doctext/decodeenv.h"
#include "pure/doctext/document.h"

namespace {

constexpr std::uint32_t FreeSector = 0xFFFFFFFF;
constexpr std::uint32_t NoEntry = 0xFFFFFFFF;
constexpr std::size_t HeaderSize = 512;
constexpr std::size_t EntrySize = 128;
constexpr unsigned MiniShift = 6;
constexpr std::uint64_t MiniCutoff = 4096;  // streams below this size live in the mini stream

bool SameNameNoCase(const std::u16string& Name, const char* Ascii) {
    const std::size_t N = std::strlen(Ascii);
    if (Name.size() != N) return false;
    for (std::size_t I = 0; I < N; ++I) {
        char16_t C = Name[I];
        if (C >= 'a' && C <= 'z') C = static_cast<char16_t>(C - 'a' + 'A');
        char A = Ascii[I];
        if (A >= 'a' && A <= 'z') A = static_cast<char>(A - 'a' + 'A');
        if (C != static_cast<unsigned char>(A)) return false;
    }
    return true;
}

// A small file's bytes read into memory, placed where the file has them.
class TFileCopy : public TMemorySource {
public:
    TFileCopy(const std::vector<unsigned char>& Bytes, const TByteSource& File)
        : TMemorySource(Bytes.data(), Bytes.size()), FFile(File) {}
    std::uint64_t FilePiece(std::uint64_t Offset, std::uint64_t& FileOffset) const override {
        return FFile.FilePiece(Offset, FileOffset);
    }

private:
    const TByteSource& FFile;
};

}  // namespace

// A stream's bytes: a list of sectors of the base (the file, or the mini stream) in chain order.
// Reads go to the base lazily, one read per run of adjacent sectors.
class TCompoundFile::TChainSource : public TByteSource {
public:
    TChainSource(TByteSource& Base, std::uint64_t Origin, unsigned Shift, std::vector<std::uint32_t> Sectors,
                 std::uint64_t Size)
        : FBase(Base), FOrigin(Origin), FShift(Shift), FSectors(std::move(Sectors)) {
        // Every sector but the last lies wholly in the base (FollowChain sees to it); the last may
        // be cut by the base's end.
        std::uint64_t Held = 0;
        if (!FSectors.empty()) {
            const std::uint64_t Last = Offset(FSectors.back());
            const std::uint64_t LastBytes = Base.Size() > Last ? std::min(Base.Size() - Last, SectorBytes()) : 0;
            Held = (FSectors.size() - 1) * SectorBytes() + LastBytes;
        }
        FSize = std::min(Size, Held);
    }
    std::uint64_t Size() const override { return FSize; }
    std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) override {
        if (Offset >= FSize) return 0;
        Count = static_cast<std::size_t>(std::min<std::uint64_t>(Count, FSize - Offset));
        auto* Out = static_cast<unsigned char*>(Buffer);
        std::size_t Done = 0;
        while (Done < Count) {
            const std::uint64_t At = Offset + Done;
            std::size_t Index = static_cast<std::size_t>(At >> FShift);
            const std::uint64_t Within = At & (SectorBytes() - 1);
            // Extend over the following sectors while they follow each other in the base too.
            std::uint64_t Run = SectorBytes() - Within;
            while (Run < Count - Done && Index + 1 < FSectors.size() && FSectors[Index + 1] == FSectors[Index] + 1) {
                ++Index;
                Run += SectorBytes();
            }
            const std::size_t Want = static_cast<std::size_t>(std::min<std::uint64_t>(Run, Count - Done));
            const std::size_t Got = FBase.ReadAt(this->Offset(FSectors[At >> FShift]) + Within, Out + Done, Want);
            Done += Got;
            if (Got < Want) break;
        }
        return Done;
    }

    std::uint64_t FilePiece(std::uint64_t Offset, std::uint64_t& FileOffset) const override {
        if (Offset >= FSize) return 0;
        std::size_t Index = static_cast<std::size_t>(Offset >> FShift);
        const std::uint64_t Within = Offset & (SectorBytes() - 1);
        const std::uint64_t BaseOffset = this->Offset(FSectors[Index]) + Within;
        std::uint64_t Run = SectorBytes() - Within;
        while (Index + 1 < FSectors.size() && FSectors[Index + 1] == FSectors[Index] + 1) {
            ++Index;
            Run += SectorBytes();
        }
        return std::min({Run, FSize - Offset, FBase.FilePiece(BaseOffset, FileOffset)});
    }

private:
    std::uint64_t SectorBytes() const { return std::uint64_t(1) << FShift; }
    std::uint64_t Offset(std::uint32_t Sector) const { return FOrigin + (std::uint64_t(Sector) << FShift); }

    TByteSource& FBase;
    std::uint64_t FOrigin;
    unsigned FShift;
    std::vector<std::uint32_t> FSectors;
    std::uint64_t FSize = 0;
};

TCompoundFile::TCompoundFile(TByteSource& File) : FFile(&File) {
    if (File.Size() <= CfbMaxWholeFile) {
        FWholeBytes.resize(static_cast<std::size_t>(File.Size()));
        FWholeBytes.resize(File.ReadAt(0, FWholeBytes.data(), FWholeBytes.size()));
        FWhole = std::make_unique<TFileCopy>(FWholeBytes, File);
        FFile = FWhole.get();
    }
    FValid = ReadHeaderAndTables();
    if (!FValid) {
        FFat.clear();
        FDirectory.clear();
    }
}

TCompoundFile::~TCompoundFile() = default;

bool TCompoundFile::ReadHeaderAndTables() {
    unsigned char H[HeaderSize];
    if (!FFile->ReadExactAt(0, H, sizeof H)) return false;
    if (std::memcmp(H, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) != 0) return false;
    const unsigned Major = Le16(H + 0x1A);
    if ((Major != 3 && Major != 4) || Le16(H + 0x1C) != 0xFFFE) return false;
    FVersion3 = Major == 3;
    FShift = Le16(H + 0x1E);
    if ((FShift != 9 && FShift != 12) || Le16(H + 0x20) != MiniShift) return false;
    const std::uint64_t SectorBytes = std::uint64_t(1) << FShift;
    const std::uint64_t FileSize = FFile->Size();
    if (FileSize <= SectorBytes) return false;
    FSectorCount = (FileSize - SectorBytes + SectorBytes - 1) >> FShift;
    if (!ReadFat(H)) return false;

    // The directory: a chain of 128-byte entries whose first is the root.
    const std::vector<std::uint32_t> DirSectors =
        FollowChain(Le32(H + 0x30), std::min<std::uint64_t>(CfbMaxDirectoryBytes, FileSize), false);
    {
        TChainSource Dir(*FFile, SectorBytes, FShift, DirSectors, CfbMaxDirectoryBytes);
        FDirectory.resize(static_cast<std::size_t>(Dir.Size() / EntrySize * EntrySize));
        FDirectory.resize(Dir.ReadAt(0, FDirectory.data(), FDirectory.size()) / EntrySize * EntrySize);
    }
    if (FDirectory.empty() || FDirectory[0x42] != 5) return false;  // entry 0 must be the root

    // The mini FAT and the mini stream, which the root entry's chain holds.
    const std::vector<std::uint32_t> MiniFatSectors =
        FollowChain(Le32(H + 0x3C), std::min<std::uint64_t>(4 * CfbMaxMiniFatEntries, FileSize), false);
    {
        TChainSource MiniFat(*FFile, SectorBytes, FShift, MiniFatSectors, 4 * CfbMaxMiniFatEntries);
        std::vector<unsigned char> Bytes(static_cast<std::size_t>(MiniFat.Size() / 4 * 4));
        Bytes.resize(MiniFat.ReadAt(0, Bytes.data(), Bytes.size()) / 4 * 4);
        FMiniFat.resize(Bytes.size() / 4);
        for (std::size_t I = 0; I < FMiniFat.size(); ++I) FMiniFat[I] = Le32(Bytes.data() + 4 * I);
    }
    std::uint64_t MiniSize = Le64(FDirectory.data() + 0x78);
    if (FVersion3) MiniSize &= 0xFFFFFFFF;
    FMiniStream = std::make_unique<TChainSource>(
        *FFile, SectorBytes, FShift, FollowChain(Le32(FDirectory.data() + 0x74), MiniSize, false), MiniSize);
    // Mini sectors beyond the mini stream hold nothing.
    const std::uint64_t MiniSectors = (FMiniStream->Size() + (1u << MiniShift) - 1) >> MiniShift;
    if (FMiniFat.size() > MiniSectors) FMiniFat.resize(static_cast<std::size_t>(MiniSectors));
    FMiniTaken.assign(FMiniFat.size(), false);
    return true;
}

// Collects the FAT from the sectors the DIFAT names: 109 in the header, the rest in a chain of
// DIFAT sectors whose last entry names the next. Only the part that covers sectors inside the
// file is read; a FAT sector that lies outside the file leaves its part free.
bool TCompoundFile::ReadFat(const unsigned char* H) {
    const std::size_t SectorBytes = std::size_t(1) << FShift;
    const std::size_t PerSector = SectorBytes / 4;
    const std::uint64_t Entries = std::min<std::uint64_t>(FSectorCount, CfbMaxFatEntries);
    const std::uint64_t Wanted = std::min<std::uint64_t>(Le32(H + 0x2C), (Entries + PerSector - 1) / PerSector);
    FTaken.assign(static_cast<std::size_t>(Entries), false);

    std::vector<std::uint32_t> FatSectors;
    for (std::size_t I = 0; I < 109 && FatSectors.size() < Wanted; ++I) FatSectors.push_back(Le32(H + 0x4C + 4 * I));
    std::vector<unsigned char> Sector(SectorBytes);
    for (std::uint32_t Dif = Le32(H + 0x44); FatSectors.size() < Wanted && Dif < Entries && !FTaken[Dif];) {
        FTaken[Dif] = true;
        if (!FFile->ReadExactAt(SectorOffset(Dif), Sector.data(), SectorBytes)) break;
        for (std::size_t I = 0; I + 1 < PerSector && FatSectors.size() < Wanted; ++I)
            FatSectors.push_back(Le32(Sector.data() + 4 * I));
        Dif = Le32(Sector.data() + SectorBytes - 4);
    }
    std::fill(FTaken.begin(), FTaken.end(), false);

    FFat.assign(static_cast<std::size_t>(std::min<std::uint64_t>(Entries, FatSectors.size() * PerSector)), FreeSector);
    // FAT sectors that follow each other in the file (the usual case) are read in one piece.
    std::vector<unsigned char> Run;
    for (std::size_t F = 0, Count; F * PerSector < FFat.size(); F += Count) {
        Count = 1;
        if (FatSectors[F] >= FSectorCount) continue;
        while (F + Count < FatSectors.size() && (F + Count) * PerSector < FFat.size() &&
               FatSectors[F + Count] == FatSectors[F] + Count)
            ++Count;
        Run.resize(Count * SectorBytes);
        Run.resize(FFile->ReadAt(SectorOffset(FatSectors[F]), Run.data(), Run.size()) / 4 * 4);
        const std::size_t N = std::min(Run.size() / 4, FFat.size() - F * PerSector);
        for (std::size_t I = 0; I < N; ++I) FFat[F * PerSector + I] = Le32(Run.data() + 4 * I);
    }
    return !FFat.empty();
}

// The sectors of the chain that starts at Start, as many as Size bytes need. The chain ends at its
// end mark, at a sector outside the table or the file, or at a sector that a chain already took
// (a loop, or two streams sharing sectors): so each sector is visited once in all, and the work
// of every chain together stays within the file's size.
std::vector<std::uint32_t> TCompoundFile::FollowChain(std::uint32_t Start, std::uint64_t Size, bool Mini) {
    const std::vector<std::uint32_t>& Table = Mini ? FMiniFat : FFat;
    std::vector<bool>& Taken = Mini ? FMiniTaken : FTaken;
    const unsigned Shift = Mini ? MiniShift : FShift;
    const std::uint64_t Need = std::min<std::uint64_t>((Size + (std::uint64_t(1) << Shift) - 1) >> Shift, Table.size());
    std::vector<std::uint32_t> Sectors;
    for (std::uint32_t S = Start; Sectors.size() < Need && S < Table.size() && !Taken[S]; S = Table[S]) {
        Taken[S] = true;
        Sectors.push_back(S);
        // A sector cut by the end of the file (or of the mini stream) can only be the last one.
        const std::uint64_t End =
            Mini ? (std::uint64_t(S) + 1) << MiniShift : SectorOffset(S) + (std::uint64_t(1) << FShift);
        if (End > (Mini ? FMiniStream->Size() : FFile->Size())) break;
    }
    return Sectors;
}

bool TCompoundFile::ForEachStream(const std::function<bool(const std::u16string&, TByteSource&)>& Visit) {
    if (!FValid) return true;
    const std::size_t Count = FDirectory.size() / EntrySize;
    std::vector<bool> Seen(Count, false);
    Seen[0] = true;
    std::vector<std::uint32_t> Pending{Le32(FDirectory.data() + 0x4C)};  // the root's child
    while (!Pending.empty()) {
        const std::uint32_t Id = Pending.back();
        Pending.pop_back();
        if (Id == NoEntry || Id >= Count || Seen[Id]) continue;
        Seen[Id] = true;
        const unsigned char* E = FDirectory.data() + std::size_t(Id) * EntrySize;
        Pending.push_back(Le32(E + 0x48));  // right sibling
        Pending.push_back(Le32(E + 0x44));  // left sibling
        const unsigned Type = E[0x42];
        if (Type == 1) Pending.push_back(Le32(E + 0x4C));  // a storage: its children
        if (Type != 2) continue;

        std::uint64_t Size = Le64(E + 0x78);
        if (FVersion3) Size &= 0xFFFFFFFF;
        if (Size == 0) continue;
        const std::size_t NameUnits = std::min<std::size_t>(Le16(E + 0x40) / 2, 32);
        std::u16string Name;
        for (std::size_t I = 0; I < NameUnits; ++I) Name += static_cast<char16_t>(Le16(E + 2 * I));
        while (!Name.empty() && Name.back() == 0) Name.pop_back();

        const std::uint32_t Start = Le32(E + 0x74);
        const bool Mini = Size < MiniCutoff;
        std::vector<std::uint32_t> Sectors = FollowChain(Start, Size, Mini);
        if (Sectors.empty()) continue;
        TChainSource Stream(Mini ? static_cast<TByteSource&>(*FMiniStream) : *FFile,
                            Mini ? 0 : (std::uint64_t(1) << FShift), Mini ? MiniShift : FShift, std::move(Sectors),
                            Size);
        if (Stream.Size() > 0 && !Visit(Name, Stream)) return false;
    }
    return true;
}

namespace {

// The file an object packager wrapped (an attachment dropped into a document): the native data of
// an "\001Ole10Native" stream is its size, a flag word, the label and the original path as
// zero-ended 8-bit text, two words, the temporary path with its length, then the file's size and
// bytes. Empty when the stream holds no such layout.
bool PackagedFile(TByteSource& Stream, std::uint64_t& Offset, std::uint64_t& Size, std::u16string& Label) {
    TForwardReader Reader(Stream, 0, 4096);
    unsigned char Field[4];
    if (!Reader.Read(Field, 4) || !Reader.Read(Field, 2)) return false;
    std::string Texts[2];
    for (std::string& Text : Texts)
        for (int C = Reader.Get(); C != 0; C = Reader.Get()) {
            if (C < 0 || Text.size() >= CfbMaxPackagedName) return false;
            Text += static_cast<char>(C);
        }
    if (!Reader.Read(Field, 4) || !Reader.Read(Field, 4)) return false;
    Reader.Skip(Le32(Field));  // the temporary path
    if (!Reader.Read(Field, 4)) return false;
    Offset = Reader.Position();
    Size = std::min<std::uint64_t>(Le32(Field), Reader.Left());
    // The label names the file as the user saw it; 8-bit text of the packager's code page, of
    // which only the ASCII part is taken here.
    for (const char C : Texts[0].empty() ? Texts[1] : Texts[0])
        Label += static_cast<unsigned char>(C) < 0x80 ? static_cast<char16_t>(C) : u'?';
    return Size > 0;
}

// Reads a stream that holds a document of its own (an embedded object: a workbook saved whole in
// a "Package" stream, a PDF in "CONTENTS", a packaged file), when its content is of a known
// format. False once the sink wants no more.
bool DecodeEmbeddedStream(const std::u16string& Name, TByteSource& Stream, TTextSink& Sink, const TDecodeEnv& Env) {
    if (SameNameNoCase(Name, "\001Ole10Native")) {
        std::uint64_t Offset = 0, Size = 0;
        std::u16string Label;
        if (!PackagedFile(Stream, Offset, Size, Label)) return true;
        TSliceSource File(Stream, Offset, Size);
        return DecodeEmbedded(File, Label, Sink, Env);
    }
    // Property sets begin with the bytes of a UTF-16 byte-order mark: they are no text of their own.
    unsigned char Head[2] = {};
    if ((!Name.empty() && Name[0] == 5) || (Stream.ReadAt(0, Head, 2) == 2 && Head[0] == 0xFE && Head[1] == 0xFF))
        return true;
    return DecodeEmbedded(Stream, u"\u5D4C\u5165\u5BF9\u8C61", Sink, Env);  // "embedded object"
}

}  // namespace

void DecodeCompoundFile(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env) {
    TCompoundFile File(Source);
    File.ForEachStream([&Sink, &Env](const std::u16string& Name, TByteSource& Stream) {
        // Names in any case: not every producer (WPS Office among them) spells them as Excel
        // does. A stream's raw matches stand where its text does: the property sets' in the
        // properties, the rest in the body.
        const bool Properties =
            SameNameNoCase(Name, "\005SummaryInformation") || SameNameNoCase(Name, "\005DocumentSummaryInformation");
        const bool Workbook = SameNameNoCase(Name, "Workbook") || SameNameNoCase(Name, "Book");
        if (!Sink.Place(Properties ? TTextPlace::Properties : TTextPlace::Body)) return false;
        // A sink that keeps places takes a workbook's text from its cells, not its bytes again.
        if (!(Workbook && Sink.WantsPlaces()) && !Sink.RawStream(Stream)) return false;
        if (Workbook) return DecodeWorkbook(Stream, Sink, Env);
        return DecodeEmbeddedStream(Name, Stream, Sink, Env);
    });
}
