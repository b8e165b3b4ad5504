#include "snmp/UsmPrivacy.h"

#include <openssl/evp.h>
#include <openssl/provider.h>
#include <openssl/rand.h>

#include <cstring>
#include <memory>
#include <random>

namespace vxsnmp::usm {

namespace {

constexpr std::size_t kDesBlock = 8;
constexpr std::size_t kIvLength = 16;  // both ciphers' IV fits here (DES 8, AES 16)

struct TCipherFree {
    void operator()(EVP_CIPHER* cipher) const { EVP_CIPHER_free(cipher); }
};
struct TCipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using TCipher = std::unique_ptr<EVP_CIPHER, TCipherFree>;
using TCipherContext = std::unique_ptr<EVP_CIPHER_CTX, TCipherContextFree>;

void PutBigEndian32(std::uint8_t* out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

const char* CipherName(TPrivProtocol priv)
{
    switch (priv) {
    case TPrivProtocol::Des: return "DES-CBC";
    case TPrivProtocol::Aes128: return "AES-128-CFB";
    case TPrivProtocol::Aes192: return "AES-192-CFB";
    case TPrivProtocol::Aes256: return "AES-256-CFB";
    default: return nullptr;
    }
}

// The key bytes the cipher itself takes: DES keeps its last 8 for the pre-IV.
std::size_t CipherKeyLength(TPrivProtocol priv)
{
    return priv == TPrivProtocol::Des ? 8 : PrivKeyLength(priv);
}

// The cipher and its IV for one message; fails with a USM code.
int Prepare(TPrivProtocol priv, std::span<const std::uint8_t> key, std::uint32_t boots, std::uint32_t time,
            std::span<const std::uint8_t> salt, TCipher& cipher, std::uint8_t iv[kIvLength])
{
    const char* name = CipherName(priv);
    if (!name)
        return kNoProtocol;
    if (key.size() < PrivKeyLength(priv))
        return kBadKey;
    if (salt.size() != 8)
        return kDecryptionError;
    if (priv == TPrivProtocol::Des) {
        if (int code = LoadLegacyProvider())
            return code;
        for (std::size_t i = 0; i < 8; ++i)
            iv[i] = static_cast<std::uint8_t>(key[8 + i] ^ salt[i]);
    } else {
        PutBigEndian32(iv, boots);
        PutBigEndian32(iv + 4, time);
        std::memcpy(iv + 8, salt.data(), 8);
    }
    cipher.reset(EVP_CIPHER_fetch(nullptr, name, nullptr));
    if (!cipher)
        return priv == TPrivProtocol::Des ? kDesUnavailable : kCryptoFailed;
    return 0;
}

// Runs the cipher over `input` (a whole number of blocks for DES) into `output`.
int Run(const EVP_CIPHER* cipher, std::span<const std::uint8_t> key, const std::uint8_t* iv, bool encrypt,
        std::span<const std::uint8_t> input, std::vector<std::uint8_t>& output)
{
    TCipherContext context(EVP_CIPHER_CTX_new());
    if (!context || EVP_CipherInit_ex2(context.get(), cipher, key.data(), iv, encrypt ? 1 : 0, nullptr) != 1
        || EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1)
        return kCryptoFailed;
    output.resize(input.size() + kIvLength);
    int written = 0;
    int last = 0;
    if (EVP_CipherUpdate(context.get(), output.data(), &written, input.data(), static_cast<int>(input.size()))
            != 1
        || EVP_CipherFinal_ex(context.get(), output.data() + written, &last) != 1)
        return kCryptoFailed;
    output.resize(static_cast<std::size_t>(written) + static_cast<std::size_t>(last));
    return 0;
}

}  // namespace

void TSaltCounter::Seed()
{
    seeded = true;
    std::uint8_t seed[12];
    if (RAND_bytes(seed, sizeof seed) != 1) {
        std::random_device device;  // libcrypto's generator failed: any start will do
        for (std::uint8_t& b : seed)
            b = static_cast<std::uint8_t>(device());
    }
    std::memcpy(&desCounter, seed, 4);
    std::memcpy(&aesCounter, seed + 4, 8);
}

TSalt TSaltCounter::Next(TPrivProtocol priv, std::uint32_t boots)
{
    if (!seeded)
        Seed();
    TSalt salt{};
    if (priv == TPrivProtocol::Des) {
        PutBigEndian32(salt.data(), boots);
        PutBigEndian32(salt.data() + 4, desCounter++);
    } else {
        const std::uint64_t value = aesCounter++;
        for (int i = 0; i < 8; ++i)
            salt[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (56 - 8 * i));
    }
    return salt;
}

int Encrypt(TPrivProtocol priv, std::span<const std::uint8_t> key, std::uint32_t boots, std::uint32_t time,
            const TSalt& salt, std::span<const std::uint8_t> plaintext, std::vector<std::uint8_t>& ciphertext)
{
    ciphertext.clear();
    TCipher cipher;
    std::uint8_t iv[kIvLength];
    if (int code = Prepare(priv, key, boots, time, salt, cipher, iv))
        return code;
    std::vector<std::uint8_t> padded;
    if (priv == TPrivProtocol::Des && plaintext.size() % kDesBlock != 0) {
        // The receiver finds the scoped PDU's end from its own length; the pad is zeros.
        padded.assign(plaintext.begin(), plaintext.end());
        padded.resize((plaintext.size() / kDesBlock + 1) * kDesBlock, 0);
        plaintext = padded;
    }
    const int code = Run(cipher.get(), key.first(CipherKeyLength(priv)), iv, true, plaintext, ciphertext);
    if (code)
        ciphertext.clear();
    return code;
}

int Decrypt(TPrivProtocol priv, std::span<const std::uint8_t> key, std::uint32_t boots, std::uint32_t time,
            std::span<const std::uint8_t> salt, std::span<const std::uint8_t> ciphertext,
            std::vector<std::uint8_t>& plaintext)
{
    plaintext.clear();
    TCipher cipher;
    std::uint8_t iv[kIvLength];
    if (int code = Prepare(priv, key, boots, time, salt, cipher, iv))
        return code;
    if (priv == TPrivProtocol::Des && ciphertext.size() % kDesBlock != 0)
        return kDecryptionError;
    const int code = Run(cipher.get(), key.first(CipherKeyLength(priv)), iv, false, ciphertext, plaintext);
    if (code)
        plaintext.clear();
    return code;
}

int LoadLegacyProvider()
{
    // Loading one provider by hand stops the default one from loading by
    // itself, so both are loaded; they are unloaded when the program ends.
    struct TProviders {
        OSSL_PROVIDER* defaults = OSSL_PROVIDER_load(nullptr, "default");
        OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
        ~TProviders()
        {
            if (legacy)
                OSSL_PROVIDER_unload(legacy);
            if (defaults)
                OSSL_PROVIDER_unload(defaults);
        }
    };
    static const TProviders providers;
    return providers.defaults && providers.legacy ? 0 : static_cast<int>(kDesUnavailable);
}

}  // namespace vxsnmp::usm
