// Pushes bytes from a pseudo-terminal through the serial channel to a handler
// on the UI thread and prints the throughput and whether every byte arrived
// in order.
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "serial/serial_channel.h"
#include "base/virtual_loop.h"

namespace {
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class CountingLoop : public vorta::base::VirtualLoop {
public:
    void post(Task task) override {
        ++posts;
        VirtualLoop::post(std::move(task));
    }
    std::atomic<long> posts{0};
};

unsigned char PatternByte(std::size_t i) { return static_cast<unsigned char>((i * 31 + i / 251) & 0xFF); }

void Run(std::size_t total, std::size_t writeSize) {
    int master = -1, slave = -1;
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return;
    }
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);

    CountingLoop loop;
    const std::string device = name;
    vorta::serial::SerialChannel channel(loop, [&](int) { return device; });
    channel.setBaudRate(4000000);
    std::size_t received = 0;
    bool inOrder = true;
    channel.setOnBytesArrived([&](std::string_view bytes) {
        for (const char byte : bytes) {
            if (static_cast<unsigned char>(byte) != PatternByte(received)) inOrder = false;
            ++received;
        }
    });
    if (!channel.open()) {
        std::printf("open failed\n");
        return;
    }

    std::string data(total, '\0');
    for (std::size_t i = 0; i < total; ++i) data[i] = static_cast<char>(PatternByte(i));

    const auto start = Clock::now();
    std::thread writer([&] {
        for (std::size_t done = 0; done < total;) {
            const ssize_t n = ::write(master, data.data() + done, std::min(writeSize, total - done));
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
    });
    auto lastProgress = Clock::now();
    std::size_t lastCount = 0;
    while (received < total && Clock::now() - lastProgress < 3s) {
        loop.waitAndRun(100ms);
        if (received != lastCount) {
            lastCount = received;
            lastProgress = Clock::now();
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    writer.join();
    channel.close();
    ::close(master);
    ::close(slave);

    const long posts = loop.posts.load();
    std::printf(
        "writes of %6zu bytes: %zu of %zu bytes in %.3f s = %.1f MB/s, in order: %s, "
        "deliveries: %ld (%.0f bytes each)\n",
        writeSize, received, total, seconds, received / seconds / 1e6, inOrder && received == total ? "yes" : "NO",
        posts, posts ? static_cast<double>(received) / posts : 0.0);
}

}  // namespace

int main() {
    std::printf("serial channel, pseudo-terminal to UI-thread handler (target >= 2 MB/s)\n");
    Run(64u << 20, 4096);
    Run(16u << 20, 64);
    Run(8u << 20, 16);
    return 0;
}
