#include "HostAddress.h"

#include <algorithm>

#include "SocketErrors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vxsnmp {

int ResolveHost(const std::string& text, std::uint32_t& address, std::vector<std::uint32_t>* all)
{
    address = kNoAddress;
    if (all != nullptr)
        all->clear();
    if (text.empty())
        return 0;
    in_addr parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) == 1) {
        address = parsed.s_addr;
        if (all != nullptr)
            all->push_back(address);
        return 0;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    errno = 0;
    int result = getaddrinfo(text.c_str(), nullptr, &hints, &found);
    if (result != 0)
        return SocketCodeFromLookup(result, errno);
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_family != AF_INET || a->ai_addr == nullptr)
            continue;
        const std::uint32_t found4 = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
        if (address == kNoAddress)
            address = found4;
        if (all == nullptr)
            break;
        if (std::find(all->begin(), all->end(), found4) == all->end())
            all->push_back(found4);
    }
    freeaddrinfo(found);
    return address == kNoAddress ? kWsaNoData : 0;
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
