#pragma once
// The platform's cryptography (CNG, bcrypt.dll) behind the decoders' TCrypto interface: MD5,
// SHA-256/384/512 and AES-CBC. It holds no state: each call opens and closes its own provider,
// so one instance serves any number of threads.
#include "pure/doctext/crypto.h"

class TCngCrypto : public TCrypto {
public:
    bool Hash(THashKind Kind, const void* Data, std::size_t Size, unsigned char* Out) const override;
    bool AesCbc(bool Encrypt, const unsigned char* Key, std::size_t KeySize, const unsigned char* Iv,
                const unsigned char* In, std::size_t Size, unsigned char* Out) const override;
};

// The instance the program lends its decoders.
const TCrypto& PlatformCrypto();
