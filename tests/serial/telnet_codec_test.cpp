#include "serial/telnet_codec.h"

#include <gtest/gtest.h>

#include "serial/network_address.h"

namespace vorta::serial {
namespace {

using telnet::Event;
using Kind = telnet::Event::Kind;

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (const int v : values) s += static_cast<char>(v);
    return s;
}

TEST(TelnetCodecTest, EveryByteValueSurvivesEscapingAndDecoding) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    const std::string wire = telnet::EscapeData(all + all);
    EXPECT_EQ(wire.size(), 514u);  // two 0xFF, each doubled
    telnet::Decoder decoder;
    std::string data;
    std::vector<Event> events;
    decoder.feed(wire, data, events);
    EXPECT_EQ(data, all + all);
    EXPECT_TRUE(events.empty());
}

// Each stream is decoded whole and cut at every position; both give the same.
TEST(TelnetCodecTest, CommandsAreTakenOutOfTheDataWhereverTheStreamIsCut) {
    const struct {
        std::string wire;
        std::string data;
        std::vector<Event> events;
    } cases[] = {
        {Bytes({'a', 255, 251, 44, 'b'}), "ab", {{Kind::kNegotiation, 251, 44, {}}}},
        {Bytes({255, 250, 44, 101, 0, 1, 194, 0, 255, 240, 'x'}),
         "x",
         {{Kind::kSubnegotiation, 250, 44, Bytes({101, 0, 1, 194, 0})}}},
        // An escaped 0xFF inside a subnegotiation's value, and one in the data.
        {Bytes({255, 250, 44, 101, 255, 255, 0, 0, 0, 255, 240, 255, 255}),
         Bytes({255}),
         {{Kind::kSubnegotiation, 250, 44, Bytes({101, 255, 0, 0, 0})}}},
        // NOP and GA carry nothing; a subnegotiation broken by another command ends there.
        {Bytes({'1', 255, 241, '2', 255, 249, '3'}), "123", {}},
        {Bytes({255, 250, 44, 107, 255, 253, 3, 'z'}),
         Bytes({3, 'z'}),
         {{Kind::kSubnegotiation, 250, 44, Bytes({107})}}},
    };
    for (const auto& c : cases) {
        for (std::size_t cut = 0; cut <= c.wire.size(); ++cut) {
            telnet::Decoder decoder;
            std::string data;
            std::vector<Event> events;
            decoder.feed(std::string_view(c.wire).substr(0, cut), data, events);
            decoder.feed(std::string_view(c.wire).substr(cut), data, events);
            EXPECT_EQ(data, c.data) << "cut at " << cut;
            EXPECT_EQ(events, c.events) << "cut at " << cut;
        }
    }
}

TEST(TelnetCodecTest, LineSettingsBecomeComPortCommands) {
    LineSettings s;
    s.baudRate = 921600;
    s.dataBits = 7;
    s.parity = Parity::Space;
    s.stopBits = StopBits::Two;
    std::string wire;
    for (const auto& c : rfc2217::LineSettingCommands(s)) wire += rfc2217::ComPortCommand(c.command, c.value);
    EXPECT_EQ(wire, Bytes({255, 250, 44, 1, 0, 14,  16,  0,   255, 240, 255, 250, 44,  2,  7, 255, 240,  //
                           255, 250, 44, 3, 5, 255, 240, 255, 250, 44,  4,   2,   255, 240}));
    // A value byte of 0xFF is escaped inside the command too.
    EXPECT_EQ(rfc2217::ComPortCommand(rfc2217::kSetBaudRate, rfc2217::BaudValue(0xFF)),
              Bytes({255, 250, 44, 1, 0, 0, 0, 255, 255, 255, 240}));
}

TEST(NetworkAddressTest, TheTwoSchemesWithNamesAndAddressesOfBothFamilies) {
    using P = NetworkAddress::Protocol;
    const struct {
        const char* text;
        bool ok;
        P protocol;
        const char* host;
        const char* port;
    } cases[] = {
        {"rfc2217://192.168.1.20:3001", true, P::kRfc2217, "192.168.1.20", "3001"},
        {"tcp://gateway.plant:4001/", true, P::kRawTcp, "gateway.plant", "4001"},
        {"rfc2217://[fe80::1%eth0]:3001", true, P::kRfc2217, "fe80::1%eth0", "3001"},
        {"tcp://[::1]:65535", true, P::kRawTcp, "::1", "65535"},
        {"rfc2217://host", false, P::kRfc2217, "", ""},
        {"rfc2217://host:0", false, P::kRfc2217, "", ""},
        {"rfc2217://host:65536", false, P::kRfc2217, "", ""},
        {"rfc2217://host:30x1", false, P::kRfc2217, "", ""},
        {"tcp://::1:3001", false, P::kRfc2217, "", ""},  // IPv6 without brackets
        {"tcp://[::1]3001", false, P::kRfc2217, "", ""},
        {"tcp://:3001", false, P::kRfc2217, "", ""},
        {"telnet://host:23", false, P::kRfc2217, "", ""},
        {"/dev/ttyUSB0", false, P::kRfc2217, "", ""},
    };
    for (const auto& c : cases) {
        const auto a = ParseNetworkAddress(c.text);
        ASSERT_EQ(a.has_value(), c.ok) << c.text;
        if (!a) continue;
        EXPECT_EQ(a->protocol, c.protocol) << c.text;
        EXPECT_EQ(a->host, c.host) << c.text;
        EXPECT_EQ(a->port, c.port) << c.text;
    }
    EXPECT_TRUE(IsNetworkAddress("tcp://broken"));
    EXPECT_FALSE(IsNetworkAddress("/dev/pts/3"));
}

}  // namespace
}  // namespace vorta::serial
