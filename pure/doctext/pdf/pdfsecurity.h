#pragma once
// The standard security handler, opened with the empty user password: revisions 2 to 6 (RC4 of
// 40 to 128 bits, AES-128, AES-256). Hashes and AES come from the platform through TCrypto;
// RC4 is done here.
#include <cstdint>
#include <string>

#include "pure/doctext/crypto.h"
#include "pure/doctext/pdf/pdfobject.h"

namespace pdf {

class TSecurity {
public:
    // Checks the empty user password against the encryption dictionary Encrypt and computes the
    // file key. False when another password is needed, the handler is unknown or Crypto is null.
    bool Open(const TObject& Encrypt, const std::string& FirstId, const TCrypto* Crypto);
    void DecryptString(std::string& Data, std::int64_t Num, int Gen) const;
    void DecryptStream(std::string& Data, std::int64_t Num, int Gen) const;
    bool EncryptsMetadata() const { return FEncryptMetadata; }

private:
    enum class TMethod { None, Rc4, Aes };
    const TCrypto* FCrypto = nullptr;
    int FRevision = 0;
    std::string FKey;
    TMethod FStrings = TMethod::None, FStreams = TMethod::None;
    bool FEncryptMetadata = true;
    void Decrypt(TMethod Method, std::string& Data, std::int64_t Num, int Gen) const;
    bool ChooseMethods(const TObject& Encrypt, int V);
    bool OpenAes256(const TObject& Encrypt);
    bool OpenRc4Key(const TObject& Encrypt, int V, const std::string& FirstId);
    bool EmptyPasswordMatches(const std::string& U, const std::string& FirstId) const;
};

// RC4 over Data in place with Key.
void Rc4(const std::string& Key, std::string& Data);

}  // namespace pdf
