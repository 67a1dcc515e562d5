// The modem-line shim that run_peers.sh preloads into the other serial tools:
// it must answer modem-line requests on a pseudo-terminal as a ready device
// would, leave everything that is not a terminal alone, and never make a tool
// wait forever. Runs with the shim preloaded (see CMakeLists.txt).
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <csignal>
#include <pthread.h>
#include <string>

#include "support/pty_pair.h"

namespace {

using vorta::test::PtyPair;

int Lines(int fd) {
    int lines = -1;
    EXPECT_EQ(ioctl(fd, TIOCMGET, &lines), 0) << "the shim is not preloaded or did not answer";
    return lines;
}

constexpr int kDeviceDriven = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;

TEST(PtyModemShim, KeepsTheLinesTheToolDrivesAndShowsADeviceReady) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const int fd = pty.slave();
    EXPECT_EQ(Lines(fd), TIOCM_DTR | TIOCM_RTS | kDeviceDriven);

    int dtr = TIOCM_DTR;
    ASSERT_EQ(ioctl(fd, TIOCMBIC, &dtr), 0);
    EXPECT_EQ(Lines(fd), TIOCM_RTS | kDeviceDriven);
    ASSERT_EQ(ioctl(fd, TIOCMBIS, &dtr), 0);
    EXPECT_EQ(Lines(fd), TIOCM_DTR | TIOCM_RTS | kDeviceDriven);

    // The device's lines are not the tool's to set or clear.
    int rtsAndCts = TIOCM_RTS | TIOCM_CTS;
    ASSERT_EQ(ioctl(fd, TIOCMSET, &rtsAndCts), 0);
    EXPECT_EQ(Lines(fd), TIOCM_RTS | kDeviceDriven);
    int all = TIOCM_DTR | TIOCM_RTS | kDeviceDriven;
    ASSERT_EQ(ioctl(fd, TIOCMBIC, &all), 0);
    EXPECT_EQ(Lines(fd), kDeviceDriven);
}

TEST(PtyModemShim, APortOpenedAgainStartsAfresh) {
    int reused = -1;
    {
        PtyPair first;
        ASSERT_TRUE(first.ok());
        reused = first.slave();
        int dtr = TIOCM_DTR;
        ASSERT_EQ(ioctl(reused, TIOCMBIC, &dtr), 0);
    }
    PtyPair second;
    ASSERT_TRUE(second.ok());
    const int fd = open(second.path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(dup2(fd, reused), reused);  // the old number, opened anew
    if (fd != reused) close(fd);
    EXPECT_EQ(Lines(reused), TIOCM_DTR | TIOCM_RTS | kDeviceDriven);
    close(reused);
}

TEST(PtyModemShim, ErrorCountersAreZero) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    serial_icounter_struct counters;
    std::memset(&counters, 0x5a, sizeof counters);
    ASSERT_EQ(ioctl(pty.slave(), TIOCGICOUNT, &counters), 0);
    EXPECT_EQ(counters.rx, 0);
    EXPECT_EQ(counters.frame, 0);
    EXPECT_EQ(counters.overrun, 0);
    EXPECT_EQ(counters.brk, 0);
}

TEST(PtyModemShim, LeavesWhatIsNotATerminalAlone) {
    char path[] = "/tmp/pty_modem_shim_test.XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    unlink(path);
    int lines = 0;
    errno = 0;
    EXPECT_EQ(ioctl(fd, TIOCMGET, &lines), -1);
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_EQ(ioctl(-1, TIOCMGET, &lines), -1);
    EXPECT_EQ(errno, EBADF);
    close(fd);
}

TEST(PtyModemShim, WaitingForALineChangeEndsWhenThePortHangsUp) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    auto wait = std::async(std::launch::async, [fd = pty.slave()] {
        const int result = ioctl(fd, TIOCMIWAIT, static_cast<unsigned long>(TIOCM_CTS | TIOCM_DSR));
        return std::make_pair(result, errno);
    });
    EXPECT_EQ(wait.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout) << "no line changed";
    pty.closeFarEnd();
    ASSERT_EQ(wait.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const auto [result, error] = wait.get();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(error, EIO);
}

// A signal ends the wait as it ends a driver's: EINTR, for a handler without SA_RESTART.
TEST(PtyModemShim, ASignalEndsTheWaitForALineChange) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    struct sigaction action {};
    action.sa_handler = [](int) {};
    ASSERT_EQ(sigaction(SIGUSR2, &action, nullptr), 0);
    std::promise<pthread_t> waiter;
    auto wait = std::async(std::launch::async, [&, fd = pty.slave()] {
        waiter.set_value(pthread_self());
        const int result = ioctl(fd, TIOCMIWAIT, static_cast<unsigned long>(TIOCM_CTS | TIOCM_DSR));
        return std::make_pair(result, errno);
    });
    const pthread_t thread = waiter.get_future().get();
    // A signal that came before the wait began would be lost: repeated until it ends.
    for (int i = 0; i < 2500 && wait.wait_for(std::chrono::milliseconds(2)) != std::future_status::ready; ++i)
        pthread_kill(thread, SIGUSR2);
    ASSERT_EQ(wait.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    const auto [result, error] = wait.get();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(error, EINTR);
}

// A udev lookup of a pseudo-terminal, which udev does not know, finds /dev/ptmx.
TEST(PtyModemShim, UdevFindsAPseudoTerminalAsThePtyMaster) {
    void* gudev = dlopen("libgudev-1.0.so.0", RTLD_NOW | RTLD_GLOBAL);
    if (!gudev) GTEST_SKIP() << "libgudev-1.0 not installed";
    using ClientNew = void* (*)(const char* const*);
    using Query = void* (*)(void*, const char*);
    using DeviceFile = const char* (*)(void*);
    using Unref = void (*)(void*);
    auto clientNew = reinterpret_cast<ClientNew>(dlsym(gudev, "g_udev_client_new"));
    // Looked up globally, as the tools' own calls are bound: the preloaded shim comes first.
    auto query = reinterpret_cast<Query>(dlsym(RTLD_DEFAULT, "g_udev_client_query_by_device_file"));
    auto deviceFile = reinterpret_cast<DeviceFile>(dlsym(gudev, "g_udev_device_get_device_file"));
    auto unref = reinterpret_cast<Unref>(dlsym(RTLD_DEFAULT, "g_object_unref"));
    ASSERT_TRUE(clientNew && query && deviceFile && unref);
    if (access("/sys/dev/char/5:2", F_OK) != 0) GTEST_SKIP() << "no sysfs entry for /dev/ptmx here";

    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    void* client = clientNew(nullptr);
    ASSERT_NE(client, nullptr);
    void* device = query(client, pty.path().c_str());
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(std::string(deviceFile(device)), "/dev/ptmx");
    unref(device);
    EXPECT_EQ(query(client, "/nonexistent/device"), nullptr);
    unref(client);
}

}  // namespace
