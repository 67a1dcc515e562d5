// The texts of the conversion balloon and of the merge to decimal.
#include "receive/conversion_texts.h"

#include <gtest/gtest.h>

namespace vorta::receive {
namespace {

std::string Balloon(const std::string& s) { return ConversionBalloonText(s).value_or("<none>"); }
std::string Merge(const std::string& s) { return MergeToDecimalText(s).value_or("<none>"); }

TEST(ConversionBalloon, CellsPerPieceWithPlaceholders) {
    EXPECT_EQ(Balloon("0A"), "16进制：      0A \r\n10进制：      10 \r\n 2进制：00001010 ");
    EXPECT_EQ(Balloon("01 03"),
              "16进制：      01       03 \r\n10进制：       1        3 \r\n 2进制：00000001 00000011 ");
    EXPECT_EQ(Balloon("1234"), "16进制：    1234 \r\n10进制：    4660 \r\n 2进制：00110100 ");
    EXPECT_EQ(Balloon("Hi"), "16进制：      Hi \r\n10进制：     ??? \r\n 2进制：???????? ");
    EXPECT_EQ(Balloon("0A\r\n0B "), Balloon("0A 0B"));  // a line end separates
    EXPECT_EQ(Balloon("ff"), "16进制：      ff \r\n10进制：     255 \r\n 2进制：11111111 ");
    EXPECT_EQ(Balloon("   "), "<none>");
}

TEST(ConversionBalloon, HugeSelectionsStayShortAndExact) {
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "0A ";
    const std::string text = Balloon(many);
    EXPECT_LT(text.size(), 2000u);
    EXPECT_NE(text.find("…"), std::string::npos);
    // One long piece: its last eight decimal and binary digits, computed exactly.
    const std::string piece(100000, 'F');
    const std::string shown = Balloon(piece);
    EXPECT_NE(shown.find(" 2进制：11111111 "), std::string::npos);
    std::string shortPiece(60, 'F');  // converted fully; must agree with the remainder path
    std::string longPiece(70, '0');
    longPiece.replace(10, 60, shortPiece);  // same value, longer text
    const auto decimalCell = [](const std::string& t) { return t.substr(t.find("10进制：") + 8, 9); };
    EXPECT_EQ(decimalCell(Balloon(shortPiece)), decimalCell(Balloon(longPiece)));
}

TEST(ConversionBalloon, LineEndsOfAManyLineSelectionSeparateLikeSpaces) {
    std::string lines, spaced;
    for (int i = 0; i < 40; ++i) {
        lines += "0A 0B\r\n";
        spaced += "0A 0B ";
    }
    EXPECT_EQ(Balloon(lines), Balloon(spaced));
    EXPECT_NE(Balloon(lines).find("…"), std::string::npos);  // 80 pieces: cut at the limit
    EXPECT_EQ(Merge("12\r\n34\r\n56\r\n"), "16进制：123456\r\n10进制：1193046");
}

TEST(ConversionBalloon, CellNeverShowsHalfACharacter) {
    // Nine bytes: the last eight start with the second byte of "中", shown as a space.
    EXPECT_EQ(Balloon("中中中中A"), "16进制： 中中中A \r\n10进制：     ??? \r\n 2进制：???????? ");
    EXPECT_EQ(Balloon("A中中中中"), "16进制：中中中中 \r\n10进制：     ??? \r\n 2进制：???????? ");
}

TEST(MergeToDecimal, BigEndianUpToFourBytes) {
    EXPECT_EQ(Merge("12 34"), "16进制：1234\r\n10进制：4660");
    EXPECT_EQ(Merge("FF FF FF FF"), "16进制：FFFFFFFF\r\n10进制：4294967295");
    EXPECT_EQ(Merge("01 02 03 04 05"), "16进制：0102030405\r\n10进制：最多支持4字节");
    EXPECT_EQ(Merge("ab\r\ncd"), "16进制：ABCD\r\n10进制：43981");
    EXPECT_EQ(Merge("1G"), "16进制：1G\r\n10进制：参数错误-1G不是一个有效的一十六进制数！");
    EXPECT_EQ(Merge(" "), "<none>");
}

}  // namespace
}  // namespace vorta::receive
