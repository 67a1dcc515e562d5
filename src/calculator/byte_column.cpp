#include "calculator/byte_column.h"

#include <cstdio>

#include "calculator/steps.h"
#include "codec/gbk_text.h"
#include "codec/radix.h"

namespace vorta::calculator {

namespace {
constexpr std::size_t kCellWidth = 3;  // two digits and a space per byte
}

std::string ColumnHexDigits(std::string_view line, int first, int count) {
    std::string digits;
    if (first < 1 || count < 1) return digits;
    for (int i = 0; i < count; ++i) {
        const std::size_t at = (static_cast<std::size_t>(first) - 1 + i) * kCellWidth;
        if (at >= line.size()) break;
        digits += line.substr(at, 2);
    }
    return digits;
}

std::int32_t ColumnValue(std::string_view hexDigits) {
    std::string digits(hexDigits);
    // ConvertRadix gives the exact decimal value ("0" for no digits); reading
    // it back wraps it into 32 bits, which makes FFFFFFFF read as -1.
    return codec::TextToInt(codec::ConvertRadix(digits, 16, 10));
}

std::string FormatResult(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.13g", value);
    return buffer;
}

ColumnResult EvaluateColumn(std::string_view line, int first, int count, std::string_view steps) {
    ColumnResult out;
    out.hexDigits = ColumnHexDigits(line, first, count);
    out.result = FormatResult(ApplySteps(ColumnValue(out.hexDigits), steps));
    return out;
}

}  // namespace vorta::calculator
