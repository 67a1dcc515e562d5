// The main window's start-up, relayout and shutdown, headless: what a first
// run shows, how stored options come back, and what closing saves.
#include <gtest/gtest.h>

#include "main_window/app_state.h"
#include "main_window/main_window.h"
#include "store/settings_file.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "base/virtual_loop.h"
#include "ui/windows/window_defs.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

using namespace vorta::ui::main;

namespace vorta::main_window {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TMPDIR", tmp.path().c_str(), 1);
        platform.screen = {1280, 1024};
        model.setView(&view);
    }
    void TearDown() override { unsetenv("TMPDIR"); }
    std::string ini() const { return tmp.slash() + "peizhi.ini"; }
    void store(const char* section, const char* key, const char* value) {
        ASSERT_TRUE(store::WriteSetting(ini(), section, key, value));
    }
    ui::Window& start() {
        main = model.openWindow(ui::MainWindowDef());
        return *main;
    }
    template <class K>
    K& c(ui::ControlId<K> id) {
        return (*main)[id];
    }

    test::TempDir tmp;
    base::VirtualLoop loop;
    test::FakePlatform platform;
    test::RecordingView view;
    ui::Model model{loop, {1280, 1024}};
    test::NoOpActions noOps{model, ui::MainWindowDef()};
    main_window::AppState state;
    std::vector<ui::Text> ports{"COM1", "COM3"};
    bool discoveryWorks = true;
    MainWindow mainWindow{model, platform, state, [this](std::vector<ui::Text>& out) {
                              out = ports;
                              return discoveryWorks;
                          }};
    ui::Window* main = nullptr;
};

TEST_F(MainWindowTest, FirstRunWithoutSettingsFile) {
    start();
    EXPECT_EQ(view.interfaceStyle, 3);
    EXPECT_EQ(state.settingsPath, tmp.slash() + "peizhi.ini");
    EXPECT_EQ(state.listPath, tmp.slash() + "循环数据.BAT"_gbk);
    EXPECT_EQ(c(kPort).items(), ports);
    EXPECT_EQ(c(kPort).selectedIndex(), 0);
    EXPECT_EQ(c(kBaud).text(), "9600");
    EXPECT_EQ(c(kParity).text(), "N 无"_gbk);
    EXPECT_EQ(c(kDataBits).text(), "8");
    EXPECT_EQ(c(kStopBits).text(), "1");
    EXPECT_EQ(c(kInterval).text(), "500");  // not the design-time "300"
    EXPECT_EQ(c(kLineBreakInterval).text(), "50");
    EXPECT_EQ(state.lineBreakInterval, 50);
    EXPECT_TRUE(c(kAutoLineBreak).checked());
    EXPECT_FALSE(c(kCrcReversed).checked());
    EXPECT_EQ(c(kSendBox).text(), "01 03 10 00 00 25");
    EXPECT_EQ(c(kAutoSendList).text(), "");  // the empty list file replaces the design lines
    EXPECT_EQ(main->width(), 600);
    EXPECT_EQ(main->height(), 536);
    EXPECT_EQ(main->left(), (1280 - 727) / 2);  // centred at its design size, not moved
    EXPECT_EQ(main->top(), (1024 - 536) / 2);
    // The interval box's handler ran during loading and wrote its value back.
    EXPECT_EQ(store::ReadSetting(ini(), "自动换行"_gbk, "间隔毫秒"_gbk), "50");
    EXPECT_EQ(state.receivedFormat.colour, ui::Rgb(0, 0, 255));
    EXPECT_EQ(state.sentFormat.pointSize, 11);
}

TEST_F(MainWindowTest, StoredOptionsComeBackClampedAndBounded) {
    store("端口"_gbk, "com", "7");  // beyond the list: its last port
    store("端口"_gbk, "波特率"_gbk, "9");
    store("端口"_gbk, "校验位"_gbk, "-1");  // no selection
    store("MoKuai", "毫秒"_gbk, "０"_gbk);  // full-width digit
    store("换行"_gbk, "是否换行"_gbk, "  真  "_gbk);
    store("CRC", "CRC反"_gbk, "真"_gbk);
    store("自动换行"_gbk, "间隔毫秒"_gbk, "120");
    store("大小"_gbk, "KD", "30");
    store("大小"_gbk, "GD", "abc");
    store("位置"_gbk, "DB", "974");   // screen height - 50: ignored
    store("位置"_gbk, "ZB", "1229");  // screen width - 51: applied
    ASSERT_TRUE(store::WriteWholeFile(tmp.slash() + "循环数据.BAT"_gbk,
                                      std::string("01 02\r\n03", 9) + std::string(1, '\0') + "tail"));
    start();
    EXPECT_EQ(c(kPort).text(), "COM3");
    EXPECT_EQ(c(kBaud).text(), "115200");
    EXPECT_EQ(c(kParity).selectedIndex(), -1);
    EXPECT_EQ(c(kInterval).text(), "200");
    EXPECT_TRUE(c(kAutoLineBreak).checked());
    EXPECT_TRUE(c(kCrcReversed).checked());
    EXPECT_EQ(state.lineBreakInterval, 120);
    EXPECT_EQ(main->width(), 60);
    EXPECT_EQ(main->height(), 60);
    EXPECT_EQ(main->top(), (1024 - 536) / 2);
    EXPECT_EQ(main->left(), 1229);
    EXPECT_EQ(c(kAutoSendList).text(), "01 02\r\n03");  // up to the first NUL byte
}

