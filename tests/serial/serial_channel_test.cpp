#include "serial/serial_channel.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "support/pty_pair.h"
#include "serial/termios_port.h"
#include "serial/port_discovery.h"
#include "base/virtual_loop.h"

namespace vorta::serial {
namespace {
using namespace std::chrono_literals;
using test::PtyPair;
using Clock = std::chrono::steady_clock;

// Counts the deliveries the channel posts.
class CountingLoop : public base::VirtualLoop {
public:
    void post(Task task) override {
        ++posts;
        VirtualLoop::post(std::move(task));
    }
    std::atomic<int> posts{0};
};

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 2000ms) {
    const auto end = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

std::chrono::nanoseconds ProcessCpuTime() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty_.ok());
        device_ = pty_.path();
        channel_ = std::make_unique<SerialChannel>(loop_, [this](int) { return device_; });
        channel_->setOnBytesArrived([this](std::string_view bytes) {
            EXPECT_EQ(std::this_thread::get_id(), uiThread_);
            received_.append(bytes);
        });
    }

    // Pumps the UI loop until `count` bytes have arrived.
    bool receive(std::size_t count) {
        return loop_.runUntilReal([&] { return received_.size() >= count; }, 3000ms);
    }
    // Pumps the UI loop for a while, so stray events would show.
    void settle() {
        loop_.runUntilReal([] { return false; }, 100ms);
    }

    CountingLoop loop_;
    PtyPair pty_;
    std::string device_;
    std::unique_ptr<SerialChannel> channel_;
    std::string received_;
    const std::thread::id uiThread_ = std::this_thread::get_id();
};

TEST_F(ChannelTest, FiveBytesArriveInOrderOnTheUiThread) {
    ASSERT_TRUE(channel_->open());
    const std::string frame("\x01\x03\x00\x10\xff", 5);
    ASSERT_TRUE(pty_.send(frame));
    ASSERT_TRUE(receive(5));
    settle();
    EXPECT_EQ(received_, frame);
}

TEST_F(ChannelTest, ABurstIsDeliveredThroughFewPosts) {
    ASSERT_TRUE(channel_->open());
    std::string block(4096, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i % 251);
    ASSERT_TRUE(pty_.send(block));
    ASSERT_TRUE(receive(block.size()));
    EXPECT_EQ(received_, block);
    // Not one posted task per byte.
    EXPECT_LE(loop_.posts.load(), 64);
}

TEST_F(ChannelTest, AFloodIsDeliveredInSlicesSoTheLoopKeepsTurning) {
    ASSERT_TRUE(channel_->open());
    std::string flood(50000, '\0');
    for (std::size_t i = 0; i < flood.size(); ++i) flood[i] = static_cast<char>(i * 7);
    ASSERT_TRUE(pty_.send(flood));
    std::this_thread::sleep_for(300ms);  // the monitor thread queues all of it meanwhile
    ASSERT_TRUE(loop_.runOne());
    EXPECT_EQ(received_.size(), 16384u);  // one task delivers one slice, then makes way
    ASSERT_TRUE(receive(flood.size()));
    EXPECT_EQ(received_, flood);
}

// A trickle as a USB adapter passes it on: a few bytes every millisecond. Every
// byte arrives in order, through far fewer deliveries than writes, and a
// write in the middle of it is not held up by the pause that gathers them.
TEST_F(ChannelTest, ATrickleIsGatheredIntoFewDeliveriesWithoutHoldingUpWrites) {
    ASSERT_TRUE(channel_->open());
    std::string sent;
    std::atomic<bool> trickling{true};
    std::thread far([&] {
        for (int i = 0; i < 300; ++i) {
            const std::string piece(12, static_cast<char>(i));
            if (!pty_.send(piece)) break;
            sent += piece;
            std::this_thread::sleep_for(1ms);
        }
        trickling = false;
    });
    const auto start = Clock::now();
    // The UI thread keeps taking deliveries, as the program does.
    loop_.runUntilReal([] { return false; }, 100ms);
    const auto before = Clock::now();
    EXPECT_TRUE(channel_->write("ping"));
    EXPECT_LT(Clock::now() - before, SerialChannel::kGather * 4 + 100ms);
    loop_.runUntilReal([&] { return !trickling; }, 5000ms);
    const auto trickled = Clock::now() - start;
    far.join();
    ASSERT_TRUE(receive(sent.size()));
    EXPECT_TRUE(received_ == sent) << "bytes lost or out of order";
    // 300 writes at least 1 ms apart: without gathering nearly one delivery each.
    EXPECT_LT(loop_.posts.load(), 150);
    // While the trickle lasts the monitor pauses and reads in turn: about one
    // delivery per pause, not one for the first byte after each pause as well.
    EXPECT_LE(loop_.posts.load(), trickled / SerialChannel::kGather + 8);
}

