// Addresses of the engine: an IPv4 or IPv6 address (no port) as a value,
// resolution of address or host-name texts, and their text form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>

namespace vxsnmp {

// TNetAddress: one IPv4 or IPv6 address, or none. IPv6 keeps its scope
// (interface) id. Compares by family, address bytes and scope.
class TNetAddress {
public:
    TNetAddress() = default;
    // An IPv4 address in network byte order (0 gives none).
    static TNetAddress Ipv4(std::uint32_t networkOrder);
    // The address part of a socket address of either family; an IPv4 address
    // mapped into IPv6 (::ffff:a.b.c.d) is taken as the IPv4 address.
    static TNetAddress FromSocket(const sockaddr* address, socklen_t length);

    int Family() const { return family; }  // 0, AF_INET or AF_INET6
    bool IsNone() const { return family == 0; }
    bool IsIpv6() const { return family == AF_INET6; }
    // The IPv4 address in network byte order, 0 for none or IPv6.
    std::uint32_t Ipv4Value() const;

    // "a.b.c.d", "2001:db8::1" or "fe80::1%lo"; empty for none.
    std::string Text() const;

    // A socket address of `socketFamily` (the address's own family, or
    // AF_INET6 for an IPv4 address on an IPv6 socket) with `port`.
    // None gives the family's any address.
    socklen_t ToSocket(int socketFamily, std::uint16_t port, sockaddr_storage& out) const;

    bool operator==(const TNetAddress& other) const;

private:
    int family = 0;
    in_addr v4{};
    in6_addr v6{};
    std::uint32_t scope = 0;
};

inline constexpr std::uint32_t kNoAddress = 0;
inline constexpr std::uint32_t kBroadcastAddress = 0xFFFFFFFFu;

// ResolveHost turns `text` into an address: empty text gives none, a dotted
// IPv4 address or an IPv6 literal (bare, in brackets, with "%interface") is
// taken as it is, any other text is looked up as a host name (blocking) and
// the first address of either family the system returns is taken. Returns 0,
// or a socket code (11001 host not found, ...) with `address` set to none.
// When `all` is given it receives every address the text stands for (one for
// an address text, none for empty text or a failed lookup).
int ResolveHost(const std::string& text, TNetAddress& address, std::vector<TNetAddress>* all = nullptr);

// DottedAddress gives "a.b.c.d" for an IPv4 address, or empty text for kNoAddress.
std::string DottedAddress(std::uint32_t address);

// LocalHostName is the machine's host name ("localhost" when it has none).
std::string LocalHostName();

}  // namespace vxsnmp
