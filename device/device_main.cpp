// vorta-device: a simulated field device on a pseudo-terminal (see --help).
// One thread: it waits for received bytes, the end of a frame, the next byte
// of a paced reply or the next streamed line, whichever comes first.
#include <poll.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigaction is POSIX, declared here
#include <time.h>    // NOLINT(modernize-deprecated-headers): localtime_r is POSIX, declared here
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <iostream>

#include "device/device_engine.h"
#include "device/device_help.h"
#include "device/device_options.h"
#include "device/first_run_port.h"
#include "device/frame_splitter.h"
#include "device/linked_pty.h"
#include "device/paced_output.h"
#include "device/text_stream.h"
#include "device/tty_line_reader.h"
#include "store/app_paths.h"
#include "codec/gbk_convert.h"

namespace vorta::device {
namespace {

constexpr Micros kSecond = 1000000;
// While no program has the port open the master reports a hang-up at once;
// this is how often the device looks again.
constexpr Micros kClosedPortRetry = 20000;
// UTF-8, as the file system and the port list's notes expect.
const std::string kDescription = reinterpret_cast<const char*>(u8"演示设备");
constexpr int kDemoPortNumber = 900;
constexpr const char* kDemoPort = "COM900";

volatile sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

Micros Now() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Moment MomentAt(Micros sinceStart) {
    const time_t t = time(nullptr);
    tm local{};
    localtime_r(&t, &local);
    return {sinceStart, local.tm_hour, local.tm_min, local.tm_sec};
}

timespec Span(Micros micros) {
    micros = std::max<Micros>(micros, 0);
    return {static_cast<time_t>(micros / kSecond), static_cast<long>(micros % kSecond) * 1000};
}

// COM900 in the ports folder beside the program's settings file; empty when
// that folder cannot be determined.
std::string DefaultLink() {
    const std::string folder = store::TemporaryDirectory();
    if (folder.empty()) return {};
    return codec::GbkToUtf8(folder) + "ports/" + kDemoPort;
}

void Log(const char* what, std::string_view bytes) {
    std::string line = what;
    char cell[4];
    for (unsigned char b : bytes) {
        std::snprintf(cell, sizeof cell, " %02X", b);
        line += cell;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}

void Run(const LinkedPty& pty, const DeviceOptions& options, const sigset_t& waitMask) {
    DeviceEngine engine(options.addresses);
    FrameSplitter splitter;
    PacedOutput output;
    const Micros start = Now();
    Micros nextLine = start + kSecond;
    bool listening = false;
    char buffer[4096];
    while (!gStop) {
        const Micros now = Now();
        const LineTiming timing = ReadLineTiming(pty.master());
        const Micros charTime = options.pace ? timing.charTime() : 0;

        if (const auto frame = splitter.take(now, timing.frameSilence())) {
            const std::string reply = engine.answer(*frame, MomentAt(now - start));
            if (options.log) Log(reply.empty() ? "rx (no answer)" : "rx", *frame);
            if (options.log && !reply.empty()) Log("tx", reply);
            output.push(reply, now, charTime);
        }
        if (options.stream && now >= nextLine) {
            if (listening) output.push(StreamLine(engine.model(), MomentAt(now - start)), now, charTime);
            nextLine += kSecond;
            if (nextLine <= now) nextLine = now + kSecond;  // after a stall: no burst of catch-up lines
        }
        if (const std::size_t due = output.dueCount(now)) {
            const ssize_t written = ::write(pty.master(), output.queued().data(), due);
            if (written > 0)
                output.consume(static_cast<std::size_t>(written));
            else if (written < 0 && errno != EINTR)
                output.clear();  // the program reads nothing: bytes are lost, as in an overrun
        }

        Micros wake = now + kSecond;
        if (const auto end = splitter.deadline(timing.frameSilence())) wake = std::min(wake, *end);
        if (const auto next = output.nextDue()) wake = std::min(wake, *next);
        if (options.stream) wake = std::min(wake, nextLine);
        pollfd fd{pty.master(), POLLIN, 0};
        const timespec timeout = Span(wake - Now());
        const int ready = ::ppoll(&fd, 1, &timeout, &waitMask);
        if (ready < 0) continue;  // a signal: gStop tells whether to end
        listening = (fd.revents & POLLHUP) == 0;
        if (fd.revents & POLLIN) {
            const ssize_t n = ::read(pty.master(), buffer, sizeof buffer);
            if (n > 0 && listening) splitter.add(std::string_view(buffer, static_cast<std::size_t>(n)), Now());
        }
        if (!listening) {
            // Nobody has the port open: what was half received or not yet sent is lost with the line.
            splitter.clear();
            output.clear();
            const timespec pause = Span(kClosedPortRetry);
            ::ppoll(nullptr, 0, &pause, &waitMask);
        }
    }
}

int Main(int argc, char** argv) {
    const ParsedOptions parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    const DeviceOptions& options = parsed.options;
    if (!parsed.error.empty()) {
        std::cerr << "vorta-device: " << parsed.error << " (see vorta-device --help)\n";
        return 2;
    }
    const std::string defaultLink = options.link ? std::string() : DefaultLink();
    if (options.help) {
        std::cout << HelpText(DefaultLink());
        return 0;
    }
    if (!options.link && defaultLink.empty()) {
        std::cerr << "vorta-device: the settings folder cannot be determined; give --link PATH or --link none\n";
        return 1;
    }
    const std::string link = options.link ? *options.link : defaultLink;

    // Signals arrive only while the loop waits, so a stop is never missed between checks.
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&stopSignals, s);
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigaction(s, &action, nullptr);
    }
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);

    std::string error;
    const auto pty = LinkedPty::create(link, kDescription, error);
    if (!pty) {
        std::cerr << "vorta-device: " << error << "\n";
        return 1;
    }
    if (options.selectPort && !options.link) {
        const std::string settings = store::SettingsPath();
        if (SelectPortOnFirstRun(settings, serial::RootsBesideSettings(codec::GbkToUtf8(settings)), kDemoPortNumber))
            std::cerr << "vorta-device: " << kDemoPort << " preselected for the program's first run\n";
    }
    std::cerr << "vorta-device: answering on " << pty->devicePath();
    if (!pty->link().empty()) std::cerr << ", linked as " << pty->link();
    std::cerr << std::endl;

    if (options.background) {
        std::cout.flush();
        const pid_t child = ::fork();
        if (child < 0) {
            std::perror("vorta-device: fork");
            return 1;
        }
        if (child > 0) {
            std::printf("%d\n", static_cast<int>(child));
            std::fflush(stdout);
            ::_exit(0);  // the link is the child's now
        }
        // Release the caller's pipe, so $(vorta-device --background) returns.
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) ::dup2(null, STDOUT_FILENO);
    }
    Run(*pty, options, waitMask);
    return 0;
}

}  // namespace
}  // namespace vorta::device

int main(int argc, char** argv) { return vorta::device::Main(argc, argv); }
