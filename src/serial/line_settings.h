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

// Flow control as the channel's flow control code has it: 1 (CTS with RTS
// handshake) is RTS/CTS, 5 is XON/XOFF. Linux has no DSR/DTR handshake, so
// codes 2 to 4 ask for one the line cannot give.
enum class FlowControl {
    None,
    RtsCts,
    XonXoff,
    Unavailable,
};

// RS-485 half duplex: the driver raises (or lowers) RTS while it sends.
struct Rs485 {
    bool enabled = false;
    bool rtsOnSend = true;  // RTS high while sending, low after; false: the other way round
    int delayBeforeMs = 0;
    int delayAfterMs = 0;
};

inline FlowControl FlowControlFromCode(int code) {
    switch (std::clamp(code, 0, 5)) {
    case 0: return FlowControl::None;
    case 1: return FlowControl::RtsCts;
    case 5: return FlowControl::XonXoff;
    default: return FlowControl::Unavailable;
    }
}

// A property code as the option it stands for; codes out of range are clamped.
inline StopBits StopBitsFromCode(int code) { return static_cast<StopBits>(std::clamp(code, 1, 3)); }
inline Parity ParityFromCode(int code) { return static_cast<Parity>(std::clamp(code, 0, 4)); }

struct LineSettings {
    int baudRate = 19200;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;
    Parity parity = Parity::None;  // sent, but not checked on receipt
    FlowControl flow = FlowControl::None;
    Rs485 rs485;
    bool rts = true;  // RTS raised at open (the handshake or RS-485 drive it when chosen)
    bool dtr = true;  // DTR raised at open
};

// The modem lines as TIOCM bits would give them, read at one moment.
struct ModemLines {
    bool cts = false, dsr = false, dcd = false, ri = false;
    bool dtr = false, rts = false;
};
enum class OutputLine { Dtr, Rts };

// What the driver made of the settings an open applied, read back from it.
struct OpenReport {
    int baudRate = -1;  // the rate the line runs at; -1 when it could not be read
    bool flowRefused = false;
    bool rs485Refused = false;  // RS-485 asked for, and the driver has none
};

}  // namespace vorta::serial
