#include "codec/big_number.h"

#include <algorithm>
#include <bit>

namespace vorta::codec {

namespace {

std::uint32_t DigitValue(char c) {
    return c <= '9' ? static_cast<std::uint32_t>(c - '0') : static_cast<std::uint32_t>(c - 'A' + 10);
}

void TrimHighZeros(Limbs& value) {
    while (!value.empty() && value.back() == 0) value.pop_back();
}

// The most digits of `radix` whose value always fits in 32 bits, and radix to that power.
struct DigitGroup {
    int digits = 0;
    std::uint32_t power = 1;
};

DigitGroup LargestGroup(int radix) {
    DigitGroup g;
    const auto r = static_cast<std::uint64_t>(radix);
    while (std::uint64_t{g.power} * r <= UINT32_MAX) {
        g.power = static_cast<std::uint32_t>(g.power * r);
        ++g.digits;
    }
    return g;
}

// value = value * factor + addend
void MultiplyAdd(Limbs& value, std::uint32_t factor, std::uint32_t addend) {
    std::uint64_t carry = addend;
    for (auto& limb : value) {
        const std::uint64_t t = std::uint64_t{limb} * factor + carry;
        limb = static_cast<std::uint32_t>(t);
        carry = t >> 32;
    }
    if (carry != 0) value.push_back(static_cast<std::uint32_t>(carry));
}

// value = value / divisor; returns the remainder.
std::uint32_t DivideInPlace(Limbs& value, std::uint32_t divisor) {
    std::uint64_t rem = 0;
    // NOLINTNEXTLINE(modernize-loop-convert): std::views::reverse fails to compile with clang 14 and libstdc++ 12
    for (auto it = value.rbegin(); it != value.rend(); ++it) {
        const std::uint64_t cur = (rem << 32) | *it;
        *it = static_cast<std::uint32_t>(cur / divisor);
        rem = cur % divisor;
    }
    TrimHighZeros(value);
    return static_cast<std::uint32_t>(rem);
}

bool IsPowerOfTwo(int radix) { return std::has_single_bit(static_cast<unsigned>(radix)); }

int BitsPerDigit(int radix) { return std::countr_zero(static_cast<unsigned>(radix)); }

Limbs PackBits(std::string_view digits, int radix) {
    const int bits = BitsPerDigit(radix);
    Limbs value;
    value.reserve(digits.size() * bits / 32 + 1);
    std::uint64_t acc = 0;
    int filled = 0;
    // NOLINTNEXTLINE(modernize-loop-convert): std::views::reverse fails to compile with clang 14 and libstdc++ 12
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        acc |= std::uint64_t{DigitValue(*it)} << filled;
        filled += bits;
        if (filled >= 32) {
            value.push_back(static_cast<std::uint32_t>(acc));
            acc >>= 32;
            filled -= 32;
        }
    }
    if (filled > 0) value.push_back(static_cast<std::uint32_t>(acc));
    TrimHighZeros(value);
    return value;
}

// Digits least significant first, possibly with zeros at the high end.
std::string UnpackBits(const Limbs& value, int radix) {
    const int bits = BitsPerDigit(radix);
    const auto mask = static_cast<std::uint64_t>(radix - 1);
    std::string out;
    out.reserve(value.size() * 32 / bits + 1);
    std::uint64_t acc = 0;
    int filled = 0;
    for (const std::uint32_t limb : value) {
        acc |= std::uint64_t{limb} << filled;
        filled += 32;
        for (; filled >= bits; filled -= bits, acc >>= bits) out += kDigitAlphabet[acc & mask];
    }
    if (filled > 0) out += kDigitAlphabet[acc & mask];
    return out;
}

Limbs MultiplyIn(std::string_view digits, int radix) {
    const DigitGroup group = LargestGroup(radix);
    Limbs value;
    // The first group takes the leftover digits so that every later group is full.
    std::size_t pos = 0;
    std::size_t take = digits.size() % group.digits;
    if (take == 0) take = group.digits;
    while (pos < digits.size()) {
        std::uint32_t chunk = 0;
        std::uint32_t factor = 1;
        for (std::size_t i = 0; i < take; ++i) {
            chunk = chunk * radix + DigitValue(digits[pos + i]);
            factor *= radix;
        }
        MultiplyAdd(value, factor, chunk);
        pos += take;
        take = group.digits;
    }
    TrimHighZeros(value);
    return value;
}

std::string DivideOut(Limbs value, int radix) {
    const DigitGroup group = LargestGroup(radix);
    std::string out;
    while (!value.empty()) {
        std::uint32_t rem = DivideInPlace(value, group.power);
        for (int i = 0; i < group.digits; ++i, rem /= radix) out += kDigitAlphabet[rem % radix];
    }
    return out;
}

}  // namespace

Limbs DigitsToLimbs(std::string_view digits, int radix) {
    return IsPowerOfTwo(radix) ? PackBits(digits, radix) : MultiplyIn(digits, radix);
}

std::string LimbsToDigits(Limbs value, int radix) {
    std::string out = IsPowerOfTwo(radix) ? UnpackBits(value, radix) : DivideOut(std::move(value), radix);
    while (out.size() > 1 && out.back() == '0') out.pop_back();
    if (out.empty()) out.push_back('0');
    std::reverse(out.begin(), out.end());
    return out;
}

}  // namespace vorta::codec
