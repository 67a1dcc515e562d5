#pragma once
#include "codec/gbk_literal.h"
// Where the generator window keeps its choices in the settings file, and the
// size of its address lists.
namespace vorta::generator {

inline constexpr const char* kSection = "MoKuai";
inline constexpr const char* kTypeKey = "类型"_gbk;  // selected module type index
inline constexpr const char* kTypeDefault = "0";
inline constexpr const char* kChannelsKey = "路数"_gbk;  // selected channel count index
inline constexpr const char* kChannelsDefault = "2";
inline constexpr const char* kFirstKey = "地址起"_gbk;  // first address text
inline constexpr const char* kFirstDefault = "0";
inline constexpr const char* kLastKey = "地址终"_gbk;  // last address text
inline constexpr const char* kLastDefault = "251";

// Q58 modules take two ranges of addresses, Q20 modules one byte.
inline constexpr int kQ58AddressCount = 506;
inline constexpr int kQ20AddressCount = 255;

}  // namespace vorta::generator
