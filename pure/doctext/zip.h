#pragma once
// Reading a ZIP package through a byte source: the central directory (ZIP64 included), or, when
// the end of the file is lost, the local headers one after another; and each member's content as
// a stream, stored or deflated. Every offset and length is checked against the source; a damaged
// package gives fewer members or shorter ones, never a failure. Inflated output is bounded per
// member (its stated size and a sane ratio) and per package (a budget), so a bomb is cut off.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodelimits.h"

struct TZipEntry {
    std::string Name;          // as stored: UTF-8 when Utf8Name, else the writer's code page
    bool Utf8Name = false;     // general-purpose flag bit 11
    std::uint16_t Flags = 0;   // general-purpose flags (bit 0: encrypted, bit 3: data descriptor)
    std::uint16_t Method = 0;  // 0 stored, 8 deflated; others are not read
    std::uint64_t CompressedSize = 0;
    std::uint64_t Size = 0;  // stated uncompressed size
    std::uint64_t LocalOffset = 0;
    bool SizeKnown = true;  // false for members found by their local header with a descriptor
};

// The members of the package in Source, from its central directory, or from its local headers
// when no usable directory is found (a truncated package); of a directory of at most MaxBytes.
std::vector<TZipEntry> ReadZipDirectory(TByteSource& Source, std::size_t MaxBytes = ZipMaxDirectoryBytes);

class TZipMemberReader;

// The inflate state and input buffer of the member readers a package uses one after another,
// kept from one member to the next rather than set up and given back for each: a few hundred
// kilobytes that the system would otherwise map afresh for every member.
class TZipInflater {
public:
    TZipInflater();
    ~TZipInflater();
    TZipInflater(const TZipInflater&) = delete;
    TZipInflater& operator=(const TZipInflater&) = delete;

private:
    friend class TZipMemberReader;
    struct TState;
    std::unique_ptr<TState> FState;
};

// One member's content, read front to back.
class TZipMemberReader {
public:
    // Budget: inflated bytes the package may still produce; reading takes from it. Shared: an
    // inflater that no other reader uses while this one lives (null: one of its own).
    TZipMemberReader(TByteSource& Source, const TZipEntry& Entry, std::uint64_t& Budget,
                     TZipInflater* Shared = nullptr);
    ~TZipMemberReader();
    TZipMemberReader(const TZipMemberReader&) = delete;
    TZipMemberReader& operator=(const TZipMemberReader&) = delete;

    // False when the member cannot be read (encrypted, unknown method, bad local header).
    bool Readable() const { return FReadable; }
    // Up to Count bytes of content; 0 at the end, on damage or once a bound is reached.
    std::size_t Read(unsigned char* Out, std::size_t Count);
    // True when reading stopped at a bound rather than at the member's end.
    bool CutOff() const { return FCutOff; }

private:
    TByteSource& FSource;
    std::uint64_t& FBudget;
    bool FReadable = false;
    bool FDeflated = false;
    bool FDone = false;
    bool FCutOff = false;
    std::uint64_t FDataAt = 0;   // next compressed byte in the source
    std::uint64_t FDataEnd = 0;  // end of the compressed data in the source
    std::uint64_t FOutLeft = 0;  // output the member may still produce
    TZipInflater FOwn;           // the inflater when none is shared
    TZipInflater::TState* FInflate = nullptr;
};
