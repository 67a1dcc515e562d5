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
#include "support/pty_flood.h"

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
    vorta::bench::PatternReceiver receiver;
    channel.setOnBytesArrived([&](std::string_view bytes) { receiver.take(bytes); });
    if (!channel.open()) {
        std::printf("open failed\n");
        return;
    }

    const double seconds = vorta::bench::FloodPty(master, vorta::bench::PatternData(total), writeSize, loop, receiver);
    channel.close();
    ::close(master);
    ::close(slave);

    const long posts = loop.posts.load();
    std::printf(
        "writes of %6zu bytes: %zu of %zu bytes in %.3f s = %.1f MB/s, in order: %s, "
        "deliveries: %ld (%.0f bytes each)\n",
        writeSize, receiver.received, total, seconds, static_cast<double>(receiver.received) / seconds / 1e6,
        receiver.whole(total) ? "yes" : "NO", posts, posts ? static_cast<double>(receiver.received) / posts : 0.0);
}

}  // namespace

int main() {
    std::printf("serial channel, pseudo-terminal to UI-thread handler (target >= 2 MB/s)\n");
    Run(64u << 20, 4096);
    Run(16u << 20, 64);
    Run(8u << 20, 16);
    return 0;
}
