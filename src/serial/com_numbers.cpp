#include "serial/com_numbers.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace vorta::serial {

int ComNumberForTty(std::string_view ttyName) {
    struct Family {
        std::string_view prefix;
        int first;
        int count;
    };
    static constexpr std::array<Family, 7> kFamilies{{
        {"ttyS", 1, 99},
        {"ttyUSB", 100, 100},
        {"ttyACM", 200, 100},
        {"ttyAMA", 300, 100},
        {"ttySC", 400, 100},
        {"ttymxc", 500, 100},
        {"ttyXRUSB", 600, 100},
    }};
    for (const Family& family : kFamilies) {
        if (!ttyName.starts_with(family.prefix)) continue;
        const std::string_view index = ttyName.substr(family.prefix.size());
        // Only plain decimal indexes: "ttyS0" is a port, "ttySC0" is not a ttyS.
        if (index.empty() || !std::all_of(index.begin(), index.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        if (index.size() > 1 && index[0] == '0') continue;
        int k = 0;
        const auto [end, error] = std::from_chars(index.data(), index.data() + index.size(), k);
        if (error != std::errc() || end != index.data() + index.size() || k >= family.count) continue;
        return family.first + k;
    }
    return 0;
}

int ComNumberForFolderEntry(std::string_view entryName) {
    if (!entryName.starts_with("COM")) return 0;
    const std::string_view digits = entryName.substr(3);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    int n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (error != std::errc() || end != digits.data() + digits.size()) return 0;  // out of range
    return n > 0 ? n : 0;
}

}  // namespace vorta::serial
