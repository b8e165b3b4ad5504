// IPv4 addresses of the engine: resolution of address or host-name texts and
// their dotted form. Addresses are kept in network byte order; 0 means none
// (or, for a local address, any).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vxsnmp {

inline constexpr std::uint32_t kNoAddress = 0;
inline constexpr std::uint32_t kBroadcastAddress = 0xFFFFFFFFu;

// ResolveHost turns `text` into an IPv4 address: empty text gives kNoAddress,
// a dotted address is taken as it is, "255.255.255.255" is the broadcast
// address, any other text is looked up as a host name (blocking) and its first
// IPv4 address taken. Returns 0, or a socket code (11001 host not found, ...)
// with `address` set to kNoAddress. When `all` is given it receives every
// IPv4 address the text stands for (one for an address text, none for empty
// text or a failed lookup).
int ResolveHost(const std::string& text, std::uint32_t& address, std::vector<std::uint32_t>* all = nullptr);

// DottedAddress gives "a.b.c.d" for an address, or empty text for kNoAddress.
std::string DottedAddress(std::uint32_t address);

// LocalHostName is the machine's host name ("localhost" when it has none).
std::string LocalHostName();

}  // namespace vxsnmp
