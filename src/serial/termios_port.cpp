#include "serial/termios_port.h"

#include <fcntl.h>
#include <linux/major.h>
#include <linux/serial.h>
#include <poll.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigaction and pthread_kill are POSIX, declared here
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <iterator>
#include <thread>
#include <utility>

#include "serial/custom_baud.h"
#include "serial/termios_settings.h"

namespace vorta::serial {
namespace {

// How long a write may wait beyond its bytes' own line time.
constexpr int kWriteTimeoutMs = 1000;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Pseudo-terminals and some USB adapters have no modem lines at all.
bool NotSupported(int error) { return error == ENOTTY || error == EINVAL; }

// The signal that ends a TIOCMIWAIT at close: its handler does nothing and is
// installed without SA_RESTART, so the wait returns EINTR rather than
// starting again. Only ever sent to a thread inside waitLineChange(). 0 when
// it could not be installed.
int LineWaitSignal() {
    static const int number = [] {
        const int n = SIGRTMIN + 2;
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        return sigaction(n, &action, nullptr) == 0 ? n : 0;
    }();
    return number;
}

bool SetLine(int fd, int line, bool on) { return ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0; }

// RTS and DTR as chosen; a port without modem lines takes that as done. A
// handshake or RS-485 drives RTS itself.
bool ApplyOutputLines(int fd, const LineSettings& s) {
    const bool rtsFree = s.flow != FlowControl::RtsCts && !s.rs485.enabled;
    const bool ok = (!rtsFree || SetLine(fd, TIOCM_RTS, s.rts)) && SetLine(fd, TIOCM_DTR, s.dtr);
    return ok || NotSupported(errno);
}

// tcsetattr() fails with EINVAL when it changed nothing at all. A
// pseudo-terminal keeps 8 data bits and no parity whatever it is asked, so
// asking it again for 7 data bits and otherwise the settings it has "changes
// nothing": for a pseudo-terminal that is no failure.
bool SetAttributes(int fd, const termios& wanted, bool pseudoTerminal) {
    if (tcsetattr(fd, TCSANOW, &wanted) == 0) return true;
    if (!pseudoTerminal || errno != EINVAL) return false;
    termios now{};
    if (tcgetattr(fd, &now) != 0) return false;
    constexpr tcflag_t kForced = CSIZE | PARENB | PARODD | CMSPAR;
    return now.c_iflag == wanted.c_iflag && now.c_oflag == wanted.c_oflag && now.c_lflag == wanted.c_lflag &&
           (now.c_cflag & ~kForced) == (wanted.c_cflag & ~kForced) &&
           std::equal(std::begin(now.c_cc), std::end(now.c_cc), std::begin(wanted.c_cc));
}

// RS-485 mode through the driver; false when it has none.
bool SetRs485(int fd, const Rs485& mode) {
    serial_rs485 rs{};
    rs.flags = SER_RS485_ENABLED | (mode.rtsOnSend ? SER_RS485_RTS_ON_SEND : SER_RS485_RTS_AFTER_SEND);
    rs.delay_rts_before_send = static_cast<__u32>(std::max(0, mode.delayBeforeMs));
    rs.delay_rts_after_send = static_cast<__u32>(std::max(0, mode.delayAfterMs));
    if (ioctl(fd, TIOCSRS485, &rs) != 0) return false;
    serial_rs485 now{};
    return ioctl(fd, TIOCGRS485, &now) == 0 && (now.flags & SER_RS485_ENABLED) != 0;
}

// The rate and flow control the line has now, so a
// driver that took something else is never taken at its word.
OpenReport ReadBack(int fd, const LineSettings& settings) {
    OpenReport report;
    report.baudRate = ReadBaudRate(fd);
    termios now{};
    if (tcgetattr(fd, &now) == 0) {
        const bool rtsCts = (now.c_cflag & CRTSCTS) != 0;
        const bool xonXoff = (now.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF);
        switch (settings.flow) {
        case FlowControl::None: break;
        case FlowControl::RtsCts: report.flowRefused = !rtsCts; break;
        case FlowControl::XonXoff: report.flowRefused = !xonXoff; break;
        case FlowControl::Unavailable: report.flowRefused = true; break;
        }
    }
    return report;
}

}  // namespace

bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned group = major(st.st_rdev);
    const auto inUnix98 = [&](unsigned first) { return group >= first && group < first + UNIX98_PTY_MAJOR_COUNT; };
    if (inUnix98(UNIX98_PTY_SLAVE_MAJOR) || group == PTY_SLAVE_MAJOR) return true;
    // A master opened through /dev/ptmx is the ptmx node itself; only masters know their pty number.
    unsigned number = 0;
    return inUnix98(UNIX98_PTY_MASTER_MAJOR) || group == PTY_MASTER_MAJOR || ioctl(fd, TIOCGPTN, &number) == 0;
}

