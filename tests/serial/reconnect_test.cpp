// A device that goes while its port is open and comes back, through the
// channel on real pseudo-terminals: the ports-folder link COM7 leads to one
// that hangs up, then to a new one. The port counts the monitor thread's
// calls, so a thread that spun while the device was away would show.
#include <gtest/gtest.h>
#include <termios.h>

#include <filesystem>

#include "base/virtual_loop.h"
#include "codec/gbk_literal.h"
#include "serial/port_discovery.h"
#include "serial/serial_channel.h"
#include "serial/termios_port.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"

namespace vorta::serial {
namespace {
using namespace std::chrono_literals;
namespace fs = std::filesystem;

class CountingPort : public TermiosPort {
public:
    unsigned wait() override {
        ++waits;
        return TermiosPort::wait();
    }
    long read(char* buffer, std::size_t capacity) override {
        ++reads;
        return TermiosPort::read(buffer, capacity);
    }
    std::atomic<int> waits{0}, reads{0};
};

struct Case {
    const char* name;
    bool byClock;  // found at the next pause rather than through retryNow()
    bool closeWhileAway;
};
class ReconnectTest : public ::testing::TestWithParam<Case> {};

TEST_P(ReconnectTest, OneNoteEachWayNoSpinningAndTheSameSettingsWhenBack) {
    const Case c = GetParam();
    test::TempDir tmp;
    const fs::path link = tmp.path() / "ports" / "COM7";
    fs::create_directory(link.parent_path());
    auto first = std::make_unique<test::PtyPair>();
    fs::create_symlink(first->path(), link);
    base::VirtualLoop loop;
    auto* port = new CountingPort;
    int lookups = 0;
    const PortResolver resolve = MakePortResolver(RootsBesideSettings(tmp.path() / "peizhi.ini"));
    SerialChannel channel(
        loop, [&](int n) { return ++lookups, resolve(n); }, std::unique_ptr<PortIo>(port));
    std::vector<std::string> notes;
    channel.setOnPortNote([&](const std::string& note) { notes.push_back(note); });
    channel.setPortNumber(7);
    channel.setBaudRate(38400);
    ASSERT_TRUE(channel.open());
    const auto pump = [&](const std::function<bool()>& done) { return loop.runUntilReal(done, 3000ms); };
    // The clock in small steps, each attempt's answer taken before the next step.
    const auto advance = [&](int ms) {
        for (int at = 0; at < ms; at += 100, loop.advance(100))
            pump([&] { return loop.activeTimers() > 0 || !channel.waitingForDevice(); });
    };

    first->closeFarEnd();
    ASSERT_TRUE(pump([&] { return !notes.empty(); }));
    EXPECT_EQ(notes, std::vector<std::string>{"设备已断开，等待重新连接……"_gbk});
    EXPECT_EQ(channel.write("x").sent, 0u);
    // A minute away: a dozen attempts or so, no note, the monitor thread never woken.
    const int waits = port->waits, reads = port->reads, before = lookups;
    advance(60000);
    EXPECT_EQ(port->waits, waits);
    EXPECT_EQ(port->reads, reads);
    EXPECT_EQ(notes.size(), 1u);
    EXPECT_GE(lookups - before, 10);
    EXPECT_LE(lookups - before, 16);

    test::PtyPair second;
    const int atClose = lookups;
    if (c.closeWhileAway) channel.close();
    fs::remove(link);
    fs::create_symlink(second.path(), link);
    c.byClock ? advance(5000) : channel.retryNow();
    if (c.closeWhileAway) {
        advance(30000);
        EXPECT_EQ(lookups, atClose);
        EXPECT_EQ(notes.size(), 1u);
        EXPECT_EQ(loop.activeTimers(), 0);
        return;
    }
    ASSERT_TRUE(pump([&] { return notes.size() == 2; }));
    EXPECT_EQ(notes[1], "设备已重新连接。"_gbk);
    termios t{};
    ASSERT_EQ(tcgetattr(second.slave(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), speed_t(B38400));
    EXPECT_TRUE(channel.write("\x01\x03\xFF"));
    EXPECT_EQ(second.receive(3), "\x01\x03\xFF");
}

INSTANTIATE_TEST_SUITE_P(Ways, ReconnectTest,
                         ::testing::Values(Case{"FoundThroughRetryNow", false, false},
                                           Case{"FoundAtTheNextPause", true, false},
                                           Case{"ClosedWhileAway", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vorta::serial
