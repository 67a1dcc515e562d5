// The whole program (App) polling a Modbus RTU slave that no one here wrote:
// Debian's pymodbus serving holding registers on the far end of a
// pseudo-terminal pair made by socat. The program's timer runs on the virtual
// clock; between ticks the test waits in real time until the slave's answer
// has come back, so every exchange is complete before the next frame leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "app/app.h"
#include "base/virtual_loop.h"
#include "codec/crc16.h"
#include "codec/hex_text.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "ui/windows/control_ids.h"

#include "support/child_process.h"
#include "codec/gbk_literal.h"

using namespace vorta::ui::main;
using namespace std::chrono_literals;

namespace vorta::autosend {
namespace {

// What the slave holds (tests/autosend/modbus_rtu_slave.py): register n is n * 7 + 1.
std::string ExpectedAnswer(int first, int count) {
    std::string a{'\x01', '\x03', static_cast<char>(count * 2)};
    for (int n = first; n < first + count; ++n) {
        const int value = (n * 7 + 1) & 0xFFFF;
        a += static_cast<char>(value >> 8);
        a += static_cast<char>(value & 0xFF);
    }
    return a;
}

std::vector<std::string> ReadLines(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The display's lines with the colour each starts in.
struct ShownLine {
    std::string text;
    ui::Colour colour;
};
std::vector<ShownLine> ShownLines(const ui::RichText& rich) {
    std::vector<ShownLine> lines;
    const std::string& text = rich.text();
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back({text.substr(start, end - start), rich.formatAt(ui::BytePos(start)).colour});
        start = end + 2;
    }
    return lines;
}

bool WaitForPath(const std::filesystem::path& p) {
    for (int i = 0; i < 500; ++i) {
        if (std::filesystem::exists(p)) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

TEST(AutoSendAgainstModbusSlave, PollsTwoRequestsInALoopAndEveryAnswerComesBackWithAValidCrc) {
    test::TempDir tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    std::filesystem::create_directories(tmp.path() / "ports");
    const std::filesystem::path ours = tmp.path() / "ports" / "COM5", theirs = tmp.path() / "slave";
    test::ChildProcess cable(
        {VORTA_SOCAT, "pty,raw,echo=0,link=" + ours.string(), "pty,raw,echo=0,link=" + theirs.string()});
    ASSERT_TRUE(WaitForPath(ours) && WaitForPath(theirs)) << "socat made no pty pair";
    const std::filesystem::path log = tmp.path() / "slave.log";
    test::ChildProcess slave({VORTA_SYSTEM_PYTHON, VORTA_MODBUS_SLAVE, theirs.string(), log.string()});
    ASSERT_TRUE(slave.waitForLine("ready", 20000)) << "the pymodbus slave did not start";

    base::VirtualLoop loop;
    test::FakePlatform platform;
    test::RecordingView view;
    ui::Model model{loop, {1280, 1024}};
    model.setView(&view);
    app::App program{model, platform};
    ui::Window& main = *program.start();
    ui::ComboBox& ports = main[kPort];
    const auto com5 = std::find(ports.items().begin(), ports.items().end(), "COM5");
    ASSERT_NE(com5, ports.items().end());
    model.userSelectItem(ports, int(com5 - ports.items().begin()));

    // A standard Modbus device takes the CRC low byte first: 反 checked.
    main[kAutoSendList].setText("01 03 10 00 00 25\r\n01 03 00 64 00 08");
    ASSERT_TRUE(main[kCrc].checked());
    model.userClick(main[kCrcReversed]);
    model.userSelectItem(main[kInterval], 0);  // 200 ms
    model.userClick(main[kLoop]);
    model.userClick(main[kAutoSend]);
    ASSERT_EQ(main[kOpenClose].text(), "关闭串口"_gbk) << main[kDisplay].text();

    const std::string request1 = codec::HexPairsToBytes("01 03 10 00 00 25");
    const std::string request2 = codec::HexPairsToBytes("01 03 00 64 00 08");
    const main_window::AppState& state = program.state();
    constexpr int kCycles = 3;
    for (int tick = 0; tick < 2 * kCycles; ++tick) {
        const std::int64_t before = state.rxCount;
        loop.advance(200);
        const std::int64_t answer = tick % 2 == 0 ? 5 + 2 * 0x25 : 5 + 2 * 8;
        EXPECT_TRUE(loop.runUntilReal([&] { return state.rxCount >= before + answer; }, 5000ms))
            << "tick " << tick << ": " << state.rxCount - before << " bytes came back";
    }
    model.userClick(main[kAutoSend]);
    EXPECT_EQ(main[kAutoSend].text(), "自动发送"_gbk);
    loop.advance(200);  // the last answer's line break
    EXPECT_EQ(state.rxCount, kCycles * (5 + 2 * 0x25 + 5 + 2 * 8));

    // The slave saw exactly the six requests, each with a CRC that checked, and nothing else.
    EXPECT_EQ(slave.stop(), 0);
    const std::vector<std::string> seen = ReadLines(log);
    ASSERT_EQ(seen.size(), std::size_t(2 * kCycles));
    for (std::size_t i = 0; i < seen.size(); ++i)
        EXPECT_EQ(seen[i], i % 2 == 0 ? "ok 01 03 10 00 00 25 80 d1" : "ok 01 03 00 64 00 08 05 d3") << i;

    // Green request, blue answer, in turn; every answer whole, its CRC low byte first.
    const std::vector<ShownLine> shown = ShownLines(main[kDisplay].rich());
    ASSERT_EQ(shown.size(), std::size_t(4 * kCycles)) << main[kDisplay].text();
    for (std::size_t i = 0; i < shown.size(); i += 2) {
        const bool first = i % 4 == 0;
        const std::string sent = codec::HexPairsToBytes(codec::FormatHexPairs(shown[i].text));
        const std::string got = codec::HexPairsToBytes(codec::FormatHexPairs(shown[i + 1].text));
        EXPECT_EQ(shown[i].colour, ui::Rgb(0, 128, 0)) << i;
        EXPECT_EQ(shown[i + 1].colour, ui::Rgb(0, 0, 255)) << i;
        EXPECT_EQ(sent.substr(0, 6), first ? request1 : request2) << shown[i].text;
        ASSERT_GE(got.size(), 3u) << shown[i + 1].text;
        const std::string body = got.substr(0, got.size() - 2);
        EXPECT_EQ(body, first ? ExpectedAnswer(0x1000, 0x25) : ExpectedAnswer(0x64, 8)) << shown[i + 1].text;
        const std::uint16_t crc = codec::Crc16Modbus(body);
        EXPECT_EQ(static_cast<unsigned char>(got[got.size() - 2]), crc & 0xFF) << shown[i + 1].text;
        EXPECT_EQ(static_cast<unsigned char>(got[got.size() - 1]), crc >> 8) << shown[i + 1].text;
    }
    main.close();
    unsetenv("TMPDIR");
}

}  // namespace
}  // namespace vorta::autosend
