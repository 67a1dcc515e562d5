#pragma once
// A port number on 127.0.0.1 that nothing listens on now: the kernel's pick
// for a socket bound to port 0, released again. 0 when no socket could be had.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vorta::test {

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

}  // namespace vorta::test
