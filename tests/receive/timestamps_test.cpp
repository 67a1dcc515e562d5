// The time before each display line: taken from the arrival of the line's
// first bytes, in the notes' colour, and skipped by the tools reading a selection.
#include <ctime>

#include "receive/display_tools.h"
#include "receive/receive_display.h"
#include "support/main_window_fixture.h"
#include "ui/line_stamp.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

using namespace vorta::ui::main;

namespace vorta::receive {
namespace {

// 2026-01-02 03:04:05.678901 in local time, as microseconds since 1970.
std::int64_t LocalMicros(int h, int m, int s, int micros) {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 0;
    t.tm_mday = 2;
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    t.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&t)) * 1'000'000 + micros;
}

class TimestampsTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        start();
        receiver.attach(*main);
        state.timestamps = true;
    }
    ReceiveDisplay receiver{model, state};
    DisplayTools tools{model, platform, state};
};

TEST_F(TimestampsTest, StampTextHasMilliseconds) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {LocalMicros(3, 4, 5, 678'901), "[03:04:05.678] "},
        {LocalMicros(23, 59, 59, 999'999), "[23:59:59.999] "},
        {LocalMicros(0, 0, 0, 0), "[00:00:00.000] "},
    };
    for (const auto& [micros, text] : cases) EXPECT_EQ(ui::StampText(micros), text);
}

TEST_F(TimestampsTest, EachLineStartsWithTheArrivalOfItsFirstBytes) {
    const std::int64_t t1 = LocalMicros(14, 3, 27, 118'000), t2 = LocalMicros(14, 3, 27, 140'000);
    receiver.onBytesReceived("\x01\x03", t1);
    receiver.onBytesReceived("\x02", t2);  // the same line: no stamp
    loop.advance(50);                      // the line break
    receiver.onBytesReceived("\x0A", t2);
    EXPECT_EQ(display(), "[14:03:27.118] 01 03 02 \r\n[14:03:27.140] 0A ");
    const ui::RichText& rich = c(kDisplay).rich();
    EXPECT_EQ(rich.formatAt(ui::BytePos(0)).colour, state.noteFormat.colour);
    EXPECT_TRUE(rich.formatAt(ui::BytePos(0)).effects & ui::kStamp);
    EXPECT_EQ(rich.formatAt(ui::BytePos(15)), state.receivedFormat);
}

TEST_F(TimestampsTest, TextLinesInsideOneChunkGetTheirOwnStamp) {
    c(kTextDisplay).setChecked(true);
    c(kHexDisplay).setChecked(false);
    receiver.onBytesReceived("Hi\r\nHo\r\n", LocalMicros(1, 2, 3, 4000));
    EXPECT_EQ(display(), "[01:02:03.004] Hi\r\n[01:02:03.004] Ho\r\n");
}

TEST_F(TimestampsTest, OffLeavesTheDisplayAsItWas) {
    state.timestamps = false;
    receiver.onBytesReceived("\x01", LocalMicros(1, 2, 3, 4000));
    EXPECT_EQ(display(), "01 ");
}

TEST_F(TimestampsTest, TheToolsReadTheSelectionWithoutTheStamps) {
    receiver.onBytesReceived("\x12\x34", LocalMicros(1, 2, 3, 4000));
    loop.advance(50);
    receiver.onBytesReceived("\x56", LocalMicros(1, 2, 3, 5000));
    ui::RichTextBox& box = c(kDisplay);
    box.setSelection(ui::UnitPos(0), ui::UnitPos(-1));
    EXPECT_EQ(box.selectedText(), "12 34 \r\n56 ");
    EXPECT_EQ(box.rich().selectionSnapshot().bytes(), "12 34 \r\n56 ");
    model.userMenuSelect(c(kCopyItem));
    EXPECT_EQ(platform.clipboardText(), "12 34 \r\n56 ");
    // Merge to decimal reads three bytes, not the digits of the times.
    model.userMenuSelect(c(kMergeToDecimalItem));
    loop.runPending();
    ASSERT_FALSE(view.balloons.empty());
    EXPECT_EQ(view.balloons.back().text, "16进制：123456\r\n10进制：1193046"_gbk);
}

}  // namespace
}  // namespace vorta::receive
