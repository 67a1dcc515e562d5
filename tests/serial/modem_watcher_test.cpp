// CTS, DSR, DCD and RI followed through the channel's port interface: a fake
// port stands for the drivers (pseudo-terminals have no modem lines), one that
// waits for a change, one that can only be read, one without lines.
#include "serial/modem_watcher.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/virtual_loop.h"
#include "serial/serial_channel.h"
#include "support/lines_port.h"
#include "support/pty_pair.h"

namespace vorta::serial {
namespace {
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Kind = ModemState::Kind;
using Mode = ModemWatcher::Mode;
using test::Driver;
using test::LinesPort;

class ModemWatcherTest : public ::testing::Test {
protected:
    void make(Driver driver) {
        auto port = std::make_unique<LinesPort>(driver);
        port_ = port.get();
        channel_ = std::make_unique<SerialChannel>(
            loop_, [](int) { return std::string("/dev/fake"); }, std::move(port));
        channel_->setOnModemLines([this](const ModemState& s) { shown_.push_back(s); });
    }
    // Pumps the UI loop until `done` or two seconds have passed.
    bool pumpUntil(const std::function<bool()>& done) { return loop_.runUntilReal(done, 2000ms); }
    void pumpFor(std::chrono::milliseconds d) {
        loop_.runUntilReal([] { return false; }, d);
    }
    ModemState last() const { return shown_.empty() ? ModemState{} : shown_.back(); }

    base::VirtualLoop loop_;
    LinesPort* port_ = nullptr;
    std::unique_ptr<SerialChannel> channel_;
    std::vector<ModemState> shown_;
};

TEST_F(ModemWatcherTest, EachDriverIsFollowedTheWayItCan) {
    struct Case {
        Driver driver;
        Mode mode;
        Kind shown;
        bool reads;  // the lines are read again and again while nothing changes
    } cases[] = {
        {Driver::Waits, Mode::Waiting, Kind::Known, false},
        {Driver::ReadsOnly, Mode::Polling, Kind::Known, true},
        {Driver::NoLines, Mode::Unavailable, Kind::Unavailable, false},
        {Driver::NotYet, Mode::Polling, Kind::Unavailable, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.driver));
        shown_.clear();
        make(c.driver);
        ASSERT_TRUE(channel_->open());
        ASSERT_TRUE(pumpUntil([&] { return channel_->modemWatchMode() == c.mode && !shown_.empty(); }));
        const int reads = port_->reads();
        pumpFor(350ms);
        // Shown once, and not again while it stays the same.
        ASSERT_EQ(shown_.size(), 1u);
        EXPECT_EQ(shown_[0].kind, c.shown);
        if (c.shown == Kind::Known) {
            EXPECT_TRUE(shown_[0].lines.cts);
            EXPECT_TRUE(shown_[0].lines.dcd);
            EXPECT_FALSE(shown_[0].lines.dsr);
        }
        if (c.reads) {
            // Ten a second at most: 350 ms hold three or four reads.
            EXPECT_GE(port_->reads() - reads, 2);
            EXPECT_LE(port_->reads() - reads, 5);
        } else {
            EXPECT_EQ(port_->reads(), reads);
        }
        if (c.driver == Driver::NoLines) {
            EXPECT_EQ(port_->reads(), 1);  // one try, not one per period
            EXPECT_EQ(port_->waits(), 1);
        }
        channel_->close();
        EXPECT_EQ(last().kind, Kind::Closed);
        EXPECT_EQ(channel_->modemWatchMode(), Mode::Stopped);
    }
}

TEST_F(ModemWatcherTest, AChangeShowsAtTheWaitsReturnOrTheNextRead) {
    for (const Driver driver : {Driver::Waits, Driver::ReadsOnly}) {
        SCOPED_TRACE(static_cast<int>(driver));
        shown_.clear();
        make(driver);
        ASSERT_TRUE(channel_->open());
        ASSERT_TRUE(pumpUntil([&] { return !shown_.empty(); }));
        if (driver == Driver::Waits) {
            ASSERT_TRUE(port_->waitUntilWaiting());
        }
        const int reads = port_->reads();
        port_->setLines({.cts = false, .dsr = true, .dcd = true, .ri = true});
        ASSERT_TRUE(pumpUntil([&] { return shown_.size() == 2; }));
        EXPECT_FALSE(shown_[1].lines.cts);
        EXPECT_TRUE(shown_[1].lines.dsr);
        EXPECT_TRUE(shown_[1].lines.ri);
        // The wait's return reads them at once; a poll reads them at its next period
        // (one more may have run before the handler did).
        EXPECT_LE(port_->reads() - reads, 2);
        channel_->close();
    }
}

TEST_F(ModemWatcherTest, NothingIsReadOnceThePortIsClosed) {
    for (const Driver driver : {Driver::Waits, Driver::ReadsOnly}) {
        make(driver);
        ASSERT_TRUE(channel_->open());
        ASSERT_TRUE(pumpUntil([&] { return !shown_.empty(); }));
        channel_->close();
        const int reads = port_->reads(), waits = port_->waits();
        port_->setLines({.cts = false});
        pumpFor(300ms);
        EXPECT_EQ(port_->reads(), reads);
        EXPECT_EQ(port_->waits(), waits);
        EXPECT_EQ(last().kind, Kind::Closed);
    }
}

TEST_F(ModemWatcherTest, CloseEndsAPendingWaitPromptlyEvenWhenInterruptionsAreLost) {
    for (const int lost : {0, 3}) {
        SCOPED_TRACE(lost);
        make(Driver::Waits);
        ASSERT_TRUE(channel_->open());
        ASSERT_TRUE(port_->waitUntilWaiting());
        port_->loseInterrupts(lost);
        const auto began = Clock::now();
        channel_->close();
        // Not a speed figure: a close that had to wait for a line change would never return.
        EXPECT_LT(Clock::now() - began, 1s);
        EXPECT_GE(port_->interruptCalls(), lost + 1);
        EXPECT_FALSE(channel_->isOpen());
    }
}

TEST_F(ModemWatcherTest, AReportOfTheClosedSessionIsNotShownAfterTheClose) {
    make(Driver::ReadsOnly);
    ASSERT_TRUE(channel_->open());
    // The thread has read and posted; the UI loop has not run the post yet.
    const auto end = Clock::now() + 2s;
    while (port_->reads() == 0 && Clock::now() < end) std::this_thread::sleep_for(1ms);
    channel_->close();
    loop_.runPending();
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].kind, Kind::Closed);
}

