// Unplug and plug back behind the open/close button, on the program's whole
// logic: the ports-folder link COM77 leads to a pseudo-terminal that hangs
// up, then to a new one, as the demo device makes it when started again. The
// port list's watcher, not the clock, finds it back.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/app.h"
#include "base/virtual_loop.h"
#include "codec/gbk_literal.h"
#include "support/fakes.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "ui/windows/control_ids.h"

namespace vorta::app {
namespace {
using namespace std::chrono_literals;
using namespace ui::main;

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class ReconnectAppTest : public ::testing::Test {
protected:
    ReconnectAppTest() { setenv("TMPDIR", tmp.path().c_str(), 1); }
    ~ReconnectAppTest() override { unsetenv("TMPDIR"); }
    std::string display() { return (*main)[kDisplay].text(); }
    bool pumpUntil(const std::function<bool()>& done) { return loop.runUntilReal(done, 3000ms); }

    test::TempDir tmp;
    base::VirtualLoop loop;
    test::FakePlatform platform;
    ui::Model model{loop, {1280, 1024}};
    App app{model, platform};
    ui::Window* main = nullptr;
};

TEST_F(ReconnectAppTest, TheDeviceStoppedAndStartedAgainGivesTwoNotesAndSendsGoThroughAgain) {
    const std::filesystem::path link = tmp.path() / "ports" / "COM77";
    std::filesystem::create_directory(link.parent_path());
    auto first = std::make_unique<test::PtyPair>();
    ASSERT_TRUE(first->ok());
    std::filesystem::create_symlink(first->path(), link);
    main = app.start();
    ASSERT_NE(main, nullptr);
    ui::ComboBox& port = (*main)[kPort];
    const auto& items = port.items();
    const auto com77 = std::find(items.begin(), items.end(), "COM77");
    ASSERT_NE(com77, items.end());
    port.setSelectedIndex(int(com77 - items.begin()));
    // Text mode: a frame that fails is not counted (a hexadecimal one is, before its write).
    (*main)[kHexSend].setChecked(false);
    (*main)[kTextSend].setChecked(true);
    (*main)[kSendBox].setText("中A"_gbk);
    model.userClick((*main)[kOpenClose]);
    ASSERT_EQ((*main)[kOpenClose].text(), "关闭串口"_gbk);

    ASSERT_TRUE(first->send("\x11\x22"));
    ASSERT_TRUE(pumpUntil([&] { return (*main)[kStatusBar].panelText(0) == "RX:2"; }));
    first->closeFarEnd();
    const std::string lost = "  → 设备已断开，等待重新连接……\r\n"_gbk;
    ASSERT_TRUE(pumpUntil([&] { return Count(display(), lost) == 1; }));
    EXPECT_EQ((*main)[kOpenClose].text(), "关闭串口"_gbk);  // still open for the user

    model.userClick((*main)[kSend]);
    EXPECT_EQ(Count(display(), "  → 数据未能发送！\r\n"_gbk), 1);
    EXPECT_EQ((*main)[kStatusBar].panelText(1), "TX:0");
    loop.advance(30000);  // attempts find nothing, and say nothing
    EXPECT_EQ(Count(display(), "  → "_gbk), 2);

    test::PtyPair second;
    ASSERT_TRUE(second.ok());
    std::filesystem::remove(link);
    std::filesystem::create_symlink(second.path(), link);
    const std::string back = "  → 设备已重新连接。\r\n"_gbk;
    ASSERT_TRUE(pumpUntil([&] { return Count(display(), back) == 1; }));
    model.userClick((*main)[kSend]);
    EXPECT_EQ(second.receive(3), "\xD6\xD0\x41");
    EXPECT_EQ((*main)[kStatusBar].panelText(1), "TX:3");
    EXPECT_EQ(Count(display(), lost), 1);
    EXPECT_EQ(Count(display(), "  → "_gbk), 3);
}

}  // namespace
}  // namespace vorta::app
