#include "receive/conversion_texts.h"

#include <string_view>
#include <vector>

#include "codec/gbk_text.h"
#include "codec/hex_text.h"
#include "codec/radix.h"

namespace vorta::receive {
namespace {

std::string Right(const std::string& s, std::size_t n) { return s.size() <= n ? s : s.substr(s.size() - n); }

// Right(s, n) for showing: when the cut falls inside a two-byte character, its
// orphaned second byte becomes a space, so the cell keeps its width and the
// tip never shows half a character (which would also garble the next one).
std::string RightWhole(const std::string& s, std::size_t n) {
    if (s.size() <= n) return s;
    const std::size_t cut = s.size() - n;
    std::size_t pos = 0;
    while (pos < cut) pos += codec::GbkCharLength(s, pos);
    std::string out = s.substr(cut);
    if (pos > cut) out[0] = ' ';
    return out;
}

// At most `bytes` bytes from the start, never half a character.
std::string StartOf(const std::string& s, std::size_t bytes) {
    std::size_t end = 0;
    while (end < s.size() && end + codec::GbkCharLength(s, end) <= bytes) end += codec::GbkCharLength(s, end);
    return s.substr(0, end);
}

// Every `from` replaced by `to`, in one pass: a selection of a whole large
// display holds a line end every few dozen bytes, and replacing them in place
// one by one would move the rest of the text each time.
std::string ReplaceAll(const std::string& s, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(s.size());
    std::size_t start = 0;
    for (std::size_t pos; (pos = s.find(from, start)) != std::string::npos; start = pos + from.size()) {
        out.append(s, start, pos - start);
        out += to;
    }
    out.append(s, start);
    return out;
}

// Splits at single spaces that are characters of their own, skipping empty pieces.
std::vector<std::string> Pieces(const std::string& s, std::size_t most) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size() && pieces.size() <= most;) {
        if (i == s.size() || s[i] == ' ') {
            if (i > start) pieces.push_back(s.substr(start, i - start));
            start = ++i;
        } else {
            i += codec::GbkCharLength(s, i);
        }
    }
    return pieces;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The last eight digits of the piece in base 10 and base 2, as the full
// conversion would end. Long pieces take the remainder instead of converting
// the whole number, which would cost time in the square of their length.
struct Tails {
    std::string decimal, binary;
    bool valid;
};
Tails ConvertTails(std::string piece) {
    constexpr std::size_t kShort = 64;
    if (piece.size() <= kShort) {
        Tails t;
        t.decimal = codec::ConvertRadix(piece, 16, 10);
        t.binary = codec::ConvertRadix(piece, 16, 2);
        t.valid = true;
        return t;
    }
    const std::string digits = codec::ToUpperAscii(codec::ToHalfWidth(piece));
    std::uint64_t mod = 0;
    for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return {"", "", false};
        mod = (mod * 16 + static_cast<unsigned>(d)) % 100000000;
    }
    std::string decimal = std::to_string(mod);
    decimal.insert(0, 8 - decimal.size(), '0');
    const unsigned low = static_cast<unsigned>(HexDigit(digits[digits.size() - 2]) * 16 + HexDigit(digits.back()));
    std::string binary;
    for (int bit = 7; bit >= 0; --bit) binary += (low >> bit) & 1 ? '1' : '0';
    return {decimal, binary, true};
}

}  // namespace

std::optional<std::string> ConversionBalloonText(const std::string& selection) {
    std::string s = codec::TrimSpaces(selection);
    if (s.empty()) return std::nullopt;
    s = ReplaceAll(s, "\r\n", " ");
    std::vector<std::string> pieces = Pieces(s, kBalloonPieces);
    const bool more = pieces.size() > static_cast<std::size_t>(kBalloonPieces);
    if (more) pieces.resize(kBalloonPieces);

    const std::string failed = "进制数！ ";
    std::string hex, dec, bin;
    for (const std::string& p : pieces) {
        hex += RightWhole("        " + p, 8) + " ";
        const Tails t = ConvertTails(p);
        const std::string decCell = Right("        " + t.decimal, 8) + " ";
        dec += !t.valid || decCell == failed ? "     ??? " : decCell;
        const std::string binCell = Right("00000000" + t.binary, 8) + " ";
        bin += !t.valid || binCell == failed ? "???????? " : binCell;
    }
    if (more) {
        hex += "…";
        dec += "…";
        bin += "…";
    }
    return "16进制：" + hex + "\r\n10进制：" + dec + "\r\n 2进制：" + bin;
}

std::optional<std::string> MergeToDecimalText(const std::string& selection) {
    std::string s = codec::RemoveSpaces(selection);
    if (s.empty()) return std::nullopt;
    s = ReplaceAll(s, "\r\n", "");
    std::string d;
    if (s.size() <= 8) {
        d = codec::ConvertRadix(s, 16, 10);
    } else {
        d = "最多支持4字节";
        // A huge selection is shown by its start only, so the tip stays a tip.
        if (s.size() > 64) s = StartOf(s, 64) + "…";
    }
    return "16进制：" + s + "\r\n10进制：" + d;
}

}  // namespace vorta::receive
