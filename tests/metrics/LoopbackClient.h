// The metrics endpoint on 127.0.0.1 and a client of our own on plain
// sockets, shared by the server tests and bench_metrics. The client runs on
// a thread of its own while the server's event loop serves.
#pragma once

#include "metrics/MetricsServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace vxmetrics {

// Makes server listen on a free port of 127.0.0.1; false when it cannot
// (server.ErrorText() says why).
inline bool ListenOnLoopback(TMetricsServer& server)
{
    return server.Listen({QHostAddress(QHostAddress::LocalHost), 0});
}

// A connection to 127.0.0.1:port; -1 when it is refused. Reads wait at most
// waitSeconds (a hang guard, not a timing requirement).
inline int Connect(int port, int waitSeconds = 5)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const timeval wait{waitSeconds, 0};
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
inline std::string StatusLine(int fd, const std::string& bytes)
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

// Sends bytes and reads the whole answer, to the end its Content-Length
// gives; false when the connection ends before.
inline bool Exchange(int fd, const std::string& bytes, std::string* answer)
{
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    answer->clear();
    static char buffer[65536];
    size_t wanted = std::string::npos;
    while (wanted == std::string::npos || answer->size() < wanted) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        answer->append(buffer, size_t(n));
        const size_t end = answer->find("\r\n\r\n");
        const size_t length = answer->find("Content-Length: ");
        if (wanted == std::string::npos && end != std::string::npos && length < end)
            wanted = end + 4 + std::stoul(answer->substr(length + 16));
    }
    return answer->size() == wanted;
}

}  // namespace vxmetrics
