#include "pure/doctext/pdf/pdfsecurity.h"

#include <algorithm>
#include <cstring>

namespace pdf {

namespace {

const unsigned char Padding[32] = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                   0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                   0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

bool Hash(const TCrypto& C, THashKind Kind, const std::string& In, std::string& Out) {
    Out.assign(HashSize(Kind), '\0');
    return C.Hash(Kind, In.data(), In.size(), reinterpret_cast<unsigned char*>(Out.data()));
}

// The rule below ends by round 288 at the latest; a guard all the same.
constexpr int Hash6RoundCap = 1024;

// The hash of a password with a salt and user data for revision 6: rounds of AES-128 and SHA-2
// until the data says stop (at least 64 rounds; each round lengthens the data by nothing, so the
// work is bounded by the round limit below).
bool Hash6(const TCrypto& C, const std::string& Salt, std::string& K) {
    if (!Hash(C, THashKind::Sha256, Salt, K)) return false;
    std::string K1, E(0, '\0');
    for (int Round = 0; Round < 64 || static_cast<unsigned char>(E.back()) > Round - 32; ++Round) {
        if (Round > Hash6RoundCap) return false;
        K1.clear();
        for (int I = 0; I < 64; ++I) K1 += K;  // the password is empty
        E.assign(K1.size(), '\0');
        if (!C.AesCbc(true, reinterpret_cast<const unsigned char*>(K.data()), 16,
                      reinterpret_cast<const unsigned char*>(K.data()) + 16,
                      reinterpret_cast<const unsigned char*>(K1.data()), K1.size(),
                      reinterpret_cast<unsigned char*>(E.data())))
            return false;
        unsigned Sum = 0;
        for (int I = 0; I < 16; ++I) Sum += static_cast<unsigned char>(E[I]);
        const THashKind Kind = Sum % 3 == 0 ? THashKind::Sha256 : Sum % 3 == 1 ? THashKind::Sha384 : THashKind::Sha512;
        if (!Hash(C, Kind, E, K)) return false;
    }
    K.resize(32);
    return true;
}

std::int64_t IntOf(const TObject& O, std::int64_t Default) { return O.Is(TKind::Int) ? O.Int : Default; }

// The empty password padded to 32 bytes: the padding alone.
std::string PaddedPassword() { return std::string(reinterpret_cast<const char*>(Padding), sizeof Padding); }

// Rounds of MD5 over the key (revision 3 on), and of RC4 over the check of U.
constexpr int KeyHashRounds = 50;
constexpr int CheckRc4Rounds = 20;

}  // namespace

void Rc4(const std::string& Key, std::string& Data) {
    if (Key.empty()) return;
    unsigned char S[256];
    for (int I = 0; I < 256; ++I) S[I] = static_cast<unsigned char>(I);
    for (int I = 0, J = 0; I < 256; ++I) {
        J = (J + S[I] + static_cast<unsigned char>(Key[I % Key.size()])) & 0xFF;
        std::swap(S[I], S[J]);
    }
    int I = 0, J = 0;
    for (char& B : Data) {
        I = (I + 1) & 0xFF;
        J = (J + S[I]) & 0xFF;
        std::swap(S[I], S[J]);
        B = static_cast<char>(B ^ S[(S[I] + S[J]) & 0xFF]);
    }
}

bool TSecurity::Open(const TObject& Encrypt, const std::string& FirstId, const TCrypto* Crypto) {
    if (!Crypto || !Encrypt.Get("Filter").IsName("Standard")) return false;
    FCrypto = Crypto;
    const int V = static_cast<int>(IntOf(Encrypt.Get("V"), 0));
    FRevision = static_cast<int>(IntOf(Encrypt.Get("R"), 0));
    const TObject& EncryptMetadata = Encrypt.Get("EncryptMetadata");
    FEncryptMetadata = !(EncryptMetadata.Is(TKind::Bool) && EncryptMetadata.Int == 0);
    if (!ChooseMethods(Encrypt, V)) return false;
    return FRevision >= 5 ? OpenAes256(Encrypt) : OpenRc4Key(Encrypt, V, FirstId);
}

bool TSecurity::ChooseMethods(const TObject& Encrypt, int V) {
    // RC4 for V 1 and 2, named crypt filters for V 4 and 5.
    if (V == 1 || V == 2) {
        FStrings = FStreams = TMethod::Rc4;
        return true;
    }
    if (V != 4 && V != 5) return false;
    auto Filter = [&](std::string_view Key) {
        const TObject& Name = Encrypt.Get(Key);
        if (!Name.Is(TKind::Name) || Name.Text == "Identity") return TMethod::None;
        const TObject& Cfm = Encrypt.Get("CF").Get(Name.Text).Get("CFM");
        if (Cfm.IsName("V2")) return TMethod::Rc4;
        if (Cfm.IsName("AESV2") || Cfm.IsName("AESV3")) return TMethod::Aes;
        return TMethod::None;
    };
    FStrings = Filter("StrF");
    FStreams = Filter("StmF");
    return true;
}

bool TSecurity::OpenAes256(const TObject& Encrypt) {
    // The file key is UE decrypted with a key made from the empty password.
    const std::string& U = Encrypt.Get("U").Text;
    const std::string& Ue = Encrypt.Get("UE").Text;
    if (U.size() < 48 || Ue.size() < 32) return false;
    std::string Check, Key;
    const std::string ValidationSalt = U.substr(32, 8), KeySalt = U.substr(40, 8);
    if (FRevision == 5) {
        if (!Hash(*FCrypto, THashKind::Sha256, ValidationSalt, Check) ||
            !Hash(*FCrypto, THashKind::Sha256, KeySalt, Key))
            return false;
    } else if (!Hash6(*FCrypto, ValidationSalt, Check) || !Hash6(*FCrypto, KeySalt, Key)) {
        return false;
    }
    if (Check.compare(0, 32, U, 0, 32) != 0) return false;  // a user password is set
    const unsigned char Iv[16] = {};
    FKey.assign(32, '\0');
    return FCrypto->AesCbc(false, reinterpret_cast<const unsigned char*>(Key.data()), 32, Iv,
                           reinterpret_cast<const unsigned char*>(Ue.data()), 32,
                           reinterpret_cast<unsigned char*>(FKey.data()));
}

bool TSecurity::OpenRc4Key(const TObject& Encrypt, int V, const std::string& FirstId) {
    // The file key: an MD5 of the padded empty password, O, P and the file's first ID.
    const std::string& O = Encrypt.Get("O").Text;
    const std::string& U = Encrypt.Get("U").Text;
    if (O.size() < 32 || U.size() < 16) return false;
    const std::int64_t Bits = V == 1 ? 40 : IntOf(Encrypt.Get("Length"), V == 4 ? 128 : 40);
    const std::size_t Bytes = FRevision == 2 ? 5 : static_cast<std::size_t>(std::clamp<std::int64_t>(Bits / 8, 5, 16));
    std::string In = PaddedPassword();
    In.append(O, 0, 32);
    const std::uint32_t P = static_cast<std::uint32_t>(IntOf(Encrypt.Get("P"), 0));
    for (int I = 0; I < 4; ++I) In += static_cast<char>((P >> (8 * I)) & 0xFF);
    In += FirstId;
    if (FRevision >= 4 && !FEncryptMetadata) In.append(4, '\xFF');
    std::string H;
    if (!Hash(*FCrypto, THashKind::Md5, In, H)) return false;
    if (FRevision >= 3)
        for (int I = 0; I < KeyHashRounds; ++I)
            if (!Hash(*FCrypto, THashKind::Md5, H.substr(0, Bytes), H)) return false;
    FKey = H.substr(0, Bytes);
    return EmptyPasswordMatches(U, FirstId);
}

bool TSecurity::EmptyPasswordMatches(const std::string& U, const std::string& FirstId) const {
    // The empty password is right when the key reproduces U.
    std::string Check;
    if (FRevision == 2) {
        Check = PaddedPassword();
        Rc4(FKey, Check);
        return Check.compare(0, 32, U, 0, 32) == 0;
    }
    if (!Hash(*FCrypto, THashKind::Md5, PaddedPassword() + FirstId, Check)) return false;
    for (int I = 0; I < CheckRc4Rounds; ++I) {
        std::string Key = FKey;
        for (char& B : Key) B = static_cast<char>(B ^ I);
        Rc4(Key, Check);
    }
    return Check.compare(0, 16, U, 0, 16) == 0;
}

void TSecurity::Decrypt(TMethod Method, std::string& Data, std::int64_t Num, int Gen) const {
    if (Method == TMethod::None || !FCrypto) return;
    std::string Key = FKey;
    if (FRevision < 5) {
        // A key of each object: the file key with its number and generation (and a salt for AES).
        std::string In = FKey;
        for (int I = 0; I < 3; ++I) In += static_cast<char>((Num >> (8 * I)) & 0xFF);
        for (int I = 0; I < 2; ++I) In += static_cast<char>((Gen >> (8 * I)) & 0xFF);
        if (Method == TMethod::Aes) In += "sAlT";
        if (!Hash(*FCrypto, THashKind::Md5, In, Key)) {
            Data.clear();
            return;
        }
        Key.resize(std::min<std::size_t>(FKey.size() + 5, 16));
    }
    if (Method == TMethod::Rc4) {
        Rc4(Key, Data);
        return;
    }
    // AES-CBC: the first 16 bytes are the IV, the end is padded to the block size.
    if (Data.size() < 32) {
        Data.clear();
        return;
    }
    const std::size_t Size = (Data.size() - 16) / 16 * 16;
    std::string Out(Size, '\0');
    if (!FCrypto->AesCbc(false, reinterpret_cast<const unsigned char*>(Key.data()), Key.size(),
                         reinterpret_cast<const unsigned char*>(Data.data()),
                         reinterpret_cast<const unsigned char*>(Data.data()) + 16, Size,
                         reinterpret_cast<unsigned char*>(Out.data()))) {
        Data.clear();
        return;
    }
    const unsigned char Pad = Out.empty() ? 0 : static_cast<unsigned char>(Out.back());
    if (Pad >= 1 && Pad <= 16 && Pad <= Out.size()) Out.resize(Out.size() - Pad);
    Data.swap(Out);
}

void TSecurity::DecryptString(std::string& Data, std::int64_t Num, int Gen) const { Decrypt(FStrings, Data, Num, Gen); }
void TSecurity::DecryptStream(std::string& Data, std::int64_t Num, int Gen) const { Decrypt(FStreams, Data, Num, Gen); }

}  // namespace pdf
