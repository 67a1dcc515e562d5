#pragma once
// A helper program run by a test (a Modbus slave, socat): started with its
// arguments, its standard output readable line by line, stopped with SIGTERM
// when the test is done. Every wait is bounded.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace vorta::test {

class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> argv) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            std::vector<char*> args;
            for (std::string& a : argv) args.push_back(a.data());
            args.push_back(nullptr);
            execvp(args[0], args.data());
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
    }
    ~ChildProcess() {
        stop();
        if (out_ >= 0) close(out_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits until the program has printed `line` (a whole line) or `timeoutMs` passed.
    bool waitForLine(const std::string& line, int timeoutMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            for (std::size_t nl; (nl = buffer_.find('\n')) != std::string::npos;) {
                const std::string got = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                if (got == line) return true;
            }
            pollfd fd{out_, POLLIN, 0};
            if (poll(&fd, 1, 50) <= 0) continue;
            char chunk[256];
            const ssize_t n = read(out_, chunk, sizeof chunk);
            if (n <= 0) return false;  // it ended
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
        return false;
    }

    // SIGTERM, then its exit code (128 + signal when killed); -1 if it had to be killed after 5 s.
    int stop() {
        if (pid_ <= 0) return exit_;
        kill(pid_, SIGTERM);
        int status = 0;
        for (int i = 0; i < 500; ++i) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return exit_;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int exit_ = -1;
    std::string buffer_;
};

}  // namespace vorta::test
