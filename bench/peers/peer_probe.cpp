// Measures a serial GUI from the outside, the same way for this program and for
// other serial tools: it writes a byte stream into the far end of a
// pseudo-terminal that the program under test has open, and meanwhile asks the
// program's window for a _NET_WM_PING answer every 10 ms. It prints the bytes
// per second until the program has gone idle after the last byte (its display
// has caught up), CPU seconds per MB and per second, memory growth per byte and
// the slowest ping answer (how long a user's click would have waited).
//
// peer_probe PID WINDOW FEED_PTY BYTES RATE [LABEL [RESULTS]]
//   RATE 0 writes as fast as the line takes it; otherwise bytes per second.
//   RESULTS: a file to which the figures are appended as one line of plain
//   numbers, for run_peers.sh to put the programs side by side.
//   PEER_PORT (environment): the program's end of the pseudo-terminal. At a
//   paced rate the probe then says whether the program kept up: the feed went
//   out at the pace (the program read fast enough that the line never filled),
//   nothing was left unread in the port at the end, and the program was done
//   with it within a second of the last byte.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// utime + stime of the process in seconds.
double CpuSeconds(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(line.substr(close + 2));
    std::string f;
    std::vector<std::string> v;
    while (fields >> f) v.push_back(f);
    if (v.size() < 13) return -1;
    return (std::stod(v[11]) + std::stod(v[12])) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long RssKb(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    long value = 0;
    while (in >> key) {
        if (key == "VmRSS:") {
            in >> value;
            return value;
        }
        std::getline(in, key);
    }
    return -1;
}

// Pings the window through the X server; answers arrive as client messages on the root.
class Pinger {
public:
    Pinger(Display* d, Window w) : d_(d), w_(w) {
        root_ = DefaultRootWindow(d_);
        protocols_ = XInternAtom(d_, "WM_PROTOCOLS", False);
        ping_ = XInternAtom(d_, "_NET_WM_PING", False);
        XSelectInput(d_, root_, SubstructureNotifyMask | SubstructureRedirectMask);
        XSync(d_, False);
    }
    // Sends one ping when none is outstanding and the last went out 10 ms ago or more,
    // and collects answers; worstMs is the slowest answer so far.
    void poll() {
        while (XPending(d_)) {
            XEvent e;
            XNextEvent(d_, &e);
            if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == ping_ &&
                static_cast<unsigned long>(e.xclient.data.l[1]) == serial_) {
                worstMs = std::max(worstMs, Since(sentAt_) * 1e3);
                outstanding_ = false;
                ++answers;
            } else if (e.type == MapRequest) {
                XMapWindow(d_, e.xmaprequest.window);  // we hold the redirect: map what asks
            } else if (e.type == ConfigureRequest) {
                XWindowChanges c{};
                c.x = e.xconfigurerequest.x;
                c.y = e.xconfigurerequest.y;
                c.width = e.xconfigurerequest.width;
                c.height = e.xconfigurerequest.height;
                XConfigureWindow(
                    d_, e.xconfigurerequest.window,
                    static_cast<unsigned>(e.xconfigurerequest.value_mask) & (CWX | CWY | CWWidth | CWHeight), &c);
            }
        }
        if (outstanding_) {
            worstMs = std::max(worstMs, Since(sentAt_) * 1e3);  // still waiting counts too
            return;
        }
        if (answers > 0 && Since(sentAt_) < 0.010) return;  // one ping per 10 ms at most
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w_;
        e.xclient.message_type = protocols_;
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(ping_);
        e.xclient.data.l[1] = static_cast<long>(++serial_);
        e.xclient.data.l[2] = static_cast<long>(w_);
        XSendEvent(d_, w_, False, NoEventMask, &e);
        XFlush(d_);
        sentAt_ = Clock::now();
        outstanding_ = true;
    }
    double worstMs = 0;
    long answers = 0;

private:
    Display* d_;
    Window w_, root_;
    Atom protocols_, ping_;
    unsigned long serial_ = 0;
    bool outstanding_ = false;
    Clock::time_point sentAt_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s PID WINDOW FEED_PTY BYTES RATE [LABEL [RESULTS]]\n", argv[0]);
        return 2;
    }
    const int pid = std::atoi(argv[1]);
    const Window window = std::strtoul(argv[2], nullptr, 0);
    const long total = std::atol(argv[4]);
    const long rate = std::atol(argv[5]);
    const std::string label = argc > 6 ? argv[6] : "";
    const char* results = argc > 7 ? argv[7] : nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const int feed = ::open(argv[3], O_WRONLY | O_NOCTTY);
    if (feed < 0) {
        std::perror("open feed");
        return 1;
    }
    Pinger pinger(display, window);
    const double cpu0 = CpuSeconds(pid);
    const long rss0 = RssKb(pid);
    std::atomic<bool> written{false};
    std::atomic<double> writtenAt{0};  // seconds from the start when the last byte went out
    const auto start = Clock::now();
    std::thread feeder([&] {
        std::vector<char> chunk(4096);
        long sent = 0;
        while (sent < total) {
            long n = std::min<long>(static_cast<long>(chunk.size()), total - sent);
            if (rate > 0) {
                const long due = static_cast<long>(Since(start) * static_cast<double>(rate)) - sent;
                if (due <= 0) {
                    usleep(1000);
                    continue;
                }
                n = std::min(n, due);
            }
            for (long i = 0; i < n; ++i) chunk[static_cast<std::size_t>(i)] = static_cast<char>((sent + i) * 7);
            const ssize_t w = ::write(feed, chunk.data(), static_cast<std::size_t>(n));
            if (w <= 0) break;
            sent += w;
        }
        writtenAt = Since(start);
        written = true;
    });
    // Idle: less than 10 % of a core over 0.5 s after the last byte was written
    // (a blinking cursor or the pings themselves cost a little all the time).
    std::vector<std::pair<double, double>> samples;  // (wall, cpu)
    double lastBusy = 0;
    auto lastSample = Clock::now();
    while (true) {
        pinger.poll();
        // Wakes as soon as an answer arrives, so it is timed when it came, not at
        // the next turn of a 10 ms loop.
        pollfd xfd{ConnectionNumber(display), POLLIN, 0};
        if (!XPending(display)) poll(&xfd, 1, 10);
        if (Since(lastSample) < 0.1) continue;
        lastSample = Clock::now();
        const double cpuNow = CpuSeconds(pid);
        if (cpuNow < 0) break;  // the program went away
        const double now = Since(start);
        samples.emplace_back(now, cpuNow);
        if (samples.size() < 6) continue;
        const auto& old = samples[samples.size() - 6];
        const bool idle = cpuNow - old.second < 0.1 * (now - old.first);
        if (!idle || !written) lastBusy = now;
        if (written && idle && now - lastBusy >= 0.5) break;
    }
    feeder.join();
    const double cpu = CpuSeconds(pid) - cpu0;
    const long rss = RssKb(pid);
    // The display caught up somewhere in the last busy window; count its end.
    const double seconds = std::max(lastBusy, 1e-3);
    const double mb = static_cast<double>(total) / 1e6;
    const double memoryPerByte = static_cast<double>(rss - rss0) * 1024.0 / static_cast<double>(total);
    FILE* out = results ? std::fopen(results, "a") : nullptr;
    if (rate > 0) {
        // Bytes still waiting in the program's end of the line: read by nobody.
        long unread = -1;
        if (const char* port = std::getenv("PEER_PORT")) {
            const int fd = ::open(port, O_RDONLY | O_NOCTTY | O_NONBLOCK);
            int n = 0;
            if (fd >= 0 && ioctl(fd, FIONREAD, &n) == 0) unread = n;
            if (fd >= 0) ::close(fd);
        }
        const double paced = static_cast<double>(total) / static_cast<double>(rate);
        const double lag = std::max(0.0, seconds - writtenAt);
        const bool onPace = writtenAt <= paced * 1.02 + 0.1;
        const char* keeps = unread < 0 ? "unknown" : onPace && unread == 0 && lag <= 1.0 ? "yes" : "NO";
        std::printf(
            "%-14s %ld B/s for %.1f s: CPU %.1f%% of one core, worst UI answer %.1f ms (%ld pings); fed in %.2f s "
            "(paced %.2f s), done %.2f s after the last byte, %ld bytes unread: keeps up %s\n",
            label.c_str(), rate, seconds, 100 * cpu / seconds, pinger.worstMs, pinger.answers, writtenAt.load(), paced,
            lag, unread, keeps);
        if (out)
            std::fprintf(out, "%s rate %.2f %.1f %ld %s %.2f\n", label.c_str(), 100 * cpu / seconds, pinger.worstMs,
                         rate, keeps, lag);
    } else {
        std::printf(
            "%-14s flood of %.0f MB: displayed in %.2f s = %.2f MB/s, CPU %.2f s/MB, memory %+.1f B per byte, "
            "worst UI answer %.1f ms (%ld pings)\n",
            label.c_str(), mb, seconds, mb / seconds, cpu / mb, memoryPerByte, pinger.worstMs, pinger.answers);
        if (out)
            std::fprintf(out, "%s flood %.3f %.3f %.2f %.1f\n", label.c_str(), mb / seconds, cpu / mb, memoryPerByte,
                         pinger.worstMs);
    }
    if (out) std::fclose(out);
    ::close(feed);
    XCloseDisplay(display);
    return 0;
}
