// Automatic sending on the program's real main window, on the virtual clock,
// through the real send operation, open/close operation and serial channel
// into a pseudo-terminal whose far end the test reads.
#include "autosend/auto_sender.h"

#include "codec/crc16.h"
#include "codec/hex_text.h"
#include "port_switch/port_switch.h"
#include "serial/serial_channel.h"
#include "store/app_paths.h"
#include "store/settings_file.h"
#include "transmit/send_operation.h"

#include "support/main_window_fixture.h"
#include "support/pty_pair.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

using namespace vorta::ui::main;

namespace vorta::autosend {
namespace {

constexpr ui::Colour kYellow = ui::Rgb(255, 255, 0);
constexpr const char* kBlankListText = "请输入要自动发送的数据，一行为一条数据！"_gbk;

// Frame text as bytes, for comparing with what the far end read.
std::string Bytes(const char* hexPairs) { return codec::HexPairsToBytes(hexPairs); }

class AutoSendTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        start();
    }
    void click() { model.userClick(c(kAutoSend)); }
    void setList(const std::string& list) { c(kAutoSendList).setText(list); }
    // Everything the far end has received since it was last read.
    std::string farEnd() { return pty.receive(1 << 20, 30); }
    // Idle in every visible way: caption, timer, lamp, buttons.
    void expectIdle() {
        EXPECT_FALSE(autoSend.running());
        EXPECT_EQ(c(kAutoSend).text(), "自动发送"_gbk);
        EXPECT_EQ(c(kAutoSendTimer).period(), 0);
        EXPECT_EQ(c(kAutoSendLamp).fillColour(), ui::kDefaultColour);
        for (auto button : {kSend, kOpenClose, kSave}) EXPECT_FALSE(c(button).disabled()) << button.name;
    }
    void expectRunning(int period) {
        EXPECT_TRUE(autoSend.running());
        EXPECT_EQ(c(kAutoSend).text(), "停止发送"_gbk);
        EXPECT_EQ(c(kAutoSendTimer).period(), period);
        for (auto button : {kSend, kOpenClose, kSave}) EXPECT_TRUE(c(button).disabled()) << button.name;
    }

    test::PtyPair pty;
    bool openWorks = true;
    serial::SerialChannel channel{loop, [this](int n) { return n == 1 && openWorks ? pty.path() : std::string(); }};
    port_switch::PortSwitch portSwitch{
        model, channel, {state.settingsPath, state.listPath, state.failureNotes, state.noteFormat}};
    transmit::SendOperation send{model,
                                 platform,
                                 state,
                                 {[this](std::string_view b) { return channel.write(b).sent; },
                                  [this](ui::Window& w) { portSwitch.toggle(w); }, &port_switch::PortSwitch::isOpen},
                                 [this] { return autoSend.view(); }};
    AutoSender autoSend{model, state, portSwitch, send};
};

TEST_F(AutoSendTest, LinesAEmptyBSendTwoFramesInThreeTicksAndStopRightAfterB) {
    setList("01 03 10 00 00 25\r\n\r\n01 03 00 64 00 08\r\n");
    click();
    // The port was closed: the click opened it, and saved the list on the way.
    EXPECT_TRUE(channel.isOpen());
    EXPECT_EQ(store::ReadWholeFile(state.listPath), "01 03 10 00 00 25\r\n\r\n01 03 00 64 00 08\r\n");
    expectRunning(500);  // first-run interval: item 3
    EXPECT_EQ(autoSend.snapshot().size(), 3u);

    loop.advance(499);
    EXPECT_EQ(farEnd(), "") << "nothing before one interval";
    loop.advance(1);
    EXPECT_EQ(farEnd(), Bytes("01 03 10 00 00 25 D1 80"));
    EXPECT_EQ(c(kAutoSendLamp).fillColour(), kYellow);
    EXPECT_EQ(c(kSendBox).text(), "01 03 10 00 00 25");

    loop.advance(500);  // the empty line: nothing sent, the send box emptied, the lamp off
    EXPECT_EQ(farEnd(), "");
    EXPECT_EQ(c(kSendBox).text(), "");
    EXPECT_EQ(c(kAutoSendLamp).fillColour(), ui::kDefaultColour);
    expectRunning(500);

    loop.advance(500);
    const std::string b = farEnd();
    EXPECT_EQ(b.substr(0, 6), Bytes("01 03 00 64 00 08"));
    EXPECT_EQ(b.size(), 8u);
    expectIdle();
    EXPECT_EQ(c(kSendBox).text(), "01 03 00 64 00 08");  // the last line sent stays
    EXPECT_EQ(panel(1), "TX:16");
    EXPECT_EQ(display(), "01 03 10 00 00 25 D1 80\r\n" +
                             codec::FormatHexPairs("01 03 00 64 00 08 " + codec::Crc16Text("01 03 00 64 00 08")) +
                             "\r\n");
    loop.advance(5000);
    EXPECT_EQ(farEnd(), "");
}

