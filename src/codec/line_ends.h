#pragma once
// Where a line of a multi-line text ends. The program writes "\r\n", but a
// list file saved by another editor may end its lines with a lone LF (or CR);
// the list box shows each of them as a line end, so the text is read that way
// wherever it is cut into lines. Line ends are looked for at character starts
// only (GbkCharLength), never inside a two-byte character.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vorta::codec {

// Bytes of the line end at `pos`, a character start: 2 for CR LF, 1 for a CR
// or an LF on its own, 0 when no line ends there.
std::size_t LineEndLength(std::string_view text, std::size_t pos);

// The lines of `text`: two line ends in a row give an empty line, a line end
// at the very end adds no empty last line.
std::vector<std::string_view> SplitLines(std::string_view text);

// `text` with every line end written as "\r\n".
std::string WithCrLfLineEnds(std::string_view text);

}  // namespace vorta::codec
