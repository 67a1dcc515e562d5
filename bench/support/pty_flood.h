#pragma once
// The flood of the serial benchmarks: a pattern that shows a lost, doubled or
// swapped byte, written into a pseudo-terminal's master as fast as it is taken
// while the program's loop delivers what the channel read.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <thread>

namespace vorta::bench {

inline unsigned char PatternByte(std::size_t i) { return static_cast<unsigned char>((i * 31 + i / 251) & 0xFF); }

inline std::string PatternData(std::size_t total) {
    std::string data(total, '\0');
    for (std::size_t i = 0; i < total; ++i) data[i] = static_cast<char>(PatternByte(i));
    return data;
}

// Counts what arrives and whether it came in the pattern's order.
struct PatternReceiver {
    std::size_t received = 0;
    bool inOrder = true;
    void take(std::string_view bytes) {
        for (const char byte : bytes) {
            if (static_cast<unsigned char>(byte) != PatternByte(received)) inOrder = false;
            ++received;
        }
    }
    bool whole(std::size_t total) const { return inOrder && received == total; }
};

// Writes `data` in pieces of `writeSize` on a thread of its own and runs the
// loop until all of it arrived or nothing more did for 3 s; the seconds taken.
template <class Loop>
double FloodPty(int master, const std::string& data, std::size_t writeSize, Loop& loop,
                const PatternReceiver& receiver) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::thread writer([&] {
        for (std::size_t done = 0; done < data.size();) {
            const ssize_t n = ::write(master, data.data() + done, std::min(writeSize, data.size() - done));
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
    });
    auto lastProgress = Clock::now();
    std::size_t lastCount = 0;
    while (receiver.received < data.size() && Clock::now() - lastProgress < std::chrono::seconds(3)) {
        loop.waitAndRun(std::chrono::milliseconds(100));
        if (receiver.received != lastCount) {
            lastCount = receiver.received;
            lastProgress = Clock::now();
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    writer.join();
    return seconds;
}

}  // namespace vorta::bench
