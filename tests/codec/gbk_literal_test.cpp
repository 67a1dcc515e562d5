#include "codec/gbk_literal.h"

#include <gtest/gtest.h>

#include <string>

#include "codec/charset_converter.h"

namespace vorta::codec {
namespace {

std::string FromUtf8(std::u8string_view utf8) {
    CharsetConverter toGbk("GBK", "UTF-8");
    return toGbk
        .convert(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()), OnUnconvertible::Fail)
        .value_or("(unconvertible)");
}

// A literal converted while compiling holds what iconv makes of its text at run time.
TEST(GbkLiteral, HoldsWhatIconvMakesOfItsText) {
    const struct {
        const char* literal;
        std::u8string_view text;
    } cases[] = {
        {"端口"_gbk, u8"端口"},
        {"  → 端口打开失败！可能被其他程序占用。\r\n"_gbk, u8"  → 端口打开失败！可能被其他程序占用。\r\n"},
        {"ＡＢ０　中文·×"_gbk, u8"ＡＢ０　中文·×"},  // full-width forms and two-byte UTF-8 characters
        {"plain ASCII"_gbk, u8"plain ASCII"},
        {"a"
         "中"_gbk
         "b",
         u8"a中b"},  // concatenated pieces are one literal
    };
    for (const auto& c : cases) EXPECT_EQ(std::string(c.literal), FromUtf8(c.text)) << c.literal;
}

TEST(GbkLiteral, EscapedBytesOutsideUtf8StayAsTheyAre) {
    EXPECT_EQ(std::string("\xD6\xD0 中"_gbk), "\xD6\xD0 \xD6\xD0");
    EXPECT_EQ(std::string("\x81"_gbk), "\x81");
}

static_assert("真"_gbk[0] == '\xD5' && "真"_gbk[1] == '\xE6' && "真"_gbk[2] == '\0', "usable while compiling");

}  // namespace
}  // namespace vorta::codec
