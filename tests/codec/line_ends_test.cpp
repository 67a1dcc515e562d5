// Where a line ends: CR LF, a lone LF or a lone CR, never inside a character.
#include "codec/line_ends.h"

#include <gtest/gtest.h>

namespace vorta::codec {
namespace {

using Lines = std::vector<std::string_view>;

TEST(LineEnds, EveryKindOfLineEndCutsTheTextAndIsWrittenCrLf) {
    const struct {
        std::string_view text;
        Lines lines;
        std::string_view crLf;
    } cases[] = {
        {"01 02\n03 04\n", {"01 02", "03 04"}, "01 02\r\n03 04\r\n"},  // as Linux editors save it
        {"A\r\nB", {"A", "B"}, "A\r\nB"},
        {"A\rB\r", {"A", "B"}, "A\r\nB\r\n"},
        {"A\n\r\nB", {"A", "", "B"}, "A\r\n\r\nB"},
        {"A\n\rB", {"A", "", "B"}, "A\r\n\r\nB"},  // LF CR is two line ends
        {"\n", {""}, "\r\n"},
        {"", {}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
        EXPECT_EQ(WithCrLfLineEnds(c.text), c.crLf) << c.text;
        EXPECT_EQ(SplitLines(WithCrLfLineEnds(c.text)), c.lines) << c.text;
    }
}

TEST(LineEnds, ACrTakenIntoATwoByteCharacterEndsNoLine) {
    // 0xB0 leads a character with the CR after it; the LF behind them is a line end of its own.
    const std::string text = "A\xB0\r\nB";
    EXPECT_EQ(SplitLines(text), (Lines{"A\xB0\r", "B"}));
    EXPECT_EQ(WithCrLfLineEnds(text), "A\xB0\r\r\nB");
    EXPECT_EQ(LineEndLength(text, 2), 2u);  // read on its own the CR would be one
}

}  // namespace
}  // namespace vorta::codec