TEST_F(ChannelTest, BytesWaitingBeforeOpenAreDiscarded) {
    ASSERT_TRUE(pty_.send("old"));
    pollfd fd{pty_.slave(), POLLIN, 0};
    ASSERT_EQ(poll(&fd, 1, 2000), 1);  // they sit in the device's input
    ASSERT_TRUE(channel_->open());
    ASSERT_TRUE(pty_.send("new"));
    ASSERT_TRUE(receive(3));
    settle();
    EXPECT_EQ(received_, "new");
}

TEST_F(ChannelTest, WriteReachesTheFarEnd) {
    EXPECT_FALSE(channel_->write("x"));  // closed
    ASSERT_TRUE(channel_->open());
    EXPECT_TRUE(
        channel_->write(std::string_view("01\0"
                                         "03",
                                         5)));
    EXPECT_EQ(pty_.receive(5), std::string("01\0"
                                           "03",
                                           5));
    EXPECT_TRUE(channel_->write(""));
    EXPECT_EQ(pty_.receive(1, 100), "");
    channel_->close();
    EXPECT_FALSE(channel_->write("x"));
}

// The far end of a virtual cable reads late: every frame still arrives whole
// and in order (a purge before each write once threw away what waited).
TEST_F(ChannelTest, FramesWaitForAFarEndThatReadsLate) {
    ASSERT_TRUE(channel_->open());
    std::string sent;
    for (int i = 0; i < 8; ++i) {
        const std::string frame(1000, static_cast<char>('a' + i));
        ASSERT_TRUE(channel_->write(frame)) << "frame " << i;
        sent += frame;
    }
    const std::string got = pty_.receive(sent.size());
    EXPECT_EQ(got.size(), sent.size());
    EXPECT_TRUE(got == sent) << "frames torn or lost";
}

// A termios port whose reads are held back until its first write, so that
// bytes wait in the driver when the write starts.
class HeldPort : public TermiosPort {
public:
    unsigned wait() override {
        const unsigned woke = TermiosPort::wait();
        if (hold) std::this_thread::sleep_for(1ms);  // input stays ready while held
        return woke;
    }
    std::size_t write(std::string_view bytes) override {
        const std::size_t sent = TermiosPort::write(bytes);
        hold = false;
        return sent;
    }
    long read(char* buffer, std::size_t capacity) override { return hold ? 0 : TermiosPort::read(buffer, capacity); }
    std::atomic<bool> hold{true};
};

TEST_F(ChannelTest, BytesWaitingInTheDriverOutliveAWrite) {
    auto port = std::make_unique<HeldPort>();
    SerialChannel channel(
        loop_, [this](int) { return device_; }, std::move(port));
    channel.setOnBytesArrived([this](std::string_view bytes) { received_.append(bytes); });
    ASSERT_TRUE(channel.open());
    ASSERT_TRUE(pty_.send("stale"));
    pollfd fd{pty_.slave(), POLLIN, 0};
    ASSERT_EQ(poll(&fd, 1, 2000), 1);  // waiting in the driver, unread

    const WriteResult written = channel.write("request");
    EXPECT_TRUE(written.ok);
    EXPECT_EQ(written.sent, 7u);
    EXPECT_EQ(pty_.receive(7), "request");
    ASSERT_TRUE(pty_.send("answer"));
    ASSERT_TRUE(receive(11));
    settle();
    EXPECT_EQ(received_, "staleanswer");
}

