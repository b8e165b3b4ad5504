#include "core/HostPort.h"

#include <gtest/gtest.h>

TEST(HostPort, TheFieldGivesTheHostAndMayGiveThePort)
{
    const struct {
        const char* typed;
        const char* host;
        int port;
        bool problem;
    } cases[] = {
        {"agent.example", "agent.example", 0, false},
        {" 192.0.2.7:1161 ", "192.0.2.7", 1161, false},
        {"::1", "::1", 0, false},
        {"fe80::1:2", "fe80::1:2", 0, false},
        {"[::1]", "::1", 0, false},
        {"[::1]:161", "::1", 161, false},
        {"agent:0", "agent", 0, true},
        {"agent:70000", "agent", 0, true},
        {"agent:", "agent", 0, true},
        {"agent:+5", "agent", 0, true},
        {"[::1]161", "", 0, true},
        {"[::1", "", 0, true},
    };
    for (const auto& c : cases) {
        const THostPort split = SplitHostPort(QString::fromLatin1(c.typed));
        EXPECT_EQ(split.host, QString::fromLatin1(c.host)) << c.typed;
        EXPECT_EQ(split.port, c.port) << c.typed;
        EXPECT_EQ(!split.problem.isEmpty(), c.problem) << c.typed;
    }
}
