// A device that goes while its port is open and comes back, through the
// channel: a fake port the test unplugs and plugs in counts what the monitor
// thread asks of it, so waiting without spinning shows as counts, and the
// virtual clock drives the pauses between attempts.
#include <gtest/gtest.h>

#include <algorithm>
#include <termios.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "base/virtual_loop.h"
#include "codec/gbk_literal.h"
#include "serial/port_discovery.h"
#include "serial/serial_channel.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"

namespace vorta::serial {
namespace {
using namespace std::chrono_literals;

class FakeDevice : public PortIo {
public:
    bool open(const std::string&, const LineSettings& settings) override {
        std::lock_guard lock(mutex_);
        ++opens;
        applied.push_back(settings);
        if (!present) return false;
        isOpen_ = true;
        hungUp_ = gone_ = false;
        up_ = upAtOpen;
        return true;
    }
    void close() override {
        std::lock_guard lock(mutex_);
        isOpen_ = gone_ = false;
    }
    bool gone() const override {
        std::lock_guard lock(mutex_);
        return gone_;
    }
    bool ready() const override {
        std::lock_guard lock(mutex_);
        return up_;
    }
    unsigned wait() override {
        std::unique_lock lock(mutex_);
        ++waits;
        changed_.wait(lock, [this] { return woken_ || !input_.empty() || hungUp_; });
        const unsigned result = (woken_ ? kWoken : 0u) | (!input_.empty() || hungUp_ ? kInput : 0u);
        woken_ = false;
        return result;
    }
    void wake() override {
        change([this] { woken_ = true; });
    }
    long read(char* buffer, std::size_t capacity) override {
        std::lock_guard lock(mutex_);
        ++reads;
        const std::size_t n = std::min(capacity, input_.size());
        input_.copy(buffer, n);
        input_.erase(0, n);
        if (n == 0 && hungUp_) gone_ = true;
        return n > 0 ? long(n) : hungUp_ ? -1 : 0;
    }
    std::size_t write(std::string_view bytes) override {
        std::lock_guard lock(mutex_);
        if (!present) gone_ = true;  // a hang-up the line only shows to a write
        if (gone_ || !isOpen_) return 0;
        written.append(bytes);
        return bytes.size();
    }

    // The test's side. Bytes and a hang-up come in together, as a device that answers and then goes.
    void arrive(const std::string& bytes, bool hangUp) {
        change([&] {
            input_ += bytes;
            hungUp_ = hangUp;
            if (hangUp) present = false;
        });
    }
    void setPresent(bool there) {
        change([&] { present = there; });
    }
    void comeUp() {
        change([this] { up_ = woken_ = true; });
    }

    // Under the mutex or with the monitor thread stopped.
    std::atomic<int> opens{0}, waits{0}, reads{0};
    std::vector<LineSettings> applied;
    std::string written;
    bool present = true;
    bool upAtOpen = true;  // false: a connection still under way when open() returns

private:
    template <class F>
    void change(F f) {
        {
            std::lock_guard lock(mutex_);
            f();
        }
        changed_.notify_all();
    }
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string input_;
    bool isOpen_ = false, hungUp_ = false, gone_ = false, woken_ = false, up_ = true;
};

enum class Loss { kHangUp, kFoundByWrite };
enum class Return { kAtOnce, kConnectingFirst, kFailingOnceFirst };
struct Case {
    const char* name;
    Loss loss;
    Return back;
};

class ReconnectTest : public ::testing::TestWithParam<Case> {
protected:
    ReconnectTest() {
        channel.setOnBytesArrived([this](std::string_view bytes) { log.push_back("bytes:" + std::string(bytes)); });
        channel.setOnPortNote([this](const std::string& note) { log.push_back(note); });
        channel.setBaudRate(57600);
        channel.setFlowControlCode(1);
        channel.setOutputLines(false, true);
    }
    bool pumpUntil(const std::function<bool()>& done) { return loop.runUntilReal(done, 3000ms); }
    // Moves the virtual clock on in small steps, each attempt's answer taken before the next step.
    void advance(int ms) {
        for (int at = 0; at < ms; at += 100) {
            loop.advance(100);
            pumpUntil([&] { return loop.activeTimers() > 0 || !channel.waitingForDevice(); });
        }
    }
    int notes() const {
        return int(std::count_if(log.begin(), log.end(), [](auto& e) { return !e.starts_with("bytes:"); }));
    }

