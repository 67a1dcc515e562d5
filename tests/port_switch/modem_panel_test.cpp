// The modem lines in the main window's status bar: shown while the port is
// open whether the port settings window is open or not, one short text on a
// port without lines, nothing once closed; the other panels untouched.
#include "port_switch/modem_panel.h"

#include <gtest/gtest.h>

#include "base/virtual_loop.h"
#include "codec/gbk_literal.h"
#include "support/fakes.h"
#include "support/lines_port.h"
#include "ui/windows/control_ids.h"
#include "ui/windows/window_defs.h"

namespace vorta::port_switch {
namespace {
using namespace std::chrono_literals;
using namespace ui::main;
using Kind = serial::ModemState::Kind;

TEST(ModemPanelText, EachStateHasItsText) {
    const struct {
        serial::ModemState state;
        const char* text;
    } cases[] = {
        {{Kind::Closed, {}}, ""},
        {{Kind::Unavailable, {}}, "无调制解调器线路"_gbk},
        {{Kind::Known, {.cts = true, .dsr = false, .dcd = false, .ri = false}}, "CTS● DSR○ DCD○ RI○"_gbk},
        {{Kind::Known, {.cts = false, .dsr = true, .dcd = true, .ri = true}}, "CTS○ DSR● DCD● RI●"_gbk},
        // The output lines are not this panel's.
        {{Kind::Known, {.dtr = true, .rts = true}}, "CTS○ DSR○ DCD○ RI○"_gbk},
    };
    for (const auto& c : cases) EXPECT_EQ(ModemPanel::panelText(c.state), c.text);
}

class ModemPanelTest : public ::testing::Test {
protected:
    void SetUp() override { main = model.openWindow(ui::MainWindowDef()); }
    void TearDown() override { channel.close(); }
    ui::Text panel(int i) { return (*main)[kStatusBar].panelText(i); }
    bool shows(const ui::Text& text) {
        return loop.runUntilReal([&] { return panel(ModemPanel::kPanel) == text; }, 2000ms);
    }

    base::VirtualLoop loop;
    ui::Model model{loop, {1280, 1024}};
    test::NoOpActions noOps{model, ui::MainWindowDef()};
    test::LinesPort* port = nullptr;
    serial::SerialChannel channel{loop, [](int) { return std::string("/dev/fake"); },
                                  [this] {
                                      auto p = std::make_unique<test::LinesPort>(test::Driver::Waits);
                                      port = p.get();
                                      return p;
                                  }()};
    ModemPanel modemPanel{model, channel};
    ui::Window* main = nullptr;
};

TEST_F(ModemPanelTest, FollowsTheLinesWhileOpenAndEmptiesAtClose) {
    EXPECT_EQ(panel(ModemPanel::kPanel), "");
    ASSERT_TRUE(channel.open());
    EXPECT_TRUE(shows("CTS● DSR○ DCD● RI○"_gbk));
    ASSERT_TRUE(port->waitUntilWaiting());
    port->setLines({.cts = false, .dsr = true, .dcd = false, .ri = true});
    EXPECT_TRUE(shows("CTS○ DSR● DCD○ RI●"_gbk));
    EXPECT_EQ(panel(0), "RX:0");
    EXPECT_EQ(panel(1), "TX:0");
    channel.close();
    EXPECT_EQ(panel(ModemPanel::kPanel), "");
}

}  // namespace
}  // namespace vorta::port_switch
