#include "pure/doctext/mimecoding.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "pure/support/bytetext.h"

namespace {

// Base64 sextets by byte: 0..63, Pad for '=', Other for a byte outside the alphabet.
constexpr signed char Pad = -2, Other = -1;
struct TSextets {
    signed char Of[256];
    constexpr TSextets() : Of() {
        for (int I = 0; I < 256; ++I) Of[I] = Other;
        const char* Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int I = 0; I < 64; ++I) Of[static_cast<unsigned char>(Alphabet[I])] = static_cast<signed char>(I);
        Of[static_cast<unsigned char>('=')] = Pad;
    }
};
constexpr TSextets Sextets;

// Hexadecimal digits by byte, -1 for others, looked up without branching on the digit (the
// digits of escaped text come in no order a processor could guess).
struct THexDigits {
    signed char Of[256];
    constexpr THexDigits() : Of() {
        for (int I = 0; I < 256; ++I) Of[I] = -1;
        for (int I = 0; I < 10; ++I) Of['0' + I] = static_cast<signed char>(I);
        for (int I = 0; I < 6; ++I) {
            Of['A' + I] = static_cast<signed char>(10 + I);
            Of['a' + I] = static_cast<signed char>(10 + I);  // not allowed, but written
        }
    }
};
constexpr THexDigits HexDigits;

int HexDigit(unsigned char C) { return HexDigits.Of[C]; }

// States of a quoted-printable escape, in FCount.
enum TEscape { Plain, AfterEquals, AfterDigit, SoftSpace, SoftReturn };

}  // namespace

TTransferEncoding TransferEncodingOf(std::string_view Value) {
    std::size_t Start = Value.find_first_not_of(" \t");
    if (Start == std::string_view::npos) return TTransferEncoding::Identity;
    const std::size_t End = Value.find_first_of(" \t;(", Start);
    const std::string Token = AsciiLower(std::string(Value.substr(Start, End - Start)));
    if (Token == "base64") return TTransferEncoding::Base64;
    if (Token == "quoted-printable") return TTransferEncoding::QuotedPrintable;
    return TTransferEncoding::Identity;
}

std::size_t TTransferDecoder::Decode(const unsigned char* In, std::size_t Size, unsigned char* Out) {
    unsigned char* const Begin = Out;
    if (FEncoding == TTransferEncoding::Identity) {
        if (Size > 0) std::memcpy(Out, In, Size);
        return Size;
    }
    if (FEncoding == TTransferEncoding::Base64) {
        for (std::size_t I = 0; I < Size; ++I) {
            // Whole groups of four digits, most of a line, four at a time.
            while (FCount == 0 && I + 4 <= Size) {
                const signed char A = Sextets.Of[In[I]], B = Sextets.Of[In[I + 1]], C = Sextets.Of[In[I + 2]],
                                  D = Sextets.Of[In[I + 3]];
                if ((A | B | C | D) < 0) break;
                const std::uint32_t Bits =
                    (std::uint32_t(A) << 18) | (std::uint32_t(B) << 12) | (std::uint32_t(C) << 6) | std::uint32_t(D);
                *Out++ = static_cast<unsigned char>(Bits >> 16);
                *Out++ = static_cast<unsigned char>(Bits >> 8);
                *Out++ = static_cast<unsigned char>(Bits);
                I += 4;
            }
            if (I == Size) break;
            const signed char S = Sextets.Of[In[I]];
            if (S >= 0) {
                FBits = (FBits << 6) | static_cast<std::uint32_t>(S);
                if (++FCount == 4) {
                    *Out++ = static_cast<unsigned char>(FBits >> 16);
                    *Out++ = static_cast<unsigned char>(FBits >> 8);
                    *Out++ = static_cast<unsigned char>(FBits);
                    FBits = 0, FCount = 0;
                }
            } else if (S == Pad && FCount > 0) {
                // The group ends here; base64 texts joined one after another go on after it.
                Out += Finish(Out);
            }
        }
        return static_cast<std::size_t>(Out - Begin);
    }
    for (std::size_t I = 0; I < Size; ++I) {
        const unsigned char C = In[I];
        switch (FCount) {
        case Plain:
            // Bytes that stand for themselves and whole escapes ("=E5"), most of a body, without
            // passing through the states.
            while (I < Size) {
                if (In[I] != '=') {
                    *Out++ = In[I++];
                    continue;
                }
                if (I + 2 >= Size) break;
                const int High = HexDigit(In[I + 1]), Low = HexDigit(In[I + 2]);
                if ((High | Low) < 0) break;
                *Out++ = static_cast<unsigned char>(High * 16 + Low);
                I += 3;
            }
            if (I < Size) FCount = AfterEquals;
            continue;
        case AfterEquals:
            if (HexDigit(C) >= 0) {
                FDigit = C;
                FCount = AfterDigit;
                continue;
            }
            FCount = C == '\n' ? Plain : C == '\r' ? SoftReturn : C == ' ' || C == '\t' ? SoftSpace : Plain;
            if (FCount == Plain && C != '\n') *Out++ = '=', *Out++ = C;
            continue;
        case AfterDigit:
            FCount = Plain;
            if (HexDigit(C) >= 0) {
                *Out++ = static_cast<unsigned char>(HexDigit(FDigit) * 16 + HexDigit(C));
            } else {
                *Out++ = '=', *Out++ = FDigit;
                if (C == '=')
                    FCount = AfterEquals;
                else
                    *Out++ = C;
            }
            continue;
        case SoftSpace:  // "=" and white space: a soft line break when the line ends here
            if (C == ' ' || C == '\t') continue;
            FCount = C == '\r' ? SoftReturn : Plain;
            if (C != '\r' && C != '\n') *Out++ = C;
            continue;
        default:  // SoftReturn: "=" and CR, the LF that follows belongs to the line break
            FCount = Plain;
            if (C == '=')
                FCount = AfterEquals;
            else if (C != '\n')
                *Out++ = C;
            continue;
        }
    }
    return static_cast<std::size_t>(Out - Begin);
}

