// The display's menu, buttons and balloon on the real main window.
#include "receive/display_tools.h"
#include "receive/receive_display.h"

#include <fstream>
#include <sstream>

#include "support/main_window_fixture.h"
#include "ui/windows/control_ids.h"

using namespace vorta::ui::main;

namespace vorta::receive {
namespace {

class ToolsTest : public test::MainWindowFixture {
protected:
    void SetUp() override { start(); }
    ui::RichTextBox& d() { return c(kDisplay); }
    void rightClick() { model.userMouse(d(), ui::Event::RightReleased, {}); }
    void choose(ui::ControlId<ui::Control> item) { model.userMenuSelect(c(item)); }
    DisplayTools tools{model, platform, state};
};

TEST_F(ToolsTest, MenuItemsFollowSelectionTextAndClipboard) {
    rightClick();
    ASSERT_EQ(view.menus.size(), 1u);
    EXPECT_EQ(view.menus[0].first, "菜单");
    EXPECT_EQ(view.menus[0].second.x, platform.cursor.x);
    for (auto item : {kCopyItem, kDeleteItem, kCutItem, kMergeToDecimalItem, kClearItem, kSelectAllItem, kPasteItem})
        EXPECT_TRUE(c(item).disabled()) << item.name;
    EXPECT_FALSE(c(kOpenCalculatorItem).disabled());

    d().replaceSelection("01 02");
    d().setSelection(0, 2);
    platform.clipboard = "x";
    rightClick();
    for (auto item : {kCopyItem, kDeleteItem, kCutItem, kMergeToDecimalItem, kClearItem, kSelectAllItem, kPasteItem})
        EXPECT_FALSE(c(item).disabled()) << item.name;
}

TEST_F(ToolsTest, CopyCutPasteDeleteAndSelectAll) {
    d().replaceSelection("01 02 03");
    choose(kSelectAllItem);
    EXPECT_EQ(d().selectedText(), "01 02 03");
    d().setSelection(3, 3);
    choose(kCopyItem);
    EXPECT_EQ(platform.clipboard, "02 ");
    choose(kCutItem);
    EXPECT_EQ(d().text(), "01 03");
    platform.clipboard = "中文";
    choose(kPasteItem);
    EXPECT_EQ(d().text(), "01 中文03");
    d().setSelection(0, 3);
    choose(kDeleteItem);
    EXPECT_EQ(d().text(), "中文03");
}

TEST_F(ToolsTest, ClearEmptiesTheDisplayAndBothCounters) {
    d().replaceSelection("AA");
    state.rxCount = 7;
    state.txCount = 9;
    c(kStatusBar).setPanelText(0, "RX:7");
    model.userClick(c(kClear));
    EXPECT_EQ(d().text(), "");
    EXPECT_EQ(panel(0), "RX:0");
    EXPECT_EQ(panel(1), "TX:0");
    EXPECT_EQ(state.rxCount, 0);
    EXPECT_EQ(state.txCount, 0);
}

TEST_F(ToolsTest, BalloonsAppearAtThePointerForTheSelection) {
    d().replaceSelection("12 34");
    d().setSelection(0, 5);
    model.userMouse(d(), ui::Event::LeftReleased, {});
    choose(kMergeToDecimalItem);
    ASSERT_EQ(view.balloons.size(), 2u);
    EXPECT_EQ(view.balloons[0].x, platform.cursor.x);
    EXPECT_EQ(view.balloons[0].y, platform.cursor.y);
    EXPECT_EQ(view.balloons[1].text, "16进制：1234\r\n10进制：4660");
    d().setSelection(0, 0);
    model.userMouse(d(), ui::Event::LeftReleased, {});
    EXPECT_EQ(view.balloons.size(), 2u);  // nothing selected: no balloon
}

TEST_F(ToolsTest, SaveWritesTheDisplayAsGbkBytesAndCancelWritesNothing) {
    d().replaceSelection("中文 01\r\n");
    const std::string path = tmp.slash() + "保存.txt";
    view.saveAnswer = std::nullopt;
    model.userClick(c(kSave));
    ASSERT_EQ(view.saveFilters.size(), 1u);
    EXPECT_EQ(view.saveFilters[0], "文本文档（*.txt）|*.txt|word文档（*.doc）|*.doc");
    view.saveAnswer = path;
    model.userClick(c(kSave));
    std::ifstream in(tmp.path() / u8"保存.txt", std::ios::binary);  // a UTF-8 name on disk
    std::stringstream got;
    got << in.rdbuf();
    EXPECT_EQ(got.str(), "中文 01\r\n");
}

TEST_F(ToolsTest, BalloonForASelectionAcrossALineEndOfTheDisplay) {
    d().replaceSelection("01 02\r\n03 ");
    d().setSelection(3, 5);  // "02", the line end (one position), "03"
    ASSERT_EQ(d().selectedText(), "02\r\n03");
    model.userMouse(d(), ui::Event::LeftReleased, {});
    ASSERT_EQ(view.balloons.size(), 1u);
    EXPECT_EQ(view.balloons[0].text,
              "16进制：      02       03 \r\n10进制：       2        3 \r\n 2进制：00000010 00000011 ");
    choose(kMergeToDecimalItem);
    EXPECT_EQ(view.balloons[1].text, "16进制：0203\r\n10进制：515");
}

TEST_F(ToolsTest, PasteTakesTheCurrentInsertionFormat) {
    d().setInsertionFormat(state.receivedFormat);
    platform.clipboard = "AB";
    choose(kPasteItem);
    EXPECT_EQ(d().text(), "AB");
    EXPECT_EQ(d().rich().formatAt(1).colour, ui::Rgb(0, 0, 255));
}

class ToolsAndReceiveTest : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        receiver.attach(*main);
    }
    ReceiveDisplay receiver{model, state};  // its timer action exists before the window
};

TEST_F(ToolsAndReceiveTest, ClearLeavesThePendingLineBreakAndCountsAfreshFromOne) {
    receiver.OnByteReceived(0x01);
    receiver.OnByteReceived(0x02);
    loop.advance(10);
    model.userClick(c(kClear));
    EXPECT_EQ(d().text(), "");
    loop.advance(40);  // the break due 50 ms after the first byte still comes
    EXPECT_EQ(d().text(), "\r\n");
    EXPECT_EQ(receiver.lineAccumulator(), "");
    receiver.OnByteReceived(0x03);
    EXPECT_EQ(panel(0), "RX:1");
    EXPECT_EQ(panel(1), "TX:0");
}

}  // namespace
}  // namespace vorta::receive
