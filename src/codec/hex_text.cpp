#include "codec/hex_text.h"

#include <algorithm>

#include "codec/gbk_text.h"

namespace vorta::codec {

namespace {

constexpr std::string_view kFullWidthSpace = "\xA1\xA1";

// Bytes of the space starting at `pos`, or 0 when the character there is no space.
std::size_t SpaceLength(std::string_view s, std::size_t pos) {
    if (s[pos] == ' ') return 1;
    if (GbkCharLength(s, pos) == 2 && s.substr(pos, 2) == kFullWidthSpace) return 2;
    return 0;
}

// Low eight bits of a piece read as hexadecimal, or 0 when it is not a number:
// the value of its last two digits, full-width digits and lower case allowed.
unsigned char PieceToByte(std::string_view piece) {
    const std::string digits = ToUpperAscii(ToHalfWidth(piece));
    unsigned value = 0;
    for (const char c : digits) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return 0;  // checked byte by byte, so a two-byte character is no digit
        value = (value * 16 + static_cast<unsigned>(digit)) & 0xFFu;
    }
    return static_cast<unsigned char>(value);
}

// FormatHexPairs of a text that holds no spaces.
std::string PairsOf(std::string_view s) {
    std::string joined;
    joined.reserve(s.size() / 2 * 3 + 3);
    for (std::size_t pos = 0; pos < s.size(); pos += 2) {
        joined.append(s.substr(pos, 2));
        joined += ' ';
    }
    // Trimmed and upper-cased as a whole: the pieces may have cut two-byte
    // characters apart, and the joined text is walked by its own characters.
    return ToUpperAscii(TrimTrailingSpaces(joined));
}

}  // namespace

std::string RemoveSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = GbkCharLength(text, i);
        if (SpaceLength(text, i) == 0) out.append(text.substr(i, len));
        i += len;
    }
    return out;
}

std::string TrimSpaces(std::string_view text) {
    // Walk forward so that character boundaries are the real ones.
    std::size_t begin = text.size();
    std::size_t end = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = GbkCharLength(text, i);
        if (SpaceLength(text, i) == 0) {
            if (begin == text.size()) begin = i;
            end = i + len;
        }
        i += len;
    }
    return begin < end ? std::string(text.substr(begin, end - begin)) : std::string();
}

std::string TrimTrailingSpaces(std::string_view text) {
    std::size_t end = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = GbkCharLength(text, i);
        if (SpaceLength(text, i) == 0) end = i + len;
        i += len;
    }
    return std::string(text.substr(0, end));
}

std::string FormatHexPairs(std::string_view text) { return PairsOf(RemoveSpaces(text)); }

HexFrame ParseHexFrame(std::string_view text) {
    const std::string digits = RemoveSpaces(text);
    HexFrame frame{digits.size() % 2 == 0, PairsOf(digits), {}};
    frame.bytes = HexPairsToBytes(frame.text);
    return frame;
}

std::string HexPairsToBytes(std::string_view frame) {
    std::string bytes;
    std::size_t pieceStart = 0;
    for (std::size_t i = 0; i < frame.size();) {
        if (frame[i] == ' ') {
            bytes += static_cast<char>(PieceToByte(frame.substr(pieceStart, i - pieceStart)));
            pieceStart = i + 1;
        }
        i += GbkCharLength(frame, i);
    }
    if (pieceStart < frame.size()) bytes += static_cast<char>(PieceToByte(frame.substr(pieceStart)));
    return bytes;
}

void AppendHexCells(std::string& out, std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::size_t at = out.size();
    out.resize(at + 3 * bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out[at++] = kDigits[b >> 4];
        out[at++] = kDigits[b & 15];
        out[at++] = ' ';
    }
}

std::string HexCell(unsigned char byte) {
    std::string cell;
    AppendHexCells(cell, std::string_view(reinterpret_cast<const char*>(&byte), 1));
    return cell;
}

std::string TextToBytes(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

}  // namespace vorta::codec

namespace vorta::codec {

std::string PrintableOfHexCells(std::string_view text) {
    auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find_first_of(" \r\n", at), text.size());
        if (end - at == 2 && digit(text[at]) >= 0 && digit(text[at + 1]) >= 0) {
            const int b = digit(text[at]) * 16 + digit(text[at + 1]);
            out.push_back(b >= 0x20 && b <= 0x7E ? static_cast<char>(b) : '.');
        }
        at = end + 1;
    }
    return out;
}

}  // namespace vorta::codec
