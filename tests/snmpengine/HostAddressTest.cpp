// Address texts of either family: literals, brackets, scopes, and names that
// resolve to nothing.
#include "snmp/HostAddress.h"
#include "snmp/SocketErrors.h"
#include "UnresolvableHost.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>

namespace {

using vxsnmp::ResolveHost;
using vxsnmp::TNetAddress;

TEST(HostAddress, LiteralsOfBothFamiliesAndTheirText)
{
    struct {
        const char* why;
        const char* text;
        int family;
        const char* shown;
    } const cases[] = {
        {"IPv4 dotted", "127.0.0.1", AF_INET, "127.0.0.1"},
        {"IPv6 bare", "::1", AF_INET6, "::1"},
        {"IPv6 in brackets", "[::1]", AF_INET6, "::1"},
        {"IPv6 with a scope", "fe80::1%lo", AF_INET6, "fe80::1%lo"},
        {"scope in brackets", "[fe80::1%lo]", AF_INET6, "fe80::1%lo"},
        {"IPv4 written in IPv6 is IPv4", "::ffff:127.0.0.2", AF_INET, "127.0.0.2"},
        {"empty is none", "", 0, ""},
    };
    for (const auto& c : cases) {
        TNetAddress a;
        std::vector<TNetAddress> all;
        EXPECT_EQ(ResolveHost(c.text, a, &all), 0) << c.why;
        EXPECT_EQ(a.Family(), c.family) << c.why;
        EXPECT_EQ(a.Text(), c.shown) << c.why;
        // The answers accepted from the host come from the addresses listed.
        EXPECT_EQ(all, a.IsNone() ? std::vector<TNetAddress>{} : std::vector<TNetAddress>{a}) << c.why;
    }
}

TEST(HostAddress, ScopeIsPartOfTheAddress)
{
    TNetAddress scoped, bare, bracketed;
    ASSERT_EQ(ResolveHost("fe80::1%lo", scoped), 0);
    ASSERT_EQ(ResolveHost("fe80::1", bare), 0);
    ASSERT_EQ(ResolveHost("[fe80::1]", bracketed), 0);
    EXPECT_FALSE(scoped == bare);
    EXPECT_TRUE(bare == bracketed);
    sockaddr_storage sa{};
    scoped.ToSocket(AF_INET6, 161, sa);
    EXPECT_EQ(reinterpret_cast<const sockaddr_in6*>(&sa)->sin6_scope_id, if_nametoindex("lo"));
}

TEST(HostAddress, MappedIpv4FromAnIpv6SocketIsTheIpv4Peer)
{
    TNetAddress v4;
    ASSERT_EQ(ResolveHost("127.0.0.1", v4), 0);
    sockaddr_storage sa{};
    ASSERT_EQ(v4.ToSocket(AF_INET6, 161, sa), static_cast<socklen_t>(sizeof(sockaddr_in6)));
    const TNetAddress back =
        TNetAddress::FromSocket(reinterpret_cast<const sockaddr*>(&sa), sizeof(sockaddr_in6));
    EXPECT_TRUE(back == v4);
    EXPECT_EQ(back.Text(), "127.0.0.1");
}

TEST(HostAddress, NothingToResolveKeepsHostNotFound)
{
    for (const std::string& text :
         {UnresolvableHost().toStdString(), std::string("[::1"), std::string("fe80::1%no-such-interface")}) {
        TNetAddress a;
        EXPECT_EQ(ResolveHost(text, a), vxsnmp::kWsaHostNotFound) << text;
        EXPECT_TRUE(a.IsNone()) << text;
    }
}

}  // namespace
