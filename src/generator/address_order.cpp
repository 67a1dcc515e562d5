#include "generator/address_order.h"

#include "codec/gbk_text.h"

namespace vorta::generator {

std::int32_t AddressValue(std::string_view text) { return codec::TextToInt(text); }

AddressTexts OrderAddresses(AddressTexts texts, ChangedAddress changed) {
    if (AddressValue(texts.last) < AddressValue(texts.first)) {
        if (changed == ChangedAddress::First) {
            texts.last = texts.first;
        } else {
            texts.first = texts.last;
        }
    }
    return texts;
}

}  // namespace vorta::generator
