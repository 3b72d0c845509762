#include "pure/doctext/pdf/pdffilter.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "pure/doctext/decodelimits.h"

namespace pdf {

namespace {

// LZW: 9- to 12-bit codes into a table of 4096 entries; codes below 256 stand for their byte, 256
// clears the table, 257 ends the data.
constexpr int LzwTableSize = 4096;
constexpr int LzwClear = 256, LzwEnd = 257, LzwFirstFree = 258;
constexpr int LzwMinBits = 9, LzwMaxBits = 12;
// Bytes inflated at a time.
constexpr std::size_t InflateChunk = 16 * 1024;
// Predictor parameters: colours and bits per component at most, as the format allows.
constexpr int MaxColors = 32, MaxBitsPerComponent = 16;

// Appends Count bytes (at most up to Limit) to Out, whose capacity grows by doubling but never
// past Limit: a stream decoded to Limit bytes takes no larger block.
void Append(std::string& Out, const char* Data, std::size_t Count, std::size_t Limit) {
    Count = std::min(Count, Limit - Out.size());
    if (Out.size() + Count > Out.capacity())
        Out.reserve(std::min(Limit, std::max(Out.size() + Count, 2 * Out.capacity())));
    Out.append(Data, Count);
}

void Inflate(std::string_view In, std::string& Out, std::size_t Limit, int WindowBits) {
    z_stream Z{};
    if (inflateInit2(&Z, WindowBits) != Z_OK) return;
    Z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(In.data()));
    Z.avail_in = static_cast<uInt>(std::min<std::size_t>(In.size(), UINT32_MAX));
    unsigned char Buffer[InflateChunk];
    for (;;) {
        Z.next_out = Buffer;
        Z.avail_out = sizeof Buffer;
        const int R = inflate(&Z, Z_NO_FLUSH);
        const std::size_t Got = sizeof Buffer - Z.avail_out;
        Append(Out, reinterpret_cast<const char*>(Buffer), Got, Limit);
        if (Out.size() >= Limit) break;
        // A stream end, damage or input that ran out: keep what came out so far.
        if (R != Z_OK || (Got == 0 && Z.avail_in == 0)) break;
    }
    inflateEnd(&Z);
}

void Flate(std::string_view In, std::string& Out, std::size_t Limit) {
    Inflate(In, Out, Limit, 15);
    // A few writers leave out the zlib header: try raw deflate when nothing came out.
    if (Out.empty() && !In.empty()) Inflate(In, Out, Limit, -15);
}

// The LZW table: each code past the literals and the two markers is an earlier code's string
// plus one byte.
class TLzwTable {
public:
    int Next = LzwFirstFree;  // the code the next string gets

