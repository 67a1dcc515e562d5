// Automatic sending through the whole program with the Qt binding: the real
// main window sends a looped list into a pseudo-terminal and a thread at the
// far end timestamps every frame. Prints, for 200 ms and 500 ms, the spacing
// between consecutive frames (median, p99 and worst deviation from the
// interval, longest gap) and the drift of the n-th frame from n x interval,
// once idle and once while the display receives 115200 baud flat out. Then a
// 506-line list looped at 200 ms for ten minutes, with the program's memory
// and the display's size every minute.
// Runs on the X server in DISPLAY when there is one, else offscreen.
//
//   autosend_timing_bench [--frames N] [--soak-seconds S] [--clear-each-minute]
//   (defaults 200 and 600; the last clears the display after each minute's figures,
//   so what remains is the program's own memory)
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "codec/crc16.h"
#include "ui/qt/application.h"
#include "ui/qt/qt_event_loop.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/qt_view.h"
#include "support/program_on_port.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

using namespace vorta;
using namespace vorta::ui::main;
using Clock = std::chrono::steady_clock;

namespace {

// Resident memory of this process in kB.
long RssKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// The machine's load over the last minute (other programs compete for the CPU).
std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one;
    in >> one;
    return one;
}

// The far end of the line: a thread reading every byte and noting when each
// frame began, and optionally a thread writing `bytesPerSecond` at it.
class FarEnd {
public:
    FarEnd(int master, std::size_t frameBytes) : master_(master), frameBytes_(frameBytes) {
        reader_ = std::thread([this] { read(); });
    }
    ~FarEnd() {
        stop_ = true;
        reader_.join();
        stopFlood();
    }
    void startFlood(long bytesPerSecond) {
        flooding_ = true;
        feeder_ = std::thread([this, bytesPerSecond] {
            char chunk[4096];
            for (std::size_t i = 0; i < sizeof chunk; ++i) chunk[i] = static_cast<char>(i * 7);
            const auto start = Clock::now();
            long sent = 0;
            while (flooding_) {
                const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
                const long due = static_cast<long>(seconds * double(bytesPerSecond)) - sent;
                if (due <= 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    continue;
                }
                const ssize_t n = ::write(master_, chunk, std::size_t(std::min<long>(due, sizeof chunk)));
                if (n > 0) sent += n;
            }
        });
    }
    void stopFlood() {
        flooding_ = false;
        if (feeder_.joinable()) feeder_.join();
    }
    // Frame start times since the last reset.
    std::vector<Clock::time_point> starts() {
        std::lock_guard lock(mutex_);
        return starts_;
    }
    std::size_t frames() {
        std::lock_guard lock(mutex_);
        return starts_.size();
    }
    void reset() {
        std::lock_guard lock(mutex_);
        starts_.clear();
        partial_ = 0;
    }

private:
    void read() {
        char buffer[4096];
        while (!stop_) {
            pollfd fd{master_, POLLIN, 0};
            if (poll(&fd, 1, 50) <= 0) continue;
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) continue;
            const auto now = Clock::now();
            std::lock_guard lock(mutex_);
            // Frames leave whole, one write each; a read may end inside one.
            for (ssize_t i = 0; i < n; ++i) {
                if (partial_ == 0) starts_.push_back(now);
                partial_ = (partial_ + 1) % frameBytes_;
            }
        }
    }
    int master_;
    std::size_t frameBytes_;
    std::atomic<bool> stop_{false}, flooding_{false};
    std::thread reader_, feeder_;
    std::mutex mutex_;
    std::vector<Clock::time_point> starts_;
    std::size_t partial_ = 0;
};

void RunUntil(const std::function<bool()>& done) {
    // Blocks between events like the program's own loop; a tick at least every interval wakes it.
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * double(v.size() - 1) + 0.5))];
}

struct Program {
    ui::Model& model;
    ui::Window& main;
    app::App& app;
    std::vector<Clock::time_point> ticks;  // each auto-send tick handled (its frame written), in the program
};

// Spacing of consecutive time points: p99 and worst deviation from `interval`.
std::pair<double, double> Jitter(const std::vector<Clock::time_point>& t, std::size_t count, int interval) {
    std::vector<double> deviation;
    for (std::size_t i = 1; i <= count && i < t.size(); ++i)
        deviation.push_back(std::fabs(Ms(t[i] - t[i - 1]) - interval));
    if (deviation.empty()) return {0, 0};
    return {Percentile(deviation, 0.99), *std::max_element(deviation.begin(), deviation.end())};
}

// One timed run: `frames` + 1 frames at `interval`, the spacing of each pair.
void TimeRun(Program& p, FarEnd& far, int intervalIndex, int interval, std::size_t frames, const char* load) {
    p.model.userSelectItem(p.main[kInterval], intervalIndex);
    far.reset();
    p.ticks.clear();
    const auto clicked = Clock::now();
    p.model.userClick(p.main[kAutoSend]);
    RunUntil([&] { return far.frames() >= frames + 1; });
    p.model.userClick(p.main[kAutoSend]);
    const std::vector<Clock::time_point> t = far.starts();

    std::vector<double> spacing, deviation;
    double drift = 0, worstDrift = 0;
    for (std::size_t i = 1; i <= frames; ++i) {
        spacing.push_back(Ms(t[i] - t[i - 1]));
        deviation.push_back(std::fabs(spacing.back() - interval));
        drift = Ms(t[i] - t[0]) - double(i) * interval;
        worstDrift = std::max(worstDrift, std::fabs(drift));
    }
    std::printf(
        "%d ms, %s (load %s): %zu frames; first frame %.1f ms after the click; spacing median %.2f ms; "
        "deviation from %d ms: p99 %.2f ms, worst %.2f ms; longest gap %.2f ms; drift: frame %zu at %+.2f ms, "
        "worst %.2f ms\n",
        interval, load, LoadAverage().c_str(), frames, Ms(t[0] - clicked), Percentile(spacing, 0.5), interval,
        Percentile(deviation, 0.99), *std::max_element(deviation.begin(), deviation.end()),
        *std::max_element(spacing.begin(), spacing.end()), frames, drift, worstDrift);
    const auto [tickP99, tickWorst] = Jitter(p.ticks, frames, interval);
    std::printf(
        "  inside the program, each tick handled with its frame written: deviation p99 %.2f ms, worst %.2f ms\n",
        tickP99, tickWorst);
    std::fflush(stdout);
}

