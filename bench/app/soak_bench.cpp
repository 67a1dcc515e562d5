// A day's polling, condensed: the far end streams 11,520 B/s (115200 baud flat
// out) while 自动发送 sends a two-frame list every 100 ms, for SOAK_SECONDS
// (600 by default). Prints whether every fed byte was counted and shown in
// blue, in order, whether every frame reached the far end whole and in turn,
// and the resident memory the run added per received byte.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
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

}  // namespace

int main(int argc, char** argv) {
    const long seconds = std::max(1L, std::getenv("SOAK_SECONDS") ? std::atol(std::getenv("SOAK_SECONDS")) : 600L);
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
