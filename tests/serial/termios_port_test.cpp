#include "serial/termios_port.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "support/pty_pair.h"
#include "serial/any_port.h"
#include "serial/custom_baud.h"

namespace vorta::serial {
namespace {
using test::PtyPair;
using Clock = std::chrono::steady_clock;

// Waits until the port reports input, as the monitor thread does.
bool WaitForInput(TermiosPort& port) {
    const auto end = Clock::now() + std::chrono::seconds(2);
    while (Clock::now() < end)
        if (port.wait() & PortIo::kInput) return true;
    return false;
}

TEST(TermiosPort, RatesWithoutAConstantGoThroughTermios2) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TermiosPort port;
    LineSettings s;
    s.baudRate = 250000;
    ASSERT_TRUE(port.open(pty.path(), s));
    EXPECT_EQ(ReadBaudRate(pty.slave()), 250000);
}

TEST(TermiosPort, TheRateIsReadBackAfterTheOpen) {
    for (int rate : {300, 9600, 115200, 230400, 921600, 3000000, 4000000, 250000, 1234567}) {
        PtyPair pty;
        ASSERT_TRUE(pty.ok());
        TermiosPort port;
        LineSettings s;
        s.baudRate = rate;
        ASSERT_TRUE(port.open(pty.path(), s)) << rate;
        EXPECT_EQ(port.report().baudRate, rate);
        EXPECT_EQ(ReadBaudRate(pty.slave()), rate);
        port.close();
        EXPECT_EQ(port.report().baudRate, -1);  // nothing open, nothing to report
    }
}

TEST(TermiosPort, TheChannelsPortPassesTheReportOn) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    AnyPort port;
    LineSettings s;
    s.baudRate = 921600;
    ASSERT_TRUE(port.open(pty.path(), s));
    EXPECT_EQ(port.report().baudRate, 921600);
}

TEST(TermiosPort, FlowControlAsAsked) {
    struct Case {
        FlowControl flow;
        bool rtsCts, xonXoff, refused;
    } cases[] = {
        {FlowControl::None, false, false, false},
        {FlowControl::RtsCts, true, false, false},
        {FlowControl::XonXoff, false, true, false},
        {FlowControl::Unavailable, false, false, true},
    };
    for (const Case& c : cases) {
        PtyPair pty;
        ASSERT_TRUE(pty.ok());
        TermiosPort port;
        LineSettings s;
        s.flow = c.flow;
        ASSERT_TRUE(port.open(pty.path(), s));
        termios t{};
        ASSERT_EQ(tcgetattr(pty.slave(), &t), 0);
        EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, c.rtsCts) << int(c.flow);
        EXPECT_EQ((t.c_iflag & IXON) != 0 && (t.c_iflag & IXOFF) != 0, c.xonXoff) << int(c.flow);
        EXPECT_EQ(port.report().flowRefused, c.refused) << int(c.flow);
    }
}

TEST(TermiosPort, Rs485ThatTheDriverLacksIsReportedNotFatal) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TermiosPort port;
    LineSettings s;
    EXPECT_TRUE(port.open(pty.path(), s));
    EXPECT_FALSE(port.report().rs485Refused);  // not asked for
    s.rs485 = {true, true, 1, 2};
    ASSERT_TRUE(port.open(pty.path(), s));
    EXPECT_TRUE(port.report().rs485Refused);  // a pseudo-terminal has no RS-485 mode
    EXPECT_EQ(port.write("ok"), 2u);
}

TEST(TermiosPort, SettingsTheLineCannotTakeFailTheOpen) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TermiosPort port;
    LineSettings s;
    s.dataBits = 9;  // no such character size
    EXPECT_FALSE(port.open(pty.path(), s));
    EXPECT_EQ(port.fd(), -1);
    s = LineSettings{};
    s.baudRate = 0;
    EXPECT_FALSE(port.open(pty.path(), s));
    // The failed opens left nothing behind: the port opens normally.
    EXPECT_TRUE(port.open(pty.path(), LineSettings{}));
}

// A pseudo-terminal keeps 8 data bits whatever it is asked; asking again for 7
// then changes nothing, which tcsetattr reports as EINVAL. The port still opens.
TEST(TermiosPort, APseudoTerminalReopensWithFewerDataBits) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TermiosPort port;
    for (int bits : {7, 7, 6, 6, 5}) {
        LineSettings s;
        s.dataBits = bits;
        s.parity = Parity::Even;
        EXPECT_TRUE(port.open(pty.path(), s)) << bits << " data bits";
        port.close();
    }
}

TEST(TermiosPort, NotASerialDeviceFails) {
    TermiosPort port;
    EXPECT_FALSE(port.open("/nonexistent/ttyS0", LineSettings{}));
    const std::string file = "/tmp/vorta-not-a-tty-" + std::to_string(getpid());
    std::ofstream(file) << "x";
    EXPECT_FALSE(port.open(file, LineSettings{}));
    std::remove(file.c_str());
}

