// The platform's cryptography behind the decoders: known answers of each hash and of AES-CBC, and
// the encrypted PDF fixtures (every revision of the standard security handler) read through it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "pure/doctext/document.h"
#include "support/cngcrypto.h"

namespace {

std::string Bytes(const std::string& Hex) {
    std::string Out;
    for (std::size_t I = 0; I + 1 < Hex.size(); I += 2)
        Out += static_cast<char>(std::stoi(Hex.substr(I, 2), nullptr, 16));
    return Out;
}

TEST(CngCrypto, KnownAnswers) {
    const TCrypto& C = PlatformCrypto();
    const struct {
        THashKind Kind;
        const char* Digest;
    } Hashes[] = {
        {THashKind::Md5, "900150983cd24fb0d6963f7d28e17f72"},
        {THashKind::Sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {THashKind::Sha384,
         "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca1"
         "34c825a7"},
        {THashKind::Sha512,
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3"
         "feebbd454d4423643ce80e2a9ac94fa54ca49f"},
    };
    for (const auto& H : Hashes) {
        unsigned char Out[64];
        ASSERT_TRUE(C.Hash(H.Kind, "abc", 3, Out));
        EXPECT_EQ(std::string(reinterpret_cast<char*>(Out), HashSize(H.Kind)), Bytes(H.Digest));
    }
    // Two blocks each way, so that the chaining is checked too.
    const std::string Iv = Bytes("000102030405060708090a0b0c0d0e0f");
    const std::string Plain = Bytes("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
    const struct {
        const char* Key;
        const char* Cipher;
    } Aes[] = {
        {"2b7e151628aed2a6abf7158809cf4f3c", "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"},
        {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
         "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"},
    };
    for (const auto& A : Aes) {
        const std::string Key = Bytes(A.Key);
        const auto* K = reinterpret_cast<const unsigned char*>(Key.data());
        const auto* V = reinterpret_cast<const unsigned char*>(Iv.data());
        std::string Out(32, '\0');
        ASSERT_TRUE(C.AesCbc(true, K, Key.size(), V, reinterpret_cast<const unsigned char*>(Plain.data()), 32,
                             reinterpret_cast<unsigned char*>(Out.data())));
        EXPECT_EQ(Out, Bytes(A.Cipher));
        const std::string Cipher = Out;
        ASSERT_TRUE(C.AesCbc(false, K, Key.size(), V, reinterpret_cast<const unsigned char*>(Cipher.data()), 32,
                             reinterpret_cast<unsigned char*>(Out.data())));
        EXPECT_EQ(Out, Plain);
    }
    unsigned char Out[16];
    EXPECT_FALSE(C.AesCbc(false, Out, 15, Out, Out, 16, Out));  // no such key size
}

class TTextCollector : public TTextSink {
public:
    std::u16string Units;
    bool Text(const char16_t* Units, std::size_t Count) override {
        this->Units.append(Units, Count);
        return true;
    }
    bool Break() override {
        Units += u'|';
        return true;
    }
    bool RawStream(TByteSource&) override { return true; }
};

TEST(CngCrypto, EncryptedPdfWithTheEmptyPassword) {
    const std::string File = __FILE__;
    const std::string Folder = File.substr(0, File.find_last_of("/\\") + 1) + "../pure/doctext/pdf/";
    TDecodeEnv Env;
    Env.Crypto = &PlatformCrypto();
    for (const char* Name : {"rc4-40", "rc4-128", "aes-128", "aes-256-r5", "aes-256-r6", "password"}) {
        std::ifstream In(Folder + Name + ".pdf", std::ios::binary);
        std::stringstream S;
        S << In.rdbuf();
        const std::string Pdf = S.str();
        ASSERT_FALSE(Pdf.empty()) << Folder << Name;
        TMemorySource Source(Pdf.data(), Pdf.size());
        TTextCollector Sink;
        DecodeDocument(*FindFormat("pdf"), Source, Sink, Env);
        // A file that needs a password gives nothing.
        EXPECT_EQ(Sink.Units,
                  std::string(Name) == "password" ? u"" : u"2024年度预算|Wang|Quarterly KesTrel report合同年度预算|")
            << Name;
    }
}

}  // namespace