// The batch generator's Q58 line for an address: the frame with its CRC high
// byte first, then "  → " and the address.
std::string Q58Line(int address) {
    std::string frame{static_cast<char>(address & 0xFF), 0x03, 0x10, 0x00, 0x00, 0x25};
    const std::uint16_t crc = codec::Crc16Modbus(frame);
    frame += static_cast<char>(crc >> 8);
    frame += static_cast<char>(crc & 0xFF);
    std::string line;
    char cell[4];
    for (unsigned char b : frame) {
        std::snprintf(cell, sizeof cell, "%02X ", b);
        line += cell;
    }
    line.pop_back();
    return line + "  → "_gbk + std::to_string(address);
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t frames = 200;
    int soakSeconds = 600;
    bool clearEachMinute = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--clear-each-minute") == 0) clearEachMinute = true;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0) frames = std::size_t(std::atol(argv[i + 1]));
        if (std::strcmp(argv[i], "--soak-seconds") == 0) soakSeconds = std::atoi(argv[i + 1]);
    }
    bench::ProgramOnLinkedPort setup(argc, argv);
    if (!setup.opened) {
        std::fprintf(stderr, "could not open the port\n");
        return 1;
    }
    const int master = setup.link.master;
    ui::Model& model = setup.model;
    app::App& program = setup.program;
    ui::Window& main = *setup.main;
    std::printf("platform: %s; %zu frame spacings per run; hex display with auto line break\n",
                qPrintable(QGuiApplication::platformName()), frames);
    Program p{model, main, program, {}};
    main.on(kAutoSendTimer, ui::Event::TimerTick,
            [&p](ui::Control&, const ui::EventArgs&) { p.ticks.push_back(Clock::now()); });

    // 0. What the machine gives any program: a bare precise Qt timer, nothing else.
    {
        std::vector<Clock::time_point> t;
        QTimer bare;
        bare.setTimerType(Qt::PreciseTimer);
        QObject::connect(&bare, &QTimer::timeout, [&] { t.push_back(Clock::now()); });
        bare.start(200);
        RunUntil([&] { return t.size() > frames; });
        bare.stop();
        const auto [p99, worst] = Jitter(t, frames, 200);
        std::printf("baseline, a bare precise QTimer at 200 ms (load %s): deviation p99 %.2f ms, worst %.2f ms\n",
                    LoadAverage().c_str(), p99, worst);
        std::fflush(stdout);
    }

    // 1. Timing: two 6-byte frames with their CRC, looped.
    {
        main[kAutoSendList].setText("01 03 10 00 00 25\r\n01 03 00 64 00 08");
        main[kLoop].setChecked(true);
        FarEnd far(master, 8);
        for (const bool flood : {false, true}) {
            if (flood) far.startFlood(11520);
            for (const auto& [index, interval] : {std::pair{0, 200}, std::pair{3, 500}}) {
                model.userClick(main[kClear]);
                TimeRun(p, far, index, interval, frames, flood ? "display receiving 115200 baud" : "idle");
            }
            if (flood) {
                std::printf("  received meanwhile: RX %lld bytes\n", static_cast<long long>(program.state().rxCount));
                far.stopFlood();
            }
        }
    }

    // 2. Memory: 506 annotated lines, CRC box unchecked as the generator leaves it, looped at 200 ms.
    {
        model.userClick(main[kClear]);
        std::string list;
        for (int a = 1; a <= 506; ++a) list += Q58Line(a) + (a < 506 ? "\r\n" : "");
        main[kAutoSendList].setText(list);
        main[kCrc].setChecked(false);
        model.userSelectItem(main[kInterval], 0);
        FarEnd far(master, 8);
        QElapsedTimer clock;
        clock.start();
        const long rss0 = RssKb();
        std::printf("soak: 506 lines looped at 200 ms for %d s%s; RSS at start %ld kB\n", soakSeconds,
                    clearEachMinute ? ", the display cleared after each minute" : "", rss0);
        std::fflush(stdout);
        model.userClick(main[kAutoSend]);
        for (int minute = 1; clock.elapsed() < soakSeconds * 1000LL; ++minute) {
            const long long until = std::min<long long>(minute * 60'000LL, soakSeconds * 1000LL);
            RunUntil([&] { return clock.elapsed() >= until; });
            const std::size_t shown = main[kDisplay].rich().text().size();
            std::printf("  %5.0f s: %6zu frames, RSS %ld kB (%+ld kB), display %zu bytes, TX %s\n",
                        clock.elapsed() / 1000.0, far.frames(), RssKb(), RssKb() - rss0, shown,
                        main[kStatusBar].panelText(1).c_str());
            std::fflush(stdout);
            if (clearEachMinute) model.userClick(main[kClear]);
        }
        model.userClick(main[kAutoSend]);
    }
    return 0;
}
