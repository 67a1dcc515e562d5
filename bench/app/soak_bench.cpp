// A day's polling, condensed: the far end streams 11,520 B/s (115200 baud flat
// out) while 自动发送 sends a two-frame list every 100 ms, for SOAK_SECONDS
// (600 by default). Prints whether every fed byte was counted and shown in
// blue, in order, whether every frame reached the far end whole and in turn,
// and the resident memory the run added per received byte.
//
// SOAK_CAPTURE=1: the same with the capture running (and the display's text
// file beside it), in a child process that is killed with SIGKILL about a
// second and a half before the feed ends. The parent then reads the capture file
// back and prints whether it holds every byte received up to the last second
// before the kill, in order.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <atomic>
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "capture/capture_record.h"
#include "capture/capture_writer.h"
#include "codec/crc16.h"
#include "codec/hex_text.h"
#include "support/feeder.h"
#include "support/program_on_port.h"
#include "ui/windows/control_ids.h"

using namespace vorta;
using namespace vorta::ui::main;

namespace {

long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The far end's reader: everything the program sent, until told to stop.
class FarEndReader {
public:
    explicit FarEndReader(int master) : thread_([this, master] { run(master); }) {}
    std::string stop() {
        stop_ = true;
        thread_.join();
        return got_;
    }

private:
    void run(int master) {
        char buffer[4096];
        while (!stop_) {
            pollfd fd{master, POLLIN, 0};
            if (poll(&fd, 1, 50) <= 0) continue;
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n > 0) got_.append(buffer, static_cast<std::size_t>(n));
        }
    }
    std::atomic<bool> stop_{false};
    std::string got_;
    std::thread thread_;
};

