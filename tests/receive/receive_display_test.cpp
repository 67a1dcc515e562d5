// Received bytes on the real main window and the virtual clock: cells or text
// in blue, the RX count, and the line break a fixed time after a burst starts.
#include "receive/receive_display.h"

#include "codec/hex_text.h"

#include "support/main_window_fixture.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

using namespace vorta::ui::main;

namespace vorta::receive {
namespace {

class ReceiveTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        start();
        receiver.attach(*main);
        receiver.updateCalculator = [this](const std::string& line) { handedOver.push_back(line); };
    }
    // One chunk, as the channel hands over what one read returned.
    void bytes(std::initializer_list<int> list) {
        std::string chunk;
        for (int b : list) chunk += static_cast<char>(b);
        receiver.onBytesReceived(chunk);
    }
    ReceiveDisplay receiver{model, state};
    std::vector<std::string> handedOver;
};

TEST_F(ReceiveTest, BurstShowsBlueCellsAndEndsWithOneLineBreakAfterTheInterval) {
    bytes({0x01, 0x03, 0x02, 0x00, 0x0A});
    EXPECT_EQ(display(), "01 03 02 00 0A ");
    EXPECT_EQ(panel(0), "RX:5");
    EXPECT_EQ(c(kDisplay).rich().formatAt(ui::BytePos(0)).colour, ui::Rgb(0, 0, 255));
    loop.advance(49);
    EXPECT_EQ(display(), "01 03 02 00 0A ");
    loop.advance(1);
    EXPECT_EQ(display(), "01 03 02 00 0A \r\n");
    loop.advance(500);
    EXPECT_EQ(display(), "01 03 02 00 0A \r\n");  // one line end, not one per tick
    EXPECT_EQ(handedOver, std::vector<std::string>{"01 03 02 00 0A "});
}

TEST_F(ReceiveTest, LongStreamIsBrokenEveryIntervalFromTheFirstByteOfEachLine) {
    // About one byte per millisecond, as at 9600 baud.
    for (int i = 0; i < 200; ++i) {
        bytes({0xAA});
        loop.advance(1);
    }
    const std::string text = display();
    std::vector<std::size_t> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back((end - start) / 3);
    ASSERT_EQ(lines.size(), 4u);
    for (std::size_t n : lines) EXPECT_EQ(n, 50u);  // the timer is not restarted by later bytes
}

TEST_F(ReceiveTest, TextModeAssemblesChineseAndHidesNul) {
    model.userClick(c(kTextDisplay));
    bytes({0x48, 0x69, 0x0D, 0x0A, 0xD6, 0xD0, 0xCE, 0xC4, 0x00});
    EXPECT_EQ(display(), "Hi\r\n中文"_gbk);
    EXPECT_EQ(panel(0), "RX:9");
    loop.advance(50);
    EXPECT_EQ(handedOver, std::vector<std::string>{""});  // no cells in text mode
}

TEST_F(ReceiveTest, ModeSwitchMidLineKeepsWhatIsShownAndTheAccumulator) {
    bytes({0x41, 0x42});
    model.userClick(c(kTextDisplay));
    bytes({0x43});
    EXPECT_EQ(display(), "41 42 C");
    c(kTextDisplay).setChecked(false);  // neither mode: counted, not shown
    bytes({0x44});
    EXPECT_EQ(display(), "41 42 C");
    EXPECT_EQ(panel(0), "RX:4");
    loop.advance(50);  // the line handed over holds the cells and nothing after them
    EXPECT_EQ(handedOver, std::vector<std::string>{"41 42 "});
}

TEST_F(ReceiveTest, IntervalZeroNeverBreaksAndUncheckingLeavesThePendingBreak) {
    model.userEditText(c(kLineBreakInterval), "0");
    bytes({0x01});
    loop.advance(1000);
    EXPECT_EQ(display(), "01 ");

    model.userEditText(c(kLineBreakInterval), "30");
    bytes({0x02});
    model.userClick(c(kAutoLineBreak));  // unchecked now
    loop.advance(30);
    EXPECT_EQ(display(), "01 02 \r\n");
    bytes({0x03});
    loop.advance(1000);
    EXPECT_EQ(display(), "01 02 \r\n03 ");
}

TEST_F(ReceiveTest, ChangedIntervalRestartsFromTheNextByte) {
    bytes({0x01});
    loop.advance(20);
    model.userEditText(c(kLineBreakInterval), "100");
    bytes({0x02});  // restarts with 100 from here
    loop.advance(99);
    EXPECT_EQ(display(), "01 02 ");
    loop.advance(1);
    EXPECT_EQ(display(), "01 02 \r\n");
}

TEST_F(ReceiveTest, EveryByteKeepsTheEndInView) {
    ui::RichText& text = c(kDisplay).rich();
    text.takeScrollRequest();
    bytes({0x01});
    EXPECT_TRUE(text.takeScrollRequest());
    model.userClick(c(kTextDisplay));
    bytes({0xD6});  // the first byte of a character shows nothing yet
    EXPECT_TRUE(text.takeScrollRequest());
    c(kTextDisplay).setChecked(false);
    bytes({0x41});  // neither mode
    EXPECT_TRUE(text.takeScrollRequest());
}

TEST_F(ReceiveTest, CellsGoToTheEndAndLeaveTheUsersSelectionAndCaretAlone) {
    // The display is editable, but received bytes never land where the user clicked:
    // a selection made to inspect a byte keeps its text, and the stream stays in order.
    bytes({0x01, 0x02});
    c(kDisplay).setSelection(ui::UnitPos(0), ui::UnitPos(3));
    bytes({0x0A});
    EXPECT_EQ(display(), "01 02 0A ");
    EXPECT_EQ(c(kDisplay).selectedText(), "01 ");
    c(kDisplay).setSelection(ui::UnitPos(3), ui::UnitPos(0));  // a caret in the middle
    bytes({0x0B});
    EXPECT_EQ(display(), "01 02 0A 0B ");
    EXPECT_EQ(c(kDisplay).rich().selectionStart(), ui::UnitPos(3));
}

// Without line breaks the accumulator keeps the first 32 cells, all the
// calculator can read; the line handed over at the next break is the whole
// line when it is no longer, and its first 32 cells when it is, and the line
// after it starts afresh.
TEST_F(ReceiveTest, WithoutLineBreaksTheAccumulatorKeepsOnlyTheCellsTheCalculatorReads) {
    model.userClick(c(kAutoLineBreak));  // off
    ASSERT_FALSE(c(kAutoLineBreak).checked());
    std::string sent;
    for (int i = 0; i < 1 << 20; ++i) sent += static_cast<char>(i * 7);
    const std::size_t sizes[] = {0, 5, 31, 32, 33, 4096, sent.size() - 1};
    for (std::size_t size : sizes) {
        std::string cells;
        codec::AppendHexCells(cells, std::string_view(sent).substr(0, size + 1));
        const std::string expected = cells.substr(0, 32 * 3);
        for (std::size_t at = 0; at < size; at += 1000)
            receiver.onBytesReceived(std::string_view(sent).substr(at, std::min<std::size_t>(1000, size - at)));
        c(kAutoLineBreak).setChecked(true);
        receiver.onBytesReceived(std::string_view(sent).substr(size, 1));
        loop.advance(50);
        ASSERT_FALSE(handedOver.empty());
        EXPECT_EQ(handedOver.back(), expected) << size;
        c(kAutoLineBreak).setChecked(false);
    }
}

}  // namespace
}  // namespace vorta::receive
