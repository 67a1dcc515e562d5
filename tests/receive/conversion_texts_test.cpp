// The texts of the conversion balloon and of the merge to decimal.
#include "receive/conversion_texts.h"

#include "codec/radix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include "codec/gbk_literal.h"

namespace vorta::receive {
namespace {

std::string Balloon(const std::string& s) { return ConversionBalloonText(s).value_or("<none>"); }
std::string Merge(const std::string& s) { return MergeToDecimalText(s).value_or("<none>"); }

TEST(ConversionBalloon, CellsPerPieceWithPlaceholders) {
    EXPECT_EQ(Balloon("0A"), "16进制：      0A \r\n10进制：      10 \r\n 2进制：00001010 "_gbk);
    EXPECT_EQ(Balloon("01 03"),
              "16进制：      01       03 \r\n10进制：       1        3 \r\n 2进制：00000001 00000011 "_gbk);
    EXPECT_EQ(Balloon("1234"), "16进制：    1234 \r\n10进制：    4660 \r\n 2进制：00110100 "_gbk);
    EXPECT_EQ(Balloon("Hi"), "16进制：      Hi \r\n10进制：     ??? \r\n 2进制：???????? "_gbk);
    EXPECT_EQ(Balloon("0A\r\n0B "), Balloon("0A 0B"));  // a line end separates
    EXPECT_EQ(Balloon("ff"), "16进制：      ff \r\n10进制：     255 \r\n 2进制：11111111 "_gbk);
    EXPECT_EQ(Balloon("   "), "<none>");
}

TEST(ConversionBalloon, HugeSelectionsStayShortAndExact) {
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "0A ";
    const std::string text = Balloon(many);
    EXPECT_LT(text.size(), 2000u);
    EXPECT_NE(text.find("…"_gbk), std::string::npos);
    // One long piece: its last eight decimal and binary digits, computed exactly.
    const std::string piece(100000, 'F');
    const std::string shown = Balloon(piece);
    EXPECT_NE(shown.find(" 2进制：11111111 "_gbk), std::string::npos);
    std::string shortPiece(60, 'F');  // converted fully; must agree with the remainder path
    std::string longPiece(70, '0');
    longPiece.replace(10, 60, shortPiece);  // same value, longer text
    const auto decimalCell = [](const std::string& t) { return t.substr(t.find("10进制："_gbk) + 8, 9); };
    EXPECT_EQ(decimalCell(Balloon(shortPiece)), decimalCell(Balloon(longPiece)));
}

TEST(ConversionBalloon, LongPiecesEndAsTheirFullConversionWould) {
    // Pieces past 64 bytes take a shortcut; the full conversion is the reference.
    // Leading zeros keep some values small: their cells are padded with spaces.
    std::mt19937 rng(936);
    static const std::vector<std::string> kDigits = {"0",        "9",        "A",        "F",        "a", "f",
                                                     "\xA3\xB0", "\xA3\xB9", "\xA3\xC1", "\xA3\xE6", "7", "C"};
    for (int round = 0; round < 300; ++round) {
        std::string piece(round % 3 == 0 ? 64 + round % 7 : 0, '0');
        while (piece.size() < 65 + static_cast<std::size_t>(round % 80) - (round % 3 == 0 ? 60 : 0))
            piece += kDigits[std::uniform_int_distribution<std::size_t>(0, kDigits.size() - 1)(rng)];
        if (round % 10 == 9) piece.insert(piece.size() / 2, round % 20 == 9 ? "G" : "\xA1\xA1");  // not a digit
        std::string normalised = piece;
        const std::string decimal = codec::ConvertRadix(normalised, 16, 10);
        const std::string binary = codec::ConvertRadix(normalised, 16, 2);
        const bool valid = decimal.find("进制数！"_gbk) == std::string::npos;
        const auto last8 = [](const std::string& pad, const std::string& digits) {
            const std::string padded = pad + digits;
            return padded.substr(padded.size() - 8) + " ";
        };
        const std::string expected = "10进制："_gbk + (valid ? last8("        ", decimal) : "     ??? ") +
                                     "\r\n 2进制："_gbk + (valid ? last8("00000000", binary) : "???????? ");
        const std::string text = Balloon(piece);
        ASSERT_EQ(text.substr(text.find("10进制："_gbk)), expected) << piece;
    }
}

TEST(ConversionBalloon, LineEndsOfAManyLineSelectionSeparateLikeSpaces) {
    std::string lines, spaced;
    for (int i = 0; i < 40; ++i) {
        lines += "0A 0B\r\n";
        spaced += "0A 0B ";
    }
    EXPECT_EQ(Balloon(lines), Balloon(spaced));
    EXPECT_NE(Balloon(lines).find("…"_gbk), std::string::npos);  // 80 pieces: cut at the limit
    EXPECT_EQ(Merge("12\r\n34\r\n56\r\n"), "16进制：123456\r\n10进制：1193046"_gbk);
}

TEST(ConversionBalloon, CellNeverShowsHalfACharacter) {
    // Nine bytes: the last eight start with the second byte of "中", shown as a space.
    EXPECT_EQ(Balloon("中中中中A"_gbk), "16进制： 中中中A \r\n10进制：     ??? \r\n 2进制：???????? "_gbk);
    EXPECT_EQ(Balloon("A中中中中"_gbk), "16进制：中中中中 \r\n10进制：     ??? \r\n 2进制：???????? "_gbk);
}

TEST(MergeToDecimal, BigEndianUpToFourBytes) {
    EXPECT_EQ(Merge("12 34"), "16进制：1234\r\n10进制：4660"_gbk);
    EXPECT_EQ(Merge("FF FF FF FF"), "16进制：FFFFFFFF\r\n10进制：4294967295"_gbk);
    EXPECT_EQ(Merge("01 02 03 04 05"), "16进制：0102030405\r\n10进制：最多支持4字节"_gbk);
    EXPECT_EQ(Merge("ab\r\ncd"), "16进制：ABCD\r\n10进制：43981"_gbk);
    EXPECT_EQ(Merge("1G"), "16进制：1G\r\n10进制：参数错误-1G不是一个有效的一十六进制数！"_gbk);
    EXPECT_EQ(Merge(" "), "<none>");
}

// The selection read through its start, remembering the longest start read.
struct Reader {
    std::string selection;
    std::size_t longest = 0;
    ReadStart read() {
        return [this](std::size_t n) {
            longest = std::max(longest, n);
            return selection.substr(0, n);
        };
    }
};

// Random selections built from what makes the texts hard: spaces and full-width
// spaces, line ends and lone "\r" / "\n", lead bytes with and without a trail,
// hex digits and letters that are not.
std::string RandomSelection(std::mt19937& rng, std::size_t length) {
    static const std::vector<std::string> kParts = {
        "0",        "7",    "A",        "f",      "G",    " ",        " ",   "  ",  "\r\n", "\r",        "\n",
        "\xA1\xA1", "\xA1", "\xA3\xB1", "中"_gbk, "\x81", "\xFF\x20", "5A ", "5A ", "5A ",  "0102030405"};
    std::string s;
    while (s.size() < length) s += kParts[std::uniform_int_distribution<std::size_t>(0, kParts.size() - 1)(rng)];
    return s;
}

TEST(ToolTextsFromTheSelectionsStart, SameAsFromTheWholeSelection) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 3000; ++round) {
        Reader r{RandomSelection(rng, std::uniform_int_distribution<std::size_t>(0, 700)(rng))};
        const std::size_t firstRead = std::uniform_int_distribution<std::size_t>(1, 300)(rng);
        ASSERT_EQ(ConversionBalloonText(r.selection.size(), r.read(), firstRead), ConversionBalloonText(r.selection))
            << "selection of " << r.selection.size() << " bytes, first read " << firstRead << ", round " << round;
        ASSERT_EQ(MergeToDecimalText(r.selection.size(), r.read(), firstRead), MergeToDecimalText(r.selection))
            << "selection of " << r.selection.size() << " bytes, first read " << firstRead << ", round " << round;
    }
}

