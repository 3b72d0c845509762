#include "pure/doctext/xmlnames.h"

#include <cstring>

void TXmlNameList::Add(const char* List, TFlags Flag, bool Quiet) {
    while (*List != '\0') {
        std::size_t Length = 0;
        while (List[Length] != '\0' && List[Length] != ' ') ++Length;
        if (Length > 0) {
            std::int32_t I = Entry(List, Length);
            if (I < 0) {
                I = static_cast<std::int32_t>(FEntries.size());
                FEntries.push_back({FChars.size(), Length, 0, -1});
                FChars.append(List, Length);
                FLongest = Length > FLongest ? Length : FLongest;
                FLengths[1][static_cast<unsigned char>(List[0])] |= std::uint64_t(1) << LengthBit(Length);
                Rehash();
            }
            FEntries[static_cast<std::size_t>(I)].Flags |= Flag;
            if (Quiet) FLengths[0][static_cast<unsigned char>(List[0])] |= std::uint64_t(1) << LengthBit(Length);
        }
        List += Length;
        while (*List == ' ') ++List;
    }
}

void TXmlNameList::Rehash() {
    std::size_t Size = FBuckets.size();
    while (Size < 2 * FEntries.size()) Size *= 2;
    FBuckets.assign(Size, -1);
    FMask = Size - 1;
    for (std::size_t I = 0; I < FEntries.size(); ++I) {
        const std::size_t B = Bucket(FChars.data() + FEntries[I].At, FEntries[I].Length);
        FEntries[I].Next = FBuckets[B];
        FBuckets[B] = static_cast<std::int32_t>(I);
    }
}

std::int32_t TXmlNameList::Entry(const char* Name, std::size_t Length) const {
    for (std::int32_t I = FBuckets[Bucket(Name, Length)]; I >= 0; I = FEntries[static_cast<std::size_t>(I)].Next) {
        const TEntry& E = FEntries[static_cast<std::size_t>(I)];
        if (E.Length == Length && std::memcmp(FChars.data() + E.At, Name, Length) == 0) return I;
    }
    return -1;
}
