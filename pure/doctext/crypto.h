#pragma once
// Cryptography that encrypted documents need, lent by the platform (CNG on Windows) so that the
// decoders stay platform-free. Every call reports failure by result and never throws.
#include <cstddef>

enum class THashKind { Md5, Sha256, Sha384, Sha512 };

inline constexpr std::size_t HashSize(THashKind Kind) {
    return Kind == THashKind::Md5 ? 16 : Kind == THashKind::Sha256 ? 32 : Kind == THashKind::Sha384 ? 48 : 64;
}

class TCrypto {
public:
    virtual ~TCrypto() = default;
    // Writes the HashSize(Kind) bytes of the hash of Data to Out.
    virtual bool Hash(THashKind Kind, const void* Data, std::size_t Size, unsigned char* Out) const = 0;
    // AES in CBC mode without padding, with a key of 16, 24 or 32 bytes and a 16-byte IV; Size is
    // a multiple of 16 and Out holds Size bytes.
    virtual bool AesCbc(bool Encrypt, const unsigned char* Key, std::size_t KeySize, const unsigned char* Iv,
                        const unsigned char* In, std::size_t Size, unsigned char* Out) const = 0;
};
