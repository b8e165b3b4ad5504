#include "metrics/MetricsOptions.h"

#include <gtest/gtest.h>

namespace {

TEST(MetricsOptions, EndpointIsAPortWithAnOptionalAddress)
{
    const struct {
        const char* text;
        const char* endpoint;  // as the status bar names it; nullptr when refused
    } cases[] = {
        {"9469", "127.0.0.1:9469"},
        {"127.0.0.2:9469", "127.0.0.2:9469"},
        {"0.0.0.0:1", "0.0.0.0:1"},
        {"[::1]:65535", "[::1]:65535"},
        {"::1:9469", nullptr},  // an IPv6 address goes in brackets
        {"localhost:9469", nullptr},
        {"0", nullptr},
        {"65536", nullptr},
        {"127.0.0.1:", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        const auto endpoint = ParseMetricsEndpoint(QString::fromLatin1(c.text));
        EXPECT_EQ(endpoint ? MetricsEndpointText(*endpoint).toStdString() : "refused",
                  c.endpoint ? c.endpoint : "refused")
            << c.text;
    }
    const TMetricsOptions options =
        ParseMetricsOptions({"/XML", "a.xml", "--metrics", "x", "/METRICS", "9470"});
    EXPECT_EQ(options.warnings.size(), 1);
    ASSERT_TRUE(options.endpoint);
    EXPECT_EQ(options.endpoint->port, 9470);
}

}  // namespace
