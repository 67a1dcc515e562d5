// The help goes to a terminal, so it is UTF-8 (u8 literals) while the
// program's narrow literals are GBK.
#include "device/device_help.h"

namespace vorta::device {
namespace {

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

}  // namespace

std::string HelpText(const std::string& defaultLink) {
    return Utf8(
               u8R"(vorta-device: a simulated field device on a virtual serial port.

It creates a pseudo-terminal and answers on it like a Modbus RTU slave, so
Vorta串口调试 (make run starts both) or any other serial program can talk to
it exactly as to real hardware.

Usage: vorta-device [options]

  --link PATH         link the device's port at PATH. Default: COM900 in the
                      ports folder beside Vorta's settings file, now
                      )") +
           defaultLink +
           Utf8(
               u8R"(
                      "--link none" makes no link; the /dev/pts/N path printed
                      at start works with any serial program.
  --address LIST      the station numbers to answer, e.g. 1-10,17
                      (default 1-506; plain Modbus frames use 1-247).
  --baud-pace on|off  on (default): send replies at the baud rate, data bits,
                      parity and stop bits the program set on the port, one
                      character time per byte, as a real line does.
                      off: answer at full speed, for benchmarks.
  --stream text|none  text: also send one line of ASCII and Chinese (GBK)
                      text per second, for a text display. Default none.
  --log               print every frame received and every answer on stderr.
  --background        continue in the background once the port is linked and
                      print the device's process id (for scripts).
  --select-port       with the default link, before Vorta's first run (no
                      settings file yet): make COM900 its selected port, so
                      the first 打开串口 opens it even when the machine has
                      serial ports of its own. make run uses this.
  --help              this text.

Stop it with Ctrl-C or SIGTERM; it removes its link.

What it answers
  Modbus RTU at addresses 1-247: functions 01, 02, 03, 04, 05, 06, 15 and 16
  over 65536 coils and 65536 holding registers. Input registers (04) read the
  holding registers and discrete inputs (02) read the coils. Exceptions:
  01 for any other function, 02 for an address range past 0xFFFF or a write to
  a live register, 03 for a quantity, byte count, coil value or frame length
  out of bounds. Address 0 is a broadcast: writes are carried out, nothing is
  answered. A frame with a wrong CRC or for another address gets no answer, as
  on a real bus. A frame ends after 3.5 character times of silence.

  Live registers (read only): 0x1000 the station number, 0x1001 a counter in
  tenths of a second, 0x1002 a measurement in tenths of a degree (20.0-30.0),
  0x1003-0x1005 hour, minute, second, 0x1006 frames answered. All other
  registers and coils start at 0 and keep what is written.

  CRC byte order: a standard Modbus device expects the CRC low byte first;
  in Vorta串口调试 that is the "反" box checked. The program's default ("反"
  unchecked) and its batch generator's module lines send the high byte first.
  This device accepts either order and answers in the order it was asked; most
  real devices accept only the standard one.

  The batch generator's module lines: Q58 polls (A 03 10 00 R C + CRC) read C
  registers from 0x1000 of module A (R 00) or A + 253 (R 01), modules 1-506.
  Q20 polls EA nn nn BC get six bytes EB nn MH ML CS BC: MH ML the measurement,
  CS the low byte of nn + MH + ML.

Running it alone, e.g. against mbpoll (which sends the low byte first):
  vorta-device --link /tmp/ttyV0 --log &
  mbpoll -m rtu -a 1 -b 9600 -P none -t 4 -r 4097 -c 37 -1 /tmp/ttyV0
)");
}

}  // namespace vorta::device
