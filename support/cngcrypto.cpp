#include "support/cngcrypto.h"

#include <windows.h>
// bcrypt.h needs the types of windows.h first.
#include <bcrypt.h>

#include <cstring>
#include <vector>

namespace {

// An algorithm provider, closed on every way out.
class TProvider {
public:
    explicit TProvider(LPCWSTR Algorithm) {
        if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&FHandle, Algorithm, nullptr, 0))) FHandle = nullptr;
    }
    ~TProvider() {
        if (FHandle) BCryptCloseAlgorithmProvider(FHandle, 0);
    }
    TProvider(const TProvider&) = delete;
    TProvider& operator=(const TProvider&) = delete;
    BCRYPT_ALG_HANDLE Get() const { return FHandle; }

private:
    BCRYPT_ALG_HANDLE FHandle = nullptr;
};

class TKey {
public:
    ~TKey() {
        if (Handle) BCryptDestroyKey(Handle);
    }
    BCRYPT_KEY_HANDLE Handle = nullptr;
};

LPCWSTR AlgorithmOf(THashKind Kind) {
    switch (Kind) {
    case THashKind::Md5:
        return BCRYPT_MD5_ALGORITHM;
    case THashKind::Sha256:
        return BCRYPT_SHA256_ALGORITHM;
    case THashKind::Sha384:
        return BCRYPT_SHA384_ALGORITHM;
    case THashKind::Sha512:
        return BCRYPT_SHA512_ALGORITHM;
    }
    return BCRYPT_MD5_ALGORITHM;
}

}  // namespace

bool TCngCrypto::Hash(THashKind Kind, const void* Data, std::size_t Size, unsigned char* Out) const {
    TProvider Provider(AlgorithmOf(Kind));
    if (!Provider.Get() || Size > 0xFFFFFFFFu) return false;
    BCRYPT_HASH_HANDLE Hash = nullptr;
    if (!BCRYPT_SUCCESS(BCryptCreateHash(Provider.Get(), &Hash, nullptr, 0, nullptr, 0, 0))) return false;
    const bool Ok = BCRYPT_SUCCESS(BCryptHashData(Hash, static_cast<PUCHAR>(const_cast<void*>(Data)),
                                                  static_cast<ULONG>(Size), 0)) &&
                    BCRYPT_SUCCESS(BCryptFinishHash(Hash, Out, static_cast<ULONG>(HashSize(Kind)), 0));
    BCryptDestroyHash(Hash);
    return Ok;
}

bool TCngCrypto::AesCbc(bool Encrypt, const unsigned char* Key, std::size_t KeySize, const unsigned char* Iv,
                        const unsigned char* In, std::size_t Size, unsigned char* Out) const {
    if ((KeySize != 16 && KeySize != 24 && KeySize != 32) || Size % 16 != 0 || Size > 0xFFFFFFF0u) return false;
    if (Size == 0) return true;
    TProvider Provider(BCRYPT_AES_ALGORITHM);
    if (!Provider.Get()) return false;
    static const wchar_t Mode[] = BCRYPT_CHAIN_MODE_CBC;
    if (!BCRYPT_SUCCESS(BCryptSetProperty(Provider.Get(), BCRYPT_CHAINING_MODE,
                                          reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(Mode)), sizeof Mode, 0)))
        return false;
    TKey K;
    if (!BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(Provider.Get(), &K.Handle, nullptr, 0, const_cast<PUCHAR>(Key),
                                                   static_cast<ULONG>(KeySize), 0)))
        return false;
    // CNG updates the IV it is given: hand it a copy.
    unsigned char Chain[16];
    std::memcpy(Chain, Iv, 16);
    std::vector<unsigned char> Input(In, In + Size);
    ULONG Done = 0;
    const NTSTATUS Status = Encrypt ? BCryptEncrypt(K.Handle, Input.data(), static_cast<ULONG>(Size), nullptr, Chain,
                                                    16, Out, static_cast<ULONG>(Size), &Done, 0)
                                    : BCryptDecrypt(K.Handle, Input.data(), static_cast<ULONG>(Size), nullptr, Chain,
                                                    16, Out, static_cast<ULONG>(Size), &Done, 0);
    return BCRYPT_SUCCESS(Status) && Done == Size;
}

const TCrypto& PlatformCrypto() {
    static const TCngCrypto Crypto;
    return Crypto;
}
