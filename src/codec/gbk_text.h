#pragma once
// Basic rules for GBK (code page 936) text held in std::string: where a
// character ends, full-width forms to ASCII, ASCII upper case, and the one
// way the program reads a typed or stored number. Every length and position
// is in bytes.
//
// Where a character starts: the program has three rules, each right for its use.
// All three cut from the left, so whether a byte starts a character depends on
// the bytes before it; only the length of the character that starts at a known
// boundary depends on just that byte and the next.
//  1. Text the program reads (send box, list, settings, selections):
//     GbkCharLength below. A byte below 0x80 is one character; a byte of 0x80
//     or more takes the byte after it, whatever it is (a lone last byte is one).
//     This is how the texts are counted, cut and searched.
//  2. Received bytes shown as text: GbkAssembler (gbk_assembler.h). The bytes
//     arrive one at a time, so a byte of 0x80 or more waits for the next byte of
//     0x80 or more; ASCII bytes in between are shown at once. A character whose
//     trail byte is below 0x80 is therefore shown as two.
//  3. The rich text box's units (ui/rich_text.h, UnitLength): what a view
//     shows as one UTF-16 code unit. "\r\n" is one unit, a byte of 0x80 or
//     more with a next byte of 0x40 or more is one unit (a valid GBK pair), any
//     other byte is one unit, so any byte string can be shown and selected
//     exactly, and a selection maps back to exact bytes.
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
