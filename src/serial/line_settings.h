#pragma once
// The line settings a serial channel hands to the platform part when it opens a port.
#include <algorithm>

namespace vorta::serial {

// The values are the channel's property codes.
enum class StopBits {
    One = 1,
    OneAndAHalf = 2,  // sent as two: a receiver set to 1.5 accepts that
    Two = 3,
};

enum class Parity {
    None = 0,
    Odd = 1,
    Even = 2,
    Mark = 3,   // parity bit always 1
    Space = 4,  // parity bit always 0
};

// A property code as the option it stands for; codes out of range are clamped.
inline StopBits StopBitsFromCode(int code) { return static_cast<StopBits>(std::clamp(code, 1, 3)); }
inline Parity ParityFromCode(int code) { return static_cast<Parity>(std::clamp(code, 0, 4)); }

struct LineSettings {
    int baudRate = 19200;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;
    Parity parity = Parity::None;  // sent, but not checked on receipt
};

}  // namespace vorta::serial
