#include "codec/radix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>
#include "codec/gbk_literal.h"

namespace vorta::codec {
namespace {

const std::string kRangeError = "参数错误-进制只能在2-36之间"_gbk;
const std::string kAlphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::string Convert(std::string text, int from, int to) { return ConvertRadix(text, from, to); }

TEST(ConvertRadix, WorkedExamples) {
    EXPECT_EQ(Convert("FFFF", 16, 2), std::string(16, '1'));
    EXPECT_EQ(Convert("3", 16, 2), "11");
    EXPECT_EQ(Convert("０Ａ"_gbk, 16, 10), "10");
    EXPECT_EQ(Convert("0012", 16, 16), "0012");
    EXPECT_EQ(Convert("0012", 16, 10), "18");
    EXPECT_EQ(Convert("FFFFFFFF", 16, 10), "4294967295");
    EXPECT_EQ(Convert("FFFFFFFF", 16, 2), std::string(32, '1'));
    EXPECT_EQ(Convert("ZZ", 36, 10), "1295");
    EXPECT_EQ(Convert("1295", 10, 36), "ZZ");
}

TEST(ConvertRadix, WritesNormalisedTextBack) {
    std::string text = "ff";
    EXPECT_EQ(ConvertRadix(text, 16, 10), "255");
    EXPECT_EQ(text, "FF");

    text = "ａｂ　1"_gbk;  // normalised even when it then fails
    ConvertRadix(text, 16, 10);
    EXPECT_EQ(text, "AB 1");

    text = "ab";
    EXPECT_EQ(ConvertRadix(text, 16, 40), kRangeError);
    EXPECT_EQ(text, "ab");  // a bad radix leaves the text alone
}

TEST(ConvertRadix, EmptyTextAndZeros) {
    EXPECT_EQ(Convert("", 16, 10), "0");
    EXPECT_EQ(Convert("", 2, 36), "0");
    EXPECT_EQ(Convert("", 10, 10), "");
    EXPECT_EQ(Convert("0000", 16, 2), "0");
    EXPECT_EQ(Convert("000", 10, 7), "0");
}

TEST(ConvertRadix, RadixOutOfRange) {
    EXPECT_EQ(Convert("12", 1, 10), kRangeError);
    EXPECT_EQ(Convert("12", 16, 37), kRangeError);
    EXPECT_EQ(Convert("12", -5, 10), kRangeError);
    EXPECT_EQ(Convert("12", 10, 0), kRangeError);
}

TEST(ConvertRadix, InvalidDigitsNameTheNormalisedText) {
    EXPECT_EQ(Convert("102", 2, 10), "参数错误-102不是一个有效的二进制数！"_gbk);
    EXPECT_EQ(Convert("1g", 16, 10), "参数错误-1G不是一个有效的一十六进制数！"_gbk);
    EXPECT_EQ(Convert("1 0", 10, 2), "参数错误-1 0不是一个有效的一十进制数！"_gbk);
    EXPECT_EQ(Convert("-1", 10, 2), "参数错误--1不是一个有效的一十进制数！"_gbk);
    EXPECT_EQ(Convert("中"_gbk, 16, 10), "参数错误-中不是一个有效的一十六进制数！"_gbk);
}

TEST(ConvertRadix, ChineseNameOfEveryRadix) {
    const std::vector<std::string> names = {
        "二"_gbk,     "三"_gbk,     "四"_gbk,     "五"_gbk,     "六"_gbk,     "七"_gbk,     "八"_gbk,
        "九"_gbk,     "一十"_gbk,   "一十一"_gbk, "一十二"_gbk, "一十三"_gbk, "一十四"_gbk, "一十五"_gbk,
        "一十六"_gbk, "一十七"_gbk, "一十八"_gbk, "一十九"_gbk, "二十"_gbk,   "二十一"_gbk, "二十二"_gbk,
        "二十三"_gbk, "二十四"_gbk, "二十五"_gbk, "二十六"_gbk, "二十七"_gbk, "二十八"_gbk, "二十九"_gbk,
        "三十"_gbk,   "三十一"_gbk, "三十二"_gbk, "三十三"_gbk, "三十四"_gbk, "三十五"_gbk, "三十六"_gbk};
    ASSERT_EQ(names.size(), 35u);
    for (int radix = 2; radix <= 36; ++radix) {
        // '!' is below every digit, so it is invalid in every radix.
        EXPECT_EQ(Convert("1!", radix, 10), "参数错误-1!不是一个有效的"_gbk + names[radix - 2] + "进制数！"_gbk)
            << "radix " << radix;
        // The first character past the radix's digits is rejected, the last digit accepted.
        if (radix < 36) {
            const std::string next(1, kAlphabet[radix]);
            EXPECT_EQ(Convert(next, radix, 10),
                      "参数错误-"_gbk + next + "不是一个有效的"_gbk + names[radix - 2] + "进制数！"_gbk);
        }
        EXPECT_EQ(Convert(std::string(1, kAlphabet[radix - 1]), radix, 10), std::to_string(radix - 1));
    }
}

// ---- cross-checks against independent arithmetic ----

using u128 = unsigned __int128;

std::string Reference128(u128 v, int radix) {
    if (v == 0) return "0";
    std::string out;
    for (; v != 0; v /= radix) out.insert(out.begin(), kAlphabet[static_cast<int>(v % radix)]);
    return out;
}

// Schoolbook conversion one input digit at a time, the result held as digits of `to`.
std::string ReferenceLong(const std::string& digits, int from, int to) {
    std::vector<int> out;  // least significant first
    for (char c : digits) {
        int carry = static_cast<int>(kAlphabet.find(c));
        for (int& d : out) {
            const int t = d * from + carry;
            d = t % to;
            carry = t / to;
        }
        for (; carry != 0; carry /= to) out.push_back(carry % to);
    }
    if (out.empty()) return "0";
    std::string s;
    for (auto it = out.rbegin(); it != out.rend(); ++it) s += kAlphabet[*it];
    return s;
}

std::string RandomDigits(std::mt19937_64& rng, int radix, std::size_t length) {
    std::uniform_int_distribution<int> digit(0, radix - 1);
    std::string s;
    for (std::size_t i = 0; i < length; ++i) s += kAlphabet[digit(rng)];
    return s;
}

TEST(ConvertRadixCrossCheck, RandomValuesUpTo128Bits) {
    std::mt19937_64 rng(20240611);
    std::uniform_int_distribution<int> radix(2, 36);
    std::uniform_int_distribution<int> bits(1, 128);
    for (int i = 0; i < 20000; ++i) {
        u128 v = (u128{rng()} << 64) | rng();
        const int b = bits(rng);
        if (b < 128) v &= (u128{1} << b) - 1;
        const int from = radix(rng);
        const int to = radix(rng);
        const std::string in = Reference128(v, from);
        if (from == to) continue;
        ASSERT_EQ(Convert(in, from, to), Reference128(v, to)) << in << " " << from << "->" << to;
        // Leading zeros do not change the value.
        ASSERT_EQ(Convert("000" + in, from, to), Reference128(v, to));
    }
}

TEST(ConvertRadixCrossCheck, LongValuesAgainstSchoolbook) {
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<int> radix(2, 36);
    std::uniform_int_distribution<std::size_t> length(1, 400);
    for (int i = 0; i < 300; ++i) {
        const int from = radix(rng);
        const int to = radix(rng);
        if (from == to) continue;
        const std::string in = RandomDigits(rng, from, length(rng));
        ASSERT_EQ(Convert(in, from, to), ReferenceLong(in, from, to)) << in << " " << from << "->" << to;
    }
}

TEST(ConvertRadixCrossCheck, VeryLongValuesRoundTrip) {
    std::mt19937_64 rng(99);
    for (const auto& [a, b] : std::vector<std::pair<int, int>>{{16, 10}, {10, 2}, {36, 7}, {2, 16}, {8, 32}}) {
        std::string in = RandomDigits(rng, a, 5000);
        in[0] = '1';  // no leading zero, so the round trip gives the text back
        const std::string there = Convert(in, a, b);
        EXPECT_EQ(Convert(there, b, a), in) << a << "->" << b;
    }
}

}  // namespace
}  // namespace vorta::codec
