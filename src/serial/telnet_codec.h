#pragma once
// The Telnet framing a serial device server speaks (RFC 854/855) and the COM
// port option on top of it (RFC 2217). Data bytes travel with 0xFF doubled;
// commands start with 0xFF (IAC). Pure functions and a decoder that keeps a
// command cut between two reads; the socket is network_port's.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "serial/line_settings.h"

namespace vorta::serial::telnet {

constexpr unsigned char kIac = 255;
constexpr unsigned char kDont = 254;
constexpr unsigned char kDo = 253;
constexpr unsigned char kWont = 252;
constexpr unsigned char kWill = 251;
constexpr unsigned char kSb = 250;
constexpr unsigned char kSe = 240;

constexpr unsigned char kBinary = 0;
constexpr unsigned char kSuppressGoAhead = 3;
constexpr unsigned char kComPort = 44;

// Data as it goes on the wire: every 0xFF doubled.
std::string EscapeData(std::string_view bytes);
// IAC <verb> <option>.
std::string Negotiation(unsigned char verb, unsigned char option);

struct Event {
    enum class Kind { kNegotiation, kSubnegotiation };
    Kind kind = Kind::kNegotiation;
    unsigned char verb = 0;    // kWill, kWont, kDo or kDont for a negotiation
    unsigned char option = 0;  // the option negotiated or subnegotiated
    std::string payload;       // a subnegotiation's bytes after the option, unescaped
    bool operator==(const Event&) const = default;
};

// Splits what a server sent into data and commands, in any pieces.
class Decoder {
public:
    // Appends the data bytes of `wire` to `data` and its commands to `events`.
    void feed(std::string_view wire, std::string& data, std::vector<Event>& events);

private:
    enum class State { kData, kCommand, kOption, kSubOption, kSub, kSubIac };
    State state_ = State::kData;
    unsigned char verb_ = 0;
    Event sub_;
};

}  // namespace vorta::serial::telnet

namespace vorta::serial::rfc2217 {

// Client-to-server command codes; the server answers with the code + 100.
enum Command : unsigned char {
    kSetBaudRate = 1,
    kSetDataSize = 2,
    kSetParity = 3,
    kSetStopSize = 4,
    kSetControl = 5,
    kNotifyLineState = 6,
    kNotifyModemState = 7,
    kFlowControlSuspend = 8,
    kFlowControlResume = 9,
    kSetLineStateMask = 10,
    kSetModemStateMask = 11,
    kPurgeData = 12,
};
constexpr unsigned char kServerOffset = 100;

// SET-CONTROL values used here.
enum Control : unsigned char {
    kNoFlowControl = 1,
    kXonXoff = 2,
    kHardwareFlowControl = 3,
    kBreakOn = 5,
    kBreakOff = 6,
    kDtrOn = 8,
    kDtrOff = 9,
    kRtsOn = 11,
    kRtsOff = 12,
};

// IAC SB COM-PORT-OPTION <command> <value, escaped> IAC SE.
std::string ComPortCommand(unsigned char command, std::string_view value);
std::string ComPortCommand(unsigned char command, unsigned char value);

// One command per line setting, in the order sent: baud rate, data size,
// parity, stop size. Each has the value the server is to confirm.
struct SettingCommand {
    unsigned char command = 0;
    std::string value;
};
std::vector<SettingCommand> LineSettingCommands(const LineSettings& settings);

// The value of a baud-rate command or answer (four bytes, network order).
std::string BaudValue(std::uint32_t baud);

}  // namespace vorta::serial::rfc2217
