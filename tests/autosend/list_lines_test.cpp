// How the automatic sending reads its list: blank or not, its lines, and
// the part of an annotated line that is sent, all on GBK character boundaries.
#include "autosend/list_lines.h"

#include <gtest/gtest.h>
#include "codec/gbk_literal.h"

namespace vorta::autosend {
namespace {

using Lines = std::vector<std::string>;

TEST(ListLines, OnlySpacesAreBlankLineBreaksAndTabsAreNot) {
    EXPECT_TRUE(IsBlankList(""));
    EXPECT_TRUE(IsBlankList("  　 　"_gbk));  // ASCII and full-width spaces
    EXPECT_FALSE(IsBlankList("\r\n"));
    EXPECT_FALSE(IsBlankList(" \t "));
    EXPECT_FALSE(IsBlankList("　01"_gbk));
}

TEST(ListLines, SplitAtEveryLineBreakWithoutAnEmptyLastLine) {
    EXPECT_EQ(SplitListLines("A\r\n\r\nB\r\n"), (Lines{"A", "", "B"}));
    EXPECT_EQ(SplitListLines("A\r\nB"), (Lines{"A", "B"}));
    EXPECT_EQ(SplitListLines("\r\n\r\n\r\n"), (Lines{"", "", ""}));
    EXPECT_EQ(SplitListLines("\r\n"), (Lines{""}));
    EXPECT_EQ(SplitListLines("A\nB\rC"), (Lines{"A", "B", "C"}));  // lone LF and CR, as the box shows them
    EXPECT_EQ(SplitListLines(""), Lines{});
}

TEST(ListLines, ALeadByteTakesTheByteAfterItSoNoSeparatorIsFoundInsideACharacter) {
    // 0xB0 followed by CR is read as one (broken) two-byte character; the LF
    // after it is a line end on its own.
    std::string list = "A";
    list += static_cast<char>(0xB0);
    list += "\r\nB\r\nC";
    const Lines lines = SplitListLines(list);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], list.substr(0, 3));
    EXPECT_EQ(lines[1], "B");
    EXPECT_EQ(lines[2], "C");
}

TEST(ListLines, AnnotatedLinesSendTheirFrameAndOneSpace) {
    EXPECT_EQ(SendPart("01 03 10 00 00 25 D1 80  → 1"_gbk), "01 03 10 00 00 25 D1 80 ");
    EXPECT_EQ(SendPart("EA 01 01 BC  ← 1"_gbk), "EA 01 01 BC ");
    EXPECT_EQ(SendPart("01 →"_gbk), "01 →"_gbk);  // shorter than the width: whole
    EXPECT_EQ(SendPart("01 03 10 00 00 25"), "01 03 10 00 00 25");
    // Both arrows: "→" is looked for first.
    EXPECT_EQ(SendPart("EA 01 01 BC ← 01 03 10 00 00 25 →"_gbk), "EA 01 01 BC ← 01 03 10 "_gbk);
}

TEST(ListLines, CutsAndSearchesKeepToCharacterBoundaries) {
    // 23 ASCII bytes and a two-byte character across byte 24: the character is not cut.
    EXPECT_EQ(SendPart("01 03 10 00 00 25 D1 80中  → 1"_gbk), "01 03 10 00 00 25 D1 80");
    EXPECT_EQ(SendPart("EA 01 01 BC中  ← 1"_gbk), "EA 01 01 BC");
    // "啊鶣" holds the bytes of "→" across its two characters; that is no arrow.
    const std::string line = "01 02 03 04 05 06 07 08 09 啊鶣"_gbk;
    EXPECT_EQ(SendPart(line), line);
}

}  // namespace
}  // namespace vorta::autosend
