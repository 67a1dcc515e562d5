#pragma once
// GBK string literals written in UTF-8 source: "端口"_gbk is the GBK bytes of
// 端口, converted while compiling, so GCC, clang and the tools that read the
// code (clangd, clang-tidy) all see the bytes the program compares and sends.
// ASCII stays as it is; an escaped byte that is not part of a UTF-8 sequence
// ("\xD6") is kept as it is, so a literal may still hold raw GBK bytes. A
// character GBK cannot encode stops the build.
#include <array>
#include <cstddef>

#include "codec/gbk_table.h"

namespace vorta::codec::gbk_literal {

constexpr unsigned GbkOf(char32_t code) {
    std::size_t low = 0, high = std::size(gbk_table::kEntries);
    while (low < high) {
        const std::size_t mid = (low + high) / 2;
        if (gbk_table::kEntries[mid].code < code)
            low = mid + 1;
        else
            high = mid;
    }
    if (low == std::size(gbk_table::kEntries) || gbk_table::kEntries[low].code != code)
        throw "a character of this literal has no GBK form";
    return gbk_table::kEntries[low].gbk;
}

// The length of the UTF-8 sequence starting at s[i] (s holds n bytes), or 0 when none starts there.
constexpr std::size_t SequenceLength(const unsigned char* s, std::size_t n, std::size_t i) {
    const unsigned char b = s[i];
    const std::size_t length = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (length == 0 || i + length > n) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((s[i + k] & 0xC0) != 0x80) return 0;
    return length;
}

template <char... C>
constexpr std::array<char, sizeof...(C) + 1> Convert() {
    constexpr std::size_t n = sizeof...(C);
    const unsigned char in[n + 1] = {static_cast<unsigned char>(C)..., 0};
    std::array<char, n + 1> out{};
    std::size_t o = 0;
    for (std::size_t i = 0; i < n;) {
        const std::size_t length = SequenceLength(in, n, i);
        if (length == 0) {
            out[o++] = static_cast<char>(in[i++]);
            continue;
        }
        char32_t code = in[i] & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) code = code << 6 | (in[i + k] & 0x3F);
        const unsigned gbk = GbkOf(code);
        out[o++] = static_cast<char>(gbk >> 8);
        out[o++] = static_cast<char>(gbk & 0xFF);
        i += length;
    }
    return out;
}

template <char... C>
inline constexpr std::array<char, sizeof...(C) + 1> kConverted = Convert<C...>();

}  // namespace vorta::codec::gbk_literal

// NUL-terminated, in static storage, usable in constant expressions; the
// conversion happens while compiling, since kConverted is a constant. The
// literal's bytes come as a pack of chars (a GNU extension GCC and clang
// share): clang 14 crashes on a literal of class type inside a braced list.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wgnu-string-literal-operator-template"
#endif
template <typename Char, Char... C>
constexpr const char* operator""_gbk() {
    static_assert(sizeof(Char) == 1, "_gbk takes narrow literals");
    return vorta::codec::gbk_literal::kConverted<C...>.data();
}
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