TEST_F(AutoSendTest, BlankListShowsTheBalloonAndChangesNothingIdleOrRunning) {
    setList("  　 "_gbk);
    click();
    ASSERT_EQ(view.balloons.size(), 1u);
    const ui::Control& group = c(kAutoSendGroup);
    EXPECT_EQ(view.balloons[0].text, kBlankListText);
    EXPECT_EQ(view.balloons[0].x, main->left() + group.left() + 50);
    EXPECT_EQ(view.balloons[0].y, main->top() + group.top() + 50);
    EXPECT_FALSE(view.balloons[0].flag);
    EXPECT_FALSE(channel.isOpen()) << "the port is not opened for a blank list";
    expectIdle();

    // Running, the list emptied, 停止发送 clicked: the balloon, and sending goes on
    // with the lines taken at the start.
    c(kLoop).setChecked(true);
    setList("01 02");
    click();
    setList("");
    click();
    EXPECT_EQ(view.balloons.size(), 2u);
    expectRunning(500);
    loop.advance(500);
    EXPECT_EQ(farEnd(), Bytes("01 02") + codec::HexPairsToBytes(codec::Crc16Text("01 02")));

    // The list echo refuses a blank list the same way.
    model.userMouse(c(kListEcho), ui::Event::LeftReleased, {});
    EXPECT_EQ(view.balloons.size(), 3u);
    EXPECT_EQ(view.balloons[2].text, kBlankListText);
}

TEST_F(AutoSendTest, OnlyLineBreaksStartSendNothingAndStopAfterAsManyTicksAsLines) {
    setList("\r\n\r\n\r\n");
    click();
    expectRunning(500);
    loop.advance(1000);
    EXPECT_TRUE(autoSend.running());
    loop.advance(500);
    expectIdle();
    EXPECT_EQ(farEnd(), "");
    EXPECT_EQ(panel(1), "TX:0");
    EXPECT_EQ(display(), "") << "an empty line does not reach the send operation";
}

TEST_F(AutoSendTest, LoopStartsOverWithoutAGapAndItsBoxIsReadAtTheLastLine) {
    c(kCrc).setChecked(false);
    setList("11\r\n22");
    model.userSelectItem(c(kInterval), 0);  // 200
    c(kLoop).setChecked(true);
    click();
    std::string frames;
    for (int i = 0; i < 6; ++i) {
        loop.advance(200);
        frames += farEnd();
        EXPECT_EQ(frames.size(), std::size_t(i + 1)) << "tick " << i + 1 << " at " << loop.nowMs() << " ms";
    }
    EXPECT_EQ(frames, Bytes("11 22 11 22 11 22"));

    // A new interval while running waits for the next start; 循环 unchecked now
    // stops the run at its last line.
    model.userSelectItem(c(kInterval), 3);  // 500
    c(kLoop).setChecked(false);
    loop.advance(200);
    EXPECT_EQ(farEnd(), Bytes("11"));
    loop.advance(200);
    EXPECT_EQ(farEnd(), Bytes("22"));
    expectIdle();
    EXPECT_EQ(store::ReadSetting(state.settingsPath, "MoKuai", "毫秒"_gbk), "3");
    click();
    expectRunning(500);
}

TEST_F(AutoSendTest, IntervalIsReadFromTheComboTextAtEachStart) {
    c(kCrc).setChecked(false);
    setList("5A");
    model.userEditText(c(kInterval), "２50"_gbk);  // typed, with a full-width digit
    click();
    expectRunning(250);
    loop.advance(250);
    EXPECT_EQ(farEnd(), Bytes("5A"));
    expectIdle();

    // No number: 停止发送 and locked buttons, but nothing is ever sent.
    model.userEditText(c(kInterval), "快"_gbk);
    click();
    expectRunning(0);
    loop.advance(10000);
    EXPECT_EQ(farEnd(), "");
    click();
    expectIdle();
}