// A huge stored size would make a window of gigabytes and be saved again: it
// is cut to the room the screen has, and that is what closing saves.
TEST_F(MainWindowTest, AStoredSizeBeyondTheScreenIsCutToItsAvailableArea) {
    platform.available = ui::Size{1280, 994};  // a panel of 30 pixels
    store("大小"_gbk, "KD", "100000");
    store("大小"_gbk, "GD", "100000");
    start();
    EXPECT_EQ(main->width(), 1280);
    EXPECT_EQ(main->height(), 994);
    EXPECT_EQ(c(kSendBox).width(), 1280 - 220);  // the relayout saw the cut size
    main->close();
    EXPECT_EQ(store::ReadSetting(ini(), "大小"_gbk, "KD"), "1280");
    EXPECT_EQ(store::ReadSetting(ini(), "大小"_gbk, "GD"), "994");
}

TEST_F(MainWindowTest, PositionBoundsAndFailedDiscovery) {
    store("位置"_gbk, "DB", "973");  // screen height - 51: applied
    store("位置"_gbk, "ZB", "0");    // 0 is ignored
    discoveryWorks = false;
    start();
    EXPECT_EQ(main->top(), 973);
    EXPECT_EQ(main->left(), (1280 - 727) / 2);
    EXPECT_TRUE(c(kPort).items().empty());
    EXPECT_EQ(c(kPort).selectedIndex(), -1);
}

TEST_F(MainWindowTest, RelayoutFollowsTheWindowSize) {
    start();
    main->setWidth(600);
    main->setHeight(536);
    EXPECT_EQ(c(kSendBox).width(), 380);
    EXPECT_EQ(c(kAutoSendList).width(), 240);
    EXPECT_EQ(c(kSend).left(), 392);
    EXPECT_EQ(c(kPortGroup).left(), 459);
    EXPECT_EQ(c(kOptionGroup).left(), 459);
    EXPECT_EQ(c(kLogo).width(), 452);
    EXPECT_EQ(c(kDisplay).width(), 454);
    EXPECT_EQ(c(kDisplay).height(), 536 - 61 - 96);
    EXPECT_EQ(c(kAutoSendGroup).top(), 45 + 379 - 4);
    EXPECT_EQ(c(kAutoSendGroup).width(), 588);
    EXPECT_EQ(c(kAutoSendStrip).left(), 258);
    model.userResized(*main, 100, 100);  // no lower bound
    EXPECT_EQ(c(kSendBox).width(), -120);
}

TEST_F(MainWindowTest, ClosingSavesSizeAndPlaceUnlessMaximised) {
    start();
    model.userMoved(*main, 120, 90);
    model.userResized(*main, 700, 500);
    main->close();
    EXPECT_EQ(store::ReadSetting(ini(), "大小"_gbk, "KD"), "700");
    EXPECT_EQ(store::ReadSetting(ini(), "大小"_gbk, "GD"), "500");
    EXPECT_EQ(store::ReadSetting(ini(), "位置"_gbk, "DB"), "90");
    EXPECT_EQ(store::ReadSetting(ini(), "位置"_gbk, "ZB"), "120");

    loop.runPending();
    start();
    model.userResized(*main, 1280, 1000);
    model.userStateChanged(*main, ui::WindowState::Maximised);
    main->close();
    EXPECT_EQ(store::ReadSetting(ini(), "大小"_gbk, "KD"), "700");
    EXPECT_EQ(store::ReadSetting(ini(), "位置"_gbk, "ZB"), "120");
}

TEST_F(MainWindowTest, OptionsAreWrittenTheMomentTheyChange) {
    start();
    model.userSelectItem(c(kBaud), 7);
    model.userSelectItem(c(kInterval), 0);
    model.userClick(c(kCrcReversed));
    model.userClick(c(kAutoLineBreak));
    model.userEditText(c(kLineBreakInterval), "１00"_gbk);
    EXPECT_EQ(store::ReadSetting(ini(), "端口"_gbk, "波特率"_gbk), "7");
    EXPECT_EQ(store::ReadSetting(ini(), "MoKuai", "毫秒"_gbk), "0");
    EXPECT_EQ(store::ReadSetting(ini(), "CRC", "CRC反"_gbk), "真"_gbk);
    EXPECT_EQ(store::ReadSetting(ini(), "换行"_gbk, "是否换行"_gbk), "假"_gbk);
    EXPECT_EQ(store::ReadSetting(ini(), "自动换行"_gbk, "间隔毫秒"_gbk), "１00"_gbk);
    EXPECT_EQ(state.lineBreakInterval, 100);
    // A program write of the port list's selection is not a user's choice: nothing is written.
    c(kPort).setSelectedIndex(1);
    EXPECT_EQ(store::ReadSetting(ini(), "端口"_gbk, "com", "none"), "none");
}

TEST_F(MainWindowTest, DisplayModesExcludeEachOtherAndTheHintSitsByTheBox) {
    start();
    main->setLeft(100);
    main->setTop(100);
    model.userClick(c(kTextDisplay));
    EXPECT_FALSE(c(kHexDisplay).checked());
    model.userMouse(c(kLineBreakInterval), ui::Event::LeftPressed, {});
    ASSERT_EQ(view.balloons.size(), 1u);
    // Design geometry: the display group at left 587 (600-wide window: 459).
    EXPECT_EQ(view.balloons[0].x, 100 + 459 + 90 + 15);
    EXPECT_EQ(view.balloons[0].y, 100 + 173 + 141 + 30);
    EXPECT_EQ(view.balloons[0].text, "换行间隔：毫秒"_gbk);
    EXPECT_TRUE(view.balloons[0].flag);
    model.userClick(c(kAlwaysOnTop));
    EXPECT_TRUE(main->alwaysOnTop());
}

}  // namespace
}  // namespace vorta::main_window
