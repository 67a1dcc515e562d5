#include "device/tty_line_reader.h"

#include <asm/ioctls.h>  // TCGETS2
#include <asm/termbits.h>

// <sys/ioctl.h> would pull in glibc's termios definitions beside the kernel's.
extern "C" int ioctl(int fd, unsigned long request, ...);

namespace vorta::device {

LineTiming ReadLineTiming(int masterFd) {
    struct termios2 t {};
    if (ioctl(masterFd, TCGETS2, &t) != 0) return {};
    int dataBits = 8;
    switch (t.c_cflag & CSIZE) {
    case CS5: dataBits = 5; break;
    case CS6: dataBits = 6; break;
    case CS7: dataBits = 7; break;
    default: break;
    }
    return MakeLineTiming(static_cast<int>(t.c_ospeed), dataBits, (t.c_cflag & PARENB) != 0, (t.c_cflag & CSTOPB) != 0);
}

}  // namespace vorta::device