// The received bytes as the display shows them: the blue hex cells in order, line ends skipped.
// Returns how many match the fed pattern before the first that does not.
long ShownInOrder(const ui::RichText& display, ui::Colour received, long& shown) {
    long matching = -1;
    shown = 0;
    static const char hex[] = "0123456789ABCDEF";
    for (const ui::RichText::Run& run : display.runs(ui::BytePos(0), display.byteCount())) {
        if (display.format(run.format).colour != received) continue;
        std::string cells;
        display.forEachPiece(run.byteStart, run.byteEnd, [&](std::string_view piece) { cells.append(piece); });
        for (std::size_t p = 0; p < cells.size();) {
            if (cells[p] == '\r' || cells[p] == '\n') {
                ++p;
                continue;
            }
            const unsigned char b = bench::FedByte(shown);
            const bool same = p + 1 < cells.size() && cells[p] == hex[b >> 4] && cells[p + 1] == hex[b & 15];
            if (!same && matching < 0) matching = shown;
            p += 3;
            ++shown;
        }
    }
    return matching < 0 ? shown : matching;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Say(int fd, const std::string& line) { (void)!write(fd, line.data(), line.size()); }

// The child: the program capturing while the far end streams and auto-send
// polls, reporting "rx <count>" every 100 ms until it is killed.
[[noreturn]] void CapturingProgram(int argc, char** argv, long seconds, const std::string& path, int report) {
    bench::ProgramOnLinkedPort setup(argc, argv);
    if (!setup.opened) _exit(1);
    ui::Model& model = setup.model;
    ui::Window& main = *setup.main;
    main_window::AppState& state = setup.program.state();
    Say(report, "dir " + setup.link.dir.string() + "\n");
    main[kAutoSendList].setText("01 03 10 00 00 25\r\n01 03 10 01 00 02");
    main[kInterval].setText("100");
    main[kLoop].setChecked(true);
    model.userMenuSelect(main[kCaptureWindowItem]);
    ui::Window& capture = *model.window(ui::capture::kWindowName);
    capture[ui::capture::kCaptureFile].setText(path);
    capture[ui::capture::kShownText].setChecked(true);
    model.userClick(capture[ui::capture::kCaptureStartStop]);
    model.userClick(main[kAutoSend]);
    const pid_t feeder = bench::StartFeeder(setup.link.master, 11520 * seconds, 11520);
    Say(report, "feeder " + std::to_string(feeder) + "\n");
    QElapsedTimer clock;
    clock.start();
    for (qint64 next = 100;; next += 100) {
        while (clock.elapsed() < next) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        Say(report, "rx " + std::to_string(state.rxCount) + "\n");
    }
}

int CaptureSoak(int argc, char** argv, long seconds) {
    using Clock = std::chrono::steady_clock;
    const std::string path = (std::filesystem::temp_directory_path() / "vorta-soak-capture.bin").string();
    int report[2];
    if (pipe(report) != 0) return 1;
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        CapturingProgram(argc, argv, seconds, path, report[1]);
    }
    close(report[1]);
    // What the child said, line by line, with the moment each rx count came.
    std::vector<std::pair<Clock::time_point, long long>> counts;
    std::string linkDir, partial;
    pid_t feeder = -1;
    Clock::time_point fed{}, killAt = Clock::time_point::max();
    while (Clock::now() < killAt) {
        pollfd fd{report[0], POLLIN, 0};
        if (poll(&fd, 1, 50) <= 0) continue;
        char buffer[512];
        const ssize_t n = read(report[0], buffer, sizeof buffer);
        if (n <= 0) break;  // the child died by itself
        partial.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = partial.find('\n')) != std::string::npos; partial.erase(0, end + 1)) {
            const std::string line = partial.substr(0, end);
            if (line.rfind("rx ", 0) == 0) counts.push_back({Clock::now(), std::atoll(line.c_str() + 3)});
            if (line.rfind("dir ", 0) == 0) linkDir = line.substr(4);
            if (line.rfind("feeder ", 0) == 0) {
                feeder = std::atoi(line.c_str() + 7);
                fed = Clock::now();
                killAt = fed + std::chrono::milliseconds(seconds * 1000 - 1500);
                std::printf("capturing into %s; SIGKILL in %.1f s\n", path.c_str(), seconds - 1.5);
                std::fflush(stdout);
            }
        }
    }
    const Clock::time_point killed = Clock::now();
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    if (feeder > 0) kill(feeder, SIGKILL);
    close(report[0]);
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL) {
        std::printf("the program ended before the kill (status %d)\n", status);
        return 1;
    }
    long long lastSecond = 0, last = 0;  // received a second before the kill, and last reported
    for (const auto& [at, rx] : counts) {
        if (at <= killed - std::chrono::seconds(1)) lastSecond = rx;
        last = rx;
    }

    const std::string file = ReadFile(path);
    const capture::ParsedFile parsed = capture::ParseCapture(file);
    long long received = 0, inOrder = -1, sentBytes = 0, receivedRecords = 0, sentRecords = 0;
    for (const capture::Record& r : parsed.records) {
        if (r.direction == capture::Direction::Sent) {
            sentBytes += static_cast<long long>(r.bytes.size());
            ++sentRecords;
            continue;
        }
        ++receivedRecords;
        for (const char c : r.bytes) {
            if (inOrder < 0 && static_cast<unsigned char>(c) != bench::FedByte(static_cast<long>(received)))
                inOrder = received;
            ++received;
        }
    }
    if (inOrder < 0) inOrder = received;
    const std::string text = ReadFile(capture::ShownTextPath(path));
    std::size_t lines = 0, bareEnds = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') ++lines;
        if ((text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ||
            (text[i] == '\r' && i + 1 < text.size() && text[i + 1] != '\n'))
            ++bareEnds;
    }
    std::printf(
        "soak with capture, %ld s at 11,520 B/s while auto-send polls every 100 ms, SIGKILL %.1f s after the feed "
        "began:\n  RX a second before the kill %lld, last RX reported (at most 0.1 s before it) %lld\n"
        "  capture file %zu bytes, header %s, %s; %lld received records holding %lld bytes, the first %lld "
        "in the fed order%s; %lld sent records, %lld bytes\n"
        "  every byte received up to the last second in the file, in order: %s (%lld of the last RX missing)\n"
        "  display text file %zu bytes, %zu lines, %zu line ends other than CR LF\n",
        seconds, std::chrono::duration<double>(killed - fed).count(), lastSecond, last, file.size(),
        parsed.magicOk ? "whole" : "BAD",
        parsed.truncated ? "a last record cut short (dropped)" : "no record cut short", receivedRecords, received,
        inOrder, inOrder == received ? "" : " (OUT OF ORDER)", sentRecords, sentBytes,
        parsed.magicOk && inOrder == received && received >= lastSecond ? "yes" : "NO", std::max(0LL, last - received),
        text.size(), lines, bareEnds);
    std::filesystem::remove(path);
    std::filesystem::remove(capture::ShownTextPath(path));
    if (!linkDir.empty()) std::filesystem::remove_all(linkDir);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const long seconds = std::max(1L, std::getenv("SOAK_SECONDS") ? std::atol(std::getenv("SOAK_SECONDS")) : 600L);
    if (std::getenv("SOAK_CAPTURE")) return CaptureSoak(argc, argv, seconds);
    bench::ProgramOnLinkedPort setup(argc, argv);
    if (!setup.opened) {
        std::fprintf(stderr, "could not open the port\n");
        return 1;
    }
    ui::Model& model = setup.model;
    ui::Window& main = *setup.main;
    main_window::AppState& state = setup.program.state();

    const std::vector<std::string> lines = {"01 03 10 00 00 25", "01 03 10 01 00 02"};
    std::vector<std::string> frames;
    for (const std::string& line : lines) frames.push_back(codec::HexPairsToBytes(line + " " + codec::Crc16Text(line)));
    main[kAutoSendList].setText(lines[0] + "\r\n" + lines[1]);
    main[kInterval].setText("100");
    main[kLoop].setChecked(true);

    FarEndReader reader(setup.link.master);
    const long rss0 = ResidentKb();
    const long total = 11520 * seconds;
    model.userClick(main[kAutoSend]);
    const pid_t feeder = bench::StartFeeder(setup.link.master, total, 11520);
    QElapsedTimer clock;
    clock.start();
    long nextReport = 60;
    long rssAtMinute = -1, rxAtMinute = 0;  // the steady growth is measured from the first minute on
    while (state.rxCount < total && clock.elapsed() < (seconds + 60) * 1000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        if (clock.elapsed() >= nextReport * 1000) {
            if (rssAtMinute < 0) {
                rssAtMinute = ResidentKb();
                rxAtMinute = static_cast<long>(state.rxCount);
            }
            std::printf("  %ld s: RX %lld, resident +%ld KB\n", nextReport, static_cast<long long>(state.rxCount),
                        ResidentKb() - rss0);
            std::fflush(stdout);
            nextReport += 60;
        }
    }
    model.userClick(main[kAutoSend]);  // stops the list
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    waitpid(feeder, nullptr, 0);
    const std::string farEnd = reader.stop();
    const long rss1 = ResidentKb();

    long shown = 0;
    const long inOrder = ShownInOrder(main[kDisplay].rich(), state.receivedFormat.colour, shown);
    std::size_t whole = 0, at = 0;
    while (at < farEnd.size()) {
        const std::string& expected = frames[whole % frames.size()];
        if (farEnd.compare(at, expected.size(), expected) != 0) break;
        at += expected.size();
        ++whole;
    }
    std::printf(
        "soak, %ld s at 11,520 B/s while auto-send polls every 100 ms: fed %ld, RX %lld, shown %ld "
        "(%ld match the fed bytes before the first difference); lost %ld, shown as fed: %s; %lld bytes sent in frames, "
        "far end got %zu: %zu whole frames in turn%s; resident +%ld KB = %.2f B per received byte\n",
        seconds, total, static_cast<long long>(state.rxCount), shown, inOrder, total - shown,
        inOrder == shown && shown == total ? "yes" : "NO", static_cast<long long>(state.txCount), farEnd.size(), whole,
        at == farEnd.size() && static_cast<long long>(farEnd.size()) == state.txCount ? "" : ", NOT ALL WHOLE",
        rss1 - rss0, static_cast<double>(rss1 - rss0) * 1024.0 / static_cast<double>(total));
    if (rssAtMinute >= 0 && total > rxAtMinute)
        std::printf("  after the first minute: resident +%ld KB for %ld bytes = %.2f B per received byte\n",
                    rss1 - rssAtMinute, total - rxAtMinute,
                    static_cast<double>(rss1 - rssAtMinute) * 1024.0 / static_cast<double>(total - rxAtMinute));
    return 0;
}
