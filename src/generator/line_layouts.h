#pragma once
// The polling lines the batch generator writes, one per device address, and
// the whole output text for a range of addresses.
#include <cstdint>
#include <string>
#include <string_view>
#include "codec/gbk_literal.h"

namespace vorta::generator {

// Which line the generator builds, decided by the two radio buttons and the
// module type. `None` (no module type selected) builds nothing.
enum class Layout { Q58, Q20, Custom, None };

inline constexpr const char* kQ58Module = "Q58模块"_gbk;
inline constexpr const char* kQ20Module = "Q20模块"_gbk;
inline constexpr const char* kDefaultCustomBody = "03 00 64 00 25";

// Custom when "默认数据" is not chosen, else by the module type's text.
Layout LayoutFor(bool defaultDataChosen, std::string_view moduleTypeText);

// "1路" -> "0D", "4路" -> "16", "9路" -> "25"; anything else (no selection) -> "".
std::string ChannelCode(std::string_view channelCountText);

// At least two upper-case hexadecimal digits ("%02X"); above 255 takes more.
// A negative value shows its 32-bit two's complement, as printf does.
std::string Hex(std::int32_t value);
// Decimal without padding.
std::string Dec(std::int32_t value);

// One line for address n, ending in "\r\n"; empty for Layout::None.
std::string Line(Layout layout, std::int32_t n, std::string_view channelCode, std::string_view customBody);

// The addresses a three-character address box can hold, "-99" to "999".
inline constexpr std::int32_t kLowestAddress = -99;
inline constexpr std::int32_t kHighestAddress = 999;

// The lines for first..last inclusive, ascending; empty when first > last.
// Addresses outside kLowestAddress..kHighestAddress, which no address box can
// show, are left out: at most 1,099 lines, whatever the numbers.
std::string GenerateLines(Layout layout, std::string_view channelCode, std::int32_t first, std::int32_t last,
                          std::string_view customBody);

}  // namespace vorta::generator
