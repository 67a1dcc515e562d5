// The rich text content: writes at the caret, formats per run, selections, and
// the edits a view replays to mirror it unit for unit.
#include <gtest/gtest.h>

#include "ui/rich_text.h"

namespace vorta::ui {
namespace {

const CharFormat kGreen{"宋体", 11, 0, 0, Rgb(0, 128, 0)};
const CharFormat kBlue{"宋体", 11, 0, 0, Rgb(0, 0, 255)};

// Replays the logged edits on a vector of units, as a view would, and checks
// the result against the model's own cutting of its text.
struct Mirror {
    std::vector<Text> units;
    void apply(const std::vector<RichText::Edit>& edits) {
        for (const auto& e : edits) {
            if (e.kind != RichText::Edit::Kind::Replace) continue;
            std::vector<Text> inserted;
            for (std::size_t i = 0; i < e.inserted.size();) {
                const std::size_t n = UnitLength(e.inserted.data() + i, e.inserted.size() - i);
                inserted.push_back(e.inserted.substr(i, n));
                i += n;
            }
            ASSERT_LE(e.unitPos + e.units, std::int64_t(units.size()));
            units.erase(units.begin() + e.unitPos, units.begin() + e.unitPos + e.units);
            units.insert(units.begin() + e.unitPos, inserted.begin(), inserted.end());
        }
    }
    Text joined() const {
        Text t;
        for (const auto& u : units) t += u;
        return t;
    }
};

TEST(RichText, WritesAppendAtTheCaretInTheirFormatAndMergeForTheView) {
    RichText rich;
    rich.setRecording(true);
    rich.setInsertionFormat(kGreen);
    rich.replaceSelection("01 03 ");
    rich.replaceSelection("D1 80\r\n");
    rich.setInsertionFormat(kBlue);
    rich.replaceSelection("0A ");
    EXPECT_EQ(rich.text(), "01 03 D1 80\r\n0A ");
    EXPECT_EQ(rich.formatAt(0), kGreen);
    EXPECT_EQ(rich.formatAt(12), kGreen);
    EXPECT_EQ(rich.formatAt(13), kBlue);
    const auto edits = rich.takeEdits();
    ASSERT_EQ(edits.size(), 2u);  // one per format run
    EXPECT_EQ(edits[0].inserted, "01 03 D1 80\r\n");
    EXPECT_EQ(rich.unitCount(), 15);  // "\r\n" is one unit
}

TEST(RichText, LineEndSplitAcrossWritesResendsTheCarriageReturn) {
    RichText rich;
    rich.setRecording(true);
    Mirror view;
    rich.replaceSelection("Hi\r");
    view.apply(rich.takeEdits());
    rich.replaceSelection("\n");
    const auto edits = rich.takeEdits();
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0].unitPos, 2);
    EXPECT_EQ(edits[0].units, 1);
    EXPECT_EQ(edits[0].inserted, "\r\n");
    view.apply(edits);
    EXPECT_EQ(view.units.size(), 3u);
    EXPECT_EQ(rich.unitCount(), 3);
}

TEST(RichText, ViewMirrorStaysExactThroughSplitCharactersAndMiddleEdits) {
    RichText rich;
    rich.setRecording(true);
    Mirror view;
    // Bytes written one at a time, as plain-text receiving and broken echoes may do.
    const Text bytes = "A\xD6\xD0\r\n\xB0" "B 1\xC4";
    for (char b : bytes) rich.replaceSelection(Text(1, b));
    view.apply(rich.takeEdits());
    EXPECT_EQ(view.joined(), rich.text());
    EXPECT_EQ(std::int64_t(view.units.size()), rich.unitCount());

    // A lead byte inserted in the middle joins the byte after it.
    rich.setSelection(1, 0);
    rich.replaceSelection("\xB1");
    rich.setSelection(0, 2);
    rich.replaceSelection("xy\r");
    view.apply(rich.takeEdits());
    EXPECT_EQ(view.joined(), rich.text());
    EXPECT_EQ(std::int64_t(view.units.size()), rich.unitCount());
    EXPECT_EQ(rich.unitCount(), CountUnits(rich.text().data(), rich.text().size()));
}

TEST(RichText, SelectionReadReplaceAndDelete) {
    RichText rich;
    rich.replaceSelection("01 中文 02");
    rich.setSelection(3, 2);
    EXPECT_EQ(rich.selectedText(), "中文");
    rich.replaceSelection("AB");
    EXPECT_EQ(rich.text(), "01 AB 02");
    rich.replaceSelection("!");  // the caret stands after the replacement
    EXPECT_EQ(rich.text(), "01 AB! 02");
    rich.setSelection(-3, 2);  // negative start is 0
    EXPECT_EQ(rich.selectedText(), "01");
    rich.setSelection(6, -1);  // negative length selects to the end
    EXPECT_EQ(rich.selectedText(), " 02");
    rich.deleteSelection();
    EXPECT_EQ(rich.text(), "01 AB!");
    rich.setSelection(0, std::int64_t(rich.text().size()) + 100);  // select all by byte length
    EXPECT_EQ(rich.selectedText(), "01 AB!");
}

TEST(RichText, InsertionFormatWithSelectionRecoloursIt) {
    RichText rich;
    rich.setInsertionFormat(kGreen);
    rich.replaceSelection("abcdef");
    rich.setSelection(2, 2);
    rich.setInsertionFormat(kBlue);
    EXPECT_EQ(rich.formatAt(1), kGreen);
    EXPECT_EQ(rich.formatAt(2), kBlue);
    EXPECT_EQ(rich.formatAt(3), kBlue);
    EXPECT_EQ(rich.formatAt(4), kGreen);
    EXPECT_EQ(rich.text(), "abcdef");
}

TEST(RichText, UserEditsLandInTheModelWithoutEchoingBack) {
    RichText rich;
    rich.setRecording(true);
    rich.replaceSelection("01 02 03");
    rich.takeEdits();
    rich.userReplace(3, 2, "中");
    EXPECT_EQ(rich.text(), "01 中 03");
    EXPECT_TRUE(rich.takeEdits().empty());
    rich.userSelect(6, 3);  // reversed ends are ordered
    EXPECT_EQ(rich.selectedText(), "中 0");
    rich.setText("");
    EXPECT_EQ(rich.unitCount(), 0);
    rich.replaceSelection("x");
    EXPECT_EQ(rich.text(), "x");
}

TEST(RichText, AppendingToAHugeTextDoesNotRescanIt) {
    // Appending two-byte characters one at a time must not walk the whole text
    // each time; a quadratic walk would take minutes here.
    RichText rich;
    rich.replaceSelection(Text(20'000'000, 'A'));
    for (int i = 0; i < 20000; ++i) rich.replaceSelection("\xD6\xD0");
    EXPECT_EQ(rich.unitCount(), 20'000'000 + 20000);
}

}  // namespace
}  // namespace vorta::ui
