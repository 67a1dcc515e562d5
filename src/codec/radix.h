#pragma once
// Rewrites a number written in one base as text in another, for bases 2..36.
// The program's only parser of hexadecimal and binary text.
#include <string>

namespace vorta::codec {

// With both radixes in 2..36, first normalises `text` in place (full-width
// forms to ASCII, then a-z to A-Z) and returns, for the normalised text:
// - an error text naming it when any byte is not a digit of `from`
//   (spaces, signs and points are not digits);
// - the text itself when from == to, leading zeros and all;
// - otherwise its exact value in base `to`, upper case without leading zeros,
//   "0" for the empty text. Any length is converted exactly.
// With a radix outside 2..36 returns an error text and leaves `text` alone.
std::string ConvertRadix(std::string& text, int from, int to);

}  // namespace vorta::codec
