#pragma once
// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF, no final XOR.
#include <cstdint>
#include <string>
#include <string_view>

namespace vorta::codec {

std::uint16_t Crc16Modbus(std::string_view bytes);

// A CRC as the two bytes sent after a frame: high byte first, or low byte first
// when `lowFirst` (the usual order of Modbus RTU).
std::string Crc16Bytes(std::uint16_t crc, bool lowFirst);

// The CRC of a hexadecimal frame text as 'HH LL' (high byte first), ready to
// be appended to the frame. Spaces are ignored and digits paired from the
// start; a last unpaired digit is ignored. It is computed over exactly the
// bytes that HexPairsToBytes(FormatHexPairs(text)) sends, so a pair that is
// not hexadecimal counts as the 0x00 sent for it.
std::string Crc16Text(std::string_view text);

}  // namespace vorta::codec
