#pragma once
// A PDF file's objects: the cross-reference data (tables, streams, hybrid files, the /Prev chain
// of incremental updates), object streams, and a rebuild by scanning for "N G obj" when that data
// is missing or wrong. Objects are resolved on demand with a bounded cache; stream data is
// decrypted and decoded with limits per stream and per file.
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "pure/doctext/decodelimits.h"
#include "pure/doctext/pdf/pdfobject.h"

namespace pdf {

class TSecurity;

// The memory bounds of one PDF (see decodelimits.h), scaled to what its file has left.
struct TMemoryBounds {
    explicit TMemoryBounds(std::uint64_t MemoryLeft);
    bool Readable = true;  // false when too little is left to read the file at all
    std::uint64_t WholeFile = WholeFileBytes;
    std::size_t Stream = MaxStreamBytes;
    std::size_t ObjStm = MaxObjStmBytes;
    std::size_t CacheNodes = MaxCacheNodes;
    std::size_t OperandNodes = MaxOperandNodes;
    std::size_t FontWeight = MaxFontWeight;
};

class TFile {
public:
    TFile(TByteSource& Source, const TDecodeEnv& Env);
    ~TFile();

    // Reads the cross-reference data and the trailer, rebuilding them when needed, and sets up
    // decryption. False when the file has no usable catalog or cannot be decrypted, or when its
    // file has too little memory left to read it.
    bool Open();

    const TObject& Trailer() const { return FTrailer; }
    // The object a reference points to (or the object itself when it is no reference).
    TObject Resolve(const TObject& O);
    // A dictionary's value for Key, resolved.
    TObject Get(const TObject& Dict, std::string_view Key) { return Resolve(Dict.Get(Key)); }
    // The decoded data of a stream object (as Resolve returned it), at most Limit bytes of it (of
    // longer undecoded data, the first Limit bytes are decoded). False when the stream cannot be
    // read or uses an image filter; Out then holds nothing.
    bool StreamData(const TObject& Stream, std::string& Out) { return StreamData(Stream, Out, FBounds.Stream); }
    bool StreamData(const TObject& Stream, std::string& Out, std::size_t Limit);
    const TMemoryBounds& Bounds() const { return FBounds; }

private:
    struct TEntry {
        std::uint64_t Offset = 0;  // file offset, or the object stream's number
        std::uint32_t Index = 0;   // index in the object stream
        std::uint16_t Gen = 0;
        std::uint8_t Type = 0;  // 0 none, 1 in the file, 2 in an object stream
    };
    static_assert(sizeof(TEntry) <= XrefEntryBytes);
    struct TObjStm {
        std::int64_t Num = -1;
        std::string Data;
        std::vector<std::pair<std::int64_t, std::size_t>> Offsets;   // object number, offset in Data
        std::vector<std::pair<std::int64_t, std::size_t>> ByNumber;  // the same, sorted
        std::size_t First = 0;
        std::size_t Bytes = 0;  // what it holds in memory
    };
    static_assert(2 * sizeof(std::pair<std::int64_t, std::size_t>) <= ObjStmMemberBytes);

    TByteSource& FSource;
    const TDecodeEnv& FEnv;
    const TMemoryBounds FBounds;
    std::uint64_t FSize = 0;
    // The file's bytes: all of it when small, else a window that moves.
    std::string FWindow;
    std::uint64_t FWindowAt = 0;
    bool FWhole = false;
    std::vector<TEntry> FEntries;
    TObject FTrailer;
    bool FRebuilt = false;
    std::unordered_map<std::int64_t, TObject> FCache;
    std::size_t FCacheNodes = 0;
    std::list<TObjStm> FObjStms;
    std::size_t FObjStmBytes = 0;
    std::size_t FDecodedBytes = 0;
    std::size_t FMaxDecoded = MinFileStreamBytes;
    int FLoading = 0;               // nesting of object loads (a stream length held in an object stream, ...)
    std::uint64_t FParseBytes = 0;  // bytes the object parser has read so far
    std::uint64_t FMaxParse = 0;
    std::size_t FLastWeight = 0;  // parser nodes (with its strings' bytes) of the last object read
    std::unique_ptr<TSecurity> FSecurity;

    // Bytes [At, At+Want) or fewer at the file's end; the pointer stays valid until the next call.
    std::size_t Span(std::uint64_t At, std::size_t Want, const unsigned char*& Data);
    bool LoadXref();
    bool ReadXrefSection(std::uint64_t At, TObject& Trailer, std::vector<std::uint64_t>& Next);
    bool ReadXrefTable(std::uint64_t At, TObject& Trailer);
    // A cross-reference table's rows as read, by object number.
    using TXrefRows = std::vector<std::pair<std::int64_t, TEntry>>;
    // Reads a table's subsections and then its trailer; true when the data ran out before their
    // end (a window may read more).
    bool ScanXrefTable(TParser& P, TXrefRows& Found, TObject& Trailer);
    // The rows of one subsection, numbered from Num on; false when the data ran out among them.
    bool ReadXrefRows(TParser& P, std::int64_t Num, std::int64_t Count, TXrefRows& Found);
    bool ReadXrefStream(const TObject& Stream);
    // The table's entry of Num, added when missing; null when Num is out of bounds.
    TEntry* Slot(std::int64_t Num);
    void SetEntry(std::int64_t Num, const TEntry& E);
    // Rebuilds the table and the trailer by scanning the file: ScanFile finds the object headers
    // and trailers, MergeTrailer takes a trailer's entries, IndexDictionaries reads the object
    // streams and finds the catalog.
    void Rebuild();
    void ScanFile(std::vector<std::uint64_t>& Trailers);
    void MergeTrailer(const TObject& From);
    void IndexDictionaries();
    // Forgets the objects, or the objects and object streams, read so far.
    void DropObjects();
    void DropLoaded();
    bool LoadObject(std::int64_t Num, int Gen, TObject& Out);
    bool ParseAt(std::uint64_t At, std::int64_t Num, TObject& Out, std::size_t Nodes = MaxParseNodes);
    bool StartsWithDict(std::uint64_t At);
    bool LoadFromObjStm(std::int64_t StmNum, std::uint32_t Index, std::int64_t Num, TObject& Out);
    TObjStm* ObjStm(std::int64_t StmNum);
    bool RawStream(const TObject& Stream, std::string& Out, std::size_t Limit);
    // A stream's filters with their parameters, and the decoding of Data through them.
    using TChain = std::vector<std::pair<std::string, TObject>>;
    bool FilterChain(const TObject& Stream, TChain& Chain);
    bool Decode(const TChain& Chain, std::string& Data, std::size_t Limit);
    void Cache(std::int64_t Num, const TObject& O, std::size_t Nodes);
    bool SetupSecurity();
};

}  // namespace pdf
