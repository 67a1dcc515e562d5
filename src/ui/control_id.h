#pragma once
// Names by which the logic reaches controls and actions. A control is named
// once, as a typed identifier (for example main::kDisplay); the type says what
// kind of control it is, so a misspelt name does not compile and a rich text
// box's operations are reachable only through a rich text box identifier.
#include <string>
#include <string_view>

namespace vorta::ui {

using Text = std::string;  // GBK (code page 936) bytes, never UTF-8

template <class ControlClass>
struct ControlId {
    std::string_view name;
    operator Text() const { return Text(name); }  // as the definitions spell it
};

// A named behaviour that a window definition binds an event to.
struct ActionId {
    std::string_view name;
    operator Text() const { return Text(name); }
    bool operator==(const ActionId&) const = default;
};

}  // namespace vorta::ui
