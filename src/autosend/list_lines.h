#pragma once
// The auto-send list as the automatic sending reads it: whether it holds
// anything, the lines a run sends, and the part of a line that goes out.
// Texts are GBK; every search and cut stays on character boundaries.
#include <string>
#include <string_view>
#include <vector>

namespace vorta::autosend {

// True when the list holds nothing but spaces (0x20 and full-width): line
// breaks and tabs count as content, so a list of empty lines is not blank.
bool IsBlankList(std::string_view list);

// The list cut into the lines its box shows (codec::SplitLines): at every
// "\r\n", lone LF or lone CR; two line ends in a row give an empty line, one
// at the very end adds no empty last line, and none is ever found inside a
// two-byte character.
std::vector<std::string> SplitListLines(std::string_view list);

// What a line sends: a line annotated with "→" sends its first 24 bytes,
// one annotated with "←" its first 12 (the frame and the space behind it),
// any other line all of it. A cut never splits a two-byte character.
std::string SendPart(std::string_view line);

}  // namespace vorta::autosend
