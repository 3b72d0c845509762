#include "pure/doctext/biffrecords.h"

namespace biff {

bool TRecords::Next() {
    if (FHeld) {
        FHeld = false;
        FLeft = FHeldLength;
        return true;
    }
    FReader.Skip(FLeft);
    FLeft = 0;
    return ReadHeader();
}

bool TRecords::ReadHeader() {
    FStart = FReader.Position();
    std::size_t Buffered;
    const unsigned char* P = FReader.Buffered(Buffered);
    unsigned char Header[4];
    if (Buffered >= 4) {
        std::copy_n(P, 4, Header);
        FReader.Advance(4);
    } else if (!FReader.Read(Header, 4)) {
        FType = 0;
        return false;
    }
    FType = Le16(Header);
    FLeft = Le16(Header + 2);
    return true;
}

bool TRecords::NextContinue() {
    if (FHeld) return false;
    FReader.Skip(FLeft);
    FLeft = 0;
    if (!ReadHeader()) return false;
    if (FType == RecordContinue) return true;
    // Nothing of the record kept for Next is read as part of this one.
    FHeld = true;
    FHeldLength = FLeft;
    FLeft = 0;
    return false;
}

const unsigned char* TRecords::Data(std::size_t& Count) {
    Count = FLeft;  // none while a record is held: NextContinue left it at 0
    FLeft = 0;
    std::size_t Buffered;
    const unsigned char* P = FReader.Buffered(Buffered);
    if (Buffered >= Count) {
        FReader.Advance(Count);
        return P;
    }
    FCopy.resize(Count);
    if (!FReader.Read(FCopy.data(), Count)) Count = 0;  // the stream ends inside the record
    return FCopy.data();
}

bool TRecords::Read(unsigned char* Out, std::size_t Count) {
    while (Count > 0) {
        if (FLeft == 0 && !NextContinue()) return false;
        const std::size_t N = std::min<std::size_t>(Count, FLeft);
        if (!FReader.Read(Out, N)) return false;
        Out += N;
        Count -= N;
        FLeft -= static_cast<std::uint16_t>(N);
    }
    return true;
}

bool TRecords::Skip(std::uint64_t Count) {
    while (Count > 0) {
        if (FLeft == 0 && !NextContinue()) return false;
        const std::uint64_t N = std::min<std::uint64_t>(Count, FLeft);
        FReader.Skip(N);
        Count -= N;
        FLeft -= static_cast<std::uint16_t>(N);
    }
    return true;
}

}  // namespace biff
