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
    // Bit 63 stands for every length from 63 on.
    static unsigned LengthBit(std::size_t Length) { return Length < 63 ? static_cast<unsigned>(Length) : 63; }
    std::size_t Bucket(const char* Name, std::size_t Length) const {
        return (Length * 7 + static_cast<unsigned char>(Name[0]) * 3 + static_cast<unsigned char>(Name[Length - 1])) &
               (FBuckets.size() - 1);
    }
    TFlags FindListed(const char* Name, std::size_t Length) const;
    std::int32_t Entry(const char* Name, std::size_t Length) const;
    void Rehash();

    std::string FChars;  // the names one after another
    std::vector<TEntry> FEntries;
    std::vector<std::int32_t> FBuckets = std::vector<std::int32_t>(16, -1);  // a power of two, twice the names or more
    // By first byte: bit N (LengthBit) set when a name of length N starts with it; [1] of every
    // name, [0] of those with a flag that acts while no text is held.
    std::uint64_t FLengths[2][256] = {};
    std::size_t FLongest = 0;
};
