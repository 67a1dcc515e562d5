#include "calculator/steps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include "codec/gbk_literal.h"

namespace vorta::calculator {
namespace {

TEST(ApplySteps, OperatorsInOrder) {
    EXPECT_EQ(ApplySteps(10, "+1000\r\n-1000\r\n*1000\r\n/1000"), 10);
    EXPECT_EQ(ApplySteps(10, "*0.5"), 5);
    EXPECT_EQ(ApplySteps(10, "*2\r\n+1"), 21);
    EXPECT_EQ(ApplySteps(10, "+1\r\n*2"), 22);
    EXPECT_EQ(ApplySteps(7, ""), 7);
}

TEST(ApplySteps, LinesWithoutAnOperatorAreSkipped) {
    EXPECT_EQ(ApplySteps(10, "x5"), 10);
    EXPECT_EQ(ApplySteps(10, "x5\r\n+1"), 11);
    EXPECT_EQ(ApplySteps(10, "\r\n\r\n+1\r\n"), 11);
    EXPECT_EQ(ApplySteps(10, " +1"), 10);      // the operator must come first
    EXPECT_EQ(ApplySteps(10, "＋1"_gbk), 10);  // a full-width operator is not one
    EXPECT_EQ(ApplySteps(10, "#+1"), 10);
}

TEST(ApplySteps, OperatorWithoutNumberUsesZero) {
    EXPECT_EQ(ApplySteps(10, "+"), 10);
    EXPECT_EQ(ApplySteps(10, "*abc"), 0);
    EXPECT_TRUE(std::isinf(ApplySteps(10, "/")));
}

TEST(ParseOperand, LongestDecimalPrefix) {
    EXPECT_EQ(ParseOperand("12.5e2xyz"), 1250);
    EXPECT_EQ(ParseOperand("  \t-3.25"), -3.25);
    EXPECT_EQ(ParseOperand("+4"), 4);
    EXPECT_EQ(ParseOperand(".5"), 0.5);
    EXPECT_EQ(ParseOperand("5."), 5);
    EXPECT_EQ(ParseOperand("1e"), 1);
    EXPECT_EQ(ParseOperand("2e+"), 2);
    EXPECT_EQ(ParseOperand("1E3"), 1000);
    EXPECT_EQ(ParseOperand("0x10"), 0);  // no hexadecimal: the prefix is "0"
    EXPECT_EQ(ParseOperand("10 20"), 10);
}

TEST(ParseOperand, NoNumberGivesZero) {
    for (const char* text : {"", " ", "abc", ".", "-", "+-5", "--5", "inf", "nan", "e5"}) {
        EXPECT_EQ(ParseOperand(text), 0) << text;
    }
}

TEST(ParseOperand, FullWidthFormsCountAsAscii) {
    EXPECT_EQ(ParseOperand("１２"_gbk), 12);
    EXPECT_EQ(ParseOperand("　８"_gbk), 8);  // full-width space is skipped
    EXPECT_EQ(ParseOperand("－３．５"_gbk), -3.5);
    EXPECT_EQ(ParseOperand("1２中"_gbk), 12);
}

TEST(ParseOperand, OutOfRangeOverflowsOrUnderflows) {
    EXPECT_EQ(ParseOperand("1e999"), INFINITY);
    EXPECT_EQ(ParseOperand("-1e999"), -INFINITY);
    EXPECT_EQ(ParseOperand(std::string(400, '9')), INFINITY);
    EXPECT_EQ(ParseOperand("1e-999"), 0);
    EXPECT_EQ(ParseOperand("0." + std::string(400, '0') + "1"), 0);
    EXPECT_EQ(ParseOperand("0.001e310"), 1e307);
    EXPECT_EQ(ParseOperand("1e99999999999999999999"), INFINITY);
}

TEST(StoredSteps, LineBreaksBecomeHashAndBack) {
    const std::string steps = "+1000\r\n-1000\r\n*1000\r\n/1000";
    EXPECT_EQ(StepsToStored(steps), "+1000#-1000#*1000#/1000");
    EXPECT_EQ(StepsFromStored(StepsToStored(steps)), steps);
    EXPECT_EQ(StepsToStored(""), "");
    EXPECT_EQ(StepsToStored("\r\n\r\n"), "##");
    EXPECT_EQ(StepsToStored("+1\n*2\r"), "+1\n*2\r");  // only the pair is a line break
    EXPECT_EQ(StepsToStored("数据\r\n"_gbk), "数据#"_gbk);
}

TEST(StoredSteps, HashInsideAStepComesBackAsALineBreak) {
    const std::string reopened = StepsFromStored(StepsToStored("+1#2"));
    EXPECT_EQ(reopened, "+1\r\n2");
    EXPECT_EQ(ApplySteps(0, "+1#2"), 1);    // before: "#2" ends the operand
    EXPECT_EQ(ApplySteps(0, reopened), 1);  // after: "2" is a line without an operator
    EXPECT_EQ(ApplySteps(0, StepsFromStored(StepsToStored("+1#*2"))), 2);
}

}  // namespace
}  // namespace vorta::calculator
