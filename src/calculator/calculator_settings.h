#pragma once
// Where the calculator keeps its columns' choices in the settings file.
#include <string>
#include "codec/gbk_literal.h"

namespace vorta::calculator {

inline constexpr int kColumns = 4;
inline constexpr const char* kStartSection = "计算起始"_gbk;
inline constexpr const char* kStepsSection = "16进制数据"_gbk;

// Column 1..4: "1起" (first byte), "1几" (byte count), "数据1" (steps).
inline std::string FirstByteKey(int column) { return std::to_string(column) + "起"_gbk; }
inline std::string ByteCountKey(int column) { return std::to_string(column) + "几"_gbk; }
inline std::string StepsKey(int column) { return "数据"_gbk + std::to_string(column); }

// Put into column 4 when it has no stored steps.
inline constexpr const char* kColumn4DefaultSteps = "+1000\r\n-1000\r\n*1000\r\n/1000";

// Items of the combos: first byte "0".."29", byte count "0".."4".
inline constexpr int kFirstByteItems = 30;
inline constexpr int kByteCountItems = 5;

}  // namespace vorta::calculator
