#pragma once
// Positions of a rich text printed as their number when an expectation fails.
#include <ostream>

#include "ui/text_position.h"

namespace vorta::ui {

template <class Tag, class Rep>
void PrintTo(const TextPosition<Tag, Rep>& position, std::ostream* os) {
    *os << position.value();
}

// Short spellings of the two kinds for the tests' tables.
constexpr UnitPos U(std::int64_t units) { return UnitPos(units); }
constexpr BytePos B(std::size_t bytes) { return BytePos(bytes); }

}  // namespace vorta::ui
