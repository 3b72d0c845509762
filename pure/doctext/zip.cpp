#include "pure/doctext/zip.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "pure/doctext/bytereader.h"

namespace {

constexpr std::uint32_t LocalSignature = 0x04034B50;
constexpr std::uint32_t CentralSignature = 0x02014B50;
constexpr std::uint32_t EndSignature = 0x06054B50;
constexpr std::uint32_t End64Signature = 0x06064B50;
constexpr std::uint32_t End64LocatorSignature = 0x07064B50;
constexpr std::size_t EndSize = 22, End64Size = 56, End64LocatorSize = 20, CentralSize = 46, LocalSize = 30;
constexpr std::size_t MaxCommentSize = 0xFFFF;

// Where the central directory lies, from the end records.
struct TDirectoryPlace {
    std::uint64_t Offset = 0, Size = 0, EndAt = 0;
};

// Searches the last TailLimit bytes backwards for the end record.
bool FindEndRecordIn(TByteSource& Source, std::size_t TailLimit, TDirectoryPlace& Place) {
    const std::uint64_t FileSize = Source.Size();
    if (FileSize < EndSize) return false;
    const std::size_t TailSize = static_cast<std::size_t>(std::min<std::uint64_t>(FileSize, TailLimit));
    std::unique_ptr<unsigned char[]> Buffer(new unsigned char[TailSize]);
    unsigned char* const Tail = Buffer.get();
    const std::uint64_t TailAt = FileSize - TailSize;
    if (!Source.ReadExactAt(TailAt, Tail, TailSize)) return false;
    for (std::size_t At = TailSize - EndSize + 1; At-- > 0;) {
        const unsigned char* E = Tail + At;
        if (Le32(E) != EndSignature) continue;
        Place.EndAt = TailAt + At;
        Place.Size = Le32(E + 12);
        Place.Offset = Le32(E + 16);
        const bool Needs64 =
            Le16(E + 8) == 0xFFFF || Le16(E + 10) == 0xFFFF || Place.Size == 0xFFFFFFFF || Place.Offset == 0xFFFFFFFF;
        unsigned char L[End64LocatorSize], R[End64Size];
        if (Place.EndAt >= End64LocatorSize && Source.ReadExactAt(Place.EndAt - End64LocatorSize, L, sizeof L) &&
            Le32(L) == End64LocatorSignature) {
            const std::uint64_t RecordAt = Le64(L + 8);
            if (RecordAt < FileSize && Source.ReadExactAt(RecordAt, R, sizeof R) && Le32(R) == End64Signature) {
                Place.Size = Le64(R + 40);
                Place.Offset = Le64(R + 48);
                Place.EndAt = RecordAt;
            } else if (Needs64) {
                continue;
            }
        }
        return true;
    }
    return false;
}

// The end record lies at the very end unless an archive comment follows it: the last kilobyte
// first, the whole span a comment may take only when that fails.
bool FindEndRecord(TByteSource& Source, TDirectoryPlace& Place) {
    return FindEndRecordIn(Source, 1024, Place) ||
           (Source.Size() > 1024 && FindEndRecordIn(Source, EndSize + MaxCommentSize, Place));
}

// Reads the ZIP64 extended-information extra field: only the values whose 32-bit fields are full.
void ApplyZip64Extra(const unsigned char* Extra, std::size_t Length, bool SizeFull, bool CompressedFull,
                     bool OffsetFull, TZipEntry& Entry) {
    std::size_t At = 0;
    while (At + 4 <= Length) {
        const std::uint16_t Id = Le16(Extra + At);
        const std::size_t DataSize = Le16(Extra + At + 2);
        const std::size_t Start = At + 4;
        if (Start + DataSize > Length) return;
        if (Id == 0x0001) {
            std::size_t P = Start;
            const std::size_t End = Start + DataSize;
            if (SizeFull && P + 8 <= End) Entry.Size = Le64(Extra + P), P += 8;
            if (CompressedFull && P + 8 <= End) Entry.CompressedSize = Le64(Extra + P), P += 8;
            if (OffsetFull && P + 8 <= End) Entry.LocalOffset = Le64(Extra + P), P += 8;
            return;
        }
        At = Start + DataSize;
    }
}

// The fields a central and a local header share, from the general-purpose flags on (at offset 8
// of the one and 6 of the other).
TZipEntry SharedFields(const unsigned char* Flags) {
    TZipEntry Entry;
    Entry.Flags = Le16(Flags);
    Entry.Utf8Name = (Entry.Flags & 0x0800) != 0;
    Entry.Method = Le16(Flags + 2);
    Entry.CompressedSize = Le32(Flags + 12);
    Entry.Size = Le32(Flags + 16);
    return Entry;
}

bool ReadCentralDirectory(TByteSource& Source, const TDirectoryPlace& Place, std::size_t MaxBytes,
                          std::vector<TZipEntry>& Entries) {
    const std::uint64_t FileSize = Source.Size();
    // A package with bytes before it (a self-extracting stub) shifts every offset by as much.
    std::uint64_t Shift = 0;
    if (Place.Offset + Place.Size < Place.EndAt) Shift = Place.EndAt - (Place.Offset + Place.Size);
    std::uint64_t Offset = Place.Offset + Shift;
    if (Offset >= FileSize) return false;
    const std::size_t Size =
        static_cast<std::size_t>(std::min<std::uint64_t>({Place.Size, FileSize - Offset, MaxBytes}));
    if (Size < CentralSize) return false;
    std::vector<unsigned char> Directory(Size);
    if (!Source.ReadExactAt(Offset, Directory.data(), Size)) return false;
    if (Le32(Directory.data()) != CentralSignature) {
        // The shift was wrong after all: try the stated offset.
        if (Shift == 0 || Place.Offset >= FileSize || FileSize - Place.Offset < Size) return false;
        Shift = 0;
        if (!Source.ReadExactAt(Place.Offset, Directory.data(), Size)) return false;
        if (Le32(Directory.data()) != CentralSignature) return false;
    }
    std::size_t At = 0;
    while (At + CentralSize <= Size && Entries.size() < ZipMaxEntries) {
        const unsigned char* C = Directory.data() + At;
        if (Le32(C) != CentralSignature) break;
        const std::size_t NameLength = Le16(C + 28), ExtraLength = Le16(C + 30), CommentLength = Le16(C + 32);
        const std::size_t Next = At + CentralSize + NameLength + ExtraLength + CommentLength;
        if (Next > Size) break;
        TZipEntry Entry = SharedFields(C + 8);
        Entry.LocalOffset = Le32(C + 42);
        Entry.Name.assign(reinterpret_cast<const char*>(C + CentralSize), NameLength);
        ApplyZip64Extra(C + CentralSize + NameLength, ExtraLength, Entry.Size == 0xFFFFFFFF,
                        Entry.CompressedSize == 0xFFFFFFFF, Entry.LocalOffset == 0xFFFFFFFF, Entry);
        Entry.LocalOffset += Shift;
        if (Entry.LocalOffset < FileSize && NameLength <= ZipMaxNameLength) Entries.push_back(std::move(Entry));
        At = Next;
    }
    return !Entries.empty();
}

// Finds the next local header signature at or after From; FileSize when there is none.
std::uint64_t FindLocalSignature(TByteSource& Source, std::uint64_t From) {
    const std::uint64_t FileSize = Source.Size();
    unsigned char Block[64 * 1024];
    while (From + 4 <= FileSize) {
        const std::size_t Got = Source.ReadAt(From, Block, sizeof Block);
        if (Got < 4) break;
        for (std::size_t I = 0; I + 4 <= Got; ++I)
            if (Block[I] == 'P' && Le32(Block + I) == LocalSignature) return From + I;
        From += Got - 3;
    }
    return FileSize;
}

// Without a central directory: walks the local headers from the start of the file, keeping names
// of MaxBytes in all, as a directory of that size would hold.
void ReadLocalHeaders(TByteSource& Source, std::size_t MaxBytes, std::vector<TZipEntry>& Entries) {
    const std::uint64_t FileSize = Source.Size();
    std::uint64_t At = 0;
    std::size_t NameBytes = 0;
    unsigned char L[LocalSize];
    while (At + LocalSize <= FileSize && Entries.size() < ZipMaxEntries && NameBytes < MaxBytes) {
        if (!Source.ReadExactAt(At, L, LocalSize) || Le32(L) != LocalSignature) break;
        TZipEntry Entry = SharedFields(L + 6);
        Entry.LocalOffset = At;
        const std::size_t NameLength = Le16(L + 26), ExtraLength = Le16(L + 28);
        std::vector<unsigned char> NameExtra(NameLength + ExtraLength);
        const std::uint64_t DataAt = At + LocalSize + NameLength + ExtraLength;
        if (DataAt > FileSize || !Source.ReadExactAt(At + LocalSize, NameExtra.data(), NameExtra.size())) break;
        Entry.Name.assign(reinterpret_cast<const char*>(NameExtra.data()), NameLength);
        ApplyZip64Extra(NameExtra.data() + NameLength, ExtraLength, Entry.Size == 0xFFFFFFFF,
                        Entry.CompressedSize == 0xFFFFFFFF, false, Entry);
        std::uint64_t Next;
        if ((Entry.Flags & 0x0008) != 0) {
            // Sizes follow the data: the member ends where the next header starts (inflation
            // stops at the stream's own end anyway).
            Next = FindLocalSignature(Source, DataAt);
            Entry.CompressedSize = Next - DataAt;
            Entry.SizeKnown = false;
        } else {
            if (Entry.CompressedSize > FileSize - DataAt) Entry.CompressedSize = FileSize - DataAt;
            Next = DataAt + Entry.CompressedSize;
        }
        if (NameLength <= ZipMaxNameLength) Entries.push_back(std::move(Entry));
        NameBytes += CentralSize + NameLength;
        if (Next <= At) break;
        At = Next;
    }
}

}  // namespace

