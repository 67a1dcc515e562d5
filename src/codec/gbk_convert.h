#pragma once
// GBK (code page 936) texts of the logic and the UTF-8 names the Linux file
// system uses. File-system names and port notes go through here; the user
// interface has its own conversion at the toolkit boundary.
#include <optional>
#include <string>
#include <string_view>

namespace vorta::codec {

// Exact conversions: nullopt when some character cannot be converted.
std::optional<std::string> GbkToUtf8Exact(std::string_view gbk);
std::optional<std::string> Utf8ToGbkExact(std::string_view utf8);

// Lenient conversions: a byte that cannot be converted is kept as it is, so a
// name that is already plain ASCII, or not text at all, still reaches the disk.
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace vorta::codec
