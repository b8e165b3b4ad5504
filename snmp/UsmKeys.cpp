#include "snmp/UsmKeys.h"

#include "snmp/UsmOpenSsl.h"

#include <memory>

namespace vxsnmp::usm {

namespace {

// The password is repeated to this many bytes before digesting (one megabyte).
constexpr std::size_t kExpandedPasswordLength = 1048576;
// It is fed to the digest in blocks of this size, as the derivation is usually written.
constexpr std::size_t kPasswordBlock = 64;

struct TMdContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using TMdContext = std::unique_ptr<EVP_MD_CTX, TMdContextFree>;

}  // namespace

std::string_view UsmText(int code)
{
    switch (code) {
    case kNoProtocol: return "SNMPv3: no authentication or privacy protocol chosen for this security level.";
    case kShortPassword: return "SNMPv3: a password must have at least 8 characters.";
    case kCryptoFailed: return "SNMPv3: the cryptographic library refused the operation.";
    case kDesUnavailable:
        return "SNMPv3: DES privacy needs OpenSSL's legacy provider, which could not be loaded.";
    case kWrongDigest: return "SNMPv3: the message digest is wrong (wrong authentication password?).";
    case kDecryptionError: return "SNMPv3: the message could not be decrypted (wrong privacy password?).";
    case kBadKey: return "SNMPv3: a key is shorter than its protocol needs.";
    case kUnknownEngine: return "SNMPv3: the answer comes from another engine ID than the one discovered.";
    case kUnknownUser: return "SNMPv3: the answer names another user than the request.";
    case kNotInTimeWindow: return "SNMPv3: the answer is outside the time window.";
    case kUnsupportedLevel: return "SNMPv3: the security level is not supported.";
    default: return "";
    }
}

const EVP_MD* DigestOf(TAuthProtocol auth)
{
    switch (auth) {
    case TAuthProtocol::Md5: return EVP_md5();
    case TAuthProtocol::Sha1: return EVP_sha1();
    case TAuthProtocol::Sha224: return EVP_sha224();
    case TAuthProtocol::Sha256: return EVP_sha256();
    case TAuthProtocol::Sha384: return EVP_sha384();
    case TAuthProtocol::Sha512: return EVP_sha512();
    default: return nullptr;
    }
}

bool Digest(const EVP_MD* md, std::span<const std::span<const std::uint8_t>> parts, std::uint8_t* out)
{
    TMdContext context(EVP_MD_CTX_new());
    if (!context || !md || EVP_DigestInit_ex(context.get(), md, nullptr) != 1)
        return false;
    for (const auto& part : parts)
        if (EVP_DigestUpdate(context.get(), part.data(), part.size()) != 1)
            return false;
    return EVP_DigestFinal_ex(context.get(), out, nullptr) == 1;
}

std::size_t DigestLength(TAuthProtocol auth)
{
    const EVP_MD* md = DigestOf(auth);
    return md ? static_cast<std::size_t>(EVP_MD_get_size(md)) : 0;
}

std::size_t MacLength(TAuthProtocol auth)
{
    switch (auth) {
    case TAuthProtocol::Md5:
    case TAuthProtocol::Sha1: return 12;  // the "-96" protocols
    case TAuthProtocol::Sha224: return 16;
    case TAuthProtocol::Sha256: return 24;
    case TAuthProtocol::Sha384: return 32;
    case TAuthProtocol::Sha512: return 48;
    default: return 0;
    }
}

std::size_t PrivKeyLength(TPrivProtocol priv)
{
    switch (priv) {
    // DES: 8 key bytes, then 8 pre-IV bytes.
    case TPrivProtocol::Des:
    case TPrivProtocol::Aes128: return 16;
    case TPrivProtocol::Aes192: return 24;
    case TPrivProtocol::Aes256: return 32;
    default: return 0;
    }
}

int PasswordToKey(TAuthProtocol auth, std::string_view password, TKey& ku)
{
    ku.clear();
    const EVP_MD* md = DigestOf(auth);
    if (!md)
        return kNoProtocol;
    if (password.size() < kMinPasswordLength)
        return kShortPassword;
    TMdContext context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), md, nullptr) != 1)
        return kCryptoFailed;
    std::uint8_t block[kPasswordBlock];
    std::size_t index = 0;  // position in the endless repetition of the password
    for (std::size_t done = 0; done < kExpandedPasswordLength; done += kPasswordBlock) {
        for (std::uint8_t& b : block)
            b = static_cast<std::uint8_t>(password[index++ % password.size()]);
        if (EVP_DigestUpdate(context.get(), block, sizeof block) != 1)
            return kCryptoFailed;
    }
    std::uint8_t out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), out, &length) != 1)
        return kCryptoFailed;
    ku.assign(out, out + length);
    return 0;
}

int LocalizeKey(TAuthProtocol auth, std::span<const std::uint8_t> ku, std::span<const std::uint8_t> engineId,
                TKey& kul)
{
    kul.clear();
    const EVP_MD* md = DigestOf(auth);
    if (!md)
        return kNoProtocol;
    const std::size_t length = DigestLength(auth);
    if (ku.size() != length)
        return kBadKey;
    const std::span<const std::uint8_t> parts[] = {ku, engineId, ku};
    std::uint8_t out[EVP_MAX_MD_SIZE];
    if (!Digest(md, parts, out))
        return kCryptoFailed;
    kul.assign(out, out + length);
    return 0;
}

int LocalizedKey(TAuthProtocol auth, std::string_view password, std::span<const std::uint8_t> engineId,
                 TKey& kul)
{
    TKey ku;
    if (int code = PasswordToKey(auth, password, ku)) {
        kul.clear();
        return code;
    }
    return LocalizeKey(auth, ku, engineId, kul);
}

int ExtendKey(TAuthProtocol auth, TKey& key, std::size_t length)
{
    const EVP_MD* md = DigestOf(auth);
    if (!md)
        return kNoProtocol;
    if (key.empty())
        return kBadKey;
    while (key.size() < length) {
        const std::span<const std::uint8_t> parts[] = {key};
        std::uint8_t out[EVP_MAX_MD_SIZE];
        if (!Digest(md, parts, out))
            return kCryptoFailed;
        key.insert(key.end(), out, out + DigestLength(auth));
    }
    key.resize(length);
    return 0;
}

int PrivacyKey(TAuthProtocol auth, TPrivProtocol priv, std::string_view password,
               std::span<const std::uint8_t> engineId, TKey& key)
{
    const std::size_t length = PrivKeyLength(priv);
    if (length == 0) {
        key.clear();
        return kNoProtocol;
    }
    if (int code = LocalizedKey(auth, password, engineId, key))
        return code;
    if (int code = ExtendKey(auth, key, length)) {
        key.clear();
        return code;
    }
    return 0;
}

}  // namespace vxsnmp::usm