TEST_F(ModemWatcherTest, AFailedWaitIsFollowedByAReadAPeriodLaterAndANewWait) {
    make(Driver::FailsOnce);
    ASSERT_TRUE(channel_->open());
    ASSERT_TRUE(port_->waitUntilWaiting());
    EXPECT_EQ(port_->waits(), 2);
    EXPECT_EQ(port_->reads(), 2);
    EXPECT_EQ(channel_->modemWatchMode(), Mode::Waiting);
    channel_->close();
}

TEST_F(ModemWatcherTest, WithoutAListenerNoThreadFollowsTheLines) {
    make(Driver::ReadsOnly);
    channel_->setOnModemLines(nullptr);
    ASSERT_TRUE(channel_->open());
    pumpFor(150ms);
    EXPECT_EQ(channel_->modemWatchMode(), Mode::Stopped);
    EXPECT_EQ(port_->reads(), 0);
    channel_->close();
}

// A pseudo-terminal through the real port: no lines, said once, nothing follows.
TEST(ModemWatcherPty, APseudoTerminalShowsUnavailableOnceAndIsNotWatched) {
    test::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    base::VirtualLoop loop;
    SerialChannel channel(loop, [&](int) { return pty.path(); });
    std::vector<ModemState> shown;
    channel.setOnModemLines([&](const ModemState& s) { shown.push_back(s); });
    ASSERT_TRUE(channel.open());
    ASSERT_TRUE(loop.runUntilReal([&] { return channel.modemWatchMode() == Mode::Unavailable; }, 2000ms));
    loop.runUntilReal([] { return false; }, 200ms);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, Kind::Unavailable);
    channel.close();
    EXPECT_EQ(shown.back().kind, Kind::Closed);
}

}  // namespace
}  // namespace vorta::serial
