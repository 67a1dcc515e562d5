// The real port's wait for a line change and its end at close, on a
// pseudo-terminal given modem lines by the preloaded shim of the peer
// benchmarks (bench/peers/pty_modem_shim.c), whose wait, like a driver's,
// lasts until a signal or a hang-up.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>

#include "base/virtual_loop.h"
#include "serial/serial_channel.h"
#include "serial/termios_port.h"
#include "support/pty_pair.h"

namespace vorta::serial {
namespace {
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(TermiosLineWait, TheChannelWaitsForTheLinesAndItsCloseEndsTheWait) {
    test::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    int bits = 0;
    if (ioctl(pty.slave(), TIOCMGET, &bits) != 0) GTEST_SKIP() << "the modem-line shim is not preloaded";
    base::VirtualLoop loop;
    SerialChannel channel(
        loop, [&](int) { return pty.path(); }, std::make_unique<TermiosPort>());
    std::vector<ModemState> shown;
    channel.setOnModemLines([&](const ModemState& s) { shown.push_back(s); });
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(channel.open());
        ASSERT_TRUE(
            loop.runUntilReal([&] { return !shown.empty() && shown.back().kind != ModemState::Kind::Closed; }, 2000ms));
        // The shim's device is ready: CTS, DSR and DCD on, no ring.
        EXPECT_TRUE(shown.back().lines.cts);
        EXPECT_TRUE(shown.back().lines.dsr);
        EXPECT_TRUE(shown.back().lines.dcd);
        EXPECT_FALSE(shown.back().lines.ri);
        ASSERT_TRUE(loop.runUntilReal([&] { return channel.modemWatchMode() == ModemWatcher::Mode::Waiting; }, 2000ms));
        std::this_thread::sleep_for(20ms);  // into the ioctl
        const auto began = Clock::now();
        channel.close();
        // Not a speed figure: without the signal the close would wait for ever.
        EXPECT_LT(Clock::now() - began, 1s);
        EXPECT_EQ(shown.back().kind, ModemState::Kind::Closed);
    }
}

// The device goes and comes back (a new pseudo-terminal, likely under the old
// descriptor number) while its lines are followed by waiting or by reading:
// under ThreadSanitizer, the follower never uses a descriptor the reconnect closed.
TEST(TermiosLineWait, TheLinesAreFollowedThroughReconnects) {
    using Kind = ModemState::Kind;
    for (const bool canWait : {true, false}) {
        // Set before the follower starts: the shim reads it there.
        canWait ? unsetenv("PTY_MODEM_SHIM_NO_WAIT") : setenv("PTY_MODEM_SHIM_NO_WAIT", "1", 1);
        auto pty = std::make_unique<test::PtyPair>();
        int bits = 0;
        if (ioctl(pty->slave(), TIOCMGET, &bits) != 0) GTEST_SKIP() << "the modem-line shim is not preloaded";
        base::VirtualLoop loop;
        SerialChannel channel(loop, [&](int) { return pty->path(); });  // the platform's port
        Kind shown = Kind::Closed;
        channel.setOnModemLines([&](const ModemState& s) { shown = s.kind; });
        const auto until = [&](const std::function<bool()>& done) { return loop.runUntilReal(done, 2000ms); };
        const auto mode = canWait ? ModemWatcher::Mode::Waiting : ModemWatcher::Mode::Polling;
        ASSERT_TRUE(channel.open());
        for (int round = 0; round < 3; ++round) {
            ASSERT_TRUE(until([&] { return channel.modemWatchMode() == mode && shown == Kind::Known; }));
            pty->closeFarEnd();
            ASSERT_TRUE(until([&] { return channel.waitingForDevice() && shown == Kind::Unavailable; }));
            pty = std::make_unique<test::PtyPair>();
            channel.retryNow();
        }
        ASSERT_TRUE(until([&] { return !channel.waitingForDevice() && shown == Kind::Known; }));
    }
    unsetenv("PTY_MODEM_SHIM_NO_WAIT");
}

}  // namespace
}  // namespace vorta::serial