std::size_t TTransferDecoder::Finish(unsigned char* Out) {
    std::size_t Count = 0;
    if (FEncoding == TTransferEncoding::Base64) {
        // Two sextets give one byte, three give two; a lone one gives none.
        if (FCount >= 2) Out[Count++] = static_cast<unsigned char>(FBits >> (6 * FCount - 8));
        if (FCount == 3) Out[Count++] = static_cast<unsigned char>(FBits >> 2);
        FBits = 0;
    } else if (FCount == AfterDigit) {
        // A cut escape stands for itself; a lone "=" at the end is a soft line break whose line
        // end went to the boundary after it.
        Out[Count++] = '=';
        Out[Count++] = FDigit;
    }
    FCount = 0;
    return Count;
}

TPartSource::TPartSource(TByteSource& Source, std::uint64_t Start, std::uint64_t End, TTransferEncoding Encoding,
                         std::uint64_t Size)
    : FSource(Source),
      FStart(Start),
      FEnd(std::max(Start, End)),
      FSize(Size),
      FDecoder(Encoding),
      FRaw(new unsigned char[BlockSize]),
      FBlock(new unsigned char[BlockSize + 4]) {}

bool TPartSource::Refill() {
    FAt += FBlockSize;
    FBlockSize = 0;
    while (FBlockSize == 0 && !FFinished) {
        const std::size_t Want = static_cast<std::size_t>(std::min<std::uint64_t>(BlockSize, FEnd - FStart - FRead));
        const std::size_t Got = Want == 0 ? 0 : FSource.ReadAt(FStart + FRead, FRaw.get(), Want);
        FRead += Got;
        if (Got == 0) {
            FBlockSize = FDecoder.Finish(FBlock.get());
            FFinished = true;
        } else {
            FBlockSize = FDecoder.Decode(FRaw.get(), Got, FBlock.get());
        }
    }
    return FBlockSize > 0;
}

std::size_t TPartSource::ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) {
    if (Offset >= FSize) return 0;
    Count = static_cast<std::size_t>(std::min<std::uint64_t>(Count, FSize - Offset));
    if (Offset < FAt) {
        FDecoder = TTransferDecoder(FDecoder.Encoding());
        FRead = FAt = FBlockSize = 0;
        FFinished = false;
    }
    auto* Out = static_cast<unsigned char*>(Buffer);
    std::size_t Done = 0;
    while (Done < Count) {
        if (Offset + Done >= FAt + FBlockSize && !Refill()) break;
        const std::size_t From = static_cast<std::size_t>(Offset + Done - FAt);
        const std::size_t N = std::min(Count - Done, FBlockSize - From);
        std::memcpy(Out + Done, FBlock.get() + From, N);
        Done += N;
    }
    return Done;
}
