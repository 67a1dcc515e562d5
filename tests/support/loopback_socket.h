#pragma once
// TCP on 127.0.0.1 for the network-port tests: a free port number, and a
// listener standing for a server the test plays itself.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vorta::test {

// A port number nothing listens on now: the kernel's pick for a socket bound
// to port 0, released again. 0 when no socket could be had.
inline int FreeTcpPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    const bool bound = bind(s, reinterpret_cast<sockaddr*>(&a), size) == 0 &&
                       getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) == 0;
    close(s);
    return bound ? ntohs(a.sin_port) : 0;
}

// Listens on a port the kernel picks; port() is 0 when that failed.
class LoopbackListener {
public:
    LoopbackListener() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&a), size) == 0 && listen(fd_, 1) == 0 &&
            getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &size) == 0)
            port_ = ntohs(a.sin_port);
    }
    ~LoopbackListener() {
        if (fd_ >= 0) close(fd_);
    }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int port() const { return port_; }
    // The next connection's socket, or -1.
    int accept() { return ::accept(fd_, nullptr, nullptr); }

private:
    int fd_;
    int port_ = 0;
};

}  // namespace vorta::test
