#pragma once
// Compound files (the container of Word, Excel and PowerPoint 97-2003 files and their WPS
// counterparts): a little file system of sectors chained through an allocation table, with a
// second table of 64-byte sectors for small streams and a tree of named entries. A stream's bytes
// lie in the file in its chain's order, not necessarily in one piece, so the keyword test looks at
// each stream reassembled as if it were a file of its own.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "pure/doctext/textsink.h"

class TCompoundFile {
public:
    // Reads the header, the allocation tables and the directory of File, which must outlive this
    // object. A damaged header or directory leaves the file without streams.
    explicit TCompoundFile(TByteSource& File);
    ~TCompoundFile();
    TCompoundFile(const TCompoundFile&) = delete;
    TCompoundFile& operator=(const TCompoundFile&) = delete;

    bool Valid() const { return FValid; }

    // Calls Visit for every stream reachable from the root (each directory entry at most once),
    // with the stream's name and its bytes in chain order. A chain that loops, leaves the file or
    // runs into a sector another stream took ends that stream. Stops when Visit returns false;
    // returns false then.
    bool ForEachStream(const std::function<bool(const std::u16string& Name, TByteSource& Stream)>& Visit);

private:
    class TChainSource;
    bool ReadHeaderAndTables();
    bool ReadFat(const unsigned char* Header);
    std::vector<std::uint32_t> FollowChain(std::uint32_t Start, std::uint64_t Size, bool Mini);
    std::uint64_t SectorOffset(std::uint32_t Sector) const { return (std::uint64_t(Sector) + 1) << FShift; }

    TByteSource* FFile;                      // the file, or FWhole when the file was read into memory
    std::vector<unsigned char> FWholeBytes;  // a small file's bytes, read once
    std::unique_ptr<TByteSource> FWhole;
    bool FValid = false;
    bool FVersion3 = true;
    unsigned FShift = 9;
    std::uint64_t FSectorCount = 0;       // sectors that start inside the file
    std::vector<std::uint32_t> FFat;      // next sector of each sector of the file
    std::vector<bool> FTaken;             // sectors some chain already holds
    std::vector<std::uint32_t> FMiniFat;  // next mini sector of each mini sector
    std::vector<bool> FMiniTaken;
    std::vector<unsigned char> FDirectory;      // the directory entries, 128 bytes each
    std::unique_ptr<TChainSource> FMiniStream;  // the stream holding every mini stream
};

// Hands every stream of a compound file to Sink.RawStream, each after saying where its text stands
// (the property sets in the Properties, the others in the Body), and the text of an Excel
// workbook stream (see DecodeWorkbook). Gives nothing for a damaged header.
void DecodeCompoundFile(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env);
