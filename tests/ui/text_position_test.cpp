// The two kinds of rich-text position must not mix: a unit where a byte is
// meant (or a bare integer for either) is a compile error, not a silent
// conversion. These checks fail to compile once a conversion creeps in.
#include <gtest/gtest.h>

#include <concepts>
#include <type_traits>

#include "codec/gbk_literal.h"
#include "support/text_position_print.h"
#include "ui/rich_text.h"

namespace vorta::ui {
namespace {

static_assert(!std::is_convertible_v<UnitPos, BytePos> && !std::is_convertible_v<BytePos, UnitPos>);
static_assert(!std::is_constructible_v<UnitPos, BytePos> && !std::is_constructible_v<BytePos, UnitPos>);
static_assert(!std::is_convertible_v<std::int64_t, UnitPos> && !std::is_convertible_v<std::size_t, BytePos>);
static_assert(!std::is_convertible_v<UnitPos, std::int64_t> && !std::is_convertible_v<BytePos, std::size_t>);
static_assert(!std::equality_comparable_with<UnitPos, BytePos>);
template <class A, class B>
constexpr bool kAddable = requires(A a, B b) {
    a + b;
};
template <class A, class B>
constexpr bool kOrdered = requires(A a, B b) {
    a < b;
};
static_assert(kAddable<UnitPos, UnitPos> && !kAddable<UnitPos, BytePos> && !kAddable<BytePos, UnitPos>);
static_assert(kOrdered<BytePos, BytePos> && !kOrdered<UnitPos, BytePos> && !kOrdered<UnitPos, int>);

// RichText's conversions and ranges take only their own kind.
static_assert(std::is_invocable_v<decltype(&RichText::byteOfUnit), const RichText&, UnitPos>);
static_assert(!std::is_invocable_v<decltype(&RichText::byteOfUnit), const RichText&, BytePos>);
static_assert(!std::is_invocable_v<decltype(&RichText::unitOfByte), const RichText&, UnitPos>);
static_assert(!std::is_invocable_v<decltype(&RichText::bytes), const RichText&, UnitPos, UnitPos>);
static_assert(!std::is_invocable_v<decltype(&RichText::setSelection), RichText&, BytePos, BytePos>);
static_assert(!std::is_invocable_v<decltype(&RichText::userSelect), RichText&, std::int64_t, std::int64_t>);

// Where units and bytes part: each Chinese character is one unit of two bytes, a
// "\r\n" one unit of two bytes; every position converts there and back exactly.
TEST(TextPosition, UnitsAndBytesPartAtCharactersAndLineEndsAndConvertBothWays) {
    RichText rich;
    rich.append("A中\r\n文B"_gbk);
    struct Case {
        UnitPos unit;
        BytePos byte;
    };
    const Case cases[] = {{U(0), B(0)}, {U(1), B(1)}, {U(2), B(3)}, {U(3), B(5)}, {U(4), B(7)}, {U(5), B(8)}};
    EXPECT_EQ(rich.unitCount(), U(5));
    EXPECT_EQ(rich.byteCount(), B(8));
    for (const Case& c : cases) {
        EXPECT_EQ(rich.byteOfUnit(c.unit), c.byte) << "unit " << c.unit.value();
        EXPECT_EQ(rich.unitOfByte(c.byte), c.unit) << "byte " << c.byte.value();
    }
    // A distance is a position of the same kind: the line's content in units and in bytes.
    const RichText::Line first = rich.line(0);
    EXPECT_EQ(first.units, U(2));
    EXPECT_EQ(first.byteEnd - first.byteStart, B(3));
}

}  // namespace
}  // namespace vorta::ui
