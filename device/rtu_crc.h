#pragma once
// The CRC-16 that closes an RTU frame. Standard Modbus sends its low byte
// first; the program's default (its "反" box unchecked) and the generator's
// module lines send the high byte first. The device takes either and answers
// in the order it was asked.
#include <optional>
#include <string>
#include <string_view>

namespace vorta::device {

enum class CrcOrder { LowFirst, HighFirst };

struct CheckedFrame {
    std::string_view body;  // the frame without its two CRC bytes
    CrcOrder order;
    bool eitherOrder;  // both CRC bytes are equal: the frame does not tell the order
};

// The body of `frame` when its last two bytes are the CRC of the rest in either
// order (LowFirst and eitherOrder when both orders give the same bytes);
// nullopt otherwise.
std::optional<CheckedFrame> CheckCrc(std::string_view frame);

// `body` followed by its CRC in `order`.
std::string Seal(std::string_view body, CrcOrder order);

}  // namespace vorta::device
