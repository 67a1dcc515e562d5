#pragma once
// Frames written as hex text in the tests, and bytes shown as hex text in failures.
#include <cstdio>
#include <string>
#include <string_view>

#include "codec/crc16.h"
#include "codec/hex_text.h"

namespace vorta::device::testing {

inline std::string Bytes(std::string_view hexText) { return codec::HexPairsToBytes(hexText); }

inline std::string Hex(std::string_view bytes) {
    std::string text;
    char cell[4];
    for (unsigned char b : bytes) {
        std::snprintf(cell, sizeof cell, text.empty() ? "%02X" : " %02X", b);
        text += cell;
    }
    return text;
}

// The frame with its CRC appended, low byte first as standard Modbus sends it.
inline std::string WithCrcLowFirst(std::string body) {
    const std::uint16_t crc = codec::Crc16Modbus(body);
    body += static_cast<char>(crc & 0xFF);
    body += static_cast<char>(crc >> 8);
    return body;
}

// The frame with its CRC high byte first, as the program sends by default.
inline std::string WithCrcHighFirst(std::string body) {
    const std::uint16_t crc = codec::Crc16Modbus(body);
    body += static_cast<char>(crc >> 8);
    body += static_cast<char>(crc & 0xFF);
    return body;
}

}  // namespace vorta::device::testing
