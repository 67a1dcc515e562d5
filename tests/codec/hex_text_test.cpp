#include "codec/hex_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "codec/gbk_text.h"
#include "codec/radix.h"
#include "codec/gbk_literal.h"

namespace vorta::codec {
namespace {

TEST(RemoveSpaces, AsciiAndFullWidthSpacesGoOtherBytesStay) {
    EXPECT_EQ(RemoveSpaces(" 01 03　10 "_gbk), "010310");
    EXPECT_EQ(RemoveSpaces("a\tb\r\nc"), "a\tb\r\nc");
    EXPECT_EQ(RemoveSpaces("中 文"_gbk), "中文"_gbk);
}

TEST(RemoveSpaces, NeverMatchesInsideACharacter) {
    // B0 A1 then A1 B0: the middle bytes A1 A1 are no full-width space.
    const std::string text = "\xB0\xA1\xA1\xB0";
    EXPECT_EQ(RemoveSpaces(text), text);
    // A lead byte followed by 0x20 is one character; the 0x20 is its trail byte.
    EXPECT_EQ(RemoveSpaces("\xB0 1"), "\xB0 1");
    // A lone lead byte at the end is kept.
    EXPECT_EQ(RemoveSpaces("1 \xB0"), "1\xB0");
}

TEST(TrimSpaces, EndsOnly) {
    EXPECT_EQ(TrimTrailingSpaces("  ab c 　 "_gbk), "  ab c");
    EXPECT_EQ(TrimSpaces("　 ab c 　"_gbk), "ab c");
    EXPECT_EQ(TrimSpaces("   "), "");
    EXPECT_EQ(TrimTrailingSpaces(""), "");
    // The trailing A1 A1 here is the end of B0 A1 and a lone A1, not a space.
    const std::string text = "x\xB0\xA1\xA1";
    EXPECT_EQ(TrimTrailingSpaces(text), text);
    EXPECT_EQ(TrimSpaces(text), text);
}

TEST(ParseHexFrame, EvenLengthCountsBytesWithoutSpaces) {
    EXPECT_TRUE(ParseHexFrame("01 03 10 00 00 25").evenLength);
    EXPECT_TRUE(ParseHexFrame("").evenLength);
    EXPECT_TRUE(ParseHexFrame("　 "_gbk).evenLength);
    EXPECT_FALSE(ParseHexFrame("1 23").evenLength);
    EXPECT_TRUE(ParseHexFrame("中"_gbk).evenLength);  // one character, two bytes
}

TEST(FormatHexPairs, RepairsDigitsFromTheStart) {
    EXPECT_EQ(FormatHexPairs("01 03 10 00 00 25"), "01 03 10 00 00 25");
    EXPECT_EQ(FormatHexPairs("0103100000 25"), "01 03 10 00 00 25");
    EXPECT_EQ(FormatHexPairs("01031000 0025"), "01 03 10 00 00 25");
    EXPECT_EQ(FormatHexPairs("1 2 3 4"), "12 34");
    EXPECT_EQ(FormatHexPairs("ab cd"), "AB CD");
    EXPECT_EQ(FormatHexPairs("0g 12"), "0G 12");
    EXPECT_EQ(FormatHexPairs("  "), "");
    EXPECT_EQ(FormatHexPairs("123"), "12 3");  // odd: last piece of one byte
}

TEST(FormatHexPairs, CutsByBytePosition) {
    EXPECT_EQ(FormatHexPairs("01\r\n02"), "01 \r\n 02");
    EXPECT_EQ(FormatHexPairs("０Ａ"_gbk), "０ Ａ"_gbk);
    // One byte of 1 then the two bytes of 中 split across pieces.
    EXPECT_EQ(FormatHexPairs("1中1"_gbk), std::string("1\xD6 \xD0"
                                                      "1"));
}

TEST(HexPairsToBytes, OneBytePerPiece) {
    EXPECT_EQ(HexPairsToBytes("01 03 10 00 00 25"), std::string("\x01\x03\x10\x00\x00\x25", 6));
    EXPECT_EQ(HexPairsToBytes("12 34"), "\x12\x34");
    EXPECT_EQ(HexPairsToBytes("AB CD"), "\xAB\xCD");
    EXPECT_EQ(HexPairsToBytes("ab ff"), "\xAB\xFF");
}

TEST(HexPairsToBytes, InvalidAndEmptyPiecesGiveZero) {
    EXPECT_EQ(HexPairsToBytes("0G 12"), std::string("\x00\x12", 2));
    EXPECT_EQ(HexPairsToBytes(FormatHexPairs("01\r\n02")), std::string("\x01\x00\x02", 3));
    EXPECT_EQ(HexPairsToBytes(FormatHexPairs("０Ａ"_gbk)), std::string("\x00\x0A", 2));
    EXPECT_EQ(HexPairsToBytes("01  02"), std::string("\x01\x00\x02", 3));  // empty middle piece
    EXPECT_EQ(HexPairsToBytes(" 01"), std::string("\x00\x01", 2));         // empty first piece
    EXPECT_EQ(HexPairsToBytes("01 "), "\x01");                             // nothing after a final space
    EXPECT_EQ(HexPairsToBytes(""), "");
    EXPECT_EQ(HexPairsToBytes("中 01"_gbk), std::string("\x00\x01", 2));
}

TEST(HexPairsToBytes, LongPieceKeepsItsLowByte) {
    EXPECT_EQ(HexPairsToBytes("1FF"), "\xFF");
    EXPECT_EQ(HexPairsToBytes(std::string(5000, 'F') + "0A"), "\x0A");
    EXPECT_EQ(HexPairsToBytes("100"), std::string("\x00", 1));
}

TEST(HexPairsToBytes, SpaceInsideACharacterDoesNotSplit) {
    // B0 20 is one character: the first frame is one invalid piece, the second
    // splits only at its second space.
    EXPECT_EQ(HexPairsToBytes("\xB0 41"), std::string("\x00", 1));
    EXPECT_EQ(HexPairsToBytes("\xB0  41"), std::string("\x00\x41", 2));
}

// Each piece is read as the radix converter reads a base-16 number (its low
// eight bits, or 0 when the converter refuses it), for texts of every kind of
// byte the send box may hold; and one parse gives what the separate steps give.
TEST(ParseHexFrame, AgreesWithTheRadixConverterAndTheSeparateSteps) {
    auto pieceByRadix = [](std::string_view piece) {
        std::string text(piece);
        const std::string bits = ConvertRadix(text, 16, 2);
        if (bits.find_first_not_of("01") != std::string::npos) return 0u;
        unsigned value = 0;
        for (std::size_t i = bits.size() > 8 ? bits.size() - 8 : 0; i < bits.size(); ++i)
            value = value * 2 + (bits[i] - '0');
        return value;
    };
    const std::vector<std::string> alphabet = {
        "0",        "7",        "9",        "a",        "F",        "g",    "G",    " ", "  ", "\r\n",
        "\xA3\xB0", "\xA3\xC1", "\xA3\xE6", "\xA1\xA1", "\xD6\xD0", "\xB0", "\x81", "-", "+",  "\t"};
    std::mt19937 random(18);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int n = static_cast<int>(random() % 12); n > 0; --n) text += alphabet[random() % alphabet.size()];
        const std::string frame = FormatHexPairs(text);
        std::string expected;
        std::size_t start = 0;
        for (std::size_t i = 0; i < frame.size(); i += frame[i] == ' ' ? 1 : GbkCharLength(frame, i))
            if (frame[i] == ' ') {
                expected += static_cast<char>(pieceByRadix(std::string_view(frame).substr(start, i - start)));
                start = i + 1;
            }
        if (start < frame.size()) expected += static_cast<char>(pieceByRadix(std::string_view(frame).substr(start)));
        const HexFrame parsed = ParseHexFrame(text);
        ASSERT_EQ(parsed.bytes, expected) << text;
        ASSERT_EQ(parsed.text, frame) << text;
        ASSERT_EQ(parsed.evenLength, RemoveSpaces(text).size() % 2 == 0) << text;
    }
}