TermiosPort::TermiosPort() : wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TermiosPort::~TermiosPort() { close(); }

bool TermiosPort::open(const std::string& devicePath, const LineSettings& settings) {
    close();
    if (!wakeFd_) return false;
    // O_NONBLOCK: neither open() nor read() may wait for carrier or data.
    base::UniqueFd opened(::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!opened) return false;
    const int fd = opened.get();
    settings_ = settings;
    pseudoTerminal_ = IsPseudoTerminal(fd);

    termios t{};
    // The lock keeps out programs that honour it, TIOCEXCL keeps out every
    // later open() except by root.
    bool ok = flock(fd, LOCK_EX | LOCK_NB) == 0 && ioctl(fd, TIOCEXCL) == 0;
    exclusive_ = ok;
    ok = ok && tcgetattr(fd, &t) == 0 && ApplyLineSettings(settings, t) && SetAttributes(fd, t, pseudoTerminal_);
    if (ok && StandardSpeed(settings.baudRate) == B0) ok = SetCustomBaud(fd, settings.baudRate);
    if (ok) ok = ApplyOutputLines(fd, settings);
    if (ok) report_ = ReadBack(fd, settings);
    if (ok && settings.rs485.enabled) report_.rs485Refused = !SetRs485(fd, settings.rs485);
    if (!ok) {
        // Only our own flag: a failed open must not clear the holder's.
        if (exclusive_) ioctl(fd, TIOCNXCL);
        exclusive_ = pseudoTerminal_ = false;
        report_ = {};
        return false;
    }
    // What waited before the open belongs to nobody. A pseudo-terminal keeps
    // its output: that is what the far end has not read yet.
    tcflush(fd, pseudoTerminal_ ? TCIFLUSH : TCIOFLUSH);
    eventfd_t stale;
    eventfd_read(wakeFd_.get(), &stale);
    const std::lock_guard lock(fdMutex_);
    fd_ = std::move(opened);
    return true;
}

void TermiosPort::close() {
    // The exclusive flag outlives this descriptor on a pseudo-terminal
    // whose other side stays open; clear it so the port can be reopened.
    // Only our own: a failed open must not clear the holder's.
    if (fd_ && exclusive_) ioctl(fd_.get(), TIOCNXCL);
    {
        const std::lock_guard lock(fdMutex_);
        fd_.reset();  // also drops the lock
    }
    gone_ = hangup_ = exclusive_ = pseudoTerminal_ = false;
    report_ = {};
}

unsigned TermiosPort::wait() {
    pollfd fds[2] = {{wakeFd_.get(), POLLIN, 0}, {fd_.get(), POLLIN, 0}};
    const bool watchDevice = fd_ && !gone_;
    const int ready = poll(fds, watchDevice ? 2 : 1, -1);
    if (ready < 0) return 0;  // EINTR: the caller simply waits again
    unsigned result = 0;
    if (fds[0].revents & POLLIN) {
        eventfd_t count;
        eventfd_read(wakeFd_.get(), &count);
        result |= kWoken;
    }
    if (watchDevice && fds[1].revents) {
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) hangup_ = true;
        result |= kInput;
    }
    return result;
}

void TermiosPort::wake() {
    if (wakeFd_) eventfd_write(wakeFd_.get(), 1);
}

long TermiosPort::read(char* buffer, std::size_t capacity) {
    if (!fd_ || gone_) return -1;
    for (;;) {
        const ssize_t n = ::read(fd_.get(), buffer, capacity);
        if (n > 0) return n;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN && !hangup_) return 0;
        // 0 (hung up), EIO (far end closed) or a hang-up without data: the
        // device is gone until it is opened again.
        gone_ = true;
        return -1;
    }
}

std::int64_t TermiosPort::lineTimeMs(std::size_t bytes) const {
    const int bitsPerChar = 1 + (settings_.dataBits & 0xFF) + (settings_.parity != Parity::None ? 1 : 0) +
                            (settings_.stopBits != StopBits::One ? 2 : 1);
    const std::int64_t baud = settings_.baudRate > 0 ? settings_.baudRate : 1;
    return static_cast<std::int64_t>(bytes) * bitsPerChar * 1000 / baud;
}

