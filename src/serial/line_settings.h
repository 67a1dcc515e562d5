#pragma once
// The line settings a serial channel hands to the platform part when it opens a port.
#include <algorithm>
#include <string>

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

// Which input line holds output back and which output line the driver drives.
enum class FlowControl {
    None = 0,
    CtsRts = 1,
    CtsDtr = 2,
    DsrRts = 3,
    DsrDtr = 4,
    XonXoff = 5,
};

// A property code as the option it stands for; codes out of range are clamped.
inline StopBits StopBitsFromCode(int code) { return static_cast<StopBits>(std::clamp(code, 1, 3)); }
inline Parity ParityFromCode(int code) { return static_cast<Parity>(std::clamp(code, 0, 4)); }
inline FlowControl FlowControlFromCode(int code) { return static_cast<FlowControl>(std::clamp(code, 0, 5)); }

inline bool IsHardwareHandshake(FlowControl f) { return f != FlowControl::None && f != FlowControl::XonXoff; }

struct LineSettings {
    int baudRate = 19200;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;
    bool parityCheck = false;  // check the parity of received bytes
    Parity parity = Parity::None;
    FlowControl flowControl = FlowControl::None;
    int rtsMode = 0;             // 0 on, 1 off, 2 on
    int dtrMode = 0;             // 0 leave as the port has it, 1 off, 2 on
    std::string eventCharacter;  // only its first byte counts; empty: none
    int timeoutMs = 1000;        // write time-out beyond the bytes' own line time; 0: none
};

}  // namespace vorta::serial
