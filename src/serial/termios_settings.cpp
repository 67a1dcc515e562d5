#include "serial/termios_settings.h"

#include <array>
#include <utility>

namespace vorta::serial {

speed_t StandardSpeed(int baudRate) {
    static constexpr std::array<std::pair<int, speed_t>, 30> kSpeeds{{
        {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
        {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
        {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
        {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
        {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
    }};
    for (const auto& [rate, speed] : kSpeeds)
        if (rate == baudRate) return speed;
    return B0;
}

bool ApplyLineSettings(const LineSettings& s, termios& t) {
    if (s.baudRate <= 0) return false;
    // Only the low byte of the data bits counts, as in the byte-sized field
    // the setting was designed for.
    const int dataBits = s.dataBits & 0xFF;
    tcflag_t size = 0;
    switch (dataBits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return false;
    }
    // Raw bytes: no line editing, echo, signals, translations or output processing.
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                                        IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD | size;

    switch (s.parity) {
    case Parity::Odd: t.c_cflag |= PARENB | PARODD; break;
    case Parity::Even: t.c_cflag |= PARENB; break;
    case Parity::Mark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case Parity::Space: t.c_cflag |= PARENB | CMSPAR; break;
    case Parity::None: break;
    }
    // Without INPCK the line still sends the parity bit but ignores it on receipt.
    // termios has no one and a half stop bits: two are sent instead, which a
    // receiver set to 1.5 accepts (a receiver checks only the first stop bit).
    // With 5 data bits a 16550 UART sends exactly 1.5 for CSTOPB.
    if (s.stopBits != StopBits::One) t.c_cflag |= CSTOPB;

    if (s.flow == FlowControl::RtsCts) t.c_cflag |= CRTSCTS;
    if (s.flow == FlowControl::XonXoff) {
        t.c_iflag |= IXON | IXOFF;
        t.c_cc[VSTART] = 0x11;
        t.c_cc[VSTOP] = 0x13;
    }

    // Non-blocking reads then give EAGAIN when nothing waits, and 0 only on hang-up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    const speed_t speed = StandardSpeed(s.baudRate);
    if (speed != B0) {
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
    }
    return true;
}

}  // namespace vorta::serial
