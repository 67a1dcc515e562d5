// How the device cuts frames and paces its bytes at the line's settings.
#include <gtest/gtest.h>

#include "device/frame_splitter.h"
#include "device/line_timing.h"
#include "device/paced_output.h"

namespace vorta::device {
namespace {

TEST(LineTiming, CharacterTimeAndFrameGapFollowTheSettings) {
    const LineTiming n81 = MakeLineTiming(9600, 8, false, false);
    EXPECT_EQ(n81.bitsPerChar, 10);
    EXPECT_EQ(n81.charTime(), 1042);      // 10 bits at 9600, rounded up
    EXPECT_EQ(n81.frameSilence(), 3646);  // 3.5 characters
    const LineTiming e72 = MakeLineTiming(1200, 7, true, true);
    EXPECT_EQ(e72.bitsPerChar, 11);
    EXPECT_EQ(e72.charTime(), 9167);
    EXPECT_EQ(e72.frameSilence(), 32084);
    EXPECT_EQ(MakeLineTiming(19200, 8, false, false).frameSilence(), 1823);
    // Above 19200 baud the gap is fixed.
    EXPECT_EQ(MakeLineTiming(115200, 8, false, false).frameSilence(), 1750);
    EXPECT_EQ(MakeLineTiming(115200, 8, false, false).charTime(), 87);
    // A port set to 0 baud (hang-up) is timed as 9600.
    EXPECT_EQ(MakeLineTiming(0, 8, false, false).charTime(), 1042);
}

TEST(FrameSplitter, FrameEndsOnlyAfterTheGap) {
    FrameSplitter s;
    const Micros gap = 3646;
    EXPECT_FALSE(s.deadline(gap));
    s.add("\x01\x03\x10", 1000);
    // Bytes that come within the gap belong to the same frame, however the reads split them.
    EXPECT_FALSE(s.take(1000 + gap - 1, gap));
    s.add(std::string_view("\x00\x00", 2), 1000 + gap - 1);
    s.add(std::string_view("\x25\xD1\x80", 3), 2 * gap);
    EXPECT_EQ(s.deadline(gap), 3 * gap);
    EXPECT_FALSE(s.take(3 * gap - 1, gap));
    const auto frame = s.take(3 * gap, gap);
    ASSERT_TRUE(frame);
    EXPECT_EQ(*frame, std::string("\x01\x03\x10\x00\x00\x25\xD1\x80", 8));
    EXPECT_FALSE(s.take(10 * gap, gap));
    EXPECT_FALSE(s.deadline(gap));
}

TEST(FrameSplitter, NoiseLongerThanAnyFrameIsDroppedWholeAndTheNextFrameIsKept) {
    FrameSplitter s;
    for (int i = 0; i < 10; ++i) s.add(std::string(100, '\x55'), i * 100);
    EXPECT_FALSE(s.take(900 + 5000, 5000));
    EXPECT_FALSE(s.deadline(5000));  // the noise is gone
    s.add("\x01\x02", 20000);
    EXPECT_EQ(s.take(30000, 5000), std::string("\x01\x02"));
    // Exactly the longest frame is a frame.
    s.add(std::string(FrameSplitter::kLongestFrame, '\x01'), 40000);
    EXPECT_EQ(s.take(50000, 5000)->size(), FrameSplitter::kLongestFrame);
    // A cleared splitter forgets the frame in progress.
    s.add("\x01", 60000);
    s.clear();
    EXPECT_FALSE(s.take(70000, 5000));
}

TEST(PacedOutput, BytesFollowEachOtherOneCharacterApart) {
    PacedOutput out;
    out.push("abc", 1000, 100);
    EXPECT_EQ(out.nextDue(), 1100);
    EXPECT_EQ(out.dueCount(1099), 0u);
    EXPECT_EQ(out.dueCount(1200), 2u);
    // A second reply queued meanwhile waits for the line.
    out.push("de", 1050, 100);
    EXPECT_EQ(out.dueCount(1400), 4u);
    EXPECT_EQ(out.dueCount(1500), 5u);
    out.consume(3);
    EXPECT_EQ(out.queued(), "de");
    EXPECT_EQ(out.nextDue(), 1400);
    out.consume(2);
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(out.nextDue());
    // Once the line is idle, a new reply starts from its own time.
    out.push("f", 5000, 100);
    EXPECT_EQ(out.nextDue(), 5100);
    out.clear();
    // Without pacing everything is due at once.
    out.push("ghij", 6000, 0);
    EXPECT_EQ(out.dueCount(6000), 4u);
}

}  // namespace
}  // namespace vorta::device
