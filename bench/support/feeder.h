#pragma once
// The far end of the line in the whole-path benchmarks: a child process that
// writes `total` bytes (byte i is i * 7 mod 256) into the pseudo-terminal's
// master at `bytesPerSecond` (0: as fast as the line takes them), then exits.
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

namespace vorta::bench {

inline unsigned char FedByte(long i) { return static_cast<unsigned char>(i * 7); }

inline pid_t StartFeeder(int master, long total, long bytesPerSecond) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    auto elapsedMs = [start = timespec{}]() mutable {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (start.tv_sec == 0 && start.tv_nsec == 0) start = now;
        return (now.tv_sec - start.tv_sec) * 1000L + (now.tv_nsec - start.tv_nsec) / 1'000'000L;
    };
    elapsedMs();
    char chunk[4096];
    long sent = 0;
    while (sent < total) {
        long n = std::min<long>(sizeof chunk, total - sent);
        if (bytesPerSecond > 0) {
            const long due = elapsedMs() * bytesPerSecond / 1000 - sent;
            if (due <= 0) {
                usleep(1000);
                continue;
            }
            n = std::min(n, due);
        }
        for (long i = 0; i < n; ++i) chunk[i] = static_cast<char>(FedByte(sent + i));
        const ssize_t w = write(master, chunk, static_cast<std::size_t>(n));
        if (w > 0) sent += w;
    }
    _exit(0);
}

}  // namespace vorta::bench
