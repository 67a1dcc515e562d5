#pragma once
// Natural numbers of any size, as 32-bit limbs (least significant first, no
// high zero limbs; zero is the empty vector), and their digit texts in bases
// 2 to 36. A base that is a power of two is packed and unpacked bit by bit in
// linear time; other bases take one multiply or divide pass per group of
// digits, quadratic in the length.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorta::codec {

inline constexpr std::string_view kDigitAlphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

using Limbs = std::vector<std::uint32_t>;

// `digits` holds only characters of kDigitAlphabet below `radix`; leading zeros are allowed.
Limbs DigitsToLimbs(std::string_view digits, int radix);

// Upper-case digits without leading zeros; "0" for zero.
std::string LimbsToDigits(Limbs value, int radix);

}  // namespace vorta::codec
