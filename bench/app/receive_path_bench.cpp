// The whole receive path with the Qt binding: another process writes into a
// pseudo-terminal, the program's channel reads it and the real main window
// shows it as hex cells with automatic line breaks. Prints CPU use at 115200
// baud, throughput when flooded, how long the UI thread takes to answer
// meanwhile (also while the user drags a selection and types in the display),
// and whether every byte was shown, counted and in order.
// Runs on the X server in DISPLAY when there is one, else offscreen.
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <sys/resource.h>
#include <QTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/app.h"
#include "ui/qt/application.h"
#include "ui/qt/frame_clock.h"
#include "ui/qt/qt_event_loop.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/qt_view.h"
#include "support/feeder.h"
#include "support/program_on_port.h"
#include "capture/capture_feature.h"
#include "capture/capture_record.h"
#include "codec/gbk_convert.h"
#include "port_switch/modem_panel.h"
#include "capture/capture_writer.h"
#include "ui/windows/control_ids.h"

using namespace vorta::ui::main;

using namespace vorta;

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the loop until `done`. With `probe`, also measures the worst round trip of
// a task posted every 10 ms (how long a user's click would wait); the probe's own
// wakeups cost CPU, so CPU figures are taken without it.
struct Run {
    double seconds, worstAnswerMs;
};
// Watches the display's paints: when the loop came back from the last one.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* viewport) {
        clock.start();
        viewport->installEventFilter(this);
    }
    QElapsedTimer clock;
    qint64 lastStart = -1, lastDone = -1;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            lastStart = clock.nsecsElapsed();
            QTimer::singleShot(0, this, [this] { lastDone = clock.nsecsElapsed(); });
        }
        return false;
    }
};

Run RunUntil(base::EventLoop& loop, const std::function<bool()>& done, bool probing = true) {
    QElapsedTimer clock;
    clock.start();
    double worst = 0;
    QElapsedTimer sentAt;
    bool waiting = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (waiting) return;
        waiting = true;
        sentAt.start();
        loop.post([&] {
            worst = std::max(worst, sentAt.nsecsElapsed() / 1e6);
            waiting = false;
        });
    });
    if (probing) probe.start(10);
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return {clock.elapsed() / 1000.0, worst};
}

}  // namespace

