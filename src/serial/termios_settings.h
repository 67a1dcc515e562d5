#pragma once
// Line settings as termios flags: raw bytes both ways, the chosen speed,
// character size, parity and stop bits, and the flow control asked for.
#include <termios.h>

#include "serial/line_settings.h"

namespace vorta::serial {

// The termios speed constant for a standard rate, or B0 when the rate has
// none and must be set through BOTHER.
speed_t StandardSpeed(int baudRate);

// Rewrites `t` (the driver's current state) for `s`. Returns false for
// settings a Linux line cannot take: a rate of 0 or below (B0 would hang the
// line up) and data bits outside 5..8. One and a half stop bits become two.
// A rate without a constant leaves the speed fields alone.
bool ApplyLineSettings(const LineSettings& s, termios& t);

}  // namespace vorta::serial
