// The rich text content: writes at the caret, formats per run, selections, and
// the line index and unit marks a view reads it through, which must always
// agree with a fresh cutting of the bytes.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <random>
#include <thread>

#include "ui/rich_text.h"
#include "support/text_position_print.h"
#include "codec/gbk_literal.h"

namespace vorta::ui {
namespace {

const CharFormat kGreen{"宋体"_gbk, 11, 0, 0, Rgb(0, 128, 0)};
const CharFormat kBlue{"宋体"_gbk, 11, 0, 0, Rgb(0, 0, 255)};

// Cuts the text afresh, as a view would, and compares every line, every
// unit/byte conversion and the unit count with what the store's indexes say.
void ExpectIndexesMatch(const RichText& rich) {
    const Text text = rich.text();
    ASSERT_EQ(rich.byteCount(), B(text.size()));
    std::vector<BytePos> unitStarts;
    std::vector<RichText::Line> lines(1);
    UnitPos unit;
    for (std::size_t i = 0; i < text.size();) {
        unitStarts.push_back(B(i));
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t n = UnitLength(text.data() + i, text.size() - i);
        if (b == '\r' || b == '\n') {
            lines.back().byteEnd = B(i);
            lines.back().units = unit - lines.back().unitStart;
            lines.back().hasEnd = true;
            lines.push_back({B(i + n), B(i + n), unit + 1, U(0), false});
        }
        i += n;
        ++unit;
    }
    lines.back().byteEnd = B(text.size());
    lines.back().units = unit - lines.back().unitStart;
    ASSERT_EQ(rich.unitCount(), unit);
    ASSERT_EQ(rich.lineCount(), std::int64_t(lines.size()));
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const RichText::Line got = rich.line(std::int64_t(l));
        EXPECT_EQ(got.byteStart, lines[l].byteStart) << "line " << l;
        EXPECT_EQ(got.byteEnd, lines[l].byteEnd) << "line " << l;
        EXPECT_EQ(got.unitStart, lines[l].unitStart) << "line " << l;
        EXPECT_EQ(got.units, lines[l].units) << "line " << l;
        EXPECT_EQ(got.hasEnd, lines[l].hasEnd) << "line " << l;
        EXPECT_EQ(rich.lineOfUnit(lines[l].unitStart + lines[l].units), std::int64_t(l));
    }
    for (std::size_t u = 0; u < unitStarts.size(); u += 1 + u / 64) {
        EXPECT_EQ(rich.byteOfUnit(U(std::int64_t(u))), unitStarts[u]) << "unit " << u;
        EXPECT_EQ(rich.unitOfByte(unitStarts[u]), U(std::int64_t(u))) << "unit " << u;
    }
    EXPECT_EQ(rich.byteOfUnit(unit), B(text.size()));
}

TEST(RichText, WritesAppendAtTheCaretInTheirFormatAndTheLinesFollow) {
    RichText rich;
    rich.setInsertionFormat(kGreen);
    rich.replaceSelection("01 03 ");
    rich.replaceSelection("D1 80\r\n");
    rich.setInsertionFormat(kBlue);
    rich.replaceSelection("0A ");
    EXPECT_EQ(rich.text(), "01 03 D1 80\r\n0A ");
    EXPECT_EQ(rich.formatAt(B(0)), kGreen);
    EXPECT_EQ(rich.formatAt(B(12)), kGreen);
    EXPECT_EQ(rich.formatAt(B(13)), kBlue);
    const auto runs = rich.runs(B(0), rich.byteCount());
    ASSERT_EQ(runs.size(), 2u);  // one per format
    EXPECT_EQ(runs[0].byteEnd, B(13));
    EXPECT_EQ(rich.unitCount(), U(15));  // "\r\n" is one unit
    ASSERT_EQ(rich.lineCount(), 2);
    EXPECT_EQ(rich.line(0).units, U(11));
    EXPECT_EQ(rich.line(1).unitStart, U(12));
    ExpectIndexesMatch(rich);
}

TEST(RichText, LineEndSplitAcrossWritesBecomesOneUnit) {
    RichText rich;
    rich.replaceSelection("Hi\r");
    EXPECT_EQ(rich.lineCount(), 2);
    rich.replaceSelection("\n");
    EXPECT_EQ(rich.unitCount(), U(3));
    EXPECT_EQ(rich.lineCount(), 2);
    EXPECT_EQ(rich.line(1).byteStart, B(4));
    ExpectIndexesMatch(rich);
}

TEST(RichText, IndexesStayExactThroughSplitCharactersAndMiddleEdits) {
    RichText rich;
    // Bytes written one at a time, as plain-text receiving and broken echoes may do.
    const Text bytes =
        "A\xD6\xD0\r\n\xB0"
        "B 1\xC4";
    for (char b : bytes) rich.replaceSelection(Text(1, b));
    EXPECT_EQ(rich.text(), bytes);
    ExpectIndexesMatch(rich);

    // A lead byte inserted in the middle joins the byte after it.
    rich.setSelection(U(1), U(0));
    rich.replaceSelection("\xB1");
    ExpectIndexesMatch(rich);
    rich.setSelection(U(0), U(2));
    rich.replaceSelection("xy\r");
    ExpectIndexesMatch(rich);
    EXPECT_EQ(rich.unitCount(), CountUnits(rich.text().data(), rich.text().size()));
}

TEST(RichText, SelectionReadReplaceAndDelete) {
    RichText rich;
    rich.replaceSelection("01 中文 02"_gbk);
    rich.setSelection(U(3), U(2));
    EXPECT_EQ(rich.selectedText(), "中文"_gbk);
    rich.replaceSelection("AB");
    EXPECT_EQ(rich.text(), "01 AB 02");
    rich.replaceSelection("!");  // the caret stands after the replacement
    EXPECT_EQ(rich.text(), "01 AB! 02");
    rich.setSelection(U(-3), U(2));  // negative start is 0
    EXPECT_EQ(rich.selectedText(), "01");
    rich.setSelection(U(6), U(-1));  // negative length selects to the end
    EXPECT_EQ(rich.selectedText(), " 02");
    rich.deleteSelection();
    EXPECT_EQ(rich.text(), "01 AB!");
    rich.setSelection(U(0), U(std::int64_t(rich.text().size()) + 100));  // a length past the end stops there
    EXPECT_EQ(rich.selectedText(), "01 AB!");
    ExpectIndexesMatch(rich);
}

TEST(RichText, InsertionFormatWithSelectionRecoloursIt) {
    RichText rich;
    rich.setInsertionFormat(kGreen);
    rich.replaceSelection("abcdef");
    rich.setSelection(U(2), U(2));
    rich.setInsertionFormat(kBlue);
    EXPECT_EQ(rich.formatAt(B(1)), kGreen);
    EXPECT_EQ(rich.formatAt(B(2)), kBlue);
    EXPECT_EQ(rich.formatAt(B(3)), kBlue);
    EXPECT_EQ(rich.formatAt(B(4)), kGreen);
    EXPECT_EQ(rich.text(), "abcdef");
    EXPECT_EQ(rich.runs(B(0), B(6)).size(), 3u);
    rich.setSelection(U(0), U(-1));
    rich.setInsertionFormat(kBlue);  // recolouring everything leaves one run
    EXPECT_EQ(rich.runs(B(0), B(6)).size(), 1u);
}

TEST(RichText, UserEditsLandInTheModelAndClearEmptiesEverything) {
    RichText rich;
    rich.replaceSelection("01 02 03");
    rich.userReplace(U(3), U(2), "中"_gbk);
    EXPECT_EQ(rich.text(), "01 中 03"_gbk);
    EXPECT_EQ(rich.selectionStart(), U(4));  // after the inserted character
    rich.userSelect(U(6), U(3));             // reversed ends are ordered
    EXPECT_EQ(rich.selectedText(), "中 0"_gbk);
    rich.setText("");
    EXPECT_EQ(rich.unitCount(), U(0));
    EXPECT_EQ(rich.lineCount(), 1);
    EXPECT_TRUE(rich.runs(B(0), B(100)).empty());
    rich.replaceSelection("x");
    EXPECT_EQ(rich.text(), "x");
    ExpectIndexesMatch(rich);
}

TEST(RichText, AppendKeepsTheUsersSelectionAndACaretAtTheEndFollows) {
    RichText rich;
    rich.replaceSelection("01 02 03 04 ");
    rich.setSelection(U(3), U(2));
    rich.append("AA BB ");
    EXPECT_EQ(rich.text(), "01 02 03 04 AA BB ");
    EXPECT_EQ(rich.selectedText(), "02");
    rich.setSelection(rich.unitCount(), U(0));
    rich.append("CC ");
    EXPECT_EQ(rich.selectionStart(), rich.unitCount());
}

TEST(RichText, RandomEditsKeepTheIndexesExact) {
    // Short texts of line ends, lead bytes and ASCII, edited anywhere: the
    // incremental indexes must match a fresh cutting after every step.
    std::mt19937 rng(7);
    const char alphabet[] = {'\r', '\n', 'A', ' ', '1', '\xB0', '\xD6', '\x40', '\x7F'};
    RichText rich;
    for (int step = 0; step < 2000; ++step) {
        Text piece;
        const int n = int(rng() % 5);
        for (int i = 0; i < n; ++i) piece += alphabet[rng() % sizeof alphabet];
        const std::int64_t units = rich.unitCount().value();
        switch (rng() % 4) {
        case 0: rich.append(piece); break;
        case 1:
            rich.userReplace(U(std::int64_t(rng() % std::uint64_t(units + 1))), U(std::int64_t(rng() % 3)), piece);
            break;
        case 2:
            rich.setSelection(U(std::int64_t(rng() % std::uint64_t(units + 1))), U(std::int64_t(rng() % 4)));
            rich.setInsertionFormat(rng() % 2 ? kBlue : kGreen);
            break;
        default: rich.replaceSelection(piece);
        }
        if (rich.byteCount() > B(300)) rich.setText(rich.bytes(B(150), rich.byteCount()));
        ExpectIndexesMatch(rich);
        if (HasFailure()) FAIL() << "after step " << step << ": " << ::testing::PrintToString(rich.text());
    }
}

TEST(RichText, MarksKeepLookupsShortOnLongLinesAndEditsInThem) {
    // One line much longer than the mark spacing, with two-byte characters
    // and an edit in its middle.
    RichText rich;
    Text line;
    for (int i = 0; i < 5000; ++i) line += i % 7 ? "5A " : "中"_gbk;
    rich.append(line);
    rich.userReplace(U(7000), U(3), "\xB0\r\n");
    ExpectIndexesMatch(rich);
}

TEST(RichText, AppendingToAHugeTextDoesNotRescanIt) {
    // Appending two-byte characters one at a time, with the caret away from
    // the end, must not walk the whole text each time; a walk per append would
    // take minutes here.
    RichText rich;
    rich.replaceSelection(Text(20'000'000, 'A'));
    rich.setSelection(U(10), U(5));
    for (int i = 0; i < 20000; ++i) rich.append("\xD6\xD0");
    EXPECT_EQ(rich.unitCount(), U(20'000'000 + 20000));
    EXPECT_EQ(rich.selectedText(), "AAAAA");
}

// Every reading of a selection (tools, copy) leaves the stamps out, wherever the
// range starts and ends, and keeps the formats of what remains.
TEST(RichText, DataLeavesOutTheStampsWhereverTheRangeCutsThem) {
    CharFormat stamp = kGreen;
    stamp.effects |= kStamp;
    RichText rich;
    rich.append("[1] ", stamp);    // bytes 0-3
    rich.append("AB\r\n", kBlue);  // 4-7
    rich.append("[2] ", stamp);    // 8-11
    rich.append("CD", kBlue);      // 12-13
    rich.append("EF", kGreen);     // 14-15
    struct Case {
        std::size_t from, to;
        Text data;
        std::vector<std::pair<std::size_t, Colour>> runEnds;  // in the data's own offsets
    };
    const Colour blue = kBlue.colour, green = kGreen.colour;
    const Case cases[] = {
        {0, 16, "AB\r\nCDEF", {{4, blue}, {6, blue}, {8, green}}},
        {2, 6, "AB", {{2, blue}}},                // starts inside a stamp
        {5, 10, "B\r\n", {{3, blue}}},            // ends inside one
        {9, 11, "", {}},                          // only a stamp
        {13, 15, "DE", {{1, blue}, {2, green}}},  // no stamp in it
    };
    for (const Case& c : cases) {
        std::vector<RichText::Run> kept;
        EXPECT_EQ(rich.dataSnapshot(BytePos(c.from), BytePos(c.to), &kept).bytes(), c.data) << c.from << "-" << c.to;
        std::vector<std::pair<std::size_t, Colour>> ends;
        for (const RichText::Run& r : kept) ends.push_back({r.byteEnd.value(), rich.format(r.format).colour});
        EXPECT_EQ(ends, c.runEnds) << c.from << "-" << c.to;
        rich.setSelection(rich.unitOfByte(BytePos(c.from)),
                          rich.unitOfByte(BytePos(c.to)) - rich.unitOfByte(BytePos(c.from)));
        EXPECT_EQ(rich.selectedText(), c.data) << c.from << "-" << c.to;
        EXPECT_EQ(rich.selectionSnapshot().bytes(), c.data) << c.from << "-" << c.to;
    }
}

TEST(RichText, SnapshotsKeepTheBytesOfTheirMomentWhileTheTextChanges) {
    // Three blocks and a half (the store keeps 1 MB blocks), a two-byte character
    // across the first block boundary.
    constexpr std::size_t kBlock = 1 << 20;
    RichText rich;
    Text expected;
    for (std::size_t i = 0; expected.size() < 3'500'000; ++i) expected += i % 5 ? "5A " : "\xD6\xD0\r\n";
    expected.insert(kBlock - 1, "\xD6\xD0");
    rich.append(expected);
    ASSERT_TRUE(rich.text() == expected);  // (large texts: compared without a diff)

    const TextSnapshot whole = rich.snapshot(B(0), rich.byteCount());
    const std::size_t from = kBlock - 5, to = 2 * kBlock + 7;
    const TextSnapshot across = rich.snapshot(B(from), B(to));
    rich.setSelection(U(10), U(2'000'000));
    const TextSnapshot selected = rich.selectionSnapshot();
    const Text selectedText = rich.selectedText();
    EXPECT_TRUE(selected.bytes() == selectedText);
    EXPECT_TRUE(across.bytes() == expected.substr(from, to - from));
    EXPECT_EQ(across.bytes(9), expected.substr(from, 9));  // a start that ends inside the character

    // Edits in shared blocks, appends to the shared last block, a delete across blocks.
    Text live = expected;
    rich.append("tail");
    live += "tail";
    const BytePos at = rich.byteOfUnit(U(100)), after = rich.byteOfUnit(U(103));
    rich.userReplace(U(100), U(3), "\xB0\xA1");
    live.replace(at.value(), (after - at).value(), "\xB0\xA1");
    const UnitPos u0 = rich.unitOfByte(B(kBlock - 10)), u1 = rich.unitOfByte(B(kBlock + 2'000'000));
    const BytePos b0 = rich.byteOfUnit(u0), b1 = rich.byteOfUnit(u1);
    rich.userReplace(u0, u1 - u0, "");
    live.erase(b0.value(), (b1 - b0).value());
    EXPECT_TRUE(rich.text() == live);
    ExpectIndexesMatch(rich);

    EXPECT_TRUE(whole.bytes() == expected);
    EXPECT_TRUE(across.bytes() == expected.substr(from, to - from));
    EXPECT_TRUE(selected.bytes() == selectedText);
    rich.setText("");
    EXPECT_EQ(whole.size(), expected.size());
    EXPECT_TRUE(whole.bytes() == expected);
}

TEST(RichText, SnapshotReadOnAnotherThreadWhileTheTextGrowsAndIsEdited) {
    RichText rich;
    Text cells;
    while (cells.size() < 2'500'000) cells += "5A ";
    rich.append(cells);
    const TextSnapshot snapshot = rich.snapshot(B(0), rich.byteCount());
    bool same = false;
    std::thread reader([&] {
        for (int round = 0; round < 20; ++round) {
            same = true;
            snapshot.forEachPiece(
                [&](std::string_view piece) { same = same && piece.find_first_not_of("5A ") == piece.npos; });
        }
    });
    for (int i = 0; i < 2000; ++i) {
        rich.append("0123456789");
        rich.userReplace(U(i * 100), U(1), "y");  // edits in the shared blocks
    }
    reader.join();
    EXPECT_TRUE(same);
    EXPECT_EQ(snapshot.size(), cells.size());
    EXPECT_TRUE(snapshot.bytes() == cells);
}

// A snapshot read on another thread and let go there: no edit of the box may write
// into the bytes that thread read. The flag the box's thread waits on is relaxed on
// purpose: it orders nothing, so ThreadSanitizer reports any such write.
TEST(RichText, EditsAfterASnapshotWasLetGoOnAnotherThreadLeaveItsBytesAlone) {
    const std::vector<std::function<void(RichText&)>> edits = {
        [](RichText& r) { r.append("tail"); },
        [](RichText& r) { r.userReplace(U(10), U(5), "\xB0\xA1"); },            // replaceSelection
        [](RichText& r) { r.userReplace(U(1000), U(1'100'000), ""); },          // a delete across blocks
        [](RichText& r) { r.userReplace(r.unitCount() - 7, U(2), "x"); },       // typing in the last block
        [](RichText& r) { r.userReplace(U(50), U(0), Text(2'100'000, 'y')); },  // an insert that cuts a block
        [](RichText& r) { r.setText("new"); }};
    Text cells;
    while (cells.size() < 1'300'000) cells += "5A ";  // two blocks
    for (std::size_t i = 0; i < edits.size(); ++i) {
        RichText rich;
        rich.append(cells);
        Text read;
        std::atomic<bool> letGo{false};
        std::thread reader([&read, &letGo, snapshot = rich.snapshot(B(0), rich.byteCount())]() mutable {
            read = snapshot.bytes();
            snapshot = {};
            letGo.store(true, std::memory_order_relaxed);
        });
        while (!letGo.load(std::memory_order_relaxed)) std::this_thread::yield();
        edits[i](rich);
        reader.join();
        EXPECT_TRUE(read == cells) << "edit " << i;
    }
}

}  // namespace
}  // namespace vorta::ui
