#include "main_window/port_options.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "codec/gbk_text.h"
#include "store/settings_file.h"

namespace vorta::main_window::port_options {
namespace {

constexpr const char* kTrue = "真"_gbk;

bool Flag(const ui::Text& file, const char* key, bool fallback) {
    const ui::Text stored = store::ReadSetting(file, kSection, key, fallback ? kTrue : "假"_gbk);
    return stored == kTrue;
}

int Milliseconds(const ui::Text& file, const char* key) {
    return std::max(0, codec::TextToInt(store::ReadSetting(file, kSection, key, "0")));
}

}  // namespace

PortOptions Load(const ui::Text& file) {
    PortOptions o;
    o.flowIndex = std::clamp(codec::TextToInt(store::ReadSetting(file, kSection, kFlowKey, "0")), 0, 2);
    o.rs485 = Flag(file, kRs485Key, false);
    o.rtsHighOnSend = Flag(file, kRtsHighKey, true);
    o.delayBeforeMs = Milliseconds(file, kDelayBeforeKey);
    o.delayAfterMs = Milliseconds(file, kDelayAfterKey);
    o.dtr = Flag(file, kDtrKey, true);
    o.rts = Flag(file, kRtsKey, true);
    return o;
}

ui::Text BaudItem(const ui::Text& typed) {
    // The text-to-integer rule does the full-width digits; the rest must be digits only.
    ui::Text ascii = codec::ToHalfWidth(typed);
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!ascii.empty() && blank(ascii.back())) ascii.pop_back();
    const auto first = std::find_if_not(ascii.begin(), ascii.end(), blank);
    ascii.erase(ascii.begin(), first);
    if (ascii.empty() || ascii.size() > 10 ||
        !std::all_of(ascii.begin(), ascii.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return {};
    const long long rate = std::stoll(ascii);
    if (rate < 1 || rate > INT_MAX) return {};
    return std::to_string(rate);
}

}  // namespace vorta::main_window::port_options