TEST(HexCell, TwoUpperCaseDigitsAndASpace) {
    EXPECT_EQ(HexCell(0x00), "00 ");
    EXPECT_EQ(HexCell(0x0A), "0A ");
    EXPECT_EQ(HexCell(0xFF), "FF ");
}

TEST(TextToBytes, BytesAsStoredWithoutLineEnd) {
    EXPECT_EQ(TextToBytes("中A\r\n"_gbk), "中A\r\n"_gbk);
    EXPECT_EQ(TextToBytes(""), "");
    EXPECT_EQ(TextToBytes(std::string("ab\0cd", 5)), "ab");
}

}  // namespace
}  // namespace vorta::codec

namespace vorta::codec {
namespace {

TEST(PrintableOfHexCells, CellsBecomeTheirCharactersAndOtherPiecesNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {"48 69 0D 0A ", "Hi.."}, {"[14:03:27.118] 41 7e 7F 20 ", "A~. "},  // a stamp is no cell
        {"01 03\r\n", ".."},      {"  → 数据未能发送！\r\n"_gbk, ""},      {"4 41 414 ", "A"}, {"", ""},
    };
    for (const auto& [text, printable] : cases) EXPECT_EQ(PrintableOfHexCells(text), printable) << text;
}

}  // namespace
}  // namespace vorta::codec