// What came in before the write is raised before write() returns, so the
// display shows it before the echo.
TEST_F(ChannelTest, BytesReadBeforeAWriteAreRaisedBeforeItReturns) {
    ASSERT_TRUE(channel_->open());
    ASSERT_TRUE(pty_.send("before"));
    std::this_thread::sleep_for(50ms);  // through the pseudo-terminal, read or not
    EXPECT_TRUE(channel_->write("request"));
    EXPECT_EQ(received_, "before");
}

TEST_F(ChannelTest, AHandlerMayWriteBack) {
    channel_->setOnBytesArrived([this](std::string_view bytes) {
        received_.append(bytes);
        for (char byte : bytes) EXPECT_TRUE(channel_->write(std::string(1, static_cast<char>(byte + 1))));
    });
    ASSERT_TRUE(channel_->open());
    for (char c : std::string("AZ")) {
        ASSERT_TRUE(pty_.send(std::string(1, c)));
        ASSERT_TRUE(receive(received_.size() + 1));
        EXPECT_EQ(pty_.receive(1), std::string(1, static_cast<char>(c + 1)));
    }
}

TEST_F(ChannelTest, SecondOpenerFailsWhileTheFirstHoldsThePort) {
    SerialChannel other(loop_, [this](int) { return device_; });
    ASSERT_TRUE(channel_->open());
    EXPECT_FALSE(other.open());
    EXPECT_FALSE(other.isOpen());
    // Reopening the holder releases and takes the port again.
    EXPECT_TRUE(channel_->open());
    EXPECT_FALSE(other.open());
    channel_->close();
    EXPECT_TRUE(other.open());
}

TEST_F(ChannelTest, OpenFailsWithoutADeviceOrWithSettingsTheLineCannotTake) {
    device_.clear();
    EXPECT_FALSE(channel_->open());
    device_ = "/dev/vorta-no-such-port";
    EXPECT_FALSE(channel_->open());
    device_ = pty_.path();
    channel_->setDataBits(4);  // no such character size
    EXPECT_FALSE(channel_->open());
    EXPECT_FALSE(channel_->isOpen());
    channel_->setDataBits(8);
    EXPECT_TRUE(channel_->open());
}

// termios has no one and a half stop bits; two are sent, which a receiver set
// to 1.5 accepts, with every character size the data-bits list offers.
TEST_F(ChannelTest, OneAndAHalfStopBitsOpenAsTwo) {
    channel_->setStopBitsCode(2);
    for (int bits : {8, 7, 6}) {
        channel_->setDataBits(bits);
        ASSERT_TRUE(channel_->open()) << bits << " data bits";
        termios t{};
        ASSERT_EQ(tcgetattr(pty_.slave(), &t), 0);
        EXPECT_TRUE(t.c_cflag & CSTOPB) << bits << " data bits";
        EXPECT_TRUE(channel_->write("x"));
        EXPECT_EQ(pty_.receive(1), "x");
    }
}

