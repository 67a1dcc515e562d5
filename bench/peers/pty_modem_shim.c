/* LD_PRELOAD shim given only to the other serial tools that run_peers.sh
 * measures, so that they accept a pseudo-terminal as their serial port.
 *
 * A pseudo-terminal has no modem lines: TIOCMGET, TIOCMSET, TIOCMBIS,
 * TIOCMBIC, TIOCMIWAIT and TIOCGICOUNT fail with ENOTTY, and some tools then
 * report an error and close the port. Here, when such a request fails with
 * ENOTTY on a terminal, it is answered as a cable to a ready device would
 * answer: the lines the tool drives (DTR, RTS) keep what it set, the lines
 * the device drives (CTS, DSR, DCD) are on, the error counters stay zero, and
 * waiting for a line change waits until the port is hung up or a signal comes
 * (with PTY_MODEM_SHIM_NO_WAIT set in the environment it fails with ENOTTY, as
 * a driver's that cannot wait does).
 *
 * A pseudo-terminal also has no entry under /sys/dev/char, so a udev lookup
 * of its device file finds nothing; a tool that checks the device through
 * udev gets the device of /dev/ptmx (the pseudo-terminal master) instead.
 *
 * Nothing else changes: every other request goes to the real call (close is
 * watched only to forget the lines of a closed port). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);
typedef int (*close_fn)(int);

/* The lines this side drives, per descriptor, and the device they belong to;
 * closing the descriptor forgets them, so a port opened again starts afresh
 * (device 0: none, a terminal's device number is never 0). */
enum { kMaxFd = 4096 };
static struct {
    dev_t device;
    int lines;
} g_lines[kMaxFd];

static const int kDeviceDriven = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;
static const int kHostDriven = TIOCM_DTR | TIOCM_RTS;

/* A tool may follow the lines on one thread while another closes the port. */
static pthread_mutex_t g_lines_mutex = PTHREAD_MUTEX_INITIALIZER;

/* Under g_lines_mutex. */
static int* lines_of(int fd, dev_t device) {
    if (g_lines[fd].device != device) {
        g_lines[fd].device = device;
        g_lines[fd].lines = kHostDriven; /* raised on open, as a UART driver does */
    }
    return &g_lines[fd].lines;
}

static int is_modem_request(unsigned long request) {
    return request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC ||
           request == TIOCMIWAIT || request == TIOCGICOUNT;
}

/* Answers a modem-line request the terminal could not; returns the ioctl result. */
static int emulate(int fd, unsigned long request, void* arg) {
    struct stat st;
    if (fd < 0 || fd >= kMaxFd || fstat(fd, &st) != 0) {
        errno = ENOTTY;
        return -1;
    }
    if (request == TIOCMIWAIT && getenv("PTY_MODEM_SHIM_NO_WAIT")) {
        /* A driver that reports its lines but cannot wait for them. */
        errno = ENOTTY;
        return -1;
    }
    if (request == TIOCMIWAIT) {
        /* The emulated lines never change: wait until the port goes away. A
         * signal ends the wait with EINTR, as it ends a driver's. */
        struct pollfd p = {fd, 0, 0};
        if (poll(&p, 1, -1) < 0) return -1;
        errno = EIO;
        return -1;
    }
    if (!arg) {
        errno = EFAULT;
        return -1;
    }
    if (request == TIOCGICOUNT) {
        memset(arg, 0, sizeof(struct serial_icounter_struct));
        return 0;
    }
    const int bits = *(const int*)arg & kHostDriven;
    pthread_mutex_lock(&g_lines_mutex);
    int* lines = lines_of(fd, st.st_rdev);
    if (request == TIOCMGET)
        *(int*)arg = *lines | kDeviceDriven;
    else if (request == TIOCMSET)
        *lines = bits;
    else if (request == TIOCMBIS)
        *lines |= bits;
    else if (request == TIOCMBIC)
        *lines &= ~bits;
    pthread_mutex_unlock(&g_lines_mutex);
    return 0;
}

int ioctl(int fd, unsigned long request, ...) {
    static ioctl_fn real_fn; /* found by whichever thread comes first: the same for all */
    ioctl_fn real = __atomic_load_n(&real_fn, __ATOMIC_ACQUIRE);
    if (!real) __atomic_store_n(&real_fn, real = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl"), __ATOMIC_RELEASE);
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    const int result = real(fd, request, arg);
    if (result == -1 && errno == ENOTTY && is_modem_request(request) && isatty(fd)) return emulate(fd, request, arg);
    return result;
}

int close(int fd) {
    static close_fn real_fn;
    close_fn real = __atomic_load_n(&real_fn, __ATOMIC_ACQUIRE);
    if (!real) __atomic_store_n(&real_fn, real = (close_fn)dlsym(RTLD_NEXT, "close"), __ATOMIC_RELEASE);
    if (fd >= 0 && fd < kMaxFd) {
        pthread_mutex_lock(&g_lines_mutex);
        g_lines[fd].device = 0;
        pthread_mutex_unlock(&g_lines_mutex);
    }
    return real(fd);
}

/* udev: a pseudo-terminal slave (major 136..143) is looked up as /dev/ptmx. */
typedef void* (*query_fn)(void*, const char*);

void* g_udev_client_query_by_device_file(void* client, const char* device_file) {
    static query_fn real;
    if (!real) real = (query_fn)dlsym(RTLD_NEXT, "g_udev_client_query_by_device_file");
    if (!real) return NULL;
    void* device = real(client, device_file);
    struct stat st;
    if (!device && device_file && stat(device_file, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 &&
        major(st.st_rdev) <= 143)
        device = real(client, "/dev/ptmx");
    return device;
}
