#include "codec/crc16.h"

#include <array>

#include "codec/hex_text.h"

namespace vorta::codec {

namespace {

constexpr std::array<std::uint16_t, 256> MakeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) != 0 ? (crc >> 1) ^ 0xA001u : crc >> 1;
        table[i] = static_cast<std::uint16_t>(crc);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = MakeTable();

}  // namespace

std::uint16_t Crc16Modbus(std::string_view bytes) {
    std::uint16_t crc = 0xFFFF;
    for (const char c : bytes) {
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kTable[(crc ^ static_cast<unsigned char>(c)) & 0xFFu]);
    }
    return crc;
}

std::string Crc16Bytes(std::uint16_t crc, bool lowFirst) {
    const char high = static_cast<char>(crc >> 8), low = static_cast<char>(crc & 0xFFu);
    return lowFirst ? std::string{low, high} : std::string{high, low};
}

std::string Crc16Text(std::string_view text) {
    std::string digits = RemoveSpaces(text);
    if (digits.size() % 2 != 0) digits.pop_back();
    std::string pairs;
    AppendHexCells(pairs, Crc16Bytes(Crc16Modbus(ParseHexFrame(digits).bytes), false));
    pairs.pop_back();
    return pairs;
}

}  // namespace vorta::codec
