#pragma once
// The two kinds of position in a rich text (see ui/rich_text.h): units, as the
// view and the user count characters, and bytes of the GBK text. They differ
// wherever a Chinese character or a "\r\n" stands, so neither converts into the
// other or from a bare integer by itself; RichText::byteOfUnit and unitOfByte
// translate. A position also serves as a distance (end - start) of its kind.
#include <compare>
#include <cstddef>
#include <cstdint>

namespace vorta::ui {

template <class Tag, class Rep>
class TextPosition {
public:
    constexpr TextPosition() = default;
    constexpr explicit TextPosition(Rep value) : value_(value) {}
    constexpr Rep value() const { return value_; }

    // NOLINTNEXTLINE(modernize-use-nullptr): a false hit on the defaulted comparison (clang-tidy 14)
    constexpr auto operator<=>(const TextPosition&) const = default;

    constexpr TextPosition& operator+=(TextPosition d) {
        value_ += d.value_;
        return *this;
    }
    constexpr TextPosition& operator-=(TextPosition d) {
        value_ -= d.value_;
        return *this;
    }
    constexpr TextPosition& operator++() {
        ++value_;
        return *this;
    }
    constexpr TextPosition& operator--() {
        --value_;
        return *this;
    }
    friend constexpr TextPosition operator+(TextPosition a, TextPosition b) { return a += b; }
    friend constexpr TextPosition operator-(TextPosition a, TextPosition b) { return a -= b; }
    // A step of `n` units or bytes.
    friend constexpr TextPosition operator+(TextPosition a, Rep n) { return a += TextPosition(n); }
    friend constexpr TextPosition operator-(TextPosition a, Rep n) { return a -= TextPosition(n); }

private:
    Rep value_ = 0;
};

// A position in (or a count of) units.
using UnitPos = TextPosition<struct UnitTag, std::int64_t>;
// A byte offset into (or a count of) the text's bytes.
using BytePos = TextPosition<struct ByteTag, std::size_t>;

}  // namespace vorta::ui