// Read no further than a limit: the texts are those of the whole selection, or
// nothing when only more than the limit decides, and never more is read.
TEST(ToolTextsFromTheSelectionsStart, ALimitGivesTheSameTextsOrNoneAndIsNeverPassed) {
    std::mt19937 rng(8);
    for (int round = 0; round < 2000; ++round) {
        Reader r{RandomSelection(rng, std::uniform_int_distribution<std::size_t>(0, 900)(rng))};
        const std::size_t most = std::uniform_int_distribution<std::size_t>(1, 1000)(rng);
        const auto balloon = ConversionBalloonTextWithin(r.selection.size(), r.read(), most, 16);
        if (balloon) {
            ASSERT_EQ(*balloon, ConversionBalloonText(r.selection)) << "round " << round;
        }
        const auto merge = MergeToDecimalTextWithin(r.selection.size(), r.read(), most, 16);
        if (merge) {
            ASSERT_EQ(*merge, MergeToDecimalText(r.selection)) << "round " << round;
        }
        ASSERT_LE(r.longest, most) << "round " << round;
        if (r.selection.size() <= most) {
            ASSERT_TRUE(balloon && merge) << "a selection within the limit undecided";
        }
    }
    // One piece longer than the limit: only its whole decides the balloon.
    Reader piece{std::string(5000, 'A')};
    EXPECT_FALSE(ConversionBalloonTextWithin(piece.selection.size(), piece.read(), 4096, 16));
}

