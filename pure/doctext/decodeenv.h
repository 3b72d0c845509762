#pragma once
// What the platform lends the decoders (conversion from Windows code pages, cryptography) and what
// one file's decoding may still spend. The platform's parts are optional, so the decoders also run
// natively, in tests and under the fuzzers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pure/doctext/decodelimits.h"

// Converts 8-bit text of a Windows code page (936 GBK, 1252, 950, ...) to UTF-16.
class TCodePageConverter {
public:
    virtual ~TCodePageConverter() = default;
    // Appends the UTF-16 form of Bytes to Out; false (Out unchanged) when the code page is not
    // available. Invalid byte sequences become U+FFFD or are dropped, as the platform does.
    virtual bool ToUtf16(unsigned CodePage, std::string_view Bytes, std::u16string& Out) const = 0;
    // The system's 8-bit code page: what text that names no code page of its own is written in.
    virtual unsigned SystemCodePage() const { return 936; }
    // Every byte sequence of one or two bytes that gives Unit in text of CodePage, a single- or
    // double-byte code page (a byte standing alone that gives it in some company counts alone):
    // told by converting each byte and each pair. False when this cannot be told.
    virtual bool FormsOf(unsigned CodePage, char16_t Unit, std::vector<std::string>& Forms) const;
};

class TCrypto;  // hashes and block ciphers for encrypted documents (see crypto.h)

// What one file's decoding may still spend, shared by the file's document and every document
// nested in it (an attachment, an embedded object, a member of an archive), so that a bomb nested
// in an archive inside a mail stops at the same bounds as one in the file itself.
struct TDecodeBudget {
    // Bytes that packages may still inflate and containers may still unpack, at every level.
    std::uint64_t UnpackLeft = ZipPackageBudget;
    // Bytes of memory the decoders of every level may still take for what they hold (see
    // TMemoryLease): a container's tables, a nested document's copy, a decoder's caches.
    std::uint64_t MemoryLeft = MaxDecodeMemory;
};

// A share of the file's memory held for as long as the lease lives. Granted in full or not at
// all; without a budget (a decoder called on its own) always granted.
class TMemoryLease {
public:
    TMemoryLease(TDecodeBudget* Budget, std::uint64_t Bytes) : FBudget(Budget) {
        if (Budget == nullptr) {
            FGranted = true;
        } else if (Bytes <= Budget->MemoryLeft) {
            FGranted = true;
            FBytes = Bytes;
            Budget->MemoryLeft -= Bytes;
        }
    }
    ~TMemoryLease() {
        if (FBudget != nullptr) FBudget->MemoryLeft += FBytes;
    }
    TMemoryLease(const TMemoryLease&) = delete;
    TMemoryLease& operator=(const TMemoryLease&) = delete;
    bool Granted() const { return FGranted; }

private:
    TDecodeBudget* FBudget;
    std::uint64_t FBytes = 0;
    bool FGranted = false;
};

struct TDecodeEnv {
    const TCodePageConverter* CodePages = nullptr;  // null: only ASCII and UTF forms decode
    const TCrypto* Crypto = nullptr;                // null: encrypted documents give no text
    TDecodeBudget* Budget = nullptr;                // null until DecodeDocument sets up the file's
    unsigned Depth = 0;                             // documents this one is nested in

    // The memory the decoders of this file may still take, for a decoder that sizes its tables
    // and caches by it (all of MaxDecodeMemory without a budget).
    std::uint64_t MemoryLeft() const { return Budget != nullptr ? Budget->MemoryLeft : MaxDecodeMemory; }
    // The system's code page, 936 without a converter.
    unsigned SystemCodePage() const { return CodePages != nullptr ? CodePages->SystemCodePage() : 936; }
};
