#pragma once
// The element names an XML text extractor acts on, by local name, each with the flags of what it
// does: as many names, as long, as its rules list. A name is looked up for every tag read, so a
// table by first byte and length answers most lookups of unlisted names before a small hash
// table does the rest.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TXmlNameList {
public:
    using TFlags = std::uint16_t;

    // Adds the names of List (each ended by a space or the list's end) with Flag, which Quiet says
    // acts even while no text of the run is held (see Find); a name listed again gets both flags.
    void Add(const char* List, TFlags Flag, bool Quiet);

    // The flags of Name; with Pending false, 0 for a name whose flags all act only on held text.
    TFlags Find(const char* Name, std::size_t Length, bool Pending = true) const {
        if (Length == 0 || ((FLengths[Pending][static_cast<unsigned char>(Name[0])] >> LengthBit(Length)) & 1) == 0)
            return 0;
        return FindListed(Name, Length);
    }

    std::size_t Count() const { return FEntries.size(); }
    std::string_view Name(std::size_t I) const { return {FChars.data() + FEntries[I].At, FEntries[I].Length}; }
    TFlags Flags(std::size_t I) const { return FEntries[I].Flags; }
    // The longest name's length: a longer name is none of them.
    std::size_t Longest() const { return FLongest; }

private:
    struct TEntry {
        std::size_t At, Length;
        TFlags Flags;
        std::int32_t Next;  // the next entry in the same hash bucket, -1 at the end
    };
    // Lengths 64 apart share a bit: the table only tells which names are surely not listed.
    static unsigned LengthBit(std::size_t Length) { return static_cast<unsigned>(Length & 63); }
    std::size_t Bucket(const char* Name, std::size_t Length) const {
        return (Length * 7 + static_cast<unsigned char>(Name[0]) * 3 + static_cast<unsigned char>(Name[Length - 1])) &
               FMask;
    }
    TFlags FindListed(const char* Name, std::size_t Length) const {
        for (std::int32_t I = FBuckets[Bucket(Name, Length)]; I >= 0; I = FEntries[static_cast<std::size_t>(I)].Next) {
            const TEntry& E = FEntries[static_cast<std::size_t>(I)];
            if (E.Length != Length) continue;
            const char* Listed = FChars.data() + E.At;
            std::size_t K = 0;
            while (K < Length && Listed[K] == Name[K]) ++K;  // most names are short: no call
            if (K == Length) return E.Flags;
        }
        return 0;
    }
    std::int32_t Entry(const char* Name, std::size_t Length) const;
    void Rehash();

    std::string FChars;  // the names one after another
    std::vector<TEntry> FEntries;
    std::vector<std::int32_t> FBuckets = std::vector<std::int32_t>(16, -1);  // a power of two, twice the names or more
    std::size_t FMask = 15;                                                  // their number less one
    // By first byte: bit LengthBit(N) set when a name of length N starts with it; [1] of every
    // name, [0] of those with a flag that acts while no text is held.
    std::uint64_t FLengths[2][256] = {};
    std::size_t FLongest = 0;
};