TEST(TermiosPort, OpensAndWritesWithoutModemLines) {
    // Pseudo-terminals reject TIOCMBIS; the port still opens and works.
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TermiosPort port;
    ASSERT_TRUE(port.open(pty.path(), LineSettings{}));
    EXPECT_EQ(port.write("ok"), 2u);
    EXPECT_EQ(pty.receive(2), "ok");
}

TEST(TermiosPort, HeldPortCannotBeOpenedAgain) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TermiosPort first;
    TermiosPort second;
    ASSERT_TRUE(first.open(pty.path(), LineSettings{}));
    EXPECT_FALSE(second.open(pty.path(), LineSettings{}));
    first.close();
    EXPECT_TRUE(second.open(pty.path(), LineSettings{}));
}

// Whether a program that does not take the lock, running as an ordinary
// user, can open `path`. Root passes TIOCEXCL, so as root the attempt runs in
// a child process under the "nobody" user. -1: could not be tried.
int OrdinaryUserCanOpen(const std::string& path, int deviceFd) {
    if (geteuid() != 0) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
        return fd >= 0 ? 1 : 0;
    }
    if (fchmod(deviceFd, 0666) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        _exit(fd >= 0 ? 1 : errno == EBUSY ? 0 : 2);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    const int code = WEXITSTATUS(status);
    return code <= 1 ? code : -1;
}

TEST(TermiosPort, ProgramsThatIgnoreTheLockAreKeptOutToo) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TermiosPort port;
    ASSERT_TRUE(port.open(pty.path(), LineSettings{}));
    const int whileOpen = OrdinaryUserCanOpen(pty.path(), pty.slave());
    if (whileOpen < 0) GTEST_SKIP() << "cannot run as an ordinary user here";
    EXPECT_EQ(whileOpen, 0);
    // A second opener that fails must leave the holder's mark alone.
    TermiosPort second;
    EXPECT_FALSE(second.open(pty.path(), LineSettings{}));
    EXPECT_EQ(OrdinaryUserCanOpen(pty.path(), pty.slave()), 0);
    port.close();
    // The exclusive mark must not outlive the port on a device that stays.
    EXPECT_EQ(OrdinaryUserCanOpen(pty.path(), pty.slave()), 1);
}

TEST(TermiosPort, PortLockedByAnotherProgramFails) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const int other = ::open(pty.path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    TermiosPort port;
    EXPECT_FALSE(port.open(pty.path(), LineSettings{}));
    ::close(other);
    EXPECT_TRUE(port.open(pty.path(), LineSettings{}));
}

TEST(TermiosPort, AWriteSendsAllAndKeepsWhatCameIn) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TermiosPort port;
    ASSERT_TRUE(port.open(pty.path(), LineSettings{}));
    ASSERT_TRUE(pty.send("waiting"));
    ASSERT_TRUE(WaitForInput(port));

    std::string frame(10000, '\0');
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<char>(i * 7);
    std::thread reader([&] { EXPECT_EQ(pty.receive(frame.size()), frame); });
    EXPECT_EQ(port.write(frame), frame.size());
    reader.join();
    char buffer[16];
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(std::max(0L, port.read(buffer, sizeof buffer)))), "waiting");
}

TEST(TermiosPort, IsPseudoTerminal) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    EXPECT_TRUE(IsPseudoTerminal(pty.slave()));
    EXPECT_TRUE(IsPseudoTerminal(pty.master()));
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    EXPECT_FALSE(IsPseudoTerminal(null));
    ::close(null);
}

// The far end stops reading: the write gives up after the time-out plus the
// line time, and the count it returns is exactly what the far end gets.
TEST(TermiosPort, ACutOffWriteCountsExactlyWhatWentOut) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TermiosPort port;
    LineSettings s;
    s.baudRate = 4000000;
    ASSERT_TRUE(port.open(pty.path(), s));
    std::string flood(1 << 18, '\0');
    for (std::size_t i = 0; i < flood.size(); ++i) flood[i] = static_cast<char>(i % 253);
    const auto start = Clock::now();
    const std::size_t sent = port.write(flood);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));  // 1 s plus about 0.7 s
    EXPECT_GT(sent, 0u);
    EXPECT_LT(sent, flood.size());
    const std::string got = pty.receive(flood.size(), 300);
    EXPECT_EQ(got.size(), sent);
    EXPECT_TRUE(got == flood.substr(0, sent));
}

TEST(TermiosPort, FarEndClosingLeavesAPortThatWaitsQuietly) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TermiosPort port;
    ASSERT_TRUE(port.open(pty.path(), LineSettings{}));
    pty.closeFarEnd();

    // The hang-up wakes the waiter; the read then tells that the device is gone.
    ASSERT_TRUE(WaitForInput(port));
    char buffer[16];
    EXPECT_EQ(port.read(buffer, sizeof buffer), -1);
    EXPECT_TRUE(port.gone());
    EXPECT_EQ(port.write("x"), 0u);

    // From now on only wake() ends a wait.
    std::thread waker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        port.wake();
    });
    const auto start = Clock::now();
    EXPECT_EQ(port.wait(), unsigned{PortIo::kWoken});
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(150));
    waker.join();
    port.close();
    EXPECT_EQ(port.fd(), -1);
}

}  // namespace
}  // namespace vorta::serial