    TLzwTable() {
        for (int I = 0; I < LzwClear; ++I) {
            FSuffix[I] = FFirst[I] = static_cast<unsigned char>(I);
            FLength[I] = 1;
        }
    }
    unsigned char FirstByte(int Code) const { return FFirst[Code]; }
    // Adds the string of Previous followed by Byte, while there is room.
    void Add(int Previous, unsigned char Byte) {
        if (Next >= LzwTableSize) return;
        FPrefix[Next] = static_cast<std::uint16_t>(Previous);
        FSuffix[Next] = Byte;
        FFirst[Next] = FFirst[Previous];
        FLength[Next] = static_cast<std::uint16_t>(FLength[Previous] + 1);
        ++Next;
    }
    // Writes the string of Code to Out (room for LzwTableSize bytes) by walking back through the
    // prefixes; returns its length.
    std::size_t Write(int Code, unsigned char* Out) const {
        const std::size_t N = FLength[Code];
        for (std::size_t I = N; I-- > 0; Code = FPrefix[Code]) Out[I] = FSuffix[Code];
        return N;
    }

private:
    std::uint16_t FPrefix[LzwTableSize] = {}, FLength[LzwTableSize] = {};
    unsigned char FSuffix[LzwTableSize] = {}, FFirst[LzwTableSize] = {};
};

void Lzw(std::string_view In, std::string& Out, std::size_t Limit, int EarlyChange) {
    auto Table = std::make_unique<TLzwTable>();
    int Bits = LzwMinBits, Previous = -1;
    std::uint32_t Buffer = 0;
    int Held = 0;
    std::size_t At = 0;
    unsigned char Scratch[LzwTableSize];  // no string is longer than the table
    while (Out.size() < Limit) {
        while (Held < Bits && At < In.size()) {
            Buffer = (Buffer << 8) | static_cast<unsigned char>(In[At++]);
            Held += 8;
        }
        if (Held < Bits) break;
        const int Code = static_cast<int>((Buffer >> (Held - Bits)) & ((1u << Bits) - 1));
        Held -= Bits;
        if (Code == LzwClear) {
            Table->Next = LzwFirstFree;
            Bits = LzwMinBits;
            Previous = -1;
            continue;
        }
        if (Code == LzwEnd) break;
        if (Code < Table->Next) {
            if (Previous >= 0) Table->Add(Previous, Table->FirstByte(Code));
        } else if (Code == Table->Next && Previous >= 0 && Table->Next < LzwTableSize) {
            Table->Add(Previous, Table->FirstByte(Previous));  // the string being defined
        } else {
            break;  // a code not yet defined: damage
        }
        Append(Out, reinterpret_cast<const char*>(Scratch), Table->Write(Code, Scratch), Limit);
        Previous = Code;
        if (Table->Next + EarlyChange >= (1 << Bits) && Bits < LzwMaxBits) ++Bits;
    }
}

void AsciiHex(std::string_view In, std::string& Out, std::size_t Limit) {
    int High = -1;
    for (const char Ch : In) {
        if (Out.size() >= Limit) return;
        const unsigned char C = static_cast<unsigned char>(Ch);
        if (C == '>') break;
        int V = -1;
        if (C >= '0' && C <= '9')
            V = C - '0';
        else if (C >= 'a' && C <= 'f')
            V = C - 'a' + 10;
        else if (C >= 'A' && C <= 'F')
            V = C - 'A' + 10;
        if (V < 0) continue;
        if (High < 0) {
            High = V;
        } else {
            Out += static_cast<char>((High << 4) | V);
            High = -1;
        }
    }
    if (High >= 0 && Out.size() < Limit) Out += static_cast<char>(High << 4);
}

void Ascii85(std::string_view In, std::string& Out, std::size_t Limit) {
    std::uint32_t Group = 0;
    int Count = 0;
    std::size_t At = 0;
    if (In.size() >= 2 && In[0] == '<' && In[1] == '~') At = 2;
    for (; At < In.size() && Out.size() + 4 <= Limit; ++At) {
        const unsigned char C = static_cast<unsigned char>(In[At]);
        if (C == '~') break;
        if (C == 'z' && Count == 0) {
            Out.append(4, '\0');
            continue;
        }
        if (C < '!' || C > 'u') continue;  // white space and stray bytes
        Group = Group * 85 + (C - '!');
        if (++Count == 5) {
            for (int S = 24; S >= 0; S -= 8) Out += static_cast<char>((Group >> S) & 0xFF);
            Group = 0;
            Count = 0;
        }
    }
    if (Count > 1 && Out.size() + 4 <= Limit) {
        // A final partial group: pad with 'u' and keep Count-1 bytes.
        for (int I = Count; I < 5; ++I) Group = Group * 85 + 84;
        for (int I = 0; I < Count - 1; ++I) Out += static_cast<char>((Group >> (24 - 8 * I)) & 0xFF);
    }
}

void RunLength(std::string_view In, std::string& Out, std::size_t Limit) {
    std::size_t At = 0;
    while (At < In.size() && Out.size() < Limit) {
        const unsigned char L = static_cast<unsigned char>(In[At++]);
        if (L == 128) break;
        if (L < 128) {
            const std::size_t N = std::min<std::size_t>({std::size_t(L) + 1, In.size() - At, Limit - Out.size()});
            Append(Out, In.data() + At, N, Limit);
            At += L + 1;
        } else if (At < In.size()) {
            char Run[128];
            std::memset(Run, In[At++], sizeof Run);
            Append(Out, Run, 257 - L, Limit);
        }
    }
}

int IntParm(const TObject& Parms, std::string_view Key, int Default) {
    const TObject& V = Parms.Get(Key);
    return V.Kind == TKind::Int ? static_cast<int>(std::clamp<std::int64_t>(V.Int, -1, MaxFilterParm)) : Default;
}

// What the PNG filter Type adds to a byte, from the bytes to its left (A), above (B) and above
// left (C).
unsigned Predicted(int Type, unsigned A, unsigned B, unsigned C) {
    switch (Type) {
    case 1:
        return A;
    case 2:
        return B;
    case 3:
        return (A + B) / 2;
    case 4: {
        const int P = int(A) + int(B) - int(C);
        const int Pa = std::abs(P - int(A)), Pb = std::abs(P - int(B)), Pc = std::abs(P - int(C));
        return Pa <= Pb && Pa <= Pc ? A : Pb <= Pc ? B : C;
    }
    default:
        return 0;
    }
}

// Undoes the PNG (10-15) or TIFF (2) predictor of Flate and LZW data.
void Unpredict(const TObject& Parms, std::string& Data) {
    const int Predictor = IntParm(Parms, "Predictor", 1);
    if (Predictor < 2) return;
    const int Colors = std::clamp(IntParm(Parms, "Colors", 1), 1, MaxColors);
    const int Bpc = std::clamp(IntParm(Parms, "BitsPerComponent", 8), 1, MaxBitsPerComponent);
    const int Columns = std::clamp(IntParm(Parms, "Columns", 1), 1, MaxFilterParm);
    const std::size_t Bpp = std::max<std::size_t>(1, (std::size_t(Colors) * Bpc + 7) / 8);
    const std::size_t RowBytes = (std::size_t(Colors) * Bpc * Columns + 7) / 8;
    if (Predictor == 2) {
        if (Bpc != 8) return;  // only byte-sized samples, as text streams have
        for (std::size_t Row = 0; Row + RowBytes <= Data.size(); Row += RowBytes)
            for (std::size_t I = Bpp; I < RowBytes; ++I)
                Data[Row + I] = static_cast<char>(Data[Row + I] + Data[Row + I - Bpp]);
        return;
    }
    // In place: each row is written over the bytes before its own, and the row above is read
    // where it was written.
    unsigned char* D = reinterpret_cast<unsigned char*>(Data.data());
    std::size_t Done = 0;
    for (std::size_t At = 0; At < Data.size(); At += RowBytes + 1) {
        const int Type = D[At];
        const std::size_t N = std::min(RowBytes, Data.size() - At - 1);
        const unsigned char* Up = Done > 0 ? D + Done - RowBytes : nullptr;
        for (std::size_t I = 0; I < N; ++I) {
            const unsigned X = D[At + 1 + I];
            const unsigned A = I >= Bpp ? D[Done + I - Bpp] : 0, B = Up ? Up[I] : 0,
                           C = Up && I >= Bpp ? Up[I - Bpp] : 0;
            D[Done + I] = static_cast<unsigned char>(X + Predicted(Type, A, B, C));
        }
        Done += N;
        if (N < RowBytes) break;
    }
    Data.resize(Done);
}

}  // namespace

TFilterResult ApplyFilter(std::string_view Name, const TObject& Parms, std::string_view In, std::string& Out,
                          std::size_t Limit) {
    Out.clear();
    // The text filters give at most as many bytes as they read; the others grow the output by steps.
    Out.reserve(std::min(Limit, In.size()));
    if (Name == "FlateDecode" || Name == "Fl") {
        Flate(In, Out, Limit);
        Unpredict(Parms, Out);
    } else if (Name == "LZWDecode" || Name == "LZW") {
        Lzw(In, Out, Limit, IntParm(Parms, "EarlyChange", 1) == 0 ? 0 : 1);
        Unpredict(Parms, Out);
    } else if (Name == "ASCIIHexDecode" || Name == "AHx") {
        AsciiHex(In, Out, Limit);
    } else if (Name == "ASCII85Decode" || Name == "A85") {
        Ascii85(In, Out, Limit);
    } else if (Name == "RunLengthDecode" || Name == "RL") {
        RunLength(In, Out, Limit);
    } else if (Name == "Crypt") {
        Out.assign(In.substr(0, Limit));  // the identity crypt filter; decryption happens before
    } else {
        return TFilterResult::Unsupported;
    }
    return TFilterResult::Ok;
}

}  // namespace pdf
