// The port settings window on the program's real main window: each option
// stored the moment it changes, shown again at the next opening, applied by
// the next open of the port, and a rate of one's own in the baud rate box.
#include "port_switch/port_settings.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "base/virtual_loop.h"
#include "codec/gbk_literal.h"
#include "main_window/main_window.h"
#include "main_window/port_options.h"
#include "port_switch/port_switch.h"
#include "store/settings_file.h"
#include "support/fakes.h"
#include "support/idle_port.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "ui/windows/control_ids.h"
#include "ui/windows/window_defs.h"

namespace vorta::port_switch {
namespace {
using namespace ui::main;
namespace ids = ui::port_settings;
namespace keys = main_window::port_options;

// A port whose driver picked another rate than the one asked for.
class RoundingPort : public test::IdlePort {
public:
    explicit RoundingPort(int actualRate) : actual_(actualRate) {}
    serial::OpenReport report() const override { return {actual_, false, false}; }

private:
    int actual_;
};

// The main window and its port switch in a temporary folder of their own, on
// a port of the test's own (any port number leads to /dev/fake) or on the
// platform's port behind the resolver.
struct OnOwnPort {
    explicit OnOwnPort(std::unique_ptr<serial::PortIo> port)
        : OnOwnPort([](int) { return std::string("/dev/fake"); }, std::move(port)) {}
    // openMain false: the caller opens the main window once its own features are made.
    OnOwnPort(serial::PortResolver resolve, std::unique_ptr<serial::PortIo> port, bool openMain = true)
        : channel{loop, std::move(resolve), std::move(port)} {
        portSwitch.setOptions(&state.portOptions);
        if (openMain) main = model.openWindow(ui::MainWindowDef());
    }
    ~OnOwnPort() {
        channel.close();
        unsetenv("TMPDIR");
    }
    test::TempDir tmp;
    const int tmpdirSet = setenv("TMPDIR", tmp.path().c_str(), 1);
    base::VirtualLoop loop;
    test::FakePlatform platform;
    ui::Model model{loop, {1280, 1024}};
    test::NoOpActions noOps{model, ui::MainWindowDef()};
    main_window::AppState state;
    main_window::MainWindow mainWindow{model, platform, state, [](std::vector<ui::Text>& out) {
                                           out = {"COM1"};
                                           return true;
                                       }};
    serial::SerialChannel channel;
    PortSwitch portSwitch{model, channel, {state.settingsPath, state.listPath, state.failureNotes, state.noteFormat}};
    ui::Window* main = nullptr;
};

class PortSettingsTest : public ::testing::Test, public OnOwnPort {
protected:
    PortSettingsTest() : OnOwnPort([this](int) { return pty.path(); }, serial::MakePlatformPort(), false) {}
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        main = model.openWindow(ui::MainWindowDef());
    }
    void TearDown() override { channel.close(); }  // before the pseudo-terminal goes
    ui::Window& openSettings() {
        model.userMenuSelect((*main)[kPortSettingsItem]);
        EXPECT_NE(settings.window(), nullptr);
        return *settings.window();
    }
    ui::Text stored(const char* key) { return store::ReadSetting(state.settingsPath, keys::kSection, key); }
    void restartMainWindow() {
        main->close();
        main = model.openWindow(ui::MainWindowDef());
    }

