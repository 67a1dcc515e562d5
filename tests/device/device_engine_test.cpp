// The device's answers, frame by frame, without a pseudo-terminal.
#include "device/device_engine.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "device/q20_reply.h"
#include "device/rtu_crc.h"
#include "device/frames.h"

namespace vorta::device {
namespace {
using testing::Bytes;
using testing::Hex;
using testing::WithCrcHighFirst;
using testing::WithCrcLowFirst;

const Moment kAt{12'345'678, 8, 15, 42};  // 12.3 s after start, 08:15:42

int Reg(const std::string& reply, int index) {
    return static_cast<unsigned char>(reply[3 + 2 * index]) << 8 | static_cast<unsigned char>(reply[4 + 2 * index]);
}

TEST(DeviceEngine, ProgramDefaultFrameIsAnsweredInTheCrcOrderItCameIn) {
    DeviceEngine engine;
    // The send box's default with the CRC high byte first (the program's default) ...
    const std::string highFirst = engine.answer(Bytes("01 03 10 00 00 25 D1 80"), kAt);
    ASSERT_EQ(highFirst.size(), 3u + 74 + 2) << Hex(highFirst);
    EXPECT_EQ(Hex(highFirst.substr(0, 3)), "01 03 4A");
    const auto checked = CheckCrc(highFirst);
    ASSERT_TRUE(checked);
    EXPECT_EQ(checked->order, CrcOrder::HighFirst);
    // ... and low byte first ("反" checked, standard Modbus).
    const std::string lowFirst = engine.answer(Bytes("01 03 10 00 00 25 80 D1"), kAt);
    ASSERT_TRUE(CheckCrc(lowFirst));
    EXPECT_EQ(CheckCrc(lowFirst)->order, CrcOrder::LowFirst);
    EXPECT_EQ(lowFirst.substr(0, 3 + 2 * 6), highFirst.substr(0, 3 + 2 * 6));

    // The live block: station, counter, measurement, time of day, frames answered.
    EXPECT_EQ(Reg(highFirst, 0), 1);
    EXPECT_EQ(Reg(highFirst, 1), 123);
    EXPECT_EQ(Reg(highFirst, 2), DataModel::measurement(kAt.sinceStartMicros));
    EXPECT_EQ(Reg(highFirst, 3), 8);
    EXPECT_EQ(Reg(highFirst, 4), 15);
    EXPECT_EQ(Reg(highFirst, 5), 42);
    EXPECT_EQ(Reg(highFirst, 6), 0);
    EXPECT_EQ(Reg(lowFirst, 6), 1);
    for (int i = 7; i < 37; ++i) EXPECT_EQ(Reg(highFirst, i), 0) << i;
}

// A read of one register at `start` whose CRC has two equal bytes, so the frame does not show its order.
std::string FrameWithEqualCrcBytes() {
    for (int start = 0; start < 0x10000; ++start) {
        const std::string frame =
            WithCrcLowFirst({1, 3, static_cast<char>(start >> 8), static_cast<char>(start), 0, 1});
        if (frame[6] == frame[7]) return frame;
    }
    return {};
}

TEST(DeviceEngine, RequestThatDoesNotShowItsCrcOrderIsAnsweredInTheMastersLastOrder) {
    const std::string ambiguous = FrameWithEqualCrcBytes();
    ASSERT_FALSE(ambiguous.empty());
    ASSERT_TRUE(CheckCrc(ambiguous)->eitherOrder);
    auto order = [](const std::string& reply) {
        EXPECT_TRUE(CheckCrc(reply));
        return reply == Seal(reply.substr(0, reply.size() - 2), CrcOrder::HighFirst) ? CrcOrder::HighFirst
                                                                                     : CrcOrder::LowFirst;
    };
    DeviceEngine engine(*AddressList::parse("1"));
    EXPECT_EQ(order(engine.answer(ambiguous, kAt)), CrcOrder::LowFirst);  // the standard, before anything else
    engine.answer(Bytes("01 03 10 00 00 25 D1 80"), kAt);
    EXPECT_EQ(order(engine.answer(ambiguous, kAt)), CrcOrder::HighFirst);
    // A frame for another address shows the master's order too.
    EXPECT_EQ(Hex(engine.answer(WithCrcLowFirst(Bytes("09 03 00 00 00 01")), kAt)), "");
    EXPECT_EQ(order(engine.answer(ambiguous, kAt)), CrcOrder::LowFirst);
}

TEST(DeviceEngine, WrongCrcTruncatedOtherAddressesAndBroadcastGetNoAnswer) {
    DeviceEngine engine(*AddressList::parse("1-5,7"));
    EXPECT_EQ(Hex(engine.answer(Bytes("01 03 10 00 00 25 D1 81"), kAt)), "");  // CRC off by one bit
    EXPECT_EQ(Hex(engine.answer(Bytes("01 03 10 00 00 25 D1"), kAt)), "");     // last byte missing
    EXPECT_EQ(Hex(engine.answer(Bytes("01 03 10 00"), kAt)), "");
    EXPECT_EQ(Hex(engine.answer(Bytes("01"), kAt)), "");
    EXPECT_EQ(Hex(engine.answer("", kAt)), "");
    EXPECT_EQ(Hex(engine.answer(WithCrcLowFirst(Bytes("01")), kAt)), "");                 // no function code
    EXPECT_EQ(Hex(engine.answer(WithCrcLowFirst(Bytes("06 03 00 00 00 01")), kAt)), "");  // not in the list
    EXPECT_FALSE(engine.answer(WithCrcLowFirst(Bytes("07 03 00 00 00 01")), kAt).empty());
    // 248-255 are reserved in Modbus; a plain request there is not answered.
    DeviceEngine all;
    EXPECT_EQ(Hex(all.answer(WithCrcLowFirst(Bytes("F8 03 00 00 00 01")), kAt)), "");
    EXPECT_EQ(Hex(all.answer(WithCrcLowFirst(Bytes("FF 03 00 00 00 01")), kAt)), "");
    EXPECT_FALSE(all.answer(WithCrcLowFirst(Bytes("F7 03 00 00 00 01")), kAt).empty());

    // A broadcast write is carried out in silence.
    EXPECT_EQ(Hex(all.answer(WithCrcLowFirst(Bytes("00 06 00 10 12 34")), kAt)), "");
    EXPECT_EQ(Hex(all.answer(WithCrcLowFirst(Bytes("02 03 00 10 00 01")), kAt)),
              Hex(WithCrcLowFirst(Bytes("02 03 02 12 34"))));
}

TEST(DeviceEngine, WritesAreReadBackThroughBothViews) {
    DeviceEngine e;
    auto ask = [&](const char* hex) { return Hex(e.answer(WithCrcLowFirst(Bytes(hex)), kAt)); };
    auto expect = [](const char* hex) { return Hex(WithCrcLowFirst(Bytes(hex))); };
    // 06 and 05 echo the request.
    EXPECT_EQ(ask("01 06 00 05 AB CD"), expect("01 06 00 05 AB CD"));
    EXPECT_EQ(ask("01 05 00 03 FF 00"), expect("01 05 00 03 FF 00"));
    // 16 writes three registers, 15 writes ten coils (bits low first).
    EXPECT_EQ(ask("01 10 00 06 00 03 06 00 01 00 02 00 03"), expect("01 10 00 06 00 03"));
    EXPECT_EQ(ask("01 0F 00 10 00 0A 02 CD 01"), expect("01 0F 00 10 00 0A"));
    // Holding (03) and input (04) registers are the same memory.
    EXPECT_EQ(ask("01 03 00 04 00 05"), expect("01 03 0A 00 00 AB CD 00 01 00 02 00 03"));
    EXPECT_EQ(ask("01 04 00 04 00 05"), expect("01 04 0A 00 00 AB CD 00 01 00 02 00 03"));
    // Coils (01) and discrete inputs (02) likewise; bits past the count are 0.
    EXPECT_EQ(ask("01 01 00 00 00 05"), expect("01 01 01 08"));
    EXPECT_EQ(ask("01 02 00 10 00 0A"), expect("01 02 02 CD 01"));
    EXPECT_EQ(ask("01 05 00 03 00 00"), expect("01 05 00 03 00 00"));
    EXPECT_EQ(ask("01 01 00 00 00 05"), expect("01 01 01 00"));
    // The memory is shared by every address.
    EXPECT_EQ(ask("09 03 00 05 00 01"), expect("09 03 02 AB CD"));
    // The extreme ranges still fit.
    EXPECT_EQ(ask("01 06 FF FF 00 07"), expect("01 06 FF FF 00 07"));
    EXPECT_EQ(ask("01 03 FF FF 00 01"), expect("01 03 02 00 07"));
    EXPECT_EQ(e.answer(WithCrcLowFirst(Bytes("01 01 F8 30 07 D0")), kAt).size(), 3u + 250 + 2);
}

TEST(DeviceEngine, ExceptionsFollowTheModbusRules) {
    DeviceEngine e;
    auto ask = [&](const char* hex) { return Hex(e.answer(WithCrcLowFirst(Bytes(hex)), kAt)); };
    auto expect = [](const char* hex) { return Hex(WithCrcLowFirst(Bytes(hex))); };
    // 01: functions the device does not have, such as 2B (device identification).
    EXPECT_EQ(ask("01 2B 0E 01 00"), expect("01 AB 01"));
    EXPECT_EQ(ask("01 07"), expect("01 87 01"));
    EXPECT_EQ(ask("01 83 00 00 00 01"), expect("01 83 01"));
    // 03: quantities out of bounds, checked before the address range.
    EXPECT_EQ(ask("01 03 00 00 00 7E"), expect("01 83 03"));
    EXPECT_EQ(ask("01 03 FF FF 00 00"), expect("01 83 03"));
    EXPECT_EQ(ask("01 01 00 00 07 D1"), expect("01 81 03"));
    EXPECT_EQ(ask("01 10 00 00 00 7C F8"), expect("01 90 03"));
    EXPECT_EQ(ask("01 0F 00 00 00 09 01 FF"), expect("01 8F 03"));        // 9 coils need 2 bytes
    EXPECT_EQ(ask("01 10 00 00 00 02 04 00 01 00"), expect("01 90 03"));  // one data byte short
    EXPECT_EQ(ask("01 05 00 00 12 34"), expect("01 85 03"));              // a coil is FF00 or 0000
    EXPECT_EQ(ask("01 03 00 00 00 01 00"), expect("01 83 03"));           // request too long
    EXPECT_EQ(ask("01 06 00 01"), expect("01 86 03"));                    // request too short
    // 02: address ranges past FFFF and writes to live registers.
    EXPECT_EQ(ask("01 03 FF FF 00 02"), expect("01 83 02"));
    EXPECT_EQ(ask("01 02 FF F0 00 11"), expect("01 82 02"));
    EXPECT_EQ(ask("01 06 10 01 00 00"), expect("01 86 02"));
    EXPECT_EQ(ask("01 10 0F FF 00 02 04 00 01 00 02"), expect("01 90 02"));
    EXPECT_EQ(ask("01 06 10 07 00 09"), expect("01 06 10 07 00 09"));  // just past the live block
    // The failed write left the register before the live block unchanged.
    EXPECT_EQ(ask("01 03 0F FF 00 01"), expect("01 03 02 00 00"));
}

// The batch generator's Q58 module lines for addresses 1 to 506 (9路: 37 registers).
std::string Q58Line(int n) {
    const int low = n <= 252 ? n : n - 253;
    return WithCrcHighFirst({static_cast<char>(low), 0x03, 0x10, 0x00, static_cast<char>(n <= 252 ? 0 : 1), 0x25});
}

TEST(DeviceEngine, EveryQ58ModuleOneTo506Answers) {
    DeviceEngine engine;
    for (int n = 1; n <= 506; ++n) {
        const std::string line = Q58Line(n);
        const std::string reply = engine.answer(line, kAt);
        ASSERT_EQ(reply.size(), 79u) << "module " << n << ": " << Hex(line);
        EXPECT_EQ(reply[0], line[0]) << n;
        EXPECT_EQ(Hex(reply.substr(1, 2)), "03 4A") << n;
        EXPECT_EQ(Reg(reply, 0), n);  // the module that answered
        EXPECT_EQ(Hex(reply), Hex(Seal(reply.substr(0, 77), CrcOrder::HighFirst))) << n;
    }
    // The generator's own boundary lines.
    EXPECT_EQ(Reg(engine.answer(Bytes("FC 03 10 00 00 25 3C 95"), kAt), 0), 252);
    EXPECT_EQ(Reg(engine.answer(Bytes("00 03 10 00 01 25 90 80"), kAt), 0), 253);
    EXPECT_EQ(Reg(engine.answer(Bytes("FD 03 10 00 01 25 7D 95"), kAt), 0), 506);
    // The other channel counts read fewer registers.
    EXPECT_EQ(engine.answer(Bytes("01 03 10 00 00 0D CF 80"), kAt).size(), 3u + 26 + 2);
    // Past module 506, and modules left out of the list, stay silent.
    EXPECT_EQ(Hex(engine.answer(WithCrcHighFirst(Bytes("FE 03 10 00 01 25")), kAt)), "");
    DeviceEngine some(*AddressList::parse("1-300"));
    EXPECT_FALSE(some.answer(Q58Line(300), kAt).empty());
    EXPECT_EQ(Hex(some.answer(Q58Line(301), kAt)), "");
}

TEST(DeviceEngine, Q20PollsGetTheirShortReply) {
    DeviceEngine engine;
    const std::uint16_t m = DataModel::measurement(kAt.sinceStartMicros);
    for (int n = 1; n <= 255; ++n) {
        const std::string poll{'\xEA', static_cast<char>(n), static_cast<char>(n), '\xBC'};
        const std::string reply = engine.answer(poll, kAt);
        ASSERT_EQ(reply.size(), 6u) << n;
        EXPECT_EQ(reply, Q20Reply(n, m));
    }
    EXPECT_EQ(Hex(Q20Reply(1, 0x00FD)), "EB 01 00 FD FE BC");
    EXPECT_EQ(Hex(Q20Reply(0x20, 0x012C)), "EB 20 01 2C 4D BC");
    EXPECT_EQ(Hex(engine.answer(Bytes("EA 01 02 BC"), kAt)), "");  // the two addresses differ
    EXPECT_EQ(Hex(engine.answer(Bytes("EA 00 00 BC"), kAt)), "");  // no module 0
    EXPECT_EQ(Hex(engine.answer(Bytes("EA 01 01 BC 00"), kAt)), "");
    DeviceEngine some(*AddressList::parse("2"));
    EXPECT_EQ(Hex(some.answer(Bytes("EA 01 01 BC"), kAt)), "");
}

TEST(DataModel, LiveValuesMoveAndStayInTheirRanges) {
    DataModel model;
    std::uint16_t lowest = 0xFFFF, highest = 0;
    for (std::int64_t s = 0; s < 60; ++s) {
        const std::uint16_t m = DataModel::measurement(s * 1'000'000);
        lowest = std::min(lowest, m);
        highest = std::max(highest, m);
    }
    EXPECT_EQ(lowest, 200);
    EXPECT_EQ(highest, 300);
    EXPECT_EQ(DataModel::measurement(0), 250);
    // It moves slowly: at most about half a degree a second.
    for (std::int64_t s = 0; s < 60; ++s)
        EXPECT_LE(std::abs(DataModel::measurement(s * 1'000'000) - DataModel::measurement((s + 1) * 1'000'000)), 6);
    const Moment late{6'553'600'000, 23, 59, 59};  // the counter wraps after 6553.6 s
    EXPECT_EQ(model.reg(DataModel::kCounterRegister, 1, late), 0);
    EXPECT_EQ(model.reg(DataModel::kCounterRegister, 1, {6'553'700'000}), 1);
    EXPECT_EQ(model.reg(0x1000, 300, late), 300);
}

}  // namespace
}  // namespace vorta::device