TEST(ToolTextsFromTheSelectionsStart, StartsThatCannotDecideReadOnUntilTheyDo) {
    std::string lines;  // 200 pieces: the first start of 256 bytes already shows the limit is passed
    for (int i = 0; i < 100; ++i) lines += "0A 0B\r\n";
    Reader hex{lines};
    EXPECT_EQ(ConversionBalloonText(hex.selection.size(), hex.read(), 256), ConversionBalloonText(lines));
    EXPECT_EQ(hex.longest, 256u);
    EXPECT_EQ(MergeToDecimalText(hex.selection.size(), hex.read(), 256), MergeToDecimalText(lines));
    EXPECT_EQ(hex.longest, 256u);

    // Blanks first, then two pieces: no start short of the whole can tell there are no more.
    Reader sparse{std::string(5000, ' ') + "12 \r\n 34" + std::string(5000, ' ')};
    EXPECT_EQ(ConversionBalloonText(sparse.selection.size(), sparse.read(), 16),
              "16进制：      12       34 \r\n10进制：      18       52 \r\n 2进制：00010010 00110100 "_gbk);
    EXPECT_EQ(sparse.longest, sparse.selection.size());
    EXPECT_EQ(MergeToDecimalText(sparse.selection.size(), sparse.read(), 16), "16进制：1234\r\n10进制：4660"_gbk);

    // Starts that end inside a pair ("\r" | "\n", a lead byte | its trail) where the
    // pair decides: a 65th piece or none, 64 digits or more. Every cut is tried.
    std::string sixtyFour, digits;
    for (int i = 0; i < 64; ++i) sixtyFour += "5A ";
    for (int i = 0; i < 32; ++i) digits += "5A";
    std::string alternating;
    for (int i = 0; i < 70; ++i) alternating += i % 2 ? "\r\n" : "\xA1\xA1";
    for (const std::string& selection : {alternating + "1", sixtyFour + "\r\n  ", sixtyFour + "\xA1\xA1 ",
                                         digits + "\r\n ", digits + "\xA1\xA1", digits + "\r\n7"}) {
        for (std::size_t cut = 1; cut < selection.size(); ++cut) {
            Reader r{selection};
            EXPECT_EQ(ConversionBalloonText(r.selection.size(), r.read(), cut), ConversionBalloonText(selection))
                << cut;
            EXPECT_EQ(MergeToDecimalText(r.selection.size(), r.read(), cut), MergeToDecimalText(selection)) << cut;
        }
    }
}

}  // namespace
}  // namespace vorta::receive
