#include "device/q20_reply.h"

namespace vorta::device {

std::optional<int> Q20Address(std::string_view frame) {
    if (frame.size() != 4) return std::nullopt;
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(frame[i]); };
    if (b(0) != 0xEA || b(3) != 0xBC || b(1) != b(2)) return std::nullopt;
    return b(1);
}

std::string Q20Reply(int address, std::uint16_t measurement) {
    const int high = measurement >> 8, low = measurement & 0xFF;
    return {static_cast<char>(0xEB),
            static_cast<char>(address),
            static_cast<char>(high),
            static_cast<char>(low),
            static_cast<char>((address + high + low) & 0xFF),
            static_cast<char>(0xBC)};
}

}  // namespace vorta::device