TEST_F(ChannelTest, SettingsReachTermios) {
    channel_->setBaudRate(57600);
    channel_->setStopBitsCode(3);
    channel_->setParityCode(4);
    ASSERT_TRUE(channel_->open());
    termios t{};
    ASSERT_EQ(tcgetattr(pty_.slave(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B57600));
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B57600));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), static_cast<tcflag_t>(CMSPAR));  // space
    EXPECT_FALSE(t.c_iflag & INPCK);                                          // parity is sent, not checked
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_FALSE(t.c_lflag & ICANON);

    // Changes while open wait for the next open.
    channel_->setBaudRate(9600);
    ASSERT_EQ(tcgetattr(pty_.slave(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B57600));
    ASSERT_TRUE(channel_->open());
    ASSERT_EQ(tcgetattr(pty_.slave(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
}

TEST(SerialChannelProperties, DefaultsAndClamping) {
    base::VirtualLoop loop;
    SerialChannel c(loop, nullptr);
    const auto values = [&] {
        return std::vector<int>{c.portNumber(), c.baudRate(), c.dataBits(), c.stopBitsCode(), c.parityCode()};
    };
    EXPECT_EQ(values(), (std::vector<int>{1, 19200, 8, 1, 0}));
    EXPECT_FALSE(c.open());  // no resolver, no device

    const auto setAll = [&](int port, int baud, int bits, int stop, int parity) {
        c.setPortNumber(port);
        c.setBaudRate(baud);
        c.setDataBits(bits);
        c.setStopBitsCode(stop);
        c.setParityCode(parity);
    };
    setAll(0, -1, 3, 0, -1);  // data bits are stored as given
    EXPECT_EQ(values(), (std::vector<int>{1, 0, 3, 1, 0}));
    setAll(12, 250000, 300, 4, 5);
    EXPECT_EQ(values(), (std::vector<int>{12, 250000, 300, 3, 4}));
}

TEST(SerialChannelPorts, PortZeroOpensTheDeviceOfCom1) {
    namespace fs = std::filesystem;
    PtyPair com1, com2;
    ASSERT_TRUE(com1.ok() && com2.ok());
    const fs::path root = fs::temp_directory_path() / ("vorta-ports-" + std::to_string(getpid()));
    fs::create_directories(root / "ports");
    fs::create_directories(root / "sys");
    fs::create_symlink(com1.path(), root / "ports/COM1");
    fs::create_symlink(com2.path(), root / "ports/COM2");
    DiscoveryRoots roots;
    roots.sysClassTty = root / "sys";  // no kernel ports: only the folder's
    roots.portsFolder = root / "ports";

    base::VirtualLoop loop;
    SerialChannel channel(loop, MakePortResolver(roots));
    std::string got;
    channel.setOnBytesArrived([&](std::string_view bytes) { got.append(bytes); });
    channel.setPortNumber(0);
    ASSERT_TRUE(channel.open());
    ASSERT_TRUE(com1.send("1"));
    ASSERT_TRUE(com2.send("2"));
    loop.runUntilReal([&] { return !got.empty(); }, 2000ms);
    EXPECT_EQ(got, "1");
    EXPECT_TRUE(channel.write("w"));
    EXPECT_EQ(com1.receive(1), "w");

    channel.setPortNumber(3);
    EXPECT_FALSE(channel.open());  // no COM3
    channel.setPortNumber(2);
    EXPECT_TRUE(channel.open());
    channel.close();
    fs::remove_all(root);
}

// A virtual null-modem cable the way a user makes one: socat with its two
// ends linked into the ports folder as COM5 and COM6.
TEST(SerialChannelPorts, SocatPairInThePortsFolder) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("vorta-socat-" + std::to_string(getpid()));
    fs::create_directories(root / "ports");
    fs::create_directories(root / "sys");
    const std::string end5 = "pty,raw,echo=0,link=" + (root / "ports/COM5").string();
    const std::string end6 = "pty,raw,echo=0,link=" + (root / "ports/COM6").string();
    const char* argv[] = {"socat", end5.c_str(), end6.c_str(), nullptr};
    pid_t socat = -1;
    if (posix_spawnp(&socat, "socat", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
        fs::remove_all(root);
        GTEST_SKIP() << "socat is not installed";
    }
    const bool linked = WaitFor([&] { return fs::exists(root / "ports/COM5") && fs::exists(root / "ports/COM6"); });

    DiscoveryRoots roots;
    roots.sysClassTty = root / "sys";
    roots.portsFolder = root / "ports";
    std::vector<PortInfo> ports;
    EXPECT_EQ(DiscoverPorts(roots, ports), 0);
    EXPECT_EQ(PortNames(ports), (std::vector<std::string>{"COM5", "COM6"}));

    base::VirtualLoop loop;
    SerialChannel a(loop, MakePortResolver(roots));
    SerialChannel b(loop, MakePortResolver(roots));
    std::string got;
    b.setOnBytesArrived([&](std::string_view bytes) { got.append(bytes); });
    a.setPortNumber(5);
    b.setPortNumber(6);
    if (linked) {
        EXPECT_TRUE(a.open());
        EXPECT_TRUE(b.open());
        EXPECT_TRUE(a.write("hello"));
        loop.runUntilReal([&] { return got.size() >= 5; }, 2000ms);
        EXPECT_EQ(got, "hello");
    }

    // The cable goes away under open ports.
    kill(socat, SIGTERM);
    waitpid(socat, nullptr, 0);
    ASSERT_TRUE(linked);
    EXPECT_TRUE(WaitFor([&] { return !a.write("x"); }));
    EXPECT_TRUE(a.isOpen());
    a.close();
    b.close();
    EXPECT_FALSE(a.open());  // the link went with socat
    fs::remove_all(root);
}

TEST_F(ChannelTest, FarEndClosingMidStreamLeavesThingsResponsive) {
    ASSERT_TRUE(channel_->open());
    std::string stream(65536, '\0');
    for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<char>(i * 13 + i / 256);
    std::thread far([&] {
        pty_.send(stream);
        pty_.closeFarEnd();
    });
    far.join();
    loop_.runUntilReal([] { return false; }, 300ms);
    // What came is a prefix of what was sent, in order.
    EXPECT_EQ(received_, stream.substr(0, received_.size()));

    EXPECT_TRUE(channel_->isOpen());  // the port stays open for the user
    const auto start = Clock::now();
    EXPECT_FALSE(channel_->write("01 03"));
    EXPECT_LT(Clock::now() - start, 500ms);

    // A monitor thread that spun on the dead device would burn the whole second.
    const auto cpuBefore = ProcessCpuTime();
    std::this_thread::sleep_for(1000ms);
    EXPECT_LT(ProcessCpuTime() - cpuBefore, 100ms);

    channel_->close();
    EXPECT_FALSE(channel_->isOpen());

    // The device comes back (here: a new pseudo-terminal under the same number).
    PtyPair back;
    ASSERT_TRUE(back.ok());
    device_ = back.path();
    received_.clear();
    ASSERT_TRUE(channel_->open());
    ASSERT_TRUE(back.send("ok"));
    ASSERT_TRUE(receive(2));
    EXPECT_EQ(received_, "ok");
    EXPECT_TRUE(channel_->write("!"));
    EXPECT_EQ(back.receive(1), "!");
}

TEST_F(ChannelTest, CloseDropsEventsNotYetDelivered) {
    ASSERT_TRUE(channel_->open());
    ASSERT_TRUE(pty_.send("abc"));
    ASSERT_TRUE(WaitFor([&] { return loop_.posts > 0; }));
    channel_->close();
    loop_.runPending();
    EXPECT_EQ(received_, "");
    // Reopened, it delivers what comes next.
    ASSERT_TRUE(channel_->open());
    ASSERT_TRUE(pty_.send("d"));
    ASSERT_TRUE(receive(1));
    EXPECT_EQ(received_, "d");
}

TEST_F(ChannelTest, DestroyingDropsEventsNotYetDelivered) {
    ASSERT_TRUE(channel_->open());
    ASSERT_TRUE(pty_.send("abc"));
    ASSERT_TRUE(WaitFor([&] { return loop_.posts > 0; }));
    channel_.reset();
    EXPECT_GE(loop_.runPending(), 1);  // the delivery runs, and finds no channel
    EXPECT_EQ(received_, "");
}

TEST_F(ChannelTest, ClosingInsideAHandlerStopsTheBurst) {
    channel_->setOnBytesArrived([this](std::string_view bytes) {
        received_.append(bytes);
        channel_->close();
    });
    ASSERT_TRUE(channel_->open());
    ASSERT_TRUE(pty_.send("01234"));
    ASSERT_TRUE(WaitFor([&] { return loop_.posts > 0; }));
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(pty_.send("56789"));  // read as a second chunk of the same burst
    std::this_thread::sleep_for(50ms);
    loop_.runPending();
    EXPECT_EQ(received_, "01234");
    EXPECT_FALSE(channel_->isOpen());
}

}  // namespace
}  // namespace vorta::serial