int main(int argc, char** argv) {
    bench::ProgramOnLinkedPort setup(argc, argv);
    if (!setup.opened) {
        std::fprintf(stderr, "could not open the port\n");
        return 1;
    }
    const int master = setup.link.master;
    ui::qt::QtEventLoop& loop = setup.loop;
    ui::Model& model = setup.model;
    ui::qt::QtView& view = setup.view;
    app::App& program = setup.program;
    ui::Window& main = *setup.main;
    QWidget* widget = view.widgetOf(main[kDisplay]);
    // What the view offers a screen reader: its character count shows what it holds.
    auto viewCount = [widget] {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        return a && a->textInterface() ? a->textInterface()->characterCount() : -1;
    };
    auto rssKb = [] {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return u.ru_maxrss;
    };
    main_window::AppState& state = program.state();
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    // RATE_SECONDS=N measures the idle and 115200-baud phases for N s each (10 by
    // default), for steadier figures; RATE_ONLY=1 stops after them, IDLE_ONLY=1 after the idle one.
    const long rateSeconds = std::max(1L, std::getenv("RATE_SECONDS") ? std::atol(std::getenv("RATE_SECONDS")) : 10L);

    // CAPTURE=1: every phase with the timestamps on and the capture running into a
    // file in the temporary folder; after the 115200-baud phases its received bytes are counted.
    // CAPTURE_TEXT=1 as well: the display's text file beside it too.
    const bool capturing = std::getenv("CAPTURE") != nullptr;
    const bool shownText = capturing && std::getenv("CAPTURE_TEXT") != nullptr;
    const std::string capturePath = (std::filesystem::temp_directory_path() / "vorta-bench-capture.bin").string();
    ui::Window* captureWindow = nullptr;
    if (capturing) {
        state.timestamps = true;
        model.userMenuSelect(main[kCaptureWindowItem]);
        captureWindow = model.window(ui::capture::kWindowName);
        (*captureWindow)[ui::capture::kCaptureFile].setText(capturePath);
        (*captureWindow)[ui::capture::kShownText].setChecked(shownText);
        model.userClick((*captureWindow)[ui::capture::kCaptureStartStop]);
        std::printf("timestamps on, capturing into %s%s\n", capturePath.c_str(),
                    shownText ? " and the display's text beside it" : "");
    }

    // The modem lines as the status bar shows them and how the channel follows them: a
    // pseudo-terminal has none; with the peers' shim preloaded (bench/peers) it has, and
    // the shim's TIOCMIWAIT waits (PTY_MODEM_SHIM_NO_WAIT=1: it cannot, the lines are read).
    {
        QElapsedTimer settle;
        settle.start();
        RunUntil(
            loop, [&] { return settle.elapsed() >= 500; }, false);
        static const char* const kHow[] = {"not followed", "waited for by TIOCMIWAIT", "read ten times a second",
                                           "unavailable, not followed"};
        std::printf("modem lines: \"%s\", %s\n",
                    codec::GbkToUtf8(main[kStatusBar].panelText(port_switch::ModemPanel::kPanel)).c_str(),
                    kHow[static_cast<int>(program.channel().modemWatchMode())]);
    }
    // 0. Nothing received: what the program costs by itself, and with the UI probe.
    for (const bool probing : {false, true}) {
        QElapsedTimer idle;
        idle.start();
        QTimer wake;  // ends the wait when nothing else would
        wake.setSingleShot(true);
        wake.start(static_cast<int>(rateSeconds * 1000));
        const double cpu0 = CpuSeconds();
        const Run r = RunUntil(
            loop, [&] { return idle.elapsed() >= rateSeconds * 1000; }, probing);
        std::printf("nothing received for %.1f s%s: CPU %.2f%% of one core\n", r.seconds,
                    probing ? ", the UI probe running" : "", 100 * (CpuSeconds() - cpu0) / r.seconds);
    }
    if (std::getenv("IDLE_ONLY")) return 0;
    // 1. 115200 baud flat out, auto line break on and off: the program's CPU, then
    // the same again with the UI probe for how fast it answers.
    for (const bool lineBreak : {true, false}) {
        if (main[kAutoLineBreak].checked() != lineBreak) model.userClick(main[kAutoLineBreak]);
        double cpuPercent[2] = {0, 0}, worstMs = 0;
        const long rate = 11520, total = rate * rateSeconds;
        for (const bool probing : {false, true}) {
            model.userClick(main[kClear]);
            const long long rx0 = state.rxCount;
            const double cpu0 = CpuSeconds();
            const pid_t feeder = bench::StartFeeder(master, total, rate);
            const Run r = RunUntil(
                loop, [&] { return state.rxCount - rx0 >= total; }, probing);
            waitpid(feeder, nullptr, 0);
            cpuPercent[probing] = 100 * (CpuSeconds() - cpu0) / r.seconds;
            if (probing) worstMs = r.worstAnswerMs;
        }
        std::printf(
            "115200 baud, hex display, auto line break %s: %ld bytes in %ld s, CPU %.1f%% of one core "
            "(%.1f%% with the UI probe running, worst UI answer %.1f ms)\n",
            lineBreak ? "on" : "off", total, rateSeconds, cpuPercent[0], cpuPercent[1], worstMs);
    }
    if (!main[kAutoLineBreak].checked()) model.userClick(main[kAutoLineBreak]);
    if (std::getenv("RATE_ONLY")) {
        if (capturing) model.userClick((*captureWindow)[ui::capture::kCaptureStartStop]);
        std::filesystem::remove(capturePath);
        std::filesystem::remove(capture::ShownTextPath(capturePath));
        return 0;
    }
    // The floods check the order of the cells they show: without stamps. The capture goes on.
    state.timestamps = false;

    // 2. A 20 MB flood.
    {
        model.userClick(main[kClear]);
        state.rxCount = 0;
        const long total = 20'000'000;
        const pid_t feeder = bench::StartFeeder(master, total, 0);
        const long rss0 = rssKb();
        const double cpu0 = CpuSeconds();
        // The clock stops when every byte is counted and the view has painted after that,
        // a refresh being due at most one frame after the last write.
        PaintWatch watch(static_cast<QAbstractScrollArea*>(widget)->viewport());
        const qint64 begin = watch.clock.nsecsElapsed();
        Run r = RunUntil(loop, [&] { return state.rxCount >= total; });
        const qint64 modelDone = watch.clock.nsecsElapsed();
        while (true) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const qint64 now = watch.clock.nsecsElapsed();
            if (now - modelDone > (ui::qt::kFrameMs + 6) * 1'000'000LL && now - watch.lastDone > 40'000'000) break;
        }
        const bool painted = watch.lastStart >= modelDone;
        r.seconds = static_cast<double>(std::max(modelDone, watch.lastDone) - begin) / 1e9;
        const double cpu = CpuSeconds() - cpu0;
        waitpid(feeder, nullptr, 0);
        const long rss1 = rssKb();
        const std::string text = main[kDisplay].rich().text();
        static const char hex[] = "0123456789ABCDEF";
        long i = 0;
        bool inOrder = true;
        for (std::size_t p = 0; p < text.size() && inOrder;) {
            if (text[p] == '\r') {
                p += 2;
                continue;
            }
            const unsigned b = static_cast<unsigned>(i * 7) & 0xFF;
            inOrder = text[p] == hex[b >> 4] && text[p + 1] == hex[b & 15] && text[p + 2] == ' ';
            p += 3;
            ++i;
        }
        const bool viewEqual = viewCount() == main[kDisplay].rich().unitCount().value();
        std::printf(
            "flood, hex display: %ld bytes in %.2f s = %.2f MB/s displayed; RX %lld; shown %ld bytes, "
            "in order: %s; view holds all: %s, painted after the last byte: %s; CPU %.2f s/MB; peak memory growth %.1f "
            "B per byte; "
            "worst UI answer %.1f ms\n",
            total, r.seconds, total / r.seconds / 1e6, static_cast<long long>(state.rxCount), i,
            inOrder && i == total ? "yes" : "NO", viewEqual ? "yes" : "NO", painted ? "yes" : "NO", cpu / (total / 1e6),
            static_cast<double>(rss1 - rss0) * 1024.0 / static_cast<double>(total), r.worstAnswerMs);
    }
    // 3. The same flood while the user drags a selection across the display and
    // types into it: the slowest answer to the user's own input.
    {
        model.userClick(main[kClear]);
        state.rxCount = 0;
        const long total = 20'000'000;
        QWidget* viewport = static_cast<QAbstractScrollArea*>(widget)->viewport();
        widget->setFocus();
        double worstInput = 0;
        long inputs = 0;
        // Sends one event as the window system would and times its handling.
        auto handle = [&](QWidget* to, QEvent&& e) {
            QElapsedTimer t;
            t.start();
            QApplication::sendEvent(to, &e);
            worstInput = std::max(worstInput, t.nsecsElapsed() / 1e6);
            ++inputs;
        };
        QTimer user;
        int step = 0;
        QObject::connect(&user, &QTimer::timeout, [&] {
            const QPointF at(20 + (step * 37) % 300, 20 + (step * 23) % 250);
            if (step % 20 == 0)
                handle(viewport, QMouseEvent(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), Qt::LeftButton,
                                             Qt::LeftButton, Qt::NoModifier));
            else if (step % 20 == 15)
                handle(viewport, QMouseEvent(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at), Qt::LeftButton,
                                             Qt::NoButton, Qt::NoModifier));
            else if (step % 20 > 15)
                handle(widget, QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x")));
            else
                handle(viewport, QMouseEvent(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton,
                                             Qt::LeftButton, Qt::NoModifier));
            ++step;
        });
        user.start(10);
        const pid_t feeder = bench::StartFeeder(master, total, 0);
        const Run r = RunUntil(loop, [&] { return state.rxCount >= total; });
        user.stop();
        waitpid(feeder, nullptr, 0);
        std::printf(
            "flood while the user drags a selection and types in the display: %ld bytes in %.2f s, RX %lld; "
            "%ld user events, slowest handled in %.1f ms; worst UI answer %.1f ms\n",
            total, r.seconds, static_cast<long long>(state.rxCount), inputs, worstInput, r.worstAnswerMs);
    }
    if (capturing) {
        model.userClick((*captureWindow)[ui::capture::kCaptureStartStop]);  // written whole and closed
        std::ifstream in(capturePath, std::ios::binary);
        const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const capture::ParsedFile parsed = capture::ParseCapture(file);
        long long received = 0;
        for (const capture::Record& r : parsed.records)
            if (r.direction == capture::Direction::Received) received += static_cast<long long>(r.bytes.size());
        std::printf("capture file: %zu bytes, %zu records, %lld bytes received (fed %ld, the two floods included)%s\n",
                    file.size(), parsed.records.size(), received, 4 * 11520 * rateSeconds + 40'000'000L,
                    parsed.truncated ? ", cut short" : "");
        if (shownText)
            std::printf(
                "display text file: %llu bytes\n",
                static_cast<unsigned long long>(std::filesystem::file_size(capture::ShownTextPath(capturePath))));
        std::filesystem::remove(capturePath);
        std::filesystem::remove(capture::ShownTextPath(capturePath));
    }
    return 0;
}
