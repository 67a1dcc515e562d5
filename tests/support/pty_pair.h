#pragma once
// A pseudo-terminal pair for serial tests: the slave's path stands for the
// serial device, the master is the far end of the line.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>

namespace vorta::test {

class PtyPair {
public:
    PtyPair() {
        char name[128] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
        path_ = name;
        // Raw from the start, so bytes written before the channel opens are
        // not echoed or translated.
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        closeFarEnd();
        if (slave_ >= 0) ::close(slave_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0 && slave_ >= 0; }
    const std::string& path() const { return path_; }
    // A descriptor of the device side kept by the test, for tcgetattr.
    int slave() const { return slave_; }
    int master() const { return master_; }

    bool send(std::string_view bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else {
                pollfd fd{master_, POLLOUT, 0};
                if (poll(&fd, 1, 2000) <= 0) return false;
            }
        }
        return true;
    }

    // Reads until `count` bytes came or `timeoutMs` passed without any.
    std::string receive(std::size_t count, int timeoutMs = 2000) {
        std::string got;
        char buffer[4096];
        while (got.size() < count) {
            pollfd fd{master_, POLLIN, 0};
            if (poll(&fd, 1, timeoutMs) <= 0) break;
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

    // Like pulling a USB adapter: the device side hangs up.
    void closeFarEnd() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

}  // namespace vorta::test
