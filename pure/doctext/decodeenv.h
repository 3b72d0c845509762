#pragma once
// What the platform lends the decoders: conversion from Windows code pages and cryptography.
// Both are optional, so the decoders also run natively, in tests and under the fuzzers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Converts 8-bit text of a Windows code page (936 GBK, 1252, 950, ...) to UTF-16.
class TCodePageConverter {
public:
    virtual ~TCodePageConverter() = default;
    // Appends the UTF-16 form of Bytes to Out; false (Out unchanged) when the code page is not
    // available. Invalid byte sequences become U+FFFD or are dropped, as the platform does.
    virtual bool ToUtf16(unsigned CodePage, std::string_view Bytes, std::u16string& Out) const = 0;
};

class TCrypto;  // hashes and block ciphers for encrypted documents (see crypto.h)

// Memory that the test of one file may take, whatever its size or content.
inline constexpr std::size_t MaxDecodeMemory = std::size_t(64) << 20;

struct TDecodeEnv {
    const TCodePageConverter* CodePages = nullptr;  // null: only ASCII and UTF forms decode
    const TCrypto* Crypto = nullptr;                // null: encrypted documents give no text
};
