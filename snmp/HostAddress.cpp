#include "snmp/HostAddress.h"

#include <algorithm>

#include "snmp/SocketErrors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <netdb.h>
#include <unistd.h>

namespace vxsnmp {

TNetAddress TNetAddress::Ipv4(std::uint32_t networkOrder)
{
    TNetAddress a;
    if (networkOrder != kNoAddress) {
        a.family = AF_INET;
        a.v4.s_addr = networkOrder;
    }
    return a;
}

TNetAddress TNetAddress::FromSocket(const sockaddr* address, socklen_t length)
{
    TNetAddress a;
    if (address == nullptr)
        return a;
    if (address->sa_family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
        a.family = AF_INET;
        a.v4 = reinterpret_cast<const sockaddr_in*>(address)->sin_addr;
    } else if (address->sa_family == AF_INET6 && length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
        const auto* six = reinterpret_cast<const sockaddr_in6*>(address);
        if (IN6_IS_ADDR_V4MAPPED(&six->sin6_addr)) {
            a.family = AF_INET;
            std::memcpy(&a.v4, &six->sin6_addr.s6_addr[12], sizeof a.v4);
        } else {
            a.family = AF_INET6;
            a.v6 = six->sin6_addr;
            a.scope = six->sin6_scope_id;
        }
    }
    return a;
}

std::uint32_t TNetAddress::Ipv4Value() const { return family == AF_INET ? v4.s_addr : kNoAddress; }

std::string TNetAddress::Text() const
{
    char buffer[INET6_ADDRSTRLEN + IF_NAMESIZE + 2] = {};
    if (family == AF_INET)
        return DottedAddress(v4.s_addr);
    if (family != AF_INET6 || inet_ntop(AF_INET6, &v6, buffer, sizeof buffer) == nullptr)
        return {};
    std::string text = buffer;
    if (scope != 0) {
        char name[IF_NAMESIZE] = {};
        text += '%';
        text += if_indextoname(scope, name) != nullptr ? std::string(name) : std::to_string(scope);
    }
    return text;
}

socklen_t TNetAddress::ToSocket(int socketFamily, std::uint16_t port, sockaddr_storage& out) const
{
    out = {};
    if (socketFamily == AF_INET) {
        auto* sa = reinterpret_cast<sockaddr_in*>(&out);
        sa->sin_family = AF_INET;
        sa->sin_port = htons(port);
        sa->sin_addr = family == AF_INET ? v4 : in_addr{};
        return sizeof(sockaddr_in);
    }
    auto* sa = reinterpret_cast<sockaddr_in6*>(&out);
    sa->sin6_family = AF_INET6;
    sa->sin6_port = htons(port);
    if (family == AF_INET6) {
        sa->sin6_addr = v6;
        sa->sin6_scope_id = scope;
    } else if (family == AF_INET) {  // ::ffff:a.b.c.d
        sa->sin6_addr.s6_addr[10] = 0xFF;
        sa->sin6_addr.s6_addr[11] = 0xFF;
        std::memcpy(&sa->sin6_addr.s6_addr[12], &v4, sizeof v4);
    }
    return sizeof(sockaddr_in6);
}

bool TNetAddress::operator==(const TNetAddress& other) const
{
    if (family != other.family)
        return false;
    if (family == AF_INET)
        return v4.s_addr == other.v4.s_addr;
    if (family == AF_INET6)
        return std::memcmp(&v6, &other.v6, sizeof v6) == 0 && scope == other.scope;
    return true;
}

namespace {

// An IPv6 literal, bare or in brackets, with an optional "%interface".
bool ParseIpv6Literal(std::string text, TNetAddress& address)
{
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
        text = text.substr(1, text.size() - 2);
    if (text.find(':') == std::string::npos)
        return false;
    addrinfo hints{};
    hints.ai_family = AF_INET6;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    if (getaddrinfo(text.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        return false;
    address = TNetAddress::FromSocket(found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    return !address.IsNone();
}

}  // namespace

int ResolveHost(const std::string& text, TNetAddress& address, std::vector<TNetAddress>* all)
{
    address = {};
    if (all != nullptr)
        all->clear();
    if (text.empty())
        return 0;
    in_addr parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) == 1) {
        address = TNetAddress::Ipv4(parsed.s_addr);
        if (all != nullptr)
            all->push_back(address);
        return 0;
    }
    if (ParseIpv6Literal(text, address)) {
        if (all != nullptr)
            all->push_back(address);
        return 0;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    errno = 0;
    int result = getaddrinfo(text.c_str(), nullptr, &hints, &found);
    if (result != 0)
        return SocketCodeFromLookup(result, errno);
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const TNetAddress one = TNetAddress::FromSocket(a->ai_addr, a->ai_addrlen);
        if (one.IsNone())
            continue;
        if (address.IsNone())
            address = one;
        if (all == nullptr)
            break;
        if (std::find(all->begin(), all->end(), one) == all->end())
            all->push_back(one);
    }
    freeaddrinfo(found);
    return address.IsNone() ? kWsaNoData : 0;
}

std::string DottedAddress(std::uint32_t address)
{
    if (address == kNoAddress)
        return {};
    const std::uint32_t host = ntohl(address);
    return std::to_string(host >> 24) + "." + std::to_string((host >> 16) & 0xFF) + "."
         + std::to_string((host >> 8) & 0xFF) + "." + std::to_string(host & 0xFF);
}

std::string LocalHostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    return name;
}

}  // namespace vxsnmp
