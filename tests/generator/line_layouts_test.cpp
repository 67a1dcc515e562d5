#include "generator/line_layouts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include "codec/gbk_literal.h"

namespace vorta::generator {
namespace {

std::string Q58(const char* channel, std::int32_t first, std::int32_t last) {
    return GenerateLines(LayoutFor(true, "Q58模块"_gbk), ChannelCode(channel), first, last, "");
}

TEST(GenerateLines, AddressesOneToTwoInEveryLayout) {
    EXPECT_EQ(Q58("9路"_gbk, 1, 2), "01 03 10 00 00 25 D1 80  → 1\r\n02 03 10 00 00 25 E2 80  → 2\r\n"_gbk);
    EXPECT_EQ(Q58("4路"_gbk, 1, 2), "01 03 10 00 00 16 C4 C0  → 1\r\n02 03 10 00 00 16 F7 C0  → 2\r\n"_gbk);
    EXPECT_EQ(Q58("1路"_gbk, 1, 2), "01 03 10 00 00 0D CF 80  → 1\r\n02 03 10 00 00 0D FC 80  → 2\r\n"_gbk);
    EXPECT_EQ(GenerateLines(LayoutFor(true, "Q20模块"_gbk), "", 1, 2, ""),
              "EA 01 01 BC  ← 1\r\nEA 02 02 BC  ← 2\r\n"_gbk);
    EXPECT_EQ(GenerateLines(LayoutFor(false, "Q58模块"_gbk), "25", 1, 2, "03 00 64 00 25"),
              "01 03 00 64 00 25\r\n02 03 00 64 00 25\r\n");
}

TEST(GenerateLines, Q58RangeBoundary) {
    EXPECT_EQ(Q58("9路"_gbk, 252, 253), "FC 03 10 00 00 25 3C 95  → 252\r\n00 03 10 00 01 25 90 80  → 253\r\n"_gbk);
    EXPECT_EQ(Q58("9路"_gbk, 506, 506), "FD 03 10 00 01 25 7D 95  → 506\r\n"_gbk);
    // The annotation keeps the decimal address in the high range.
    const std::string line300 = Q58("9路"_gbk, 300, 300);
    EXPECT_EQ(line300.substr(0, 15), "2F 03 10 00 01 ");
    EXPECT_TRUE(line300.ends_with("  → 300\r\n"_gbk));
}

TEST(GenerateLines, CustomLayoutCopiesTheBodyAfterAnyAddress) {
    EXPECT_EQ(GenerateLines(Layout::Custom, "", 300, 300, "03 00 64 00 25"), "12C 03 00 64 00 25\r\n");
    EXPECT_EQ(GenerateLines(Layout::Custom, "", 0, 0, "任意 xyz"_gbk), "00 任意 xyz\r\n"_gbk);
    EXPECT_EQ(GenerateLines(Layout::Custom, "", 15, 16, ""), "0F \r\n10 \r\n");
}

TEST(GenerateLines, RangeAndLayoutEdges) {
    EXPECT_EQ(GenerateLines(Layout::Q20, "", 5, 4, ""), "");
    EXPECT_EQ(GenerateLines(Layout::None, "", 1, 3, "03"), "");
    // Only addresses a three-character box can show: "-99" to "999", whatever the numbers.
    EXPECT_EQ(GenerateLines(Layout::Custom, "", INT_MAX, INT_MAX, "01"), "");
    EXPECT_EQ(GenerateLines(Layout::Custom, "", INT_MIN, INT_MIN, "01"), "");
    EXPECT_EQ(GenerateLines(Layout::Custom, "", 999, 1003, "01"), "3E7 01\r\n");
    EXPECT_EQ(GenerateLines(Layout::Custom, "", -103, -99, "01"), "FFFFFF9D 01\r\n");
    const std::string all = GenerateLines(Layout::Q20, "", -100000, 100000, "");
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 1099);
    // An unknown channel count leaves the code empty.
    EXPECT_EQ(Q58("", 1, 1).substr(0, 15), "01 03 10 00 00 ");
}

TEST(LayoutFor, RadioButtonThenModuleText) {
    EXPECT_EQ(LayoutFor(true, "Q58模块"_gbk), Layout::Q58);
    EXPECT_EQ(LayoutFor(true, "Q20模块"_gbk), Layout::Q20);
    EXPECT_EQ(LayoutFor(true, ""), Layout::None);
    EXPECT_EQ(LayoutFor(false, ""), Layout::Custom);
    EXPECT_EQ(LayoutFor(false, "Q20模块"_gbk), Layout::Custom);
}

TEST(Hex, TwoDigitsAtLeast) {
    EXPECT_EQ(Hex(0), "00");
    EXPECT_EQ(Hex(10), "0A");
    EXPECT_EQ(Hex(255), "FF");
    EXPECT_EQ(Hex(256), "100");
    EXPECT_EQ(Hex(-1), "FFFFFFFF");
}

}  // namespace
}  // namespace vorta::generator
