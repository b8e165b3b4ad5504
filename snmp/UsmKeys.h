// Protocols and keys of the user-based security model (USM): the digest and
// cipher behind each protocol name, and the keys localized from passwords.
//
// A key is derived in two steps. The password is repeated to one megabyte
// and digested (Ku, the same for every agent); Ku is then digested between
// two copies of the agent's engine ID (Kul, the localized key):
//
//   Ku  = H(password password pass...)        1,048,576 bytes
//   Kul = H(Ku || engineID || Ku)
//
// A privacy key is the Kul of the privacy password under the same digest,
// cut to the length its cipher needs. When the digest is shorter than that
// (AES-192 and AES-256 behind MD5, SHA-1, SHA-224), the key is extended as
// the agents that offer those ciphers do: Kul' = Kul || H(Kul), repeated
// over the whole key so far until it is long enough, then cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vxsnmp::usm {

using TKey = std::vector<std::uint8_t>;

enum class TAuthProtocol : std::uint8_t { None, Md5, Sha1, Sha224, Sha256, Sha384, Sha512 };
enum class TPrivProtocol : std::uint8_t { None, Des, Aes128, Aes192, Aes256 };
enum class TSecurityLevel : std::uint8_t { NoAuthNoPriv, AuthNoPriv, AuthPriv };

// Result codes of the security processing; they follow the codec's codes.
enum Code : int {
    kNoProtocol = 460,        // a protocol is None (or unknown) where one is needed
    kShortPassword = 461,     // a password of fewer than kMinPasswordLength characters
    kCryptoFailed = 462,      // libcrypto refused a digest or cipher operation
    kDesUnavailable = 463,    // CBC-DES needs OpenSSL's legacy provider, which did not load
    kWrongDigest = 464,       // an incoming message's digest does not match
    kDecryptionError = 465,   // an encrypted scoped PDU cannot be decrypted
    kBadKey = 466,            // a key shorter than its protocol needs
    kUnknownEngine = 467,     // an answer from another engine ID than the one discovered
    kUnknownUser = 468,       // an answer for another user than the one that asked
    kNotInTimeWindow = 469,   // an answer whose boots and time lie outside the time window
    kUnsupportedLevel = 470,  // a security level the message or the user cannot carry
};

// UsmText gives the message for one of the codes above ("" for others).
std::string_view UsmText(int code);

// Agents refuse shorter passwords, and so does the key derivation.
inline constexpr std::size_t kMinPasswordLength = 8;

// The digest length of the protocol's hash (MD5 16 ... SHA-512 64), 0 for None.
std::size_t DigestLength(TAuthProtocol auth);
// The length of the truncated HMAC that travels in msgAuthenticationParameters:
// 12 for HMAC-MD5-96 and HMAC-SHA-96, 16/24/32/48 for the SHA-2 family, 0 for None.
std::size_t MacLength(TAuthProtocol auth);
// The key bytes a privacy protocol uses: 16 for DES (key and pre-IV), 16/24/32
// for AES-128/192/256, 0 for None.
std::size_t PrivKeyLength(TPrivProtocol priv);

// PasswordToKey derives Ku from a password. Fails with kNoProtocol,
// kShortPassword or kCryptoFailed; `ku` is then empty.
int PasswordToKey(TAuthProtocol auth, std::string_view password, TKey& ku);

// LocalizeKey derives Kul from Ku and an engine ID. Fails with kNoProtocol,
// kBadKey (Ku not of the digest's length) or kCryptoFailed; `kul` is then empty.
int LocalizeKey(TAuthProtocol auth, std::span<const std::uint8_t> ku, std::span<const std::uint8_t> engineId,
                TKey& kul);

// LocalizedKey is PasswordToKey and LocalizeKey in one step: the
// authentication key of a user at one agent.
int LocalizedKey(TAuthProtocol auth, std::string_view password, std::span<const std::uint8_t> engineId,
                 TKey& kul);

// ExtendKey lengthens `key` to `length` bytes by appending the digest of the
// key so far until it is long enough, then cuts it; a key already long enough
// is only cut.
int ExtendKey(TAuthProtocol auth, TKey& key, std::size_t length);

// PrivacyKey derives the key of a privacy protocol from the privacy password:
// localized under `auth`'s digest, then cut or extended to PrivKeyLength.
int PrivacyKey(TAuthProtocol auth, TPrivProtocol priv, std::string_view password,
               std::span<const std::uint8_t> engineId, TKey& key);

}  // namespace vxsnmp::usm
