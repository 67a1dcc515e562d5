#pragma once
// vorta-device run by a test, and the port it makes opened the way a serial
// program opens it. Every wait is bounded.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vorta::device::testing {

using namespace std::chrono_literals;

class DeviceProcess {
public:
    // Starts the device with `args`, TMPDIR set to `tmpdir`, its stderr into `log`.
    DeviceProcess(std::vector<std::string> args, const std::string& tmpdir, const std::string& log) {
        pid_ = fork();
        if (pid_ == 0) {
            setenv("TMPDIR", tmpdir.c_str(), 1);
            const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (err >= 0) dup2(err, STDERR_FILENO);
            std::vector<char*> argv{const_cast<char*>(VORTA_DEVICE_EXECUTABLE)};
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(VORTA_DEVICE_EXECUTABLE, argv.data());
            _exit(127);
        }
    }
    ~DeviceProcess() {
        if (pid_ > 0 && stop() < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    DeviceProcess(const DeviceProcess&) = delete;
    DeviceProcess& operator=(const DeviceProcess&) = delete;

    bool running() { return pid_ > 0 && waitpid(pid_, &status_, WNOHANG) == 0; }

    // The exit code once it ends by itself; -1 when it still runs after 5 s.
    int waitExit() {
        for (int i = 0; i < 500 && pid_ > 0; ++i) {
            if (waitpid(pid_, &status_, WNOHANG) == pid_) {
                pid_ = -1;
                exit_ = WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
            } else {
                std::this_thread::sleep_for(10ms);
            }
        }
        return pid_ > 0 ? -1 : exit_;
    }

    // SIGTERM, then the exit code; -1 when it did not end within 5 s.
    int stop() {
        if (pid_ <= 0) return exit_;
        kill(pid_, SIGTERM);
        for (int i = 0; i < 500; ++i) {
            if (waitpid(pid_, &status_, WNOHANG) == pid_) {
                pid_ = -1;
                exit_ = WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
                return exit_;
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int status_ = 0;
    int exit_ = -1;
};

// Stops a device gone to the background (not the test's child) when the test
// ends, however it ends; only while that process id still runs the device.
class StopOnExit {
public:
    explicit StopOnExit(pid_t pid) : pid_(pid) {}
    ~StopOnExit() {
        for (int i = 0; i < 100 && isDevice(); ++i) {
            kill(pid_, i == 0 ? SIGTERM : 0);
            std::this_thread::sleep_for(50ms);
        }
        if (isDevice()) kill(pid_, SIGKILL);
    }
    StopOnExit(const StopOnExit&) = delete;
    StopOnExit& operator=(const StopOnExit&) = delete;

private:
    bool isDevice() const {
        std::error_code ec;
        const auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid_) + "/exe", ec);
        return pid_ > 0 && !ec && std::filesystem::equivalent(exe, VORTA_DEVICE_EXECUTABLE, ec);
    }

    pid_t pid_;
};

// Waits up to 5 s for `link` to lead to a pseudo-terminal other than `old`.
inline bool WaitForLink(const std::filesystem::path& link, const std::filesystem::path& old = {}) {
    for (int i = 0; i < 500; ++i) {
        std::error_code ec;
        const std::filesystem::path target = std::filesystem::read_symlink(link, ec);
        if (target.string().starts_with("/dev/pts/") && target != old) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

// The far end of the device's line, opened like a serial program opens a port.
class SerialClient {
public:
    SerialClient(const std::string& path, speed_t speed, bool twoStopBits = false) {
        fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) return;
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        if (twoStopBits) t.c_cflag |= CSTOPB;
        cfsetspeed(&t, speed);
        tcsetattr(fd_, TCSANOW, &t);
    }
    ~SerialClient() {
        if (fd_ >= 0) close(fd_);
    }
    SerialClient(const SerialClient&) = delete;
    SerialClient& operator=(const SerialClient&) = delete;

    bool ok() const { return fd_ >= 0; }
    bool send(std::string_view bytes) { return write(fd_, bytes.data(), bytes.size()) == ssize_t(bytes.size()); }

    // Reads until `count` bytes came or `quietMs` passed without any.
    std::string receive(std::size_t count, int quietMs = 2000) {
        std::string got;
        char buffer[512];
        while (got.size() < count) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, quietMs) <= 0) break;
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n <= 0) break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

    // Everything that comes within `span`.
    std::string collect(std::chrono::milliseconds span) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + span;
        char buffer[512];
        while (true) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

private:
    int fd_ = -1;
};

}  // namespace vorta::device::testing
