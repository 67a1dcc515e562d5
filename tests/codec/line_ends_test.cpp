// Where a line ends: CR LF, a lone LF or a lone CR.
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

}  // namespace
}  // namespace vorta::codec
