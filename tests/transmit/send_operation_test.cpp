// The send operation on the real main window with a recorded serial line:
// what leaves, what is counted and what the display echoes, in which colour.
#include "transmit/send_operation.h"

#include "codec/crc16.h"
#include "codec/hex_text.h"
#include "receive/receive_display.h"

#include "support/main_window_fixture.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

using namespace vorta::ui::main;

namespace vorta::transmit {
namespace {

class SendTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        start();
        c(kPortLamp).setFillColour(0x00FF00);  // the port is open
    }
    void send(const char* text) {
        c(kSendBox).setText(text);
        model.userClick(c(kSend));
    }
    std::vector<std::string> wire;  // each write's bytes
    bool writeWorks = true;
    std::size_t cutAfter = SIZE_MAX;         // a working write sends at most this many bytes
    std::function<void()> duringWrite = {};  // what the channel raises while it writes
    int opens = 0;
    bool openWorks = true;
    AutoSendView autoSend;
    SendOperation sender{
        model, platform, state,
        SerialLink{[this](std::string_view b) -> std::size_t {
                       if (duringWrite) duringWrite();
                       if (!writeWorks) return 0;
                       wire.emplace_back(b.substr(0, cutAfter));
                       return wire.back().size();
                   },
                   [this](ui::Window& w) {
                       ++opens;
                       if (openWorks)
                           w[kPortLamp].setFillColour(0x00FF00);
                       else
                           w[kDisplay].replaceSelection("  → 端口打开失败！可能被其他程序占用。\r\n"_gbk);
                   },
                   [](ui::Window& w) { return w[kPortLamp].fillColour() != ui::kDefaultColour; }},
        [this] { return autoSend; }};
};

TEST_F(SendTest, DefaultFrameGetsItsCrcHighByteFirstAndAGreenEcho) {
    send("01 03 10 00 00 25");
    ASSERT_EQ(wire.size(), 1u);
    EXPECT_EQ(wire[0], std::string("\x01\x03\x10\x00\x00\x25\xD1\x80", 8));
    EXPECT_EQ(panel(1), "TX:8");
    EXPECT_EQ(display(), "01 03 10 00 00 25 D1 80\r\n");
    EXPECT_EQ(c(kDisplay).rich().formatAt(ui::BytePos(0)).colour, ui::Rgb(0, 128, 0));
    EXPECT_EQ(c(kDisplay).rich().formatAt(ui::BytePos(0)).pointSize, 11);
}

TEST_F(SendTest, ReversedCrcAndNoCrc) {
    c(kCrcReversed).setChecked(true);
    send("01 03 10 00 00 25");
    EXPECT_EQ(wire.back(), std::string("\x01\x03\x10\x00\x00\x25\x80\xD1", 8));
    c(kCrc).setChecked(false);
    send("01 03 10 00 00 25");
    EXPECT_EQ(wire.back(), std::string("\x01\x03\x10\x00\x00\x25", 6));
    EXPECT_EQ(display(), "01 03 10 00 00 25 80 D1\r\n01 03 10 00 00 25\r\n");
    EXPECT_EQ(panel(1), "TX:14");
}

TEST_F(SendTest, TypedHexIsEchoedNormalisedAndOddLengthIsRefusedWithoutLineEnd) {
    c(kCrc).setChecked(false);
    send("0103100000 25");
    send("123");
    send("ab cd");
    EXPECT_EQ(display(), "01 03 10 00 00 25\r\n123  → 数据输入长度错误,未能发送！AB CD\r\n"_gbk);
    EXPECT_EQ(wire.size(), 2u);
    EXPECT_EQ(wire[1], "\xAB\xCD");
}

TEST_F(SendTest, PlainTextSendsItsGbkBytesAndCountsThem) {
    model.userClick(c(kTextSend));
    EXPECT_FALSE(c(kCrc).checked());
    EXPECT_TRUE(c(kCrc).disabled());
    EXPECT_TRUE(c(kTextDisplay).checked());
    EXPECT_FALSE(c(kHexDisplay).checked());
    send("中A"_gbk);
    EXPECT_EQ(wire.back(), "\xD6\xD0\x41");
    EXPECT_EQ(panel(1), "TX:3");
    EXPECT_EQ(display(), "中A\r\n"_gbk);
    model.userClick(c(kHexSend));
    EXPECT_FALSE(c(kCrc).disabled());
    EXPECT_FALSE(c(kCrc).checked());  // enabled again, not checked
    EXPECT_TRUE(c(kHexDisplay).checked());
}

