// The libcrypto objects behind the protocol names; used inside the USM library only.
#pragma once

#include "snmp/UsmKeys.h"

#include <openssl/evp.h>

namespace vxsnmp::usm {

// The digest of an authentication protocol, nullptr for None.
const EVP_MD* DigestOf(TAuthProtocol auth);

// Digest computes H(parts...) into `out` (room for EVP_MAX_MD_SIZE bytes).
bool Digest(const EVP_MD* md, std::span<const std::span<const std::uint8_t>> parts, std::uint8_t* out);

}  // namespace vxsnmp::usm
