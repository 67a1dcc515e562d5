#include "transmit/file_send.h"

#include <gtest/gtest.h>

#include <fstream>

#include "codec/crc16.h"
#include "codec/hex_text.h"
#include "support/main_window_fixture.h"
#include "codec/gbk_literal.h"

namespace vorta::transmit {
namespace {

using namespace ui::main;

class FileSendTest : public test::MainWindowFixture {
protected:
    FileSendTest() {
        start();
        c(kBaud).setSelectedIndex(5);  // 9600: 19 bytes a 20 ms tick
    }
    std::string file(const std::string& content) {
        const std::string path = tmp.file("send.dat");
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    void textMode() {
        c(kTextSend).setChecked(true);
        c(kHexSend).setChecked(false);
    }

    std::vector<std::string> writes;
    std::size_t accept = SIZE_MAX;  // bytes the port takes in all
    bool ended = false;
    FileSend send{model, state, [this](std::string_view bytes) {
                      const std::size_t n = std::min(bytes.size(), accept);
                      accept -= n;
                      writes.emplace_back(bytes.substr(0, n));
                      return n;
                  }};
};

TEST_F(FileSendTest, RawBytesGoOutAtTheLinesPaceCountedAndShownFirstAndLast) {
    textMode();
    std::string content;
    for (int i = 0; i < 100; ++i) content += char('A' + i % 26);
    ASSERT_TRUE(send.start(*main, file(content), [this] { ended = true; }));
    EXPECT_EQ(panel(FileSend::kProgressPanel), "发送 0/100 字节"_gbk);
    loop.advance(FileSend::kTickMs);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0], content.substr(0, 19));
    EXPECT_EQ(panel(FileSend::kProgressPanel), "发送 19/100 字节"_gbk);
    EXPECT_EQ(panel(1), "TX:19");
    loop.advance(FileSend::kTickMs * 6);  // five more pieces, then the end
    EXPECT_TRUE(ended);
    EXPECT_FALSE(send.running());
    std::string all;
    for (const std::string& w : writes) all += w;
    EXPECT_EQ(all, content);
    EXPECT_EQ(panel(1), "TX:100");
    EXPECT_EQ(panel(FileSend::kProgressPanel), "");
    EXPECT_EQ(display(), content.substr(0, 19) + "\r\n  → ……\r\n"_gbk + content.substr(95) +
                             "\r\n  → 文件发送完毕：共 100 字节。\r\n"_gbk);
}

TEST_F(FileSendTest, HexFramesGoOneALineWithTheCrcWhenChecked) {
    c(kCrc).setChecked(true);
    ASSERT_TRUE(send.start(*main, file("01 03 00 00 00 01\r\n\r\n01 0\n01 06 00 01 00 FF\n02 03\n"), {}));
    loop.advance(FileSend::kTickMs * 10);
    EXPECT_FALSE(send.running());
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0], std::string("\x01\x03\x00\x00\x00\x01\x0A\x84", 8));
    EXPECT_EQ(writes[2].substr(0, 2), "\x02\x03");
    EXPECT_EQ(writes[2].size(), 4u);
    EXPECT_EQ(panel(1), "TX:20");
    std::string lastEcho = "02 03 ";
    codec::AppendHexCells(lastEcho, codec::Crc16Bytes(codec::Crc16Modbus("\x02\x03"), false));
    lastEcho.pop_back();
    EXPECT_EQ(writes[2], "\x02\x03" + codec::Crc16Bytes(codec::Crc16Modbus("\x02\x03"), false));
    EXPECT_EQ(display(), "01 03 00 00 00 01 0A 84\r\n  → 第 3 行长度错误，未发送。\r\n  → ……\r\n"_gbk + lastEcho +
                             "\r\n  → 文件发送完毕：共 3 帧，20 字节。\r\n"_gbk);
}

TEST_F(FileSendTest, CancelStopsAtOnceAndSaysHowMuchWentOut) {
    textMode();
    ASSERT_TRUE(send.start(*main, file(std::string(1000, 'x')), [this] { ended = true; }));
    loop.advance(FileSend::kTickMs * 2);
    send.cancel();
    EXPECT_TRUE(ended);
    loop.advance(FileSend::kTickMs * 10);
    EXPECT_EQ(writes.size(), 2u);
    EXPECT_NE(display().find("  → 文件发送已取消：已发送 38 字节。\r\n"_gbk), std::string::npos) << display();
}

TEST_F(FileSendTest, APortThatTakesLessEndsTheSendingWithANote) {
    textMode();
    accept = 30;
    ASSERT_TRUE(send.start(*main, file(std::string(100, 'x')), {}));
    loop.advance(FileSend::kTickMs * 3);
    EXPECT_FALSE(send.running());
    EXPECT_EQ(panel(1), "TX:30");
    EXPECT_NE(display().find("  → 文件发送中断：已发送 30 字节（文件共 100 字节）。\r\n"_gbk), std::string::npos);
}

TEST_F(FileSendTest, AFileThatCannotBeOpenedIsNoted) {
    EXPECT_FALSE(send.start(*main, tmp.file("none"), {}));
    EXPECT_EQ(display(), "  → 文件无法打开，未能发送。\r\n"_gbk);
}

}  // namespace
}  // namespace vorta::transmit