TEST_F(SendTest, FailedWritesAndEmptyBox) {
    writeWorks = false;
    send("01 02");
    EXPECT_EQ(panel(1), "TX:4");  // a hex frame is counted before it is written
    model.userClick(c(kTextSend));
    send("AB");
    EXPECT_EQ(panel(1), "TX:4");  // plain text only when written
    send("");
    EXPECT_EQ(display(), "01 02  → 数据未能发送！\r\nAB  → 数据未能发送！\r\n  → 发送数据为空！\r\n"_gbk);
}

TEST_F(SendTest, ACutOffFrameSaysHowManyBytesWentOut) {
    c(kCrc).setChecked(false);
    cutAfter = 2;
    send("01 02 03");
    model.userClick(c(kTextSend));
    send("ABCD");
    EXPECT_EQ(display(),
              "01 02 03  → 数据未能完整发送！只发出前 2 字节（共 3 字节）。\r\n"_gbk
              "ABCD  → 数据未能完整发送！只发出前 2 字节（共 4 字节）。\r\n"_gbk);
    EXPECT_EQ(panel(1), "TX:3");
}

TEST_F(SendTest, ClosedPortIsOpenedFirstAndAFailedOpenStopsTheSend) {
    c(kPortLamp).setFillColour(ui::kDefaultColour);
    openWorks = false;
    send("01 02");
    EXPECT_EQ(opens, 1);
    EXPECT_TRUE(wire.empty());
    EXPECT_EQ(display(), "  → 端口打开失败！可能被其他程序占用。\r\n"_gbk);
    openWorks = true;
    send("01 02");
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(wire.size(), 1u);
}

TEST_F(SendTest, CrcAlwaysMatchesTheFrameBytesOnTheWire) {
    // Chinese text typed in hex mode pairs bytes across characters; whatever the
    // frame, the last two bytes sent must be the CRC of the bytes before them.
    const char* parts[] = {"A", "中"_gbk, "1", "丂"_gbk};  // 丂 is 81 40: its trail byte is "@"
    for (int n = 1; n <= 6; ++n)
        for (int code = 0; code < (1 << (2 * n)); ++code) {
            std::string text;
            for (int i = 0, k = code; i < n; ++i, k >>= 2) text += parts[k & 3];
            if (!codec::ParseHexFrame(text).evenLength) continue;
            wire.clear();
            send(text.c_str());
            ASSERT_EQ(wire.size(), 1u) << text;
            const std::string& sent = wire[0];
            ASSERT_GE(sent.size(), 2u);
            const std::uint16_t crc = codec::Crc16Modbus(sent.substr(0, sent.size() - 2));
            EXPECT_EQ(static_cast<unsigned char>(sent[sent.size() - 2]), crc >> 8) << text;
            EXPECT_EQ(static_cast<unsigned char>(sent.back()), crc & 0xFF) << text;
        }
}

TEST_F(SendTest, FrameEndingInALoneLeadByteKeepsItsCrcApart) {
    // A send box filled from the list file may end in the first byte of a
    // two-byte character; that byte must not join the CRC's first pair.
    const std::string text = "01 0" + std::string(1, static_cast<char>(0xD6));
    send(text.c_str());
    ASSERT_EQ(wire.size(), 1u);
    const std::uint16_t crc = codec::Crc16Modbus(std::string("\x01\x00", 2));
    EXPECT_EQ(wire[0], std::string("\x01\x00", 2) + static_cast<char>(crc >> 8) + static_cast<char>(crc & 0xFF));
    EXPECT_EQ(panel(1), "TX:4");
}

TEST_F(SendTest, BlankHexBoxSendsOnlyTheCrcOfTheEmptyFrame) {
    // No stray 0x00 before the check value: the CRC matches what is sent.
    send("   ");
    ASSERT_EQ(wire.size(), 1u);
    EXPECT_EQ(wire[0], "\xFF\xFF");
    EXPECT_EQ(panel(1), "TX:2");
}

