#include "metrics/MetricsServer.h"

#include "engine/ResultStore.h"

#include "EventPump.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A client of our own on plain sockets, run on a thread while the test's
// event loop serves: connects to 127.0.0.1:port.
int Connect(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const timeval wait{5, 0};  // a hang guard, not a timing requirement
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Sends bytes and reads up to the end of the status line; empty when the
// server closed the connection instead.
std::string StatusLine(int fd, const std::string& bytes)
{
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    std::string answer;
    char buffer[4096];
    while (answer.find("\r\n") == std::string::npos) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        answer.append(buffer, size_t(n));
    }
    return answer.substr(0, answer.find("\r\n"));
}

class MetricsServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.Listen({QHostAddress(QHostAddress::LocalHost), 0}))
            << server.ErrorText().toStdString();
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
            const int fd = Connect(port);
            const std::string status = fd < 0 ? "no connection" : StatusLine(fd, request);
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
            sockets.push_back(Connect(port));
        int served = 0;
        for (const int fd : sockets)
            served += StatusLine(fd, get) == "HTTP/1.1 200 OK" ? 1 : 0;
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
