#include "serial/telnet_codec.h"

namespace vorta::serial::telnet {

std::string EscapeData(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 64);
    for (const char c : bytes) {
        out += c;
        if (static_cast<unsigned char>(c) == kIac) out += c;
    }
    return out;
}

std::string Negotiation(unsigned char verb, unsigned char option) {
    return {static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(option)};
}

void Decoder::feed(std::string_view wire, std::string& data, std::vector<Event>& events) {
    for (const char c : wire) {
        const auto byte = static_cast<unsigned char>(c);
        switch (state_) {
        case State::kData:
            if (byte == kIac)
                state_ = State::kCommand;
            else
                data += c;
            break;
        case State::kCommand:
            if (byte == kIac) {
                data += c;  // an escaped 0xFF
                state_ = State::kData;
            } else if (byte >= kWill) {
                verb_ = byte;
                state_ = State::kOption;
            } else if (byte == kSb) {
                state_ = State::kSubOption;
            } else {
                state_ = State::kData;  // NOP, GA, AYT and the like carry nothing for us
            }
            break;
        case State::kOption:
            events.push_back({Event::Kind::kNegotiation, verb_, byte, {}});
            state_ = State::kData;
            break;
        case State::kSubOption:
            sub_ = {Event::Kind::kSubnegotiation, kSb, byte, {}};
            state_ = State::kSub;
            break;
        case State::kSub:
            if (byte == kIac)
                state_ = State::kSubIac;
            else
                sub_.payload += c;
            break;
        case State::kSubIac:
            if (byte == kIac) {
                sub_.payload += c;
                state_ = State::kSub;
            } else {
                // IAC SE ends it; any other command inside a subnegotiation is
                // a broken one, and it ends there too rather than eating data.
                events.push_back(std::move(sub_));
                sub_ = {};
                state_ = State::kData;
            }
            break;
        }
    }
}

}  // namespace vorta::serial::telnet

namespace vorta::serial::rfc2217 {

std::string ComPortCommand(unsigned char command, std::string_view value) {
    using namespace telnet;
    std::string out{static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(kComPort),
                    static_cast<char>(command)};
    out += EscapeData(value);
    out += static_cast<char>(kIac);
    out += static_cast<char>(kSe);
    return out;
}

std::string ComPortCommand(unsigned char command, unsigned char value) {
    return ComPortCommand(command, std::string(1, static_cast<char>(value)));
}

std::string BaudValue(std::uint32_t baud) {
    return {static_cast<char>(baud >> 24), static_cast<char>(baud >> 16), static_cast<char>(baud >> 8),
            static_cast<char>(baud)};
}

std::vector<SettingCommand> LineSettingCommands(const LineSettings& settings) {
    // RFC 2217's codes: parity 1 none, 2 odd, 3 even, 4 mark, 5 space; stop
    // size 1 one, 2 two, 3 one and a half.
    unsigned char parity = 1;
    switch (settings.parity) {
    case Parity::None: parity = 1; break;
    case Parity::Odd: parity = 2; break;
    case Parity::Even: parity = 3; break;
    case Parity::Mark: parity = 4; break;
    case Parity::Space: parity = 5; break;
    }
    unsigned char stop = 1;
    switch (settings.stopBits) {
    case StopBits::One: stop = 1; break;
    case StopBits::OneAndAHalf: stop = 3; break;
    case StopBits::Two: stop = 2; break;
    }
    const auto baud = static_cast<std::uint32_t>(settings.baudRate > 0 ? settings.baudRate : 0);
    return {
        {kSetBaudRate, BaudValue(baud)},
        {kSetDataSize, std::string(1, static_cast<char>(settings.dataBits))},
        {kSetParity, std::string(1, static_cast<char>(parity))},
        {kSetStopSize, std::string(1, static_cast<char>(stop))},
    };
}

}  // namespace vorta::serial::rfc2217
