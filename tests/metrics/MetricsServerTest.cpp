#include "metrics/MetricsServer.h"

#include "engine/ResultStore.h"

#include "EventPump.h"
#include "LoopbackClient.h"

#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

class MetricsServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(vxmetrics::ListenOnLoopback(server)) << server.ErrorText().toStdString();
    }
    // Runs the client on a thread while the event loop serves.
    template <typename F>
    auto Client(F client)
    {
        auto result = std::async(std::launch::async, client);
        EXPECT_TRUE(vxtest::PumpUntil(
            [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 30000));
        return result.get();
    }
    std::string Ask(const std::string& request)
    {
        return Client([port = server.Endpoint().port, request] {
            const int fd = vxmetrics::Connect(port);
            const std::string status = fd < 0 ? "no connection" : vxmetrics::StatusLine(fd, request);
            ::close(fd);
            return status;
        });
    }

    TResultStore store;
    TMetricsServer server{store, nullptr};
};

TEST_F(MetricsServerTest, BadRequestsGetTheirStatusOrAClosedConnection)
{
    const std::string get = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    // A TLS client hello's first bytes, NULs included.
    static constexpr char kGarbage[] = "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03 \r\n\r\n";
    const struct {
        const char* why;
        std::string request;
        const char* status;  // the status line expected
        bool closedWillDo;   // or the connection closed without one
    } cases[] = {
        {"scrape", get, "HTTP/1.1 200 OK", false},
        {"unknown path", "GET /other HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "HTTP/1.1 404 Not Found", false},
        {"POST", "POST /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n",
         "HTTP/1.1 405 Method Not Allowed", false},
        {"1 MB header", "GET /metrics HTTP/1.1\r\nX-Big: " + std::string(1 << 20, 'a') + "\r\n\r\n",
         "HTTP/1.1 431 Request Header Fields Too Large", true},
        {"garbage bytes", std::string(kGarbage, sizeof kGarbage - 1), "HTTP/1.1 400 Bad Request", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const std::string status = Ask(c.request);
        EXPECT_TRUE(status == c.status || (c.closedWillDo && status.empty())) << status;
    }
    // The server still serves after all of them.
    EXPECT_EQ(Ask(get), "HTTP/1.1 200 OK");
}

TEST_F(MetricsServerTest, ConnectionsBeyondTheLimitAreClosedAndTheServerGoesOn)
{
    const std::string get = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    const auto answered = Client([port = server.Endpoint().port, get] {
        std::vector<int> sockets;
        for (int i = 0; i < 100; ++i)
            sockets.push_back(vxmetrics::Connect(port));
        int served = 0;
        for (const int fd : sockets)
            served += vxmetrics::StatusLine(fd, get) == "HTTP/1.1 200 OK" ? 1 : 0;
        for (const int fd : sockets)
            ::close(fd);
        return served;
    });
    EXPECT_GE(answered, 1);
    EXPECT_LE(answered, TMetricsServer::kMaxConnections);
    EXPECT_TRUE(vxtest::PumpUntil([&] { return server.OpenConnections() == 0; }));
    EXPECT_EQ(Ask(get), "HTTP/1.1 200 OK");
}

}  // namespace