std::vector<TZipEntry> ReadZipDirectory(TByteSource& Source, std::size_t MaxBytes) {
    std::vector<TZipEntry> Entries;
    TDirectoryPlace Place;
    if (FindEndRecord(Source, Place) && ReadCentralDirectory(Source, Place, MaxBytes, Entries)) return Entries;
    Entries.clear();
    ReadLocalHeaders(Source, MaxBytes, Entries);
    return Entries;
}

struct TZipInflater::TState {
    z_stream Stream{};
    bool Started = false;
    unsigned char In[128 * 1024];  // few reads of the source, few restarts of inflate's fast loop
    ~TState() {
        if (Started) inflateEnd(&Stream);
    }
};

TZipInflater::TZipInflater() = default;
TZipInflater::~TZipInflater() = default;

TZipMemberReader::TZipMemberReader(TByteSource& Source, const TZipEntry& Entry, std::uint64_t& Budget,
                                   TZipInflater* Shared)
    : FSource(Source), FBudget(Budget) {
    if ((Entry.Flags & 0x0001) != 0 || (Entry.Method != 0 && Entry.Method != 8)) return;
    const std::uint64_t FileSize = Source.Size();
    unsigned char L[LocalSize];
    if (Entry.LocalOffset > FileSize || FileSize - Entry.LocalOffset < LocalSize) return;
    if (!Source.ReadExactAt(Entry.LocalOffset, L, LocalSize) || Le32(L) != LocalSignature) return;
    // The data starts after the local header's own name and extra field, whose lengths may
    // differ from the central directory's.
    FDataAt = Entry.LocalOffset + LocalSize + Le16(L + 26) + Le16(L + 28);
    if (FDataAt > FileSize) return;
    FDataEnd = FDataAt + std::min(Entry.CompressedSize, FileSize - FDataAt);
    FDeflated = Entry.Method == 8;
    const std::uint64_t Compressed = FDataEnd - FDataAt;
    if (!FDeflated) {
        FOutLeft = Compressed;
    } else {
        const std::uint64_t ByRatio = Compressed * ZipSaneRatio + (std::uint64_t(1) << 20);
        FOutLeft = Entry.SizeKnown ? std::min(Entry.Size, ByRatio) : ByRatio;
        TZipInflater& Inflater = Shared != nullptr ? *Shared : FOwn;
        if (!Inflater.FState) Inflater.FState.reset(new TZipInflater::TState);  // the input needs no zeroing
        TZipInflater::TState& State = *Inflater.FState;
        State.Stream.avail_in = 0;
        if (State.Started ? inflateReset2(&State.Stream, -15) != Z_OK : inflateInit2(&State.Stream, -15) != Z_OK)
            return;
        State.Started = true;
        FInflate = &State;
    }
    FReadable = true;
}

