#include "codec/crc16.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "codec/hex_text.h"
#include "codec/gbk_literal.h"

namespace vorta::codec {
namespace {

TEST(Crc16Text, WorkedValues) {
    EXPECT_EQ(Crc16Text("01 03 10 00 00 25"), "D1 80");
    EXPECT_EQ(Crc16Text("01 03 00 00 00 01"), "0A 84");
    EXPECT_EQ(Crc16Text("FF"), "00 FF");
    EXPECT_EQ(Crc16Text("00"), "40 BF");
}

TEST(Crc16Text, NoPairsGiveTheInitialValue) {
    EXPECT_EQ(Crc16Text(""), "FF FF");
    EXPECT_EQ(Crc16Text("   "), "FF FF");
    EXPECT_EQ(Crc16Text("　"_gbk), "FF FF");
    EXPECT_EQ(Crc16Text("7"), "FF FF");  // a lone digit is ignored
}

TEST(Crc16Text, SpacingAndCaseDoNotMatter) {
    EXPECT_EQ(Crc16Text("0103100000 25"), "D1 80");
    EXPECT_EQ(Crc16Text("0 1 0 3 1 0 0 0 0 0 2 5"), "D1 80");
    EXPECT_EQ(Crc16Text("ab cd"), Crc16Text("AB CD"));
    // A full-width digit is a two-byte pair of its own, read as its ASCII digit.
    EXPECT_EQ(Crc16Text("０１　０Ａ"_gbk), Crc16Text("00 01 00 0A"));
}

TEST(Crc16Text, OddLengthIgnoresTheLastDigit) { EXPECT_EQ(Crc16Text("01 03 10 00 00 25 7"), "D1 80"); }

TEST(Crc16Text, CoversTheBytesActuallySent) {
    // '0G' is sent as 0x00, so the CRC is that of 00 12.
    EXPECT_EQ(Crc16Text("0G 12"), Crc16Text("00 12"));
    // The line break between 01 and 02 is sent as one 0x00 byte.
    EXPECT_EQ(Crc16Text("01\r\n02"), Crc16Text("01 00 02"));
    const std::string frame = "01 中 02"_gbk;
    const std::uint16_t sent = Crc16Modbus(HexPairsToBytes(FormatHexPairs(frame)));
    char expected[6];
    std::snprintf(expected, sizeof expected, "%02X %02X", sent >> 8, sent & 0xFF);
    EXPECT_EQ(Crc16Text(frame), expected);
}

TEST(Crc16Modbus, KnownCheckValue) {
    EXPECT_EQ(Crc16Modbus("123456789"), 0x4B37);  // the catalogued check value of CRC-16/MODBUS
    EXPECT_EQ(Crc16Modbus(""), 0xFFFF);
}

// Shift-register CRC-16/MODBUS, one bit at a time.
std::uint16_t BitwiseModbus(const std::string& bytes) {
    std::uint16_t crc = 0xFFFF;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int i = 0; i < 8; ++i) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
}

TEST(Crc16CrossCheck, RandomFramesAgainstBitwiseRegister) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> length(0, 64);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> coin(0, 3);
    const char* const hexUpper = "0123456789ABCDEF";
    const char* const hexLower = "0123456789abcdef";
    for (int frame = 0; frame < 5000; ++frame) {
        std::string bytes;
        std::string text;
        const int n = length(rng);
        for (int i = 0; i < n; ++i) {
            const int b = byte(rng);
            bytes += static_cast<char>(b);
            const char* const digits = coin(rng) == 0 ? hexLower : hexUpper;
            // Spaces anywhere, sometimes none, sometimes between the digits of a pair.
            if (coin(rng) == 0) text += ' ';
            text += digits[b >> 4];
            if (coin(rng) == 0) text += "　"_gbk;
            text += digits[b & 0xF];
            if (coin(rng) != 0) text += ' ';
        }
        const std::uint16_t crc = BitwiseModbus(bytes);
        char expected[6];
        std::snprintf(expected, sizeof expected, "%02X %02X", crc >> 8, crc & 0xFF);
        ASSERT_EQ(Crc16Text(text), expected) << text;
        ASSERT_EQ(Crc16Modbus(bytes), crc);
    }
}

}  // namespace
}  // namespace vorta::codec
