#pragma once
// The error texts that radix conversion returns in place of a number. Callers
// recognise them by content: the hex codec reads them as 0, the display tools
// look for the closing "进制数！".
#include <string>
#include <string_view>

namespace vorta::codec {

// Returned when a radix lies outside 2..36.
std::string RadixRangeErrorText();

// Returned when `text` is not a number in `radix`, which is named in Chinese numerals.
std::string NotANumberErrorText(std::string_view text, int radix);

}  // namespace vorta::codec
