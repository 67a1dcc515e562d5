#pragma once
// Hexadecimal frame text ("01 03 10 00 00 25") and the bytes it stands for.
// The codec is lenient: spaces may stand anywhere, digits are paired by
// position, and a pair that is not hexadecimal becomes the byte 0x00.
//
// Texts are GBK: a space is the byte 0x20 or the full-width space A1 A1, and
// a space is only ever found where a character starts, never inside one.
#include <string>
#include <string_view>

namespace vorta::codec {

// Drops every 0x20 byte and every full-width space; all else stays, tabs and
// line breaks included.
std::string RemoveSpaces(std::string_view text);

// Drop the run of spaces (0x20 or full-width) at the end, or at both ends.
std::string TrimTrailingSpaces(std::string_view text);
std::string TrimSpaces(std::string_view text);

// Spaces removed, then cut into two-byte pieces by byte position (an odd
// length leaves a last piece of one byte), joined by single spaces, a-z
// upper-cased. Pieces are neither checked nor aligned to characters.
std::string FormatHexPairs(std::string_view text);

// One byte per piece between single spaces (two adjacent spaces give an
// empty piece, a leading space an empty first piece, a final space nothing):
// the low eight bits of the piece read as a hexadecimal number, full-width
// digits and lower case allowed; an empty or non-hexadecimal piece gives 0x00.
// The number of pieces is the size of the result.
std::string HexPairsToBytes(std::string_view frame);

// A hexadecimal text read once: whether its digits pair up, its frame text
// (FormatHexPairs) and the bytes that frame text stands for (HexPairsToBytes).
struct HexFrame {
    bool evenLength = true;
    std::string text;
    std::string bytes;
};
HexFrame ParseHexFrame(std::string_view text);

// The display form of one received byte: two upper-case digits and a space, e.g. "0A ".
std::string HexCell(unsigned char byte);
// The printable text of the hex cells in `text` ("48 69 0D " gives "Hi."): each
// two-digit cell as its character, '.' for one outside 0x20..0x7E; pieces that
// are not cells (a time, a note) give nothing.
std::string PrintableOfHexCells(std::string_view text);
// Appends the cells of `bytes` to `out`, three bytes of text per byte.
void AppendHexCells(std::string& out, std::string_view bytes);

// The bytes a text sends as plain text: its bytes up to its end or first NUL, no line end added.
std::string TextToBytes(std::string_view text);

}  // namespace vorta::codec
