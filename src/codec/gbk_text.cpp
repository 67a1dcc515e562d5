#include "codec/gbk_text.h"

namespace vorta::codec {

namespace {

bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// The ASCII form of a two-byte full-width character, or 0 when it has none.
char HalfWidthOf(unsigned char lead, unsigned char trail) {
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) return static_cast<char>(trail - 0x80);
    if (lead != 0xA1) return 0;
    switch (trail) {
    case 0xA1: return ' ';
    case 0xAB: return '~';
    case 0xEE:
    case 0xEF: return '*';
    default: return 0;
    }
}

}  // namespace

std::size_t GbkCharLength(std::string_view s, std::size_t pos) {
    return IsLeadByte(s[pos]) && pos + 1 < s.size() ? 2 : 1;
}

std::string ToHalfWidth(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (!IsLeadByte(text[i])) {
            out += text[i++];
            continue;
        }
        if (i + 1 == text.size()) break;  // a lone lead byte at the end is dropped
        const char ascii = HalfWidthOf(static_cast<unsigned char>(text[i]), static_cast<unsigned char>(text[i + 1]));
        if (ascii != 0) {
            out += ascii;
        } else {
            out.append(text.substr(i, 2));
        }
        i += 2;
    }
    return out;
}

std::string ToUpperAscii(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); i += GbkCharLength(out, i)) {
        if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
    }
    return out;
}

std::int32_t TextToInt(std::string_view text) {
    const std::string s = ToHalfWidth(text);
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    // Unsigned arithmetic wraps by definition, which is the rule wanted here.
    std::uint32_t value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(s[i] - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

}  // namespace vorta::codec
