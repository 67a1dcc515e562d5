#include "device/address_list.h"

#include <charconv>

namespace vorta::device {
namespace {

std::optional<int> Number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    if (value < 1 || value > AddressList::kHighest) return std::nullopt;
    return value;
}

}  // namespace

AddressList AddressList::all() {
    AddressList list;
    list.numbers_.set();
    list.numbers_.reset(0);
    return list;
}

std::optional<AddressList> AddressList::parse(std::string_view text) {
    AddressList list;
    if (text.empty()) return std::nullopt;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t dash = item.find('-');
        const auto first = Number(item.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : Number(item.substr(dash + 1));
        if (!first || !last || *last < *first) return std::nullopt;
        for (int n = *first; n <= *last; ++n) list.numbers_.set(static_cast<std::size_t>(n));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return list;
}

}  // namespace vorta::device
