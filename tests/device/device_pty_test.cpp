// vorta-device as a program uses it: over its pseudo-terminal, through the
// link it makes, at the line settings the program puts on the port.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "device/device_process.h"
#include "device/frames.h"
#include "device/rtu_crc.h"
#include "support/temp_dir.h"
#include "codec/gbk_literal.h"

namespace vorta::device {
namespace {
namespace fs = std::filesystem;
using testing::Bytes;
using testing::DeviceProcess;
using testing::Hex;
using testing::SerialClient;
using testing::WaitForLink;
using testing::WithCrcLowFirst;

const std::string kDefaultFrame = Bytes("01 03 10 00 00 25 D1 80");  // the program's first-run frame

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

class DevicePty : public ::testing::Test {
protected:
    std::string log() const { return tmp.file("device.log"); }
    void TearDown() override {
        if (HasFailure()) std::fprintf(stderr, "device log:\n%s\n", ReadFile(log()).c_str());
    }
    test::TempDir tmp;
};

TEST_F(DevicePty, LinksItsPortBesideTheSettingsAndAnswersTheProgramsDefaultFrame) {
    // No --link: COM900 in the ports folder beside the settings file, which TMPDIR places.
    DeviceProcess device({}, tmp.path().string(), log());
    const fs::path link = tmp.path() / "ports" / "COM900";
    ASSERT_TRUE(WaitForLink(link));
    EXPECT_EQ(ReadFile(tmp.path() / "ports" / ".COM900"), Utf8(u8"演示设备\n"));

    SerialClient port(link.string(), B9600);
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(port.send(kDefaultFrame));
    const std::string reply = port.receive(79);
    ASSERT_EQ(reply.size(), 79u) << Hex(reply);
    EXPECT_EQ(Hex(reply.substr(0, 5)), "01 03 4A 00 01");
    ASSERT_TRUE(CheckCrc(reply));
    EXPECT_EQ(CheckCrc(reply)->order, CrcOrder::HighFirst);

    EXPECT_EQ(device.stop(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_FALSE(fs::exists(tmp.path() / "ports" / ".COM900"));
}

TEST_F(DevicePty, BadInputGetsNoAnswerAndTheNextGoodFrameDoes) {
    DeviceProcess device({"--link", tmp.file("COM7")}, tmp.path().string(), log());
    ASSERT_TRUE(WaitForLink(tmp.file("COM7")));
    // 1200 baud: the frame gap is 29 ms, so a pause of 2 ms between writes is well inside it.
    SerialClient port(tmp.file("COM7"), B1200);
    ASSERT_TRUE(port.ok());
    const std::string good = WithCrcLowFirst(Bytes("01 03 00 00 00 01"));
    const std::string answer = WithCrcLowFirst(Bytes("01 03 02 00 00"));

    const std::vector<std::pair<const char*, std::string>> bad = {
        {"truncated", good.substr(0, 6)},
        {"wrong CRC", good.substr(0, 7) + static_cast<char>(good[7] ^ 0x01)},
        {"other address", WithCrcLowFirst(Bytes("F8 03 00 00 00 01"))},
        {"garbage", Bytes("FF 00 55 AA 13 37 C0 DE")},
        {"longer than any frame", std::string(300, '\x01')},
        {"good frame with garbage in front", Bytes("55") + good},
    };
    for (const auto& [what, bytes] : bad) {
        ASSERT_TRUE(port.send(bytes));
        EXPECT_EQ(Hex(port.receive(1, 200)), "") << what;
        ASSERT_TRUE(port.send(good));
        EXPECT_EQ(Hex(port.receive(answer.size())), Hex(answer)) << "after " << what;
    }

    // A frame that reaches the device in three reads.
    for (std::size_t at : {0u, 3u, 5u}) {
        ASSERT_TRUE(port.send(good.substr(at, at == 0 ? 3 : at == 3 ? 2 : 3)));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(Hex(port.receive(answer.size())), Hex(answer)) << "split frame";
    EXPECT_TRUE(device.running());
}

// Sends the default frame and times the 79-byte answer from the write to its last byte.
// A first exchange is not timed: the device notices a newly opened port within 20 ms.
double ReplyMilliseconds(SerialClient& port, std::string& reply) {
    port.send(kDefaultFrame);
    port.receive(79, 3000);
    const auto start = std::chrono::steady_clock::now();
    port.send(kDefaultFrame);
    reply = port.receive(79, 3000);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(DevicePty, RepliesTakeTheTimeOfTheLineSettingsTheProgramChose) {
    DeviceProcess paced({"--link", tmp.file("paced")}, tmp.path().string(), log());
    DeviceProcess fast({"--link", tmp.file("fast"), "--baud-pace", "off"}, tmp.path().string(), log());
    ASSERT_TRUE(WaitForLink(tmp.file("paced")));
    ASSERT_TRUE(WaitForLink(tmp.file("fast")));
    std::string reply;
    {
        // 79 bytes of 10 bits at 1200 baud: 658 ms, after a 29 ms gap.
        SerialClient port(tmp.file("paced"), B1200);
        const double ms = ReplyMilliseconds(port, reply);
        std::printf("1200 8N1, 79 bytes: %.0f ms\n", ms);
        EXPECT_EQ(reply.size(), 79u);
        EXPECT_GE(ms, 658 + 29);
        EXPECT_LT(ms, 1500);
    }
    {
        // Two stop bits: 11 bits a byte, 724 ms.
        SerialClient port(tmp.file("paced"), B1200, true);
        const double ms = ReplyMilliseconds(port, reply);
        std::printf("1200 8N2, 79 bytes: %.0f ms\n", ms);
        EXPECT_EQ(reply.size(), 79u);
        EXPECT_GE(ms, 724 + 32);
        EXPECT_LT(ms, 1600);
    }
    {
        SerialClient port(tmp.file("paced"), B115200);
        const double ms = ReplyMilliseconds(port, reply);
        std::printf("115200 8N1, 79 bytes: %.1f ms\n", ms);
        EXPECT_EQ(reply.size(), 79u);
        EXPECT_GE(ms, 6.9 + 1.75);
        EXPECT_LT(ms, 300);
    }
    {
        // --baud-pace off: only the frame gap remains.
        SerialClient port(tmp.file("fast"), B1200);
        const double ms = ReplyMilliseconds(port, reply);
        std::printf("1200 8N1 unpaced, 79 bytes: %.0f ms\n", ms);
        EXPECT_EQ(reply.size(), 79u);
        EXPECT_GE(ms, 29);
        EXPECT_LT(ms, 200);
    }
}

int CountLines(const std::string& text, std::string_view must) {
    int lines = 0;
    std::size_t from = 0;
    for (std::size_t end; (end = text.find("\r\n", from)) != std::string::npos; from = end + 2) {
        EXPECT_NE(text.substr(from, end - from).find(must), std::string::npos) << text.substr(from, end - from);
        ++lines;
    }
    EXPECT_EQ(from, text.size()) << "a line cut short";
    return lines;
}

TEST_F(DevicePty, StreamsALineASecondOnlyWhileThePortIsOpen) {
    DeviceProcess device({"--link", tmp.file("COM8"), "--stream", "text", "--baud-pace", "off"}, tmp.path().string(),
                         log());
    ASSERT_TRUE(WaitForLink(tmp.file("COM8")));
    {
        SerialClient port(tmp.file("COM8"), B115200);
        const std::string text = port.collect(std::chrono::milliseconds(2600));
        const int lines = CountLines(text, "演示设备"_gbk);  // GBK, as this test is compiled
        EXPECT_GE(lines, 2);
        EXPECT_LE(lines, 3);
        // Requests are still answered between the lines.
        port.send(kDefaultFrame);
        EXPECT_NE(port.collect(std::chrono::milliseconds(300)).find(Bytes("01 03 4A 00 01")), std::string::npos);
    }
    // Closed for three seconds: nothing piles up for the next program that opens the port.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    SerialClient again(tmp.file("COM8"), B115200);
    EXPECT_LE(CountLines(again.collect(std::chrono::milliseconds(600)), "演示设备"_gbk), 1);
}

TEST_F(DevicePty, ASecondDeviceTakesTheLinkOverAndKeepsItWhenTheFirstStops) {
    const fs::path link = tmp.path() / "ports" / "COM900";
    DeviceProcess first({}, tmp.path().string(), log());
    ASSERT_TRUE(WaitForLink(link));
    const fs::path firstPty = fs::read_symlink(link);
    DeviceProcess second({}, tmp.path().string(), log());
    ASSERT_TRUE(WaitForLink(link, firstPty));
    const fs::path secondPty = fs::read_symlink(link);
    EXPECT_NE(secondPty, firstPty);
    EXPECT_EQ(first.stop(), 0);
    EXPECT_EQ(fs::read_symlink(link), secondPty);
    EXPECT_TRUE(fs::exists(tmp.path() / "ports" / ".COM900"));
    SerialClient port(link.string(), B115200);
    port.send(kDefaultFrame);
    EXPECT_EQ(port.receive(79).size(), 79u);
    EXPECT_EQ(second.stop(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));

    // A stale link of a device that was killed is replaced; anything else is left alone.
    fs::create_symlink("/dev/pts/999999", link);
    DeviceProcess third({}, tmp.path().string(), log());
    EXPECT_TRUE(WaitForLink(link, "/dev/pts/999999"));
    EXPECT_NE(fs::read_symlink(link), fs::path("/dev/pts/999999"));
    EXPECT_EQ(third.stop(), 0);
    std::ofstream(tmp.file("plain")) << "mine";
    DeviceProcess refused({"--link", tmp.file("plain")}, tmp.path().string(), log());
    EXPECT_EQ(refused.waitExit(), 1);
    EXPECT_EQ(ReadFile(tmp.file("plain")), "mine");
}

std::string RunShell(const std::string& command, int& status) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    status = pclose(pipe);
    return out;
}

TEST_F(DevicePty, BackgroundModeReturnsOnceThePortIsLinked) {
    int status = -1;
    const std::string out = RunShell(
        "TMPDIR=" + tmp.path().string() + " timeout 10 " VORTA_DEVICE_EXECUTABLE " --background 2>>" + log(), status);
    EXPECT_EQ(status, 0);
    const int pid = std::atoi(out.c_str());
    ASSERT_GT(pid, 0) << out;
    testing::StopOnExit stop(pid);
    const fs::path link = tmp.path() / "ports" / "COM900";
    EXPECT_TRUE(fs::read_symlink(link).string().starts_with("/dev/pts/"));
    {
        SerialClient port(link.string(), B9600);
        port.send(kDefaultFrame);
        EXPECT_EQ(port.receive(79).size(), 79u);
    }
    kill(pid, SIGTERM);  // as make run does when the program ends
    for (int i = 0; i < 500 && fs::exists(fs::symlink_status(link)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(DevicePty, HelpExplainsRunningItAloneAndTheStandardCrcOrder) {
    int status = -1;
    const std::string help = RunShell(VORTA_DEVICE_EXECUTABLE " --help", status);
    EXPECT_EQ(status, 0);
    for (const char* text : {"--link PATH", "--address LIST", "--baud-pace on|off", "--stream text|none",
                             "low byte first", "high byte first", "/dev/pts/N", "mbpoll"})
        EXPECT_NE(help.find(text), std::string::npos) << text;
    EXPECT_NE(help.find(Utf8(u8"\"反\" box checked")), std::string::npos);
    RunShell(VORTA_DEVICE_EXECUTABLE " --baud-pace maybe 2>/dev/null", status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

}  // namespace
}  // namespace vorta::device
