#include "calculator/byte_column.h"

#include <gtest/gtest.h>

#include <string>

namespace vorta::calculator {
namespace {

const char* const kFrame = "01 03 04 00 0A 01 F4 FA 33 ";
const char* const kDefaultSteps = "+1000\r\n-1000\r\n*1000\r\n/1000";

TEST(EvaluateColumn, WorkedFrameInThreeColumns) {
    ColumnResult c = EvaluateColumn(kFrame, 4, 2, kDefaultSteps);
    EXPECT_EQ(c.hexDigits, "000A");
    EXPECT_EQ(c.result, "10");
    c = EvaluateColumn(kFrame, 6, 2, "/10");
    EXPECT_EQ(c.hexDigits, "01F4");
    EXPECT_EQ(c.result, "50");
    c = EvaluateColumn(kFrame, 1, 4, "");
    EXPECT_EQ(c.hexDigits, "01030400");
    EXPECT_EQ(c.result, "16974848");
}

TEST(EvaluateColumn, ShortFramesGiveTheBytesThatExist) {
    ColumnResult c = EvaluateColumn("01 03 ", 1, 2, "");
    EXPECT_EQ(c.hexDigits, "0103");
    EXPECT_EQ(c.result, "259");
    c = EvaluateColumn("11 22 33 ", 2, 4, "");
    EXPECT_EQ(c.hexDigits, "2233");
    EXPECT_EQ(c.result, "8755");
    c = EvaluateColumn("11 22 33 ", 4, 1, "+7");  // past the last byte
    EXPECT_EQ(c.hexDigits, "");
    EXPECT_EQ(c.result, "7");
    c = EvaluateColumn("", 1, 4, "");
    EXPECT_EQ(c.hexDigits, "");
    EXPECT_EQ(c.result, "0");
}

TEST(EvaluateColumn, NoSelectionRunsTheStepsOnZero) {
    for (const auto& [first, count] : {std::pair{0, 2}, std::pair{3, 0}, std::pair{-1, 2}}) {
        const ColumnResult c = EvaluateColumn(kFrame, first, count, "+5\r\n*3");
        EXPECT_EQ(c.hexDigits, "") << first << "," << count;
        EXPECT_EQ(c.result, "15") << first << "," << count;
    }
}

TEST(EvaluateColumn, FourBytesWrapToSigned) {
    ColumnResult c = EvaluateColumn("FF FF FF FF ", 1, 4, kDefaultSteps);
    EXPECT_EQ(c.hexDigits, "FFFFFFFF");
    EXPECT_EQ(c.result, "-1");
    EXPECT_EQ(EvaluateColumn("80 00 00 00 ", 1, 4, "").result, "-2147483648");
    EXPECT_EQ(EvaluateColumn("7F FF FF FF ", 1, 4, "").result, "2147483647");
    // Fewer than four bytes never reach the sign bit.
    EXPECT_EQ(EvaluateColumn("FF FF FF ", 1, 4, "").result, "16777215");
}

TEST(ColumnValue, BigEndianHexDigits) {
    EXPECT_EQ(ColumnValue(""), 0);
    EXPECT_EQ(ColumnValue("0A"), 10);
    EXPECT_EQ(ColumnValue("1234"), 0x1234);
    EXPECT_EQ(ColumnValue("FFFFFFFE"), -2);
}

TEST(FormatResult, ThirteenSignificantDigits) {
    EXPECT_EQ(FormatResult(0.5), "0.5");
    EXPECT_EQ(FormatResult(1.0 / 3.0), "0.3333333333333");
    EXPECT_EQ(FormatResult(1e20), "1e+20");
    EXPECT_EQ(FormatResult(1234567890123.0), "1234567890123");
    EXPECT_EQ(FormatResult(12345678901234.0), "1.234567890123e+13");
}

// Dividing by zero is not an error: the box shows what "%.13g" prints for
// the infinity or NaN (glibc: "inf", "-inf", "nan" or "-nan").
TEST(EvaluateColumn, DivisionByZeroShowsTheNonFiniteValue) {
    EXPECT_EQ(EvaluateColumn("0A ", 1, 1, "/0").result, "inf");
    EXPECT_EQ(EvaluateColumn("0A ", 1, 1, "*-1\r\n/0").result, "-inf");
    const std::string nan = EvaluateColumn("00 ", 1, 1, "/0").result;
    EXPECT_TRUE(nan == "nan" || nan == "-nan") << nan;
    // Later steps keep the value non-finite.
    EXPECT_EQ(EvaluateColumn("0A ", 1, 1, "/0\r\n-1000\r\n*2").result, "inf");
    std::printf("0/0 shows \"%s\"\n", nan.c_str());
}

}  // namespace
}  // namespace vorta::calculator
