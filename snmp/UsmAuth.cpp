#include "snmp/UsmAuth.h"

#include "snmp/UsmOpenSsl.h"

#include <openssl/crypto.h>
#include <openssl/hmac.h>

#include <cstring>
#include <vector>

namespace vxsnmp::usm {

namespace {

// The full HMAC of `message` with `length` zero bytes at `offset`, into `out`.
int Hmac(TAuthProtocol auth, std::span<const std::uint8_t> key, std::span<const std::uint8_t> message,
         std::size_t offset, std::size_t length, std::uint8_t* out)
{
    const EVP_MD* md = DigestOf(auth);
    if (!md)
        return kNoProtocol;
    if (key.size() != DigestLength(auth))
        return kBadKey;
    if (offset > message.size() || message.size() - offset < length)
        return kWrongDigest;
    // Three pieces: before the placeholder, the zeros, after it.
    std::uint8_t zeros[EVP_MAX_MD_SIZE] = {};
    if (length > sizeof zeros)
        return kWrongDigest;
    const std::span<const std::uint8_t> parts[] = {message.first(offset),
                                                   std::span<const std::uint8_t>(zeros, length),
                                                   message.subspan(offset + length)};
    std::vector<std::uint8_t> copy;  // the one-shot HMAC() takes one contiguous buffer
    copy.reserve(message.size());
    for (const auto& part : parts)
        copy.insert(copy.end(), part.begin(), part.end());
    unsigned int outLength = 0;
    if (!HMAC(md, key.data(), static_cast<int>(key.size()), copy.data(), copy.size(), out, &outLength))
        return kCryptoFailed;
    return 0;
}

}  // namespace

int SignMessage(TAuthProtocol auth, std::span<const std::uint8_t> key, std::span<std::uint8_t> message,
                std::size_t authOffset)
{
    const std::size_t length = MacLength(auth);
    std::uint8_t mac[EVP_MAX_MD_SIZE];
    if (int code = Hmac(auth, key, message, authOffset, length, mac))
        return code;
    std::memcpy(message.data() + authOffset, mac, length);
    return 0;
}

int VerifyMessage(TAuthProtocol auth, std::span<const std::uint8_t> key,
                  std::span<const std::uint8_t> message, std::size_t authOffset, std::size_t authLength)
{
    const std::size_t length = MacLength(auth);
    if (length == 0)
        return kNoProtocol;
    if (authLength != length)
        return kWrongDigest;
    std::uint8_t mac[EVP_MAX_MD_SIZE];
    if (int code = Hmac(auth, key, message, authOffset, length, mac))
        return code;
    return CRYPTO_memcmp(mac, message.data() + authOffset, length) == 0 ? 0 : kWrongDigest;
}

}  // namespace vxsnmp::usm
