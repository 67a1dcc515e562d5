#include "codec/gbk_text.h"

#include <gtest/gtest.h>
#include "codec/gbk_literal.h"

namespace vorta::codec {
namespace {

TEST(GbkCharLength, SingleDoubleAndLoneLeadByte) {
    const std::string s = "A中\xD6"_gbk;
    EXPECT_EQ(GbkCharLength(s, 0), 1u);
    EXPECT_EQ(GbkCharLength(s, 1), 2u);
    EXPECT_EQ(GbkCharLength(s, 3), 1u);  // lead byte with nothing after it
}

TEST(ToHalfWidth, FullWidthFormsBecomeAscii) {
    EXPECT_EQ(ToHalfWidth("０Ａａ９～！"_gbk), "0Aa9~!");
    EXPECT_EQ(ToHalfWidth("１　２"_gbk), "1 2");
    EXPECT_EQ(ToHalfWidth("☆★"_gbk), "**");
}

TEST(ToHalfWidth, OtherCharactersAreCopiedAndLoneLeadDropped) {
    EXPECT_EQ(ToHalfWidth("中文abc"_gbk), "中文abc"_gbk);
    EXPECT_EQ(ToHalfWidth(std::string("1\xA3")), "1");
    // A3 followed by a byte below A1 is an ordinary character, not a full-width form.
    EXPECT_EQ(ToHalfWidth(std::string("\xA3\x41")), std::string("\xA3\x41"));
    // The trail byte of one character never starts the next one.
    EXPECT_EQ(ToHalfWidth(std::string("\xB0\xA3\xA1")), std::string("\xB0\xA3"));
}

TEST(ToUpperAscii, OnlyAsciiLettersChange) {
    EXPECT_EQ(ToUpperAscii("ab Cz09"), "AB CZ09");
    // Trail bytes in a-z are left alone: 0x81 0x61 is one character.
    const std::string gbk =
        "\x81\x61"
        "a";
    EXPECT_EQ(ToUpperAscii(gbk),
              "\x81\x61"
              "A");
}

TEST(TextToInt, DigitsSignsAndBlanks) {
    EXPECT_EQ(TextToInt("9600"), 9600);
    EXPECT_EQ(TextToInt("  -42xyz"), -42);
    EXPECT_EQ(TextToInt("+7"), 7);
    EXPECT_EQ(TextToInt("　５０"_gbk), 50);  // full-width space and digits
    EXPECT_EQ(TextToInt("－３"_gbk), -3);
}

TEST(TextToInt, NoDigitsGiveZero) {
    EXPECT_EQ(TextToInt(""), 0);
    EXPECT_EQ(TextToInt("abc"), 0);
    EXPECT_EQ(TextToInt("-"), 0);
    EXPECT_EQ(TextToInt("参数错误"_gbk), 0);
}

TEST(TextToInt, WrapsIntoThirtyTwoBits) {
    EXPECT_EQ(TextToInt("4294967295"), -1);
    EXPECT_EQ(TextToInt("2147483648"), INT32_MIN);
    EXPECT_EQ(TextToInt("4294967296"), 0);
    EXPECT_EQ(TextToInt("-2147483648"), INT32_MIN);
}

}  // namespace
}  // namespace vorta::codec
