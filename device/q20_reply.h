#pragma once
// Q20 module frames, as the batch generator writes them: four bytes
// EA, address, address, BC, without a CRC. The device answers with six bytes
//   EB  address  MH ML  CS  BC
// where MH ML is the measurement (register 0x1002, tenths of a degree, high
// byte first) and CS the low byte of address + MH + ML.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorta::device {

// The module address of a Q20 poll, or nullopt when `frame` is not one.
std::optional<int> Q20Address(std::string_view frame);

std::string Q20Reply(int address, std::uint16_t measurement);

}  // namespace vorta::device