    test::PtyPair pty;  // looked up only when the port opens, after it is made
    PortSettings settings{model, state, channel};
};

TEST_F(PortSettingsTest, EachOptionIsStoredAtOnceAndShownAgain) {
    ui::Window& w = openSettings();
    EXPECT_EQ(w[ids::kFlow].selectedIndex(), 0);
    EXPECT_TRUE(w[ids::kRtsHigh].checked());
    model.userSelectItem(w[ids::kFlow], 2);
    EXPECT_EQ(stored(keys::kFlowKey), "2");
    model.userClick(w[ids::kRs485]);
    EXPECT_EQ(stored(keys::kRs485Key), "真"_gbk);
    model.userClick(w[ids::kRtsHigh]);
    EXPECT_EQ(stored(keys::kRtsHighKey), "假"_gbk);
    model.userEditText(w[ids::kDelayBefore], "12");
    EXPECT_EQ(stored(keys::kDelayBeforeKey), "12");
    model.userEditText(w[ids::kDelayAfter], "-3");  // stored as typed, taken as 0
    EXPECT_EQ(stored(keys::kDelayAfterKey), "-3");
    EXPECT_EQ(state.portOptions.flowIndex, 2);
    EXPECT_TRUE(state.portOptions.rs485);
    EXPECT_FALSE(state.portOptions.rtsHighOnSend);
    EXPECT_EQ(state.portOptions.delayBeforeMs, 12);
    EXPECT_EQ(state.portOptions.delayAfterMs, 0);

    model.userClick(w[ids::kClose]);
    EXPECT_EQ(settings.window(), nullptr);
    ui::Window& again = openSettings();
    EXPECT_EQ(again[ids::kFlow].selectedIndex(), 2);
    EXPECT_TRUE(again[ids::kRs485].checked());
    EXPECT_FALSE(again[ids::kRtsHigh].checked());
    EXPECT_EQ(again[ids::kDelayBefore].text(), "12");

    // The main window's start reads them too, with the window closed.
    again.close();
    state.portOptions = {};
    restartMainWindow();
    EXPECT_EQ(state.portOptions.flowIndex, 2);
    EXPECT_TRUE(state.portOptions.rs485);
}

TEST_F(PortSettingsTest, TheNextOpenAppliesThemAndSaysWhatThePortLacks) {
    ui::Window& w = openSettings();
    model.userSelectItem(w[ids::kFlow], 1);
    model.userClick(w[ids::kRs485]);
    portSwitch.toggle(*main);
    ASSERT_TRUE(channel.isOpen());
    termios t{};
    ASSERT_EQ(tcgetattr(pty.slave(), &t), 0);
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ((*main)[kDisplay].text(), "  → 此端口不支持 RS-485 模式，以普通串口打开。\r\n"_gbk);
}

TEST_F(PortSettingsTest, ARateOfOnesOwnBecomesTheBaudBoxsLastItem) {
    ui::Window& w = openSettings();
    ui::ComboBox& baud = (*main)[kBaud];
    model.userEditText(w[ids::kOtherBaud], "２５００００"_gbk);  // full-width digits are digits
    EXPECT_EQ(stored(keys::kOtherBaudKey), "２５００００"_gbk);
    EXPECT_EQ(baud.items().size(), 20u);  // typed, not yet used
    model.userClick(w[ids::kUseOtherBaud]);
    ASSERT_EQ(baud.items().size(), 21u);
    EXPECT_EQ(baud.text(), "250000");
    EXPECT_EQ(store::ReadSetting(state.settingsPath, "端口"_gbk, "波特率"_gbk), "20");

    model.userEditText(w[ids::kOtherBaud], "31250");  // another replaces it
    model.userClick(w[ids::kUseOtherBaud]);
    ASSERT_EQ(baud.items().size(), 21u);
    EXPECT_EQ(baud.text(), "31250");

    w.close();
    restartMainWindow();
    ASSERT_EQ((*main)[kBaud].items().size(), 21u);
    EXPECT_EQ((*main)[kBaud].text(), "31250");
    portSwitch.toggle(*main);
    EXPECT_EQ(channel.baudRate(), 31250);
}

TEST_F(PortSettingsTest, ListedRatesAreChosenFromTheListAndOthersRefused) {
    ui::Window& w = openSettings();
    ui::ComboBox& baud = (*main)[kBaud];
    struct Case {
        const char* typed;
        std::size_t items;
        const char* selected;
        const char* hint;
    } cases[] = {
        {"921600", 20, "921600", "波特率 921600 已选用，下次打开串口时生效。"_gbk},
        {" 9600 ", 20, "9600", "波特率 9600 已选用，下次打开串口时生效。"_gbk},
        {"0", 20, "9600", "请输入 1 到 2147483647 之间的整数。"_gbk},
        {"2147483648", 20, "9600", "请输入 1 到 2147483647 之间的整数。"_gbk},
        {"96k", 20, "9600", "请输入 1 到 2147483647 之间的整数。"_gbk},
        {"", 20, "9600", "请输入 1 到 2147483647 之间的整数。"_gbk},
    };
    for (const Case& c : cases) {
        model.userEditText(w[ids::kOtherBaud], c.typed);
        model.userClick(w[ids::kUseOtherBaud]);
        EXPECT_EQ(baud.items().size(), c.items) << c.typed;
        EXPECT_EQ(baud.text(), c.selected) << c.typed;
        EXPECT_EQ(w[ids::kHint].text(), c.hint) << c.typed;
    }
    // Locked with the other line settings while the port is open.
    portSwitch.toggle(*main);
    ASSERT_TRUE(channel.isOpen());
    model.userEditText(w[ids::kOtherBaud], "250000");
    model.userClick(w[ids::kUseOtherBaud]);
    EXPECT_EQ(baud.text(), "9600");
    EXPECT_EQ(w[ids::kHint].text(), "请先关闭串口。"_gbk);
}

TEST(PortOpenNotes, ARateTheDriverChangedIsSaidNotHidden) {
    OnOwnPort on(std::make_unique<RoundingPort>(249600));
    (*on.main)[kBaud].addItem("250000");
    (*on.main)[kBaud].setSelectedIndex(20);
    on.portSwitch.toggle(*on.main);
    EXPECT_TRUE(on.channel.isOpen());
    EXPECT_EQ((*on.main)[kDisplay].text(), "  → 驱动未接受波特率 250000，端口以 249600 运行。\r\n"_gbk);
}

}  // namespace
}  // namespace vorta::port_switch

