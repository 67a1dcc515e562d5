#include "device/rtu_crc.h"

#include "codec/crc16.h"

namespace vorta::device {

std::optional<CheckedFrame> CheckCrc(std::string_view frame) {
    if (frame.size() < 3) return std::nullopt;
    const std::string_view body = frame.substr(0, frame.size() - 2);
    const std::uint16_t crc = codec::Crc16Modbus(body);
    const auto first = static_cast<unsigned char>(frame[frame.size() - 2]);
    const auto second = static_cast<unsigned char>(frame[frame.size() - 1]);
    const unsigned low = crc & 0xFF, high = crc >> 8;
    if (first == low && second == high) return CheckedFrame{body, CrcOrder::LowFirst, low == high};
    if (first == high && second == low) return CheckedFrame{body, CrcOrder::HighFirst, false};
    return std::nullopt;
}

std::string Seal(std::string_view body, CrcOrder order) {
    const std::uint16_t crc = codec::Crc16Modbus(body);
    const char low = static_cast<char>(crc & 0xFF), high = static_cast<char>(crc >> 8);
    std::string frame(body);
    if (order == CrcOrder::LowFirst) {
        frame += low;
        frame += high;
    } else {
        frame += high;
        frame += low;
    }
    return frame;
}

}  // namespace vorta::device
