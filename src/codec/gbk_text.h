#pragma once
// Basic rules for GBK (code page 936) text held in std::string: where a
// character ends, full-width forms to ASCII, ASCII upper case, and the one
// way the program reads a typed or stored number.
//
// A character is one byte below 0x80, or a lead byte 0x80-0xFF together with
// the byte after it. Every length and position is in bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorta::codec {

// Bytes of the character starting at `pos` (pos < s.size()): 1 for a byte
// below 0x80, 2 for a lead byte with a byte after it, 1 for a lead byte that
// is the last byte of `s`.
std::size_t GbkCharLength(std::string_view s, std::size_t pos);

// Replaces full-width forms by ASCII: A3 A1..A3 FE by the trail byte - 0x80,
// A1 A1 by a space, A1 AB by '~', A1 EE and A1 EF by '*'. Every other
// character is copied; a lead byte at the very end is dropped.
std::string ToHalfWidth(std::string_view text);

// Maps a-z to A-Z; both bytes of a two-byte character stay as they are.
std::string ToUpperAscii(std::string_view text);

// Reads a number the way every stored or typed number is read: full-width
// forms become ASCII, leading spaces are skipped, then an optional sign and
// decimal digits up to the first other byte. No digits gives 0. The value
// wraps into 32 bits without an overflow check ("4294967295" gives -1).
std::int32_t TextToInt(std::string_view text);

}  // namespace vorta::codec