namespace vorta::port_switch {
namespace {

// A port with modem lines the test sets, recording what the program switches.
class LinesPort : public RoundingPort {
public:
    LinesPort() : RoundingPort(-1) {}
    bool modemLines(serial::ModemLines& lines) const override {
        ++reads;
        lines = now;
        return true;
    }
    bool setOutputLine(serial::OutputLine line, bool on) override {
        switched.push_back({line, on});
        return true;
    }
    bool setBreak(bool on) override {
        breaks.push_back(on);
        return true;
    }
    serial::ModemLines now;
    mutable int reads = 0;
    std::vector<std::pair<serial::OutputLine, bool>> switched;
    std::vector<bool> breaks;
};

TEST_F(PortSettingsTest, APseudoTerminalShowsItHasNoModemLines) {
    ui::Window& w = openSettings();
    EXPECT_EQ(w[ids::kLines].text(), "串口未打开"_gbk);
    portSwitch.toggle(*main);
    ASSERT_TRUE(channel.isOpen());
    loop.advance(PortSettings::kLinesPeriodMs);
    EXPECT_EQ(w[ids::kLines].text(), "此端口无调制解调器线路"_gbk);
    EXPECT_EQ((*main)[kDisplay].text(), "");  // never a note per poll
    model.userClick(w[ids::kDtr]);            // stored, though the port cannot switch it
    EXPECT_EQ(stored(keys::kDtrKey), "假"_gbk);
    pty.closeFarEnd();  // gone, not a port without lines
    ASSERT_TRUE(loop.runUntilReal([&] { return channel.waitingForDevice(); }, std::chrono::seconds(3)));
    loop.advance(PortSettings::kLinesPeriodMs);
    EXPECT_EQ(w[ids::kLines].text(), "设备已断开，等待重新连接"_gbk);
}

TEST(ModemLines, ShownLiveAndSwitchedAtOnce) {
    auto owned = std::make_unique<LinesPort>();
    LinesPort& port = *owned;
    OnOwnPort on(std::move(owned));
    auto [loop, model, state, channel, portSwitch, main] =
        std::tie(on.loop, on.model, on.state, on.channel, on.portSwitch, on.main);
    PortSettings settings{model, state, channel};
    settings.open();
    ui::Window& w = *settings.window();
    portSwitch.toggle(*main);
    ASSERT_TRUE(channel.isOpen());

    port.now.cts = true;
    loop.advance(PortSettings::kLinesPeriodMs);
    EXPECT_EQ(w[ids::kLines].text(), "CTS ●  DSR ○  DCD ○  RI ○"_gbk);
    port.now = {false, true, true, true};
    loop.advance(PortSettings::kLinesPeriodMs - 1);
    EXPECT_EQ(w[ids::kLines].text(), "CTS ●  DSR ○  DCD ○  RI ○"_gbk);  // at most ten reads a second
    loop.advance(1);
    EXPECT_EQ(w[ids::kLines].text(), "CTS ○  DSR ●  DCD ●  RI ●"_gbk);

    model.userClick(w[ids::kRts]);
    model.userClick(w[ids::kDtr]);
    using L = serial::OutputLine;
    EXPECT_EQ(port.switched, (std::vector<std::pair<L, bool>>{{L::Rts, false}, {L::Dtr, false}}));
    EXPECT_FALSE(state.portOptions.rts);
    EXPECT_FALSE(state.portOptions.dtr);

    model.userClick(w[ids::kBreak]);
    model.userClick(w[ids::kBreak]);  // while one lasts, no second
    loop.advance(PortSettings::kBreakMs - 1);
    EXPECT_EQ(port.breaks, std::vector<bool>{true});
    loop.advance(1);
    EXPECT_EQ(port.breaks, (std::vector<bool>{true, false}));

    portSwitch.toggle(*main);  // closed: nothing more is read
    loop.advance(PortSettings::kLinesPeriodMs);
    EXPECT_EQ(w[ids::kLines].text(), "串口未打开"_gbk);
    model.userClick(w[ids::kBreak]);
    EXPECT_EQ(w[ids::kHint].text(), "请先打开串口。"_gbk);
}

// Fed the lines the channel's modem-line thread follows, the window shows them
// without reading the port; until the first report after an open it reads it.
TEST(ModemLines, TheWindowShowsTheFollowedLinesWithoutReadingThePort) {
    test::TempDir tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    base::VirtualLoop loop;
    ui::Model model{loop, {1280, 1024}};
    test::NoOpActions noOps{model, ui::MainWindowDef()};
    main_window::AppState state;
    auto owned = std::make_unique<LinesPort>();
    LinesPort& port = *owned;
    serial::SerialChannel channel{loop, [](int) { return std::string("/dev/fake"); }, std::move(owned)};
    PortSettings settings{model, state, channel};
    serial::ModemState followed;
    settings.showLinesFrom(&followed);
    model.openWindow(ui::MainWindowDef());
    settings.open();
    ui::Window& w = *settings.window();
    ASSERT_TRUE(channel.open());
    using Kind = serial::ModemState::Kind;
    const struct {
        serial::ModemState state;
        const char* text;
        int reads;  // of the port, at one tick
    } cases[] = {
        {{Kind::Closed, {}}, "CTS ○  DSR ○  DCD ○  RI ○"_gbk, 1},  // opened, nothing followed yet
        {{Kind::Known, {.cts = true, .ri = true}}, "CTS ●  DSR ○  DCD ○  RI ●"_gbk, 0},
        {{Kind::Unavailable, {}}, "此端口无调制解调器线路"_gbk, 0},
    };
    for (const auto& c : cases) {
        followed = c.state;
        const int reads = port.reads;
        loop.advance(PortSettings::kLinesPeriodMs);
        EXPECT_EQ(w[ids::kLines].text(), c.text);
        EXPECT_EQ(port.reads - reads, c.reads);
    }
    channel.close();
    loop.advance(PortSettings::kLinesPeriodMs);
    EXPECT_EQ(w[ids::kLines].text(), "串口未打开"_gbk);
    unsetenv("TMPDIR");
}

}  // namespace
}  // namespace vorta::port_switch
