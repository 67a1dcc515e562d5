#pragma once
// The time a character takes on the line, from the settings the program put
// on the port, and the Modbus RTU frame gap that follows from it.
#include <cstdint>

namespace vorta::device {

using Micros = std::int64_t;

struct LineTiming {
    int baud = 9600;
    int bitsPerChar = 10;  // start bit + data bits + parity bit + stop bits

    // One character on the wire, rounded up.
    Micros charTime() const;
    // The silence that ends a frame: 3.5 character times; above 19200 baud the
    // Modbus serial line rules fix it at 1750 microseconds.
    Micros frameSilence() const;
};

// A line's timing from its settings; a baud rate of 0 or less counts as 9600.
LineTiming MakeLineTiming(int baud, int dataBits, bool parity, bool twoStopBits);

}  // namespace vorta::device
