// TSilentPort: a UDP port on 127.0.0.1 that takes datagrams and never answers,
// like an agent that has gone quiet. It counts what arrived.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

class TSilentPort {
public:
    TSilentPort()
    {
        fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("cannot bind a silent UDP port on 127.0.0.1");
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~TSilentPort() { ::close(fd); }
    TSilentPort(const TSilentPort&) = delete;
    TSilentPort& operator=(const TSilentPort&) = delete;

    int Port() const { return port; }

    // Reads and counts every datagram waiting.
    int TakeDatagrams()
    {
        char buffer[2048];
        int n = 0;
        while (::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) >= 0)
            ++n;
        return n;
    }

private:
    int fd = -1;
    int port = 0;
};
