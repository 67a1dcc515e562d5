#include "generator/line_layouts.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "codec/crc16.h"
#include "codec/gbk_literal.h"

namespace vorta::generator {

namespace {

// From this address on, a Q58 frame counts the address byte again from 00
// and sets the range byte to 01.
constexpr std::int32_t kQ58HighRangeStart = 253;

// Q58 frame with its CRC and the decimal address after the arrow.
std::string Q58Line(std::int32_t n, std::string_view channelCode) {
    std::string frame;
    if (n < kQ58HighRangeStart) {
        frame = Hex(n) + " 03 10 00 00 ";
    } else {
        frame = Hex(n - kQ58HighRangeStart) + " 03 10 00 01 ";
    }
    frame += channelCode;
    return frame + " " + codec::Crc16Text(frame) + "  → "_gbk + Dec(n);
}

}  // namespace

Layout LayoutFor(bool defaultDataChosen, std::string_view moduleTypeText) {
    if (!defaultDataChosen) return Layout::Custom;
    if (moduleTypeText == kQ58Module) return Layout::Q58;
    if (moduleTypeText == kQ20Module) return Layout::Q20;
    return Layout::None;
}

std::string ChannelCode(std::string_view channelCountText) {
    if (channelCountText == "1路"_gbk) return "0D";
    if (channelCountText == "4路"_gbk) return "16";
    if (channelCountText == "9路"_gbk) return "25";
    return "";
}

std::string Hex(std::int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02X", static_cast<std::uint32_t>(value));
    return buffer;
}

std::string Dec(std::int32_t value) { return std::to_string(value); }

std::string Line(Layout layout, std::int32_t n, std::string_view channelCode, std::string_view customBody) {
    switch (layout) {
    case Layout::Q58: return Q58Line(n, channelCode) + "\r\n";
    case Layout::Q20: return "EA " + Hex(n) + " " + Hex(n) + " BC  ← "_gbk + Dec(n) + "\r\n";
    case Layout::Custom: return Hex(n) + " " + std::string(customBody) + "\r\n";
    case Layout::None: break;
    }
    return "";
}

std::string GenerateLines(Layout layout, std::string_view channelCode, std::int32_t first, std::int32_t last,
                          std::string_view customBody) {
    std::string out;
    for (std::int32_t n = std::max(first, kLowestAddress); n <= std::min(last, kHighestAddress); ++n) {
        out += Line(layout, n, channelCode, customBody);
    }
    return out;
}

}  // namespace vorta::generator