TZipMemberReader::~TZipMemberReader() = default;

std::size_t TZipMemberReader::Read(unsigned char* Out, std::size_t Count) {
    if (!FReadable || FDone || Count == 0) return 0;
    if (FOutLeft == 0 || FBudget == 0) {
        // Stated size or budget reached: a member that still has data is cut off.
        FDone = true;
        FCutOff =
            FBudget == 0 || (FDeflated ? FInflate->Stream.avail_in > 0 || FDataAt < FDataEnd : FDataAt < FDataEnd);
        return 0;
    }
    Count = static_cast<std::size_t>(std::min<std::uint64_t>({Count, FOutLeft, FBudget}));
    std::size_t Produced = 0;
    if (!FDeflated) {
        Produced =
            FSource.ReadAt(FDataAt, Out, static_cast<std::size_t>(std::min<std::uint64_t>(Count, FDataEnd - FDataAt)));
        FDataAt += Produced;
        if (Produced == 0) FDone = true;
    } else {
        z_stream& S = FInflate->Stream;
        S.next_out = Out;
        S.avail_out = static_cast<uInt>(std::min<std::size_t>(Count, 1u << 30));
        while (S.avail_out > 0) {
            if (S.avail_in == 0 && FDataAt < FDataEnd) {
                const std::size_t Want =
                    static_cast<std::size_t>(std::min<std::uint64_t>(sizeof FInflate->In, FDataEnd - FDataAt));
                const std::size_t Got = FSource.ReadAt(FDataAt, FInflate->In, Want);
                if (Got == 0) {
                    FDataEnd = FDataAt;
                } else {
                    FDataAt += Got;
                    S.next_in = FInflate->In;
                    S.avail_in = static_cast<uInt>(Got);
                }
            }
            const int Result = inflate(&S, Z_NO_FLUSH);
            if (Result == Z_STREAM_END || (Result != Z_OK && Result != Z_BUF_ERROR)) {
                FDone = true;
                break;
            }
            if (Result == Z_BUF_ERROR && S.avail_in == 0 && FDataAt >= FDataEnd) {
                FDone = true;  // the data ended before the stream did: a truncated member
                break;
            }
        }
        Produced = Count - S.avail_out;
    }
    FOutLeft -= Produced;
    FBudget -= Produced;
    return Produced;
}
