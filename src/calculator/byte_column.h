#pragma once
// One column of the byte calculator: cut bytes out of a received line, read
// them as a big-endian number and run the column's arithmetic steps on it.
#include <cstdint>
#include <string>
#include <string_view>

namespace vorta::calculator {

// The line text is one hex cell ("A5 ") per received byte. Returns the digits
// of bytes number first .. first + count - 1 (counted from 1) joined without
// spaces; bytes past the end are missing, first or count below 1 gives "".
std::string ColumnHexDigits(std::string_view line, int first, int count);

// The digits (at most 8) as a 32-bit signed value, first byte most
// significant: four bytes of 0x80000000 or more come out negative.
std::int32_t ColumnValue(std::string_view hexDigits);

// The result box text: "%.13g".
std::string FormatResult(double value);

struct ColumnResult {
    std::string hexDigits;  // for the hex box
    std::string result;     // for the result box
};

// The whole evaluation of one checked column.
ColumnResult EvaluateColumn(std::string_view line, int first, int count, std::string_view steps);

}  // namespace vorta::calculator
