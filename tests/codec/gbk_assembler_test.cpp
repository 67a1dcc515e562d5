#include "codec/gbk_assembler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "codec/gbk_literal.h"

namespace vorta::codec {
namespace {

std::vector<std::string> FeedAll(GbkAssembler& a, const std::vector<unsigned char>& bytes) {
    std::vector<std::string> out;
    for (unsigned char b : bytes) out.push_back(a.feed(b));
    return out;
}

TEST(GbkAssembler, AsciiPassesStraightThrough) {
    GbkAssembler a;
    EXPECT_EQ(FeedAll(a, {'O', 'K', '\r', '\n'}), (std::vector<std::string>{"O", "K", "\r", "\n"}));
    EXPECT_EQ(a.feed(0x00), "");
}

TEST(GbkAssembler, TwoHighBytesMakeOneCharacter) {
    GbkAssembler a;
    EXPECT_EQ(FeedAll(a, {0xD6, 0xD0}), (std::vector<std::string>{"", "中"_gbk}));
    EXPECT_EQ(FeedAll(a, {0xCE, 0xC4, 'x'}), (std::vector<std::string>{"", "文"_gbk, "x"}));
}

TEST(GbkAssembler, LeadBytePendsAcrossAsciiBytes) {
    GbkAssembler a;
    EXPECT_EQ(FeedAll(a, {0xD6, 0x41, 0x00, 0xD0}), (std::vector<std::string>{"", "A", "", "中"_gbk}));
}

TEST(GbkAssembler, LowTrailByteIsNotReassembled) {
    GbkAssembler a;
    // 81 40 is a GBK character, but 0x40 shows as '@' and 81 waits for the next high byte.
    EXPECT_EQ(FeedAll(a, {0x81, 0x40, 0xB0}), (std::vector<std::string>{"", "@", "\x81\xB0"}));
    EXPECT_EQ(a.feed(0xA1), "");  // the buffer was emptied: A1 is a new lead byte
}

}  // namespace
}  // namespace vorta::codec
