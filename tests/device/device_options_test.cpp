// The command line, the address list and the streamed text.
#include <gtest/gtest.h>

#include "device/address_list.h"
#include "device/device_options.h"
#include "device/text_stream.h"
#include "codec/gbk_literal.h"

namespace vorta::device {
namespace {

TEST(AddressList, NumbersAndRanges) {
    const auto list = AddressList::parse("1-3,7,500-506");
    ASSERT_TRUE(list);
    for (int n : {1, 2, 3, 7, 500, 506}) EXPECT_TRUE(list->contains(n)) << n;
    for (int n : {0, 4, 6, 8, 499, 507, -1}) EXPECT_FALSE(list->contains(n)) << n;
    EXPECT_TRUE(AddressList::all().contains(506));
    EXPECT_FALSE(AddressList::all().contains(0));
    for (const char* bad : {"", "0", "507", "3-1", "1,", ",1", "1-", "-3", "a", "1 ,2", "1-2-3", "99999999999"})
        EXPECT_FALSE(AddressList::parse(bad)) << bad;
}

TEST(DeviceOptions, EveryOptionAndItsErrors) {
    auto parse = [](std::vector<std::string> args) { return ParseOptions(args); };
    const ParsedOptions none = parse({});
    EXPECT_EQ(none.error, "");
    EXPECT_FALSE(none.options.link);
    EXPECT_TRUE(none.options.pace);
    EXPECT_FALSE(none.options.stream);

    const ParsedOptions all = parse({"--link", "/tmp/x", "--address=5", "--baud-pace", "off", "--stream=text", "--log",
                                     "--background", "--select-port"});
    EXPECT_EQ(all.error, "");
    EXPECT_EQ(all.options.link, "/tmp/x");
    EXPECT_TRUE(all.options.addresses.contains(5));
    EXPECT_FALSE(all.options.addresses.contains(1));
    EXPECT_FALSE(all.options.pace);
    EXPECT_TRUE(all.options.stream);
    EXPECT_TRUE(all.options.log);
    EXPECT_TRUE(all.options.background);
    EXPECT_TRUE(all.options.selectPort);
    EXPECT_FALSE(none.options.selectPort);
    EXPECT_EQ(parse({"--link", "none"}).options.link, "");
    EXPECT_TRUE(parse({"--help"}).options.help);

    EXPECT_NE(parse({"--link"}).error, "");
    EXPECT_NE(parse({"--link="}).error, "");
    EXPECT_NE(parse({"--address", "0"}).error, "");
    EXPECT_NE(parse({"--baud-pace", "fast"}).error, "");
    EXPECT_NE(parse({"--stream", "hex"}).error, "");
    EXPECT_NE(parse({"--linker", "x"}).error, "");
    EXPECT_NE(parse({"COM900"}).error, "");
}

TEST(TextStream, OneLineOfAsciiAndChineseInGbk) {
    DataModel model;
    const std::string line = StreamLine(model, {123'400'000, 8, 5, 9});
    // GBK: "演示设备" and "温度" are two bytes a character; "℃" is A1 E6.
    EXPECT_EQ(line, "[08:05:09] 演示设备 计数 1234 温度 "_gbk +
                        std::to_string(DataModel::measurement(123'400'000) / 10) + "." +
                        std::to_string(DataModel::measurement(123'400'000) % 10) + "℃ OK\r\n"_gbk);
    EXPECT_NE(line.find("\xD1\xDD\xCA\xBE"), std::string::npos);  // 演示 in GBK
    EXPECT_NE(line.find("\xA1\xE6"), std::string::npos);
}

}  // namespace
}  // namespace vorta::device
