#pragma once
// Reads the line settings a program put on the far end of a pseudo-terminal.
// On Linux the master side reports the settings of its slave, rates set
// through termios2 included. Apart because the kernel's termios2 header clashes
// with <termios.h>.
#include "device/line_timing.h"

namespace vorta::device {

// The timing of the line `masterFd` leads to; 9600 8N1 when it cannot be read.
LineTiming ReadLineTiming(int masterFd);

}  // namespace vorta::device
