#include "receive/conversion_texts.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "codec/gbk_text.h"
#include "codec/hex_text.h"
#include "codec/radix.h"
#include "codec/gbk_literal.h"

namespace vorta::receive {
namespace {

std::string Right(const std::string& s, std::size_t n) { return s.size() <= n ? s : s.substr(s.size() - n); }

// Right(s, n) for showing: when the cut falls inside a two-byte character, its
// orphaned second byte becomes a space, so the cell keeps its width and the
// tip never shows half a character (which would also garble the next one).
std::string RightWhole(std::string_view s, std::size_t n) {
    if (s.size() <= n) return std::string(s);
    const std::size_t cut = s.size() - n;
    std::size_t pos = 0;
    while (pos < cut) pos += codec::GbkCharLength(s, pos);
    std::string out(s.substr(cut));
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
std::string ReplaceAll(std::string s, std::string_view from, std::string_view to) {
    if (s.find(from) == std::string::npos) return s;  // nothing to replace: no copy
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

// The first `most` pieces of s, split at single spaces that are characters of
// their own, empty pieces skipped; `next` is where one more piece starts (npos
// when none does).
struct Split {
    std::vector<std::string_view> pieces;  // into s
    std::size_t next = std::string::npos;
};
Split Pieces(const std::string& s, std::size_t most) {
    Split split;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size();) {
        if (i == s.size() || s[i] == ' ') {
            if (i > start) split.pieces.push_back(std::string_view(s).substr(start, i - start));
            start = ++i;
        } else {
            if (i == start && split.pieces.size() == most) {
                split.next = i;
                break;
            }
            i += codec::GbkCharLength(s, i);
        }
    }
    return split;
}

// A digit of the piece once normalised; lower case counts as upper case did:
// a byte left at 0x80 or above after ToHalfWidth already makes the piece invalid.
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Long work on a selection looks at its stop token once per this many bytes, or between passes.
constexpr std::size_t kStopCheckBytes = 1 << 20;

// The last eight digits of the piece in base 10 and base 2, as the full
// conversion would end. Long pieces take the remainder instead of converting
// the whole number, which would cost time in the square of their length.
struct Tails {
    std::string decimal, binary;
    bool valid;
};
Tails ConvertTails(std::string_view piece, const std::stop_token& stop) {
    constexpr std::size_t kShort = 64;
    if (piece.size() <= kShort) {
        std::string digits(piece);
        Tails t;
        t.decimal = codec::ConvertRadix(digits, 16, 10);
        t.binary = codec::ConvertRadix(digits, 16, 2);
        t.valid = true;
        return t;
    }
    const std::string digits = codec::ToHalfWidth(piece);
    // The remainder by 10^8, taking six digits (24 bits) at a time: below 2^27 * 2^24.
    // While the value itself stays below 10^8 it is the remainder, shown without
    // leading zeros (leading zero digits of the piece do not make it big).
    constexpr std::uint64_t kTenTo8 = 100000000;
    std::uint64_t mod = 0, chunk = 0;
    bool big = false;
    int inChunk = 0;
    const auto take = [&](int bits) {
        const std::uint64_t value = (mod << bits) + chunk;
        big = big || value >= kTenTo8;
        mod = value % kTenTo8;
    };
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i % kStopCheckBytes == 0 && stop.stop_requested()) return {"", "", false};
        const int d = HexDigit(digits[i]);
        if (d < 0) return {"", "", false};
        chunk = chunk * 16 + static_cast<unsigned>(d);
        if (++inChunk == 6) {
            take(24);
            chunk = 0;
            inChunk = 0;
        }
    }
    take(4 * inChunk);
    std::string decimal = std::to_string(mod);
    if (big) decimal.insert(0, 8 - decimal.size(), '0');
    const auto low = static_cast<unsigned>(HexDigit(digits[digits.size() - 2]) * 16 + HexDigit(digits.back()));
    std::string binary;
    for (int bit = 7; bit >= 0; --bit) binary += (low >> bit) & 1 ? '1' : '0';
    return {decimal, binary, true};
}

// What a tool makes of the start of a selection: `decided` when the whole
// selection gives the same text (or when it was stopped, which makes no text).
struct Verdict {
    bool decided;
    std::optional<std::string> text;
};

// Reads ever longer starts (16 times longer each time) until the tool decides;
// the whole selection always decides. Gives up (nullopt) when deciding would
// take reading more than `most` bytes.
template <class Tool>
std::optional<std::optional<std::string>> ReadUntilDecided(std::size_t size, const ReadStart& readStart,
                                                           std::size_t firstRead, std::size_t most, Tool tool,
                                                           const std::stop_token& stop) {
    for (std::size_t n = std::max<std::size_t>(firstRead, 1);; n = n > size / 16 ? size : n * 16) {
        const bool whole = n >= size;
        if ((whole ? size : n) > most) return std::nullopt;
        if (stop.stop_requested()) return std::nullopt;
        Verdict v = tool(readStart(whole ? size : n), whole, stop);
        if (stop.stop_requested()) return std::nullopt;
        if (whole || v.decided) return std::move(v.text);
    }
}
constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);

