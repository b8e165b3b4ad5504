// Privacy of the user-based security model: the scoped PDU travels encrypted,
// and msgPrivacyParameters carries the 8-byte salt the receiver needs.
//
//   CBC-DES   key = privacy key bytes 0..7, pre-IV = bytes 8..15,
//             salt = engineBoots (4 bytes) || local counter (4 bytes),
//             IV = pre-IV XOR salt; the plaintext is padded to 8 bytes.
//   CFB-AES   key = privacy key bytes 0..15 / 23 / 31,
//             salt = local 64-bit counter,
//             IV = engineBoots (4) || engineTime (4) || salt (8); no padding.
//
// Boots and time are those of the authoritative engine, as the message
// carries them. CBC-DES needs OpenSSL's legacy provider, loaded on first use.
#pragma once

#include "snmp/UsmKeys.h"

#include <array>

namespace vxsnmp::usm {

using TSalt = std::array<std::uint8_t, 8>;

// TSaltCounter hands out salts that do not repeat under one key: both
// counters start at random values and advance by one per message.
class TSaltCounter {
public:
    // The salt of the next message under `priv` to an engine at `boots`. The
    // counters start at random values, drawn at the first salt: a manager
    // that never encrypts never starts libcrypto's generator.
    TSalt Next(TPrivProtocol priv, std::uint32_t boots);

private:
    void Seed();

    bool seeded = false;
    std::uint32_t desCounter = 0;
    std::uint64_t aesCounter = 0;
};

// Encrypt encrypts a scoped PDU (the whole SEQUENCE element) with the privacy
// key. Fails with kNoProtocol, kBadKey (key shorter than PrivKeyLength),
// kDesUnavailable or kCryptoFailed; `ciphertext` is then empty.
int Encrypt(TPrivProtocol priv, std::span<const std::uint8_t> key, std::uint32_t boots, std::uint32_t time,
            const TSalt& salt, std::span<const std::uint8_t> plaintext,
            std::vector<std::uint8_t>& ciphertext);

// Decrypt reverses Encrypt with the salt from msgPrivacyParameters. Fails with
// kDecryptionError when the salt is not 8 bytes or a DES ciphertext is not a
// whole number of blocks, and as Encrypt. A wrong key is not detected here:
// the plaintext is then noise that the scoped PDU parser refuses. DES padding
// stays at the end of `plaintext`.
int Decrypt(TPrivProtocol priv, std::span<const std::uint8_t> key, std::uint32_t boots, std::uint32_t time,
            std::span<const std::uint8_t> salt, std::span<const std::uint8_t> ciphertext,
            std::vector<std::uint8_t>& plaintext);

// LoadLegacyProvider loads OpenSSL's legacy provider (for DES) once, beside
// the default provider. Returns 0 or kDesUnavailable; later calls return the
// first result.
int LoadLegacyProvider();

}  // namespace vxsnmp::usm