TEST_F(SendTest, AutoSendEchoesTheListLineAsWrittenWhenNoCrcIsAdded) {
    autoSend = {true, "01 02", "01  02   "};
    send("01 02");
    EXPECT_EQ(display(), "01 02 " + codec::Crc16Text("01 02") + "\r\n");  // with CRC: the frame
    c(kCrc).setChecked(false);
    send("01 02");
    EXPECT_EQ(display().substr(display().size() - 11), "01  02   \r\n");
}

TEST_F(SendTest, EnterSendsWhileTheBoxIsChecked) {
    model.userClick(c(kEnterToSend));
    platform.pressEnter();
    EXPECT_EQ(wire.size(), 1u);
    model.userClick(c(kEnterToSend));
    platform.pressEnter();
    EXPECT_EQ(wire.size(), 1u);
    platform.enterAvailable = false;  // another program holds the key
    model.userClick(c(kEnterToSend));
    platform.pressEnter();
    EXPECT_EQ(wire.size(), 1u);
}

TEST_F(SendTest, EnterHeldByAnotherProgramIsNotedOnceAndTheBoxStaysChecked) {
    platform.enterAvailable = false;
    for (int i = 0; i < 3; ++i) model.userClick(c(kEnterToSend));  // on, off, on
    EXPECT_TRUE(c(kEnterToSend).checked());
    EXPECT_EQ(display(), "  → 回车键已被其他程序占用，按回车键发送无效。\r\n"_gbk);
    EXPECT_EQ(c(kDisplay).rich().formatAt(ui::BytePos(0)), state.noteFormat);
    platform.pressEnter();
    EXPECT_TRUE(wire.empty());
}

TEST_F(SendTest, OnlyASentFrameScrollsTheDisplayToItsEnd) {
    ui::RichText& text = c(kDisplay).rich();
    text.takeScrollRequest();
    send("01 02");
    EXPECT_TRUE(text.takeScrollRequest());
    send("123");
    send("");
    writeWorks = false;
    send("01 02");
    EXPECT_FALSE(text.takeScrollRequest());  // the failure notes do not scroll
}

// Sent and received data share the display, each in its own colour.
class ExchangeTest : public SendTest {
protected:
    void SetUp() override {
        SendTest::SetUp();
        receiver.attach(*main);
    }
    ui::Colour colourAt(std::size_t byte) { return c(kDisplay).rich().formatAt(ui::BytePos(byte)).colour; }
    receive::ReceiveDisplay receiver{model, state};
};

TEST_F(ExchangeTest, EchoAndReceivedCellsInterleaveAndTheLineBreakTakesTheLastFormat) {
    const ui::Colour green = ui::Rgb(0, 128, 0), blue = ui::Rgb(0, 0, 255);
    c(kCrc).setChecked(false);
    send("01 02");
    receiver.onBytesReceived("\x0A");
    send("03");
    EXPECT_EQ(display(), "01 02\r\n0A 03\r\n");
    EXPECT_EQ(colourAt(0), green);
    EXPECT_EQ(colourAt(7), blue);
    EXPECT_EQ(colourAt(10), green);
    EXPECT_EQ(panel(0), "RX:1");
    EXPECT_EQ(panel(1), "TX:3");
    // The break 50 ms after the received byte is written in the echo's format,
    // the one set last; the next received byte is blue again.
    loop.advance(50);
    EXPECT_EQ(display(), "01 02\r\n0A 03\r\n\r\n");
    EXPECT_EQ(colourAt(display().size() - 1), green);
    receiver.onBytesReceived("\x0B");
    EXPECT_EQ(colourAt(display().size() - 1), blue);
}

// Bytes that came in before the frame are raised during the write: they show
// before the echo, which keeps its own colour.
TEST_F(ExchangeTest, BytesRaisedDuringTheWriteComeBeforeTheGreenEcho) {
    c(kCrc).setChecked(false);
    duringWrite = [this] { receiver.onBytesReceived("\x0A"); };
    send("01 02");
    EXPECT_EQ(display(), "0A 01 02\r\n");
    EXPECT_EQ(colourAt(0), ui::Rgb(0, 0, 255));
    EXPECT_EQ(colourAt(3), ui::Rgb(0, 128, 0));
}

}  // namespace
}  // namespace vorta::transmit
