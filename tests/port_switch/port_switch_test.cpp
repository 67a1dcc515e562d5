// The open/close button on the program's real main window, against
// pseudo-terminals: captions, indicator, locked settings, saved files and the
// one failure note.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <filesystem>

#include "main_window/app_state.h"
#include "main_window/main_window.h"
#include "store/app_paths.h"
#include "store/settings_file.h"
#include "port_switch/port_switch.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "support/pty_pair.h"
#include "base/virtual_loop.h"
#include "ui/windows/window_defs.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

using namespace vorta::ui::main;

namespace vorta::port_switch {
namespace {

constexpr ui::ControlId<ui::ComboBox> kLocked[] = {kPort, kBaud, kDataBits, kStopBits, kParity};

class PortSwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        setenv("TMPDIR", tmp.path().c_str(), 1);
        main = model.openWindow(ui::MainWindowDef());
    }
    void TearDown() override { unsetenv("TMPDIR"); }
    template <class K>
    K& c(ui::ControlId<K> id) {
        return (*main)[id];
    }

    test::PtyPair pty;
    test::TempDir tmp;
    base::VirtualLoop loop;
    test::FakePlatform platform;
    ui::Model model{loop, {1280, 1024}};
    test::NoOpActions noOps{model, ui::MainWindowDef()};
    main_window::AppState state;
    std::vector<ui::Text> ports{"COM1", "COM12", "COM31"};
    std::vector<int> asked;  // port numbers the channel looked up
    std::string com12;       // the device of COM12 when not the pty
    main_window::MainWindow mainWindow{model, platform, state, [this](std::vector<ui::Text>& out) {
                                           out = ports;
                                           return true;
                                       }};
    serial::SerialChannel channel{loop, [this](int n) {
                                      asked.push_back(n);
                                      if (n == 31) return std::string("tcp://127.0.0.1");  // a link without a port
                                      return n == 12 ? (com12.empty() ? pty.path() : com12) : std::string();
                                  }};
    PortSwitch portSwitch{model, channel, {state.settingsPath, state.listPath, state.failureNotes, state.noteFormat}};
    ui::Window* main = nullptr;
};

TEST_F(PortSwitchTest, OpeningLocksTheSettingsAndClosingReleasesThemSavingBothTimes) {
    c(kPort).setSelectedIndex(1);
    c(kAutoSendList).setText("01 02\r\n03 04");
    portSwitch.toggle(*main);
    EXPECT_EQ(asked.back(), 12);
    EXPECT_TRUE(channel.isOpen());
    EXPECT_EQ(c(kOpenClose).text(), "关闭串口"_gbk);
    EXPECT_EQ(c(kPortLamp).fillColour(), 0x00FF00u);
    EXPECT_TRUE(PortSwitch::isOpen(*main));
    for (auto combo : kLocked) EXPECT_TRUE(c(combo).disabled()) << combo.name;
    EXPECT_EQ(store::ReadWholeFile(state.listPath), "01 02\r\n03 04");

    c(kSendBox).setText("AA BB");
    portSwitch.toggle(*main);
    EXPECT_FALSE(channel.isOpen());
    EXPECT_EQ(c(kOpenClose).text(), "打开串口"_gbk);
    EXPECT_EQ(c(kPortLamp).fillColour(), ui::kDefaultColour);
    for (auto combo : kLocked) EXPECT_FALSE(c(combo).disabled()) << combo.name;
    EXPECT_EQ(store::ReadSetting(state.settingsPath, "发送"_gbk, "单数据"_gbk), "AA BB");
}

TEST_F(PortSwitchTest, FailedOpenWritesOneNoteAndChangesNothingElse) {
    c(kPort).setSelectedIndex(0);  // COM1: no device here
    portSwitch.toggle(*main);
    EXPECT_EQ(c(kDisplay).text(), "  → 端口打开失败！可能被其他程序占用。\r\n"_gbk);
    EXPECT_EQ(c(kOpenClose).text(), "打开串口"_gbk);
    EXPECT_FALSE(PortSwitch::isOpen(*main));
    EXPECT_FALSE(c(kPort).disabled());
}

// A port that can say why (a network port) adds its reason after the note.
TEST_F(PortSwitchTest, AFailedOpenIsFollowedByThePortsOwnReason) {
    c(kPort).setSelectedIndex(2);
    portSwitch.toggle(*main);
    EXPECT_EQ(c(kDisplay).text(),
              "  → 端口打开失败！可能被其他程序占用。\r\n  → 网络端口地址无效：tcp://127.0.0.1\r\n"_gbk);
    EXPECT_FALSE(PortSwitch::isOpen(*main));
}

// The list file that cannot be written is said once; the port opens and
// closes as always, and the send box is still saved.
TEST_F(PortSwitchTest, AListFileThatCannotBeWrittenIsNotedOnceAndThePortStillSwitches) {
    std::filesystem::create_directory(store::NativeFileName(state.listPath));  // in the list file's place
    c(kPort).setSelectedIndex(1);
    c(kSendBox).setText("AA BB");
    portSwitch.toggle(*main);
    portSwitch.toggle(*main);
    EXPECT_EQ(c(kDisplay).text(), "  → 设置未能保存！同名的不是普通文件。\r\n"_gbk);
    EXPECT_EQ(c(kOpenClose).text(), "打开串口"_gbk);
    EXPECT_EQ(asked, std::vector<int>{12});
    EXPECT_EQ(store::ReadSetting(state.settingsPath, "发送"_gbk, "单数据"_gbk), "AA BB");
}

