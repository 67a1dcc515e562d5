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

namespace vorta::codec {

// The bytes of a narrow string literal, as a template argument.
template <std::size_t N>
struct Utf8Literal {
    char bytes[N]{};
    consteval Utf8Literal(const char (&s)[N]) {  // NOLINT(google-explicit-constructor): a literal's own type
        for (std::size_t i = 0; i < N; ++i) bytes[i] = s[i];
    }
};

namespace gbk_literal {

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

// The length of the UTF-8 sequence starting at s[i], or 0 when none starts there.
template <std::size_t N>
constexpr std::size_t SequenceLength(const char (&s)[N], std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    const std::size_t length = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (length == 0 || i + length > N - 1) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    return length;
}

template <Utf8Literal S>
constexpr std::array<char, sizeof(S.bytes)> Convert() {
    constexpr std::size_t n = sizeof(S.bytes);
    std::array<char, n> out{};
    std::size_t o = 0;
    for (std::size_t i = 0; i < n - 1;) {
        const std::size_t length = SequenceLength(S.bytes, i);
        if (length == 0) {
            out[o++] = S.bytes[i++];
            continue;
        }
        char32_t code = static_cast<unsigned char>(S.bytes[i]) & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) code = code << 6 | (static_cast<unsigned char>(S.bytes[i + k]) & 0x3F);
        const unsigned gbk = GbkOf(code);
        out[o++] = static_cast<char>(gbk >> 8);
        out[o++] = static_cast<char>(gbk & 0xFF);
        i += length;
    }
    return out;
}

template <Utf8Literal S>
inline constexpr std::array<char, sizeof(S.bytes)> kConverted = Convert<S>();

}  // namespace gbk_literal
}  // namespace vorta::codec

// NUL-terminated, in static storage, usable in constant expressions.
template <vorta::codec::Utf8Literal S>
consteval const char* operator""_gbk() {
    return vorta::codec::gbk_literal::kConverted<S>.data();
}
