#pragma once
// Rates without a termios constant go through termios2 and BOTHER. This
// lives apart because the kernel's termios2 header clashes with <termios.h>.

namespace vorta::serial {

// Sets both directions of the open tty `fd` to `baudRate` bits per second.
bool SetCustomBaud(int fd, int baudRate);
// The output rate the tty reports, or -1 when it cannot be read.
int ReadBaudRate(int fd);

}  // namespace vorta::serial
