// Message authentication of the user-based security model: the HMAC of the
// whole message, cut to MacLength bytes, travels in msgAuthenticationParameters.
//
// The sender builds the message with that field filled with zeros, computes
// the HMAC over the whole message and writes it into the field; the receiver
// puts zeros back into a copy, computes the HMAC again and compares.
#pragma once

#include "snmp/UsmKeys.h"

namespace vxsnmp::usm {

// SignMessage writes the truncated HMAC of `message` (whose MacLength bytes at
// `authOffset` are the zero-filled placeholder) into that placeholder. Fails
// with kNoProtocol, kBadKey (key not of the digest's length), kCryptoFailed,
// or kWrongDigest when the placeholder does not fit inside the message.
int SignMessage(TAuthProtocol auth, std::span<const std::uint8_t> key, std::span<std::uint8_t> message,
                std::size_t authOffset);

// VerifyMessage checks that the `authLength` bytes at `authOffset` hold the
// truncated HMAC of `message` with those bytes zeroed. Returns 0, or
// kWrongDigest (digest differs, or `authLength` is not MacLength), and the
// failures of SignMessage. The comparison takes the same time wherever the
// digests differ.
int VerifyMessage(TAuthProtocol auth, std::span<const std::uint8_t> key,
                  std::span<const std::uint8_t> message, std::size_t authOffset, std::size_t authLength);

}  // namespace vxsnmp::usm
