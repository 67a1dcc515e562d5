#pragma once
// The station numbers the device answers. Plain Modbus frames carry an address
// byte of 1-247; the Q58 module frames of the batch generator number their
// modules 1-506, so the list holds numbers up to 506.
#include <bitset>
#include <optional>
#include <string_view>

namespace vorta::device {

class AddressList {
public:
    static constexpr int kHighest = 506;

    // Every number, 1 to 506.
    static AddressList all();
    // "1-10,17,200-506": numbers and inclusive ranges separated by commas.
    // nullopt when the text is empty, malformed or names a number outside 1-506.
    static std::optional<AddressList> parse(std::string_view text);

    bool contains(int number) const { return number >= 1 && number <= kHighest && numbers_[number]; }

private:
    std::bitset<kHighest + 1> numbers_;
};

}  // namespace vorta::device