std::size_t TermiosPort::write(std::string_view bytes) {
    if (!fd_ || gone_) return 0;
    const std::int64_t deadline = NowMs() + kWriteTimeoutMs + lineTimeMs(bytes.size());
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_.get(), bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (!waitWritable(deadline)) break;
        } else {
            gone_ = true;  // EIO: hung up
            break;
        }
    }
    if (gone_) return done;
    const int queued = waitDrained(deadline);
    if (queued == 0) return done;
    // Cut off: drop the remains so that the next frame does not go out behind them.
    tcflush(fd_.get(), TCOFLUSH);
    return done - std::min(done, static_cast<std::size_t>(queued));
}

bool TermiosPort::waitWritable(std::int64_t deadline) {
    pollfd fd{fd_.get(), POLLOUT, 0};
    for (;;) {
        const int timeout = static_cast<int>(std::max<std::int64_t>(0, deadline - NowMs()));
        const int ready = poll(&fd, 1, timeout);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        if (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            gone_ = true;
            return false;
        }
        return true;
    }
}

int TermiosPort::waitDrained(std::int64_t deadline) {
    // A pseudo-terminal's output queue reads 0 at once: what was written waits
    // in the far end's input, where it has gone out as far as this side goes.
    for (;;) {
        int queued = 0;
        if (ioctl(fd_.get(), TIOCOUTQ, &queued) != 0 || queued <= 0) return 0;
        if (NowMs() >= deadline) return queued;
        const std::int64_t lineTime = std::max<std::int64_t>(1, std::min<std::int64_t>(10, lineTimeMs(queued)));
        std::this_thread::sleep_for(std::chrono::milliseconds(lineTime));
    }
}

bool TermiosPort::modemLines(ModemLines& lines) const {
    int bits = 0;
    // Not gone_: the monitor thread writes it; a hung-up device fails the call by itself.
    const std::lock_guard lock(fdMutex_);
    if (!fd_ || ioctl(fd_.get(), TIOCMGET, &bits) != 0) return false;
    lines = {(bits & TIOCM_CTS) != 0, (bits & TIOCM_DSR) != 0, (bits & TIOCM_CAR) != 0,
             (bits & TIOCM_RNG) != 0, (bits & TIOCM_DTR) != 0, (bits & TIOCM_RTS) != 0};
    return true;
}

bool TermiosPort::setOutputLine(OutputLine line, bool on) {
    return fd_ && SetLine(fd_.get(), line == OutputLine::Dtr ? TIOCM_DTR : TIOCM_RTS, on);
}

bool TermiosPort::setBreak(bool on) { return fd_ && ioctl(fd_.get(), on ? TIOCSBRK : TIOCCBRK) == 0; }

}  // namespace vorta::serial

namespace vorta::serial {

PortIo::LineWait TermiosPort::waitLineChange() {
    // A descriptor of its own: the monitor thread may close the port's while
    // this one waits (the device gone), and the next open may get its number.
    base::UniqueFd own;
    {
        const std::lock_guard lock(fdMutex_);
        if (fd_) own.reset(fcntl(fd_.get(), F_DUPFD_CLOEXEC, 0));
    }
    if (!own) return LineWait::Failed;
    const int fd = own.get();
    // A wait nothing could end would hold up the close: read the lines instead.
    const int signal = LineWaitSignal();
    if (signal == 0) return LineWait::NoWait;
    {
        const std::lock_guard lock(lineWaitMutex_);
        lineWaiter_ = pthread_self();
        lineWaiting_ = true;
    }
    const int result = ioctl(fd, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG);
    const int error = errno;
    {
        const std::lock_guard lock(lineWaitMutex_);
        lineWaiting_ = false;
    }
    if (result == 0) return LineWait::Changed;
    if (error == EINTR) return LineWait::Interrupted;
    if (!NotSupported(error)) return LineWait::Failed;  // EIO: unplugged or hung up
    // Some USB adapters report their lines but cannot wait for them; a pseudo-terminal has none.
    int bits = 0;
    return ioctl(fd, TIOCMGET, &bits) == 0 ? LineWait::NoWait : LineWait::NoLines;
}

void TermiosPort::interruptLineWait() {
    const std::lock_guard lock(lineWaitMutex_);
    if (lineWaiting_) pthread_kill(lineWaiter_, LineWaitSignal());
}

}  // namespace vorta::serial