TEST_F(AutoSendTest, AnnotatedLinesSendTheirFrameAndAreEchoedWholeWithoutCrc) {
    // As the batch generator writes them: the CRC box unchecked, CRC in the frame.
    c(kCrc).setChecked(false);
    const std::string q58 = "01 03 10 00 00 25 D1 80  → 1号"_gbk;
    const std::string q20 = "EA 01 01 BC  ← 1号"_gbk;
    setList(q58 + "\r\n" + q20);
    click();
    loop.advance(500);
    const std::string first = farEnd();
    EXPECT_EQ(first, Bytes("01 03 10 00 00 25 D1 80"));
    EXPECT_EQ(c(kSendBox).text().size(), 24u);
    loop.advance(500);
    EXPECT_EQ(farEnd(), Bytes("EA 01 01 BC"));
    EXPECT_EQ(c(kSendBox).text().size(), 12u);
    EXPECT_EQ(display(), q58 + "\r\n" + q20 + "\r\n");
    EXPECT_EQ(panel(1), "TX:12");

    // With CRC on, the echo is what was sent.
    c(kCrc).setChecked(true);
    click();
    loop.advance(500);
    const std::string sent = "01 03 10 00 00 25 D1 80 " + codec::Crc16Text("01 03 10 00 00 25 D1 80");
    EXPECT_EQ(farEnd(), codec::HexPairsToBytes(sent));
    EXPECT_TRUE(display().ends_with(q20 + "\r\n" + sent + "\r\n")) << display();
}

TEST_F(AutoSendTest, EnterDuringARunEchoesWhatItSentNotAListLine) {
    c(kCrc).setChecked(false);
    setList("11\r\n22");
    c(kLoop).setChecked(true);
    click();
    loop.advance(500);
    farEnd();
    model.userClick(c(kEnterToSend));
    model.userEditText(c(kSendBox), "AB CD");
    platform.pressEnter();
    EXPECT_EQ(farEnd(), Bytes("AB CD"));
    EXPECT_EQ(display(), "11\r\nAB CD\r\n");
}

TEST_F(AutoSendTest, OpenFailureLeavesItIdleWithTheOpenMessage) {
    openWorks = false;
    setList("01 02");
    click();
    expectIdle();
    EXPECT_EQ(display(), "  → 端口打开失败！可能被其他程序占用。\r\n"_gbk);
    loop.advance(5000);
    EXPECT_EQ(farEnd(), "");
    EXPECT_EQ(panel(1), "TX:0");
}

TEST_F(AutoSendTest, ListEchoWritesALineBreakAndTheListInGrey) {
    c(kCrc).setChecked(false);
    c(kSendBox).setText("01");
    model.userClick(c(kSend));
    farEnd();
    const int width = c(kDisplay).width();
    setList("01 02  → 甲\r\n\r\n03"_gbk);
    model.userMouse(c(kListEcho), ui::Event::LeftReleased, {});
    EXPECT_EQ(display(), "01\r\n\r\n01 02  → 甲\r\n\r\n03"_gbk);
    const ui::RichText& rich = c(kDisplay).rich();
    EXPECT_EQ(rich.formatAt(ui::BytePos(4)).colour, ui::Rgb(128, 128, 128));
    EXPECT_EQ(rich.formatAt(ui::BytePos(display().size() - 1)).colour, ui::Rgb(128, 128, 128));
    EXPECT_EQ(rich.formatAt(ui::BytePos(0)).colour, ui::Rgb(0, 128, 0));
    EXPECT_EQ(c(kDisplay).width(), width);
    EXPECT_EQ(view.focused, std::vector<ui::Text>{ui::Text(kDisplay.name)});  // the display takes the keyboard
    EXPECT_TRUE(view.balloons.empty());
}

// The list file as an editor on Linux saves it: lines ended by a lone LF.
class AutoSendFromLfFileTest : public AutoSendTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(store::WriteWholeFile(store::ListFilePath(), "01 02\n03 04\n"));
        start();
    }
};

TEST_F(AutoSendFromLfFileTest, LinesEndedByALoneLfAreSentOneByOneAndSavedWithCrLf) {
    EXPECT_EQ(c(kAutoSendList).text(), "01 02\r\n03 04\r\n");
    c(kCrc).setChecked(false);
    click();
    EXPECT_EQ(store::ReadWholeFile(state.listPath), "01 02\r\n03 04\r\n");
    EXPECT_EQ(autoSend.snapshot().size(), 2u);
    loop.advance(500);
    EXPECT_EQ(farEnd(), Bytes("01 02"));
    loop.advance(500);
    EXPECT_EQ(farEnd(), Bytes("03 04"));
    expectIdle();
}

}  // namespace
}  // namespace vorta::autosend
