#pragma once
// A small writer of compound files for the decoder suites: streams (in the root, or in one level
// of storages named "Storage/Stream"), small ones in the mini stream, sectors laid out in order
// or interleaved between streams, optional padding that pushes the streams past the FAT sectors
// the header can name. The layout it chose is kept so that a test can damage the file on purpose.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class TCfbWriter {
public:
    unsigned Shift = 9;            // 9: version 3, 512-byte sectors; 12: version 4, 4096-byte sectors
    bool Interleave = false;       // streams take sectors (and mini sectors) in turn, not one after another
    std::uint32_t PadSectors = 0;  // empty sectors before the streams' sectors

    void Add(std::string Name, std::string Data) { FStreams.push_back({std::move(Name), std::move(Data)}); }

    // Where Build put things: each stream's chain (sectors, or mini sectors for a small stream).
    std::vector<std::vector<std::uint32_t>> Chains;
    std::uint32_t FatSectors = 0, DifatSectors = 0, DirectorySector = 0, MiniFatSector = 0;

    std::string Build() {
        const std::size_t SS = std::size_t(1) << Shift, PerSector = SS / 4;
        // Directory: root, storages, streams; each parent's children chained as right siblings.
        std::vector<std::string> Names{"Root Entry"};
        std::vector<int> Types{5}, Parents{-1};
        std::map<std::string, int> Storages;
        std::vector<int> StreamEntry;
        for (const auto& S : FStreams) {
            int Parent = 0;
            std::string Leaf = S.Name;
            if (const auto Slash = S.Name.find('/'); Slash != std::string::npos) {
                const std::string Storage = S.Name.substr(0, Slash);
                Leaf = S.Name.substr(Slash + 1);
                if (!Storages.count(Storage)) {
                    Storages[Storage] = static_cast<int>(Names.size());
                    Names.push_back(Storage), Types.push_back(1), Parents.push_back(0);
                }
                Parent = Storages[Storage];
            }
            StreamEntry.push_back(static_cast<int>(Names.size()));
            Names.push_back(Leaf), Types.push_back(2), Parents.push_back(Parent);
        }
        // Mini stream and regular streams.
        std::vector<std::size_t> Small, Large;
        for (std::size_t I = 0; I < FStreams.size(); ++I) (FStreams[I].Data.size() < 4096 ? Small : Large).push_back(I);
        Chains.assign(FStreams.size(), {});
        const std::uint32_t MiniCount = Allocate(Small, 64, 0);
        const std::string Mini = Lay(Small, 64, MiniCount);
        const std::uint32_t MiniFatCount = static_cast<std::uint32_t>((MiniCount * 4 + SS - 1) / SS);
        const std::uint32_t DirCount = static_cast<std::uint32_t>((Names.size() * 128 + SS - 1) / SS);
        const std::uint32_t MiniStreamCount = static_cast<std::uint32_t>((Mini.size() + SS - 1) / SS);
        std::uint32_t LargeCount = 0;
        for (const std::size_t I : Large)
            LargeCount += static_cast<std::uint32_t>((FStreams[I].Data.size() + SS - 1) / SS);
        // FAT and DIFAT sectors cover every sector, themselves included.
        FatSectors = 1, DifatSectors = 0;
        for (;;) {
            const std::uint64_t Total =
                FatSectors + DifatSectors + DirCount + MiniFatCount + MiniStreamCount + PadSectors + LargeCount;
            const std::uint32_t F = static_cast<std::uint32_t>((Total + PerSector - 1) / PerSector);
            const std::uint32_t D =
                F > 109 ? static_cast<std::uint32_t>((F - 109 + PerSector - 2) / (PerSector - 1)) : 0;
            if (F == FatSectors && D == DifatSectors) break;
            FatSectors = F, DifatSectors = D;
        }
        DirectorySector = FatSectors + DifatSectors;
        MiniFatSector = DirectorySector + DirCount;
        const std::uint32_t MiniStreamSector = MiniFatSector + MiniFatCount;
        const std::uint32_t LargeStart = MiniStreamSector + MiniStreamCount + PadSectors;
        std::vector<std::vector<std::uint32_t>> MiniChains(Chains);
        for (const std::size_t I : Small) MiniChains[I] = Chains[I], Chains[I].clear();
        Allocate(Large, SS, LargeStart);
        const std::uint32_t Count = LargeStart + LargeCount;

        std::string File(SS + std::size_t(Count) * SS, '\0');
        std::vector<std::uint32_t> Fat(std::size_t(FatSectors) * PerSector, 0xFFFFFFFF);
        for (std::uint32_t I = 0; I < FatSectors; ++I) Fat[I] = 0xFFFFFFFD;
        for (std::uint32_t I = 0; I < DifatSectors; ++I) Fat[FatSectors + I] = 0xFFFFFFFC;
        Chain(Fat, DirectorySector, DirCount);
        Chain(Fat, MiniFatSector, MiniFatCount);
        Chain(Fat, MiniStreamSector, MiniStreamCount);
        std::vector<std::uint32_t> MiniFat(std::size_t(MiniFatCount) * PerSector, 0xFFFFFFFF);
        for (const std::size_t I : Small) Link(MiniFat, MiniChains[I]);
        for (const std::size_t I : Large) {
            Link(Fat, Chains[I]);
            for (std::size_t K = 0; K < Chains[I].size(); ++K)
                Put(File, Offset(Chains[I][K]), FStreams[I].Data.substr(K * SS, SS));
        }
        for (const std::size_t I : Small) Chains[I] = MiniChains[I];
        for (std::size_t I = 0; I < Fat.size(); ++I)
            Put32(File, Offset(static_cast<std::uint32_t>(I / PerSector)) + 4 * (I % PerSector), Fat[I]);
        for (std::size_t I = 0; I < MiniFat.size(); ++I) Put32(File, Offset(MiniFatSector) + 4 * I, MiniFat[I]);
        Put(File, Offset(MiniStreamSector), Mini);

        // Header and DIFAT.
        Put(File, 0, std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
        Put16(File, 0x18, 0x3E), Put16(File, 0x1A, Shift == 9 ? 3 : 4), Put16(File, 0x1C, 0xFFFE);
        Put16(File, 0x1E, static_cast<std::uint16_t>(Shift)), Put16(File, 0x20, 6);
        Put32(File, 0x28, Shift == 9 ? 0 : DirCount), Put32(File, 0x2C, FatSectors), Put32(File, 0x30, DirectorySector);
        Put32(File, 0x38, 4096), Put32(File, 0x3C, MiniFatCount ? MiniFatSector : 0xFFFFFFFE);
        Put32(File, 0x40, MiniFatCount), Put32(File, 0x44, DifatSectors ? FatSectors : 0xFFFFFFFE);
        Put32(File, 0x48, DifatSectors);
        for (std::uint32_t I = 0; I < 109; ++I) Put32(File, 0x4C + 4 * I, I < FatSectors ? I : 0xFFFFFFFF);
        for (std::uint32_t D = 0; D < DifatSectors; ++D) {
            const std::size_t At = Offset(FatSectors + D);
            for (std::size_t I = 0; I + 1 < PerSector; ++I) {
                const std::size_t F = 109 + D * (PerSector - 1) + I;
                Put32(File, At + 4 * I, F < FatSectors ? static_cast<std::uint32_t>(F) : 0xFFFFFFFF);
            }
            Put32(File, At + SS - 4, D + 1 < DifatSectors ? FatSectors + D + 1 : 0xFFFFFFFE);
        }

        // Directory entries.
        for (std::size_t E = 0; E < Names.size(); ++E) {
            const std::size_t At = Offset(DirectorySector) + 128 * E;
            for (std::size_t I = 0; I < Names[E].size(); ++I)
                Put16(File, At + 2 * I, static_cast<unsigned char>(Names[E][I]));
            Put16(File, At + 0x40, static_cast<std::uint16_t>(2 * Names[E].size() + 2));
            File[At + 0x42] = static_cast<char>(Types[E]);
            File[At + 0x43] = 1;
            Put32(File, At + 0x44, 0xFFFFFFFF), Put32(File, At + 0x48, Next(Parents, E)),
                Put32(File, At + 0x4C, Next(Parents, E, true));
            std::uint32_t Start = 0xFFFFFFFE;
            std::uint64_t Size = 0;
            if (E == 0 && MiniStreamCount) Start = MiniStreamSector, Size = Mini.size();
            for (std::size_t S = 0; S < FStreams.size(); ++S)
                if (StreamEntry[S] == static_cast<int>(E))
                    Start = Chains[S].empty() ? 0xFFFFFFFE : Chains[S][0], Size = FStreams[S].Data.size();
            Put32(File, At + 0x74, Start), Put32(File, At + 0x78, static_cast<std::uint32_t>(Size));
        }
        return File;
    }

    // File offsets of a sector, of a sector's FAT entry and of a mini sector's mini FAT entry.
    std::size_t Offset(std::uint32_t Sector) const { return (std::size_t(Sector) + 1) << Shift; }
    std::size_t FatEntry(std::uint32_t Sector) const {
        const std::size_t PerSector = (std::size_t(1) << Shift) / 4;
        return Offset(static_cast<std::uint32_t>(Sector / PerSector)) + 4 * (Sector % PerSector);
    }
    std::size_t MiniFatEntry(std::uint32_t MiniSector) const { return Offset(MiniFatSector) + 4 * MiniSector; }

    static void Put(std::string& File, std::size_t At, const std::string& Bytes) {
        File.replace(At, Bytes.size(), Bytes);
    }
    static void Put16(std::string& File, std::size_t At, std::uint16_t V) {
        File[At] = static_cast<char>(V & 0xFF), File[At + 1] = static_cast<char>(V >> 8);
    }
    static void Put32(std::string& File, std::size_t At, std::uint32_t V) {
        Put16(File, At, static_cast<std::uint16_t>(V & 0xFFFF)),
            Put16(File, At + 2, static_cast<std::uint16_t>(V >> 16));
    }

private:
    struct TStream {
        std::string Name, Data;
    };
    std::vector<TStream> FStreams;

    // Gives the streams sectors of Unit bytes from First on, in turn or one stream after another.
    std::uint32_t Allocate(const std::vector<std::size_t>& Streams, std::size_t Unit, std::uint32_t First) {
        std::vector<std::size_t> Need;
        for (const std::size_t I : Streams) Need.push_back((FStreams[I].Data.size() + Unit - 1) / Unit);
        std::uint32_t Next = First;
        for (bool Any = true; Any;) {
            Any = false;
            for (std::size_t K = 0; K < Streams.size(); ++K) {
                std::size_t Take = Interleave ? 1 : Need[K];
                for (; Take > 0 && Chains[Streams[K]].size() < Need[K]; --Take)
                    Chains[Streams[K]].push_back(Next++), Any = true;
            }
        }
        return Next - First;
    }
    std::string Lay(const std::vector<std::size_t>& Streams, std::size_t Unit, std::uint32_t Count) {
        std::string Out(Count * Unit, '\0');
        for (const std::size_t I : Streams)
            for (std::size_t K = 0; K < Chains[I].size(); ++K)
                Put(Out, Chains[I][K] * Unit, FStreams[I].Data.substr(K * Unit, Unit));
        return Out;
    }
    static void Chain(std::vector<std::uint32_t>& Table, std::uint32_t First, std::uint32_t Count) {
        std::vector<std::uint32_t> Sectors;
        for (std::uint32_t I = 0; I < Count; ++I) Sectors.push_back(First + I);
        Link(Table, Sectors);
    }
    static void Link(std::vector<std::uint32_t>& Table, const std::vector<std::uint32_t>& Sectors) {
        for (std::size_t K = 0; K < Sectors.size(); ++K)
            Table[Sectors[K]] = K + 1 < Sectors.size() ? Sectors[K + 1] : 0xFFFFFFFE;
    }
    // The entry after E among its parent's children (as its right sibling), or E's first child.
    static std::uint32_t Next(const std::vector<int>& Parents, std::size_t E, bool Child = false) {
        const int Parent = Child ? static_cast<int>(E) : Parents[E];
        for (std::size_t K = Child ? 1 : E + 1; K < Parents.size(); ++K)
            if (Parents[K] == Parent) return static_cast<std::uint32_t>(K);
        return 0xFFFFFFFF;
    }
};
