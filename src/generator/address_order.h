#pragma once
// Keeps the first address no greater than the last one by copying the text
// of the combo the user just changed into the other combo.
#include <cstdint>
#include <string>
#include <string_view>

namespace vorta::generator {

struct AddressTexts {
    std::string first;
    std::string last;
};

enum class ChangedAddress { First, Last };

// An address text as a number: full-width digits count, no number gives 0.
std::int32_t AddressValue(std::string_view text);

// When last < first, the changed text is copied into the other one: a changed
// first address raises the last, a changed last address lowers the first.
// Otherwise both texts stay as they are.
AddressTexts OrderAddresses(AddressTexts texts, ChangedAddress changed);

}  // namespace vorta::generator
