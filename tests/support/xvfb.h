#pragma once
// Starts a private Xvfb server for a test and stops it afterwards. The server
// picks a free display number itself (-displayfd), so tests may run in parallel.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace vorta::test {

class Xvfb {
public:
    explicit Xvfb(const char* screen = "1280x1024x24") {
        // Two servers starting at once may pick the same free display number;
        // tests running in parallel start theirs one after the other.
        const int lock = open("/tmp/.vorta-xvfb-start.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
        if (lock >= 0) flock(lock, LOCK_EX);
        start(screen);
        if (lock >= 0) close(lock);
    }

private:
    void start(const char* screen) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            // -noreset: clients may come and go one after another on the same server.
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-screen", "0", screen, "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char buf[32] = {};
        std::string number;
        ssize_t n;
        while ((n = read(fds[0], buf, sizeof buf)) > 0) {
            number.append(buf, static_cast<std::size_t>(n));
            if (number.find('\n') != std::string::npos) break;
        }
        close(fds[0]);
        while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
        if (!number.empty()) display_ = ":" + number;
    }

public:
    ~Xvfb() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    // ":N", or empty when the server did not start.
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace vorta::test
