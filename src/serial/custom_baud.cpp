#include "serial/custom_baud.h"

#include <asm/ioctls.h>  // TCGETS2, TCSETS2
#include <asm/termbits.h>

// <sys/ioctl.h> would pull in glibc's termios definitions beside the kernel's.
extern "C" int ioctl(int fd, unsigned long request, ...);

namespace vorta::serial {

bool SetCustomBaud(int fd, int baudRate) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = static_cast<speed_t>(baudRate);
    t.c_ospeed = static_cast<speed_t>(baudRate);
    return ioctl(fd, TCSETS2, &t) == 0;
}

int ReadBaudRate(int fd) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return -1;
    return static_cast<int>(t.c_ospeed);
}

}  // namespace vorta::serial