    base::VirtualLoop loop;
    FakeDevice* device = new FakeDevice;
    std::vector<std::int64_t> lookups;  // virtual times the port number was looked up
    SerialChannel channel{loop,
                          [this](int) {
                              lookups.push_back(loop.nowMs());
                              return std::string("/dev/fake");
                          },
                          std::unique_ptr<PortIo>(device)};
    std::vector<std::string> log;  // bytes and notes, as raised
};

const std::string kLost = "设备已断开，等待重新连接……"_gbk;
const std::string kBack = "设备已重新连接。"_gbk;

TEST_P(ReconnectTest, OneNoteEachWayNoSpinningAndTheSameSettingsWhenBack) {
    const Case c = GetParam();
    ASSERT_TRUE(channel.open());
    const LineSettings atOpen = device->applied.back();
    if (c.loss == Loss::kHangUp) {
        device->arrive("ab", true);
    } else {
        device->setPresent(false);
        EXPECT_FALSE(channel.write("x"));
    }
    ASSERT_TRUE(pumpUntil([&] { return notes() == 1; }));
    // What came before the hang-up is raised before the note.
    const std::vector<std::string> lost =
        c.loss == Loss::kHangUp ? std::vector<std::string>{"bytes:ab", kLost} : std::vector<std::string>{kLost};
    EXPECT_EQ(log, lost);
    EXPECT_TRUE(channel.isOpen());

    const WriteResult whileGone = channel.write("\x01\x03");
    EXPECT_FALSE(whileGone.ok);
    EXPECT_EQ(whileGone.sent, 0u);
    EXPECT_FALSE(channel.setOutputLine(OutputLine::Dtr, true));  // kept for the return
    ModemLines lines;
    EXPECT_FALSE(channel.modemLines(lines));

    // A minute without the device: a few attempts at growing pauses, the
    // monitor thread never woken between them, no note per attempt.
    const int waits = device->waits, reads = device->reads;
    const std::size_t before = lookups.size();
    advance(60000);
    EXPECT_EQ(device->waits, waits);
    EXPECT_EQ(device->reads, reads);
    EXPECT_EQ(notes(), 1);
    ASSERT_GE(lookups.size() - before, 10u);
    EXPECT_LE(lookups.size() - before, 16u);
    EXPECT_EQ(lookups[before], 1000);
    for (std::size_t i = before + 1; i < lookups.size(); ++i) {
        EXPECT_GE(lookups[i] - lookups[i - 1], lookups[i - 1] - (i > before + 1 ? lookups[i - 2] : 0));
        EXPECT_LE(lookups[i] - lookups[i - 1], 5000);
    }
    EXPECT_EQ(device->opens, int(lookups.size()));

    device->upAtOpen = c.back == Return::kAtOnce;
    device->setPresent(true);
    if (c.back == Return::kFailingOnceFirst) {
        channel.retryNow();
        ASSERT_TRUE(pumpUntil([&] { return device->opens == int(lookups.size()); }));
        device->arrive("", true);  // the connection fails after all
        ASSERT_TRUE(pumpUntil([&] { return loop.activeTimers() > 0; }));
        EXPECT_EQ(notes(), 1);
        device->upAtOpen = true;
        device->setPresent(true);
    }
    channel.retryNow();
    if (c.back == Return::kConnectingFirst) {
        ASSERT_TRUE(pumpUntil([&] { return device->opens == int(lookups.size()); }));
        EXPECT_FALSE(channel.write("early"));
        EXPECT_EQ(notes(), 1);
        device->comeUp();
    }
    ASSERT_TRUE(pumpUntil([&] { return notes() == 2; }));
    EXPECT_EQ(log.back(), kBack);
    EXPECT_FALSE(channel.waitingForDevice());
    // As at open, but DTR as switched while the device was away.
    const LineSettings again = device->applied.back();
    EXPECT_EQ(again.baudRate, 57600);
    EXPECT_EQ(again.flow, atOpen.flow);
    EXPECT_EQ(atOpen.dtr, false);
    EXPECT_EQ(again.dtr, true);
    EXPECT_EQ(again.rts, true);

    const std::string frame("\x01\x03\x00\xFF", 4);
    EXPECT_TRUE(channel.write(frame));
    channel.close();
    EXPECT_EQ(device->written, frame);
    EXPECT_EQ(notes(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ReconnectTest,
    ::testing::Values(Case{"HangUpThenBackAtOnce", Loss::kHangUp, Return::kAtOnce},
                      Case{"FoundByAWrite", Loss::kFoundByWrite, Return::kAtOnce},
                      Case{"BackThroughAConnectionUnderWay", Loss::kHangUp, Return::kConnectingFirst},
                      Case{"AReopenThatFailsCountsAsOneMoreAttempt", Loss::kHangUp, Return::kFailingOnceFirst}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReconnectTest, ClosingWhileWaitingEndsTheSearch) {
    ASSERT_TRUE(channel.open());
    device->arrive("", true);
    ASSERT_TRUE(pumpUntil([&] { return notes() == 1; }));
    channel.close();
    EXPECT_EQ(loop.activeTimers(), 0);
    const std::size_t looked = lookups.size();
    device->setPresent(true);
    channel.retryNow();
    loop.advance(30000);
    loop.runUntilReal([] { return false; }, 50ms);
    EXPECT_EQ(lookups.size(), looked);
    EXPECT_EQ(notes(), 1);
    // Opened again by hand, the port works as ever.
    ASSERT_TRUE(channel.open());
    EXPECT_TRUE(channel.write("ok"));
}

// On real pseudo-terminals: the ports-folder link COM7 leads to one that
// hangs up, then to a new one, as a device program started again makes it.
TEST(ReconnectPtyTest, APortsFolderLinkThatComesBackLeadingToANewPseudoTerminal) {
    test::TempDir tmp;
    const std::filesystem::path link = tmp.path() / "ports" / "COM7";
    std::filesystem::create_directory(link.parent_path());
    auto first = std::make_unique<test::PtyPair>();
    ASSERT_TRUE(first->ok());
    std::filesystem::create_symlink(first->path(), link);
    base::VirtualLoop loop;
    SerialChannel channel(loop, MakePortResolver(RootsBesideSettings(tmp.path() / "peizhi.ini")));
    std::string received;
    std::vector<std::string> notes;
    channel.setOnBytesArrived([&](std::string_view bytes) { received.append(bytes); });
    channel.setOnPortNote([&](const std::string& note) { notes.push_back(note); });
    channel.setPortNumber(7);
    channel.setBaudRate(38400);
    ASSERT_TRUE(channel.open());

    // A pseudo-terminal's hang-up flushes what its slave has not read yet:
    // bytes the channel has read are raised, hang-up or not.
    ASSERT_TRUE(first->send("ab"));
    ASSERT_TRUE(loop.runUntilReal([&] { return received == "ab"; }, 3000ms));
    first->closeFarEnd();
    ASSERT_TRUE(loop.runUntilReal([&] { return !notes.empty(); }, 3000ms));
    EXPECT_EQ(received, "ab");
    EXPECT_EQ(notes, std::vector{kLost});
    EXPECT_FALSE(channel.write("x"));
    loop.advance(20000);  // attempts find the link leading nowhere
    loop.runUntilReal([] { return false; }, 100ms);
    EXPECT_EQ(notes.size(), 1u);

    test::PtyPair second;
    ASSERT_TRUE(second.ok());
    std::filesystem::remove(link);
    std::filesystem::create_symlink(second.path(), link);
    channel.retryNow();
    ASSERT_TRUE(loop.runUntilReal([&] { return notes.size() == 2; }, 3000ms));
    EXPECT_EQ(notes.back(), kBack);
    termios t{};
    ASSERT_EQ(tcgetattr(second.slave(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), speed_t(B38400));
    std::string all;
    for (int i = 0; i < 256; ++i) all += char(i);
    EXPECT_TRUE(channel.write(all));
    EXPECT_EQ(second.receive(all.size()), all);
    ASSERT_TRUE(second.send("cd"));
    ASSERT_TRUE(loop.runUntilReal([&] { return received.size() == 4; }, 3000ms));
    EXPECT_EQ(received, "abcd");
}

}  // namespace
}  // namespace vorta::serial