TEST_F(PortSwitchTest, PortHeldByAnotherProgramFailsToOpen) {
    const int other = open(pty.path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    c(kPort).setSelectedIndex(1);
    portSwitch.toggle(*main);
    EXPECT_FALSE(PortSwitch::isOpen(*main));
    EXPECT_NE(c(kDisplay).text().find("端口打开失败"_gbk), std::string::npos);
    close(other);
}

TEST_F(PortSwitchTest, EmptyPortListTriesPortOneAndMissingBaudRateFails) {
    c(kPort).clearItems();
    portSwitch.toggle(*main);
    EXPECT_EQ(asked.back(), 1);  // "" without three characters is 0, raised to 1
    EXPECT_EQ(channel.portNumber(), 1);

    c(kPort).addItem("COM12");
    c(kPort).setSelectedIndex(0);
    c(kBaud).setSelectedIndex(-1);  // baud rate 0: the line cannot be set
    portSwitch.toggle(*main);
    EXPECT_EQ(channel.baudRate(), 0);
    EXPECT_FALSE(PortSwitch::isOpen(*main));
}

TEST_F(PortSwitchTest, SettingsReachTheChannelFromTheComboBoxes) {
    c(kPort).setSelectedIndex(1);
    c(kBaud).setSelectedIndex(9);      // 115200
    c(kDataBits).setSelectedIndex(1);  // 7
    c(kStopBits).setSelectedIndex(2);  // "2": code 3
    c(kParity).setSelectedIndex(3);    // mark
    portSwitch.toggle(*main);
    EXPECT_EQ(channel.portNumber(), 12);
    EXPECT_EQ(channel.baudRate(), 115200);
    EXPECT_EQ(channel.dataBits(), 7);
    EXPECT_EQ(channel.stopBitsCode(), 3);
    EXPECT_EQ(channel.parityCode(), 3);
    EXPECT_TRUE(PortSwitch::isOpen(*main));
}

// Unplugged while open and plugged back under the same number: the button
// stays on 关闭串口 throughout, one note each way, and frames pass again.
TEST_F(PortSwitchTest, ADeviceThatGoesAndComesBackGivesOneNoteEachWay) {
    c(kPort).setSelectedIndex(1);
    portSwitch.toggle(*main);
    pty.closeFarEnd();
    const std::string lost = "  → 设备已断开，等待重新连接……\r\n"_gbk;
    ASSERT_TRUE(loop.runUntilReal([&] { return c(kDisplay).text() == lost; }, std::chrono::seconds(3)));
    EXPECT_EQ(c(kOpenClose).text(), "关闭串口"_gbk);
    EXPECT_EQ(channel.write("\x01").sent, 0u);
    test::PtyPair second;
    com12 = second.path();
    loop.advance(1000);
    ASSERT_TRUE(loop.runUntilReal([&] { return c(kDisplay).text() != lost; }, std::chrono::seconds(3)));
    EXPECT_EQ(c(kDisplay).text(), lost + "  → 设备已重新连接。\r\n"_gbk);
    EXPECT_TRUE(channel.write("\x01\x03\xFF"));
    EXPECT_EQ(second.receive(3), "\x01\x03\xFF");
    EXPECT_TRUE(PortSwitch::isOpen(*main));
}

// What the port says comes between data of either colour, always in the note format.
TEST_F(PortSwitchTest, PortNotesAreInTheNoteFormatWhateverWasWrittenBefore) {
    main_window::PortOptions plain, rs485;
    rs485.rs485 = true;  // a pseudo-terminal has no RS-485 mode
    struct Case {
        int port;
        const main_window::PortOptions* options;
        bool unplug;
        std::string note;
    } const cases[] = {{2, &plain, false, "  → 网络端口地址无效"_gbk},
                       {1, &rs485, false, "  → 此端口不支持 RS-485 模式"_gbk},
                       {1, &plain, true, "  → 设备已断开"_gbk}};
    for (const Case& k : cases)
        for (const ui::CharFormat* data : {&state.sentFormat, &state.receivedFormat}) {
            test::PtyPair device;
            com12 = device.path();
            c(kDisplay).setText("");
            c(kDisplay).append("01 02\r\n", *data);
            c(kPort).setSelectedIndex(k.port);
            portSwitch.setOptions(k.options);
            portSwitch.toggle(*main);
            if (k.unplug) device.closeFarEnd();
            const auto at = [&] { return c(kDisplay).text().find(k.note); };
            ASSERT_TRUE(loop.runUntilReal([&] { return at() != std::string::npos; }, std::chrono::seconds(3)))
                << k.note;
            EXPECT_EQ(c(kDisplay).rich().formatAt(ui::BytePos(at())), state.noteFormat) << k.note;
            if (PortSwitch::isOpen(*main)) portSwitch.toggle(*main);
        }
}

}  // namespace
}  // namespace vorta::port_switch