// Only the last byte of a start can read differently in the whole selection:
// a "\r" there may begin a "\r\n", a lead byte may pair with the next byte (and
// make a full-width space). Every earlier byte, and every character that ends
// before the last byte, is the same after trimming, replacing and splitting.
Verdict BalloonOf(const std::string& selection, bool whole, const std::stop_token& stop) {
    std::string s = codec::TrimSpaces(selection);
    if (s.empty()) return {whole, std::nullopt};
    if (stop.stop_requested()) return {true, std::nullopt};
    s = ReplaceAll(std::move(s), "\r\n", " ");
    if (stop.stop_requested()) return {true, std::nullopt};
    Split split = Pieces(s, kBalloonPieces);
    const bool more = split.next != std::string::npos;
    // Decided once a piece beyond the shown ones starts with a character clear of the last byte.
    if (!whole && (!more || split.next + 3 > s.size())) return {false, std::nullopt};

    const std::string failed = "进制数！ "_gbk;
    std::string hex, dec, bin;
    for (std::string_view p : split.pieces) {
        // Eight leading spaces change nothing once p fills the cell (each is a character).
        hex += (p.size() >= 8 ? RightWhole(p, 8) : RightWhole("        " + std::string(p), 8)) + " ";
        const Tails t = ConvertTails(p, stop);
        const std::string decCell = Right("        " + t.decimal, 8) + " ";
        dec += !t.valid || decCell == failed ? "     ??? " : decCell;
        const std::string binCell = Right("00000000" + t.binary, 8) + " ";
        bin += !t.valid || binCell == failed ? "???????? " : binCell;
    }
    if (more) {
        hex += "…"_gbk;
        dec += "…"_gbk;
        bin += "…"_gbk;
    }
    return {true, "16进制："_gbk + hex + "\r\n10进制："_gbk + dec + "\r\n 2进制："_gbk + bin};
}

// Digits shown of a merge too long to convert.
constexpr std::size_t kMergeShown = 64;

// As above, the last byte of a start may read differently; removing a "\r\n"
// that it ends makes the one before it uncertain too. So a start decides once
// its digits reach well past what is shown.
Verdict MergeOf(const std::string& selection, bool whole, const std::stop_token& stop) {
    std::string s = codec::RemoveSpaces(selection);
    if (whole && s.empty()) return {true, std::nullopt};
    if (stop.stop_requested()) return {true, std::nullopt};
    s = ReplaceAll(std::move(s), "\r\n", "");
    if (!whole && s.size() < kMergeShown + 8) return {false, std::nullopt};
    std::string d;
    if (s.size() <= 8) {
        d = codec::ConvertRadix(s, 16, 10);
    } else {
        d = "最多支持4字节"_gbk;
        // A huge selection is shown by its start only, so the tip stays a tip.
        if (s.size() > kMergeShown) s = StartOf(s, kMergeShown) + "…"_gbk;
    }
    return {true, "16进制："_gbk + s + "\r\n10进制："_gbk + d};
}

}  // namespace

std::optional<std::string> ConversionBalloonText(const std::string& selection) {
    return BalloonOf(selection, true, {}).text;
}

std::optional<std::string> MergeToDecimalText(const std::string& selection) {
    return MergeOf(selection, true, {}).text;
}

std::optional<std::string> ConversionBalloonText(std::size_t size, const ReadStart& readStart, std::size_t firstRead) {
    return *ReadUntilDecided(size, readStart, firstRead, kNoLimit, BalloonOf, {});
}

std::optional<std::string> MergeToDecimalText(std::size_t size, const ReadStart& readStart, std::size_t firstRead) {
    return *ReadUntilDecided(size, readStart, firstRead, kNoLimit, MergeOf, {});
}

std::optional<std::optional<std::string>> ConversionBalloonTextWithin(std::size_t size, const ReadStart& readStart,
                                                                      std::size_t most, std::size_t firstRead,
                                                                      const std::stop_token& stop) {
    return ReadUntilDecided(size, readStart, firstRead, most, BalloonOf, stop);
}

std::optional<std::optional<std::string>> MergeToDecimalTextWithin(std::size_t size, const ReadStart& readStart,
                                                                   std::size_t most, std::size_t firstRead,
                                                                   const std::stop_token& stop) {
    return ReadUntilDecided(size, readStart, firstRead, most, MergeOf, stop);
}

}  // namespace vorta::receive
