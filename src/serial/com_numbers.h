#pragma once
// Fixed COM numbers for kernel serial devices, so that a device keeps its
// number across runs whatever else is plugged in. Each family owns a range:
//
//   ttyS<k>      COM1   + k   (k 0..98: COM1-COM99, on-board and PCI UARTs)
//   ttyUSB<k>    COM100 + k   (USB serial adapters)
//   ttyACM<k>    COM200 + k   (USB CDC-ACM modems and boards)
//   ttyAMA<k>    COM300 + k   (ARM PL011 UARTs)
//   ttySC<k>     COM400 + k   (SPI/I2C UART chips)
//   ttymxc<k>    COM500 + k   (i.MX UARTs)
//   ttyXRUSB<k>  COM600 + k   (Exar USB UARTs)
//
// k beyond a range (99 and up) and other families get no number; a link in
// the ports folder gives them one.
#include <string_view>

namespace vorta::serial {

// The COM number of a tty name such as "ttyUSB0", or 0 when it has none.
int ComNumberForTty(std::string_view ttyName);

// The number of a ports-folder entry "COM<n>": n in decimal digits only, from
// 1 to 2^31 - 1. 0 for any other name ("COM", "COM0", "COM3.bak", a number
// that would wrap).
int ComNumberForFolderEntry(std::string_view entryName);

}  // namespace vorta::serial
