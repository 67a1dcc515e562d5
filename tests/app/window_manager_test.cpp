// The real program under a real window manager (openbox on a private X server):
// the outer rectangle in the settings file is where the frame stands after a
// start, and starting and closing again and again leaves the file as it was.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool) would break its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "store/settings_file.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"
#include "support/x11_client.h"
#include "codec/gbk_literal.h"

namespace vorta {
namespace {

using test::WaitExit;

using namespace std::chrono_literals;

struct Outer {
    long left, top, width, height;
    bool operator==(const Outer&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outer& r) {
    return out << r.width << "x" << r.height << "+" << r.left << "+" << r.top;
}

// The longs of a window property, or nothing.
std::vector<long> Property(Display* dpy, Window w, const char* name, Atom type) {
    Atom actual;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(dpy, w, XInternAtom(dpy, name, False), 0, 1024, False, type, &actual, &format, &count,
                           &after, &data) == Success &&
        data && format == 32) {
        const auto* longs = reinterpret_cast<const long*>(data);
        values.assign(longs, longs + count);
    }
    if (data) XFree(data);
    return values;
}

std::string Title(Display* dpy, Window w) {
    Atom actual;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(dpy, w, XInternAtom(dpy, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(dpy, "UTF8_STRING", False), &actual, &format, &count, &after,
                           &data) == Success &&
        data)
        title.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    return title;
}

// The program's main window among the windows the window manager manages.
Window ManagedWindow(Display* dpy, const std::string& title) {
    for (long w : Property(dpy, DefaultRootWindow(dpy), "_NET_CLIENT_LIST", XA_WINDOW))
        if (Title(dpy, static_cast<Window>(w)) == title) return static_cast<Window>(w);
    return 0;
}

// The outer rectangle of a framed window: the client's place on the screen
// widened by the frame extents the window manager announces.
std::optional<Outer> OuterRect(Display* dpy, Window w) {
    const std::vector<long> extents = Property(dpy, w, "_NET_FRAME_EXTENTS", XA_CARDINAL);
    XWindowAttributes attrs;
    Window child;
    int x = 0, y = 0;
    if (extents.size() != 4 || !XGetWindowAttributes(dpy, w, &attrs) ||
        !XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child))
        return std::nullopt;
    const long left = extents[0], right = extents[1], top = extents[2], bottom = extents[3];
    return Outer{x - left, y - top, attrs.width + left + right, attrs.height + top + bottom};
}

pid_t Spawn(const std::string& display, const std::string& home, const std::string& tmpdir, const char* program) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.c_str(), 1);  // private (0700) like a session's
        setenv("TMPDIR", tmpdir.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        if (!freopen("/dev/null", "r", stdin) || !freopen("/dev/null", "w", stdout)) _exit(126);
        execlp(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

class WindowManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(x_.display().empty()) << "Xvfb did not start";
        dpy_ = XOpenDisplay(x_.display().c_str());
        ASSERT_NE(dpy_, nullptr);
        openbox_ = Spawn(x_.display(), home_.path().string(), tmp_.path().string(), "openbox");
        for (int i = 0;
             i < 100 && Property(dpy_, DefaultRootWindow(dpy_), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty(); ++i)
            std::this_thread::sleep_for(50ms);
        if (Property(dpy_, DefaultRootWindow(dpy_), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty())
            GTEST_SKIP() << "openbox did not start (scripts/install-deps.sh installs it)";
    }
    void TearDown() override {
        if (openbox_ > 0) {
            kill(openbox_, SIGTERM);
            waitpid(openbox_, nullptr, 0);
        }
        if (dpy_) XCloseDisplay(dpy_);
    }

    // Starts the program, waits until its frame has settled, measures the frame,
    // closes the window as the window manager's close button does and waits for the end.
    std::optional<Outer> cycle() {
        const pid_t pid = Spawn(x_.display(), home_.path().string(), tmp_.path().string(), VORTA_EXECUTABLE);
        const std::string title = reinterpret_cast<const char*>(u8"Vorta串口调试v2.35");
        Window w = 0;
        std::optional<Outer> outer;
        for (int i = 0; i < 300 && !outer; ++i) {
            std::this_thread::sleep_for(50ms);
            if (!w) w = ManagedWindow(dpy_, title);
            if (w) outer = OuterRect(dpy_, w);
        }
        if (!outer) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return std::nullopt;
        }
        // The frame is known at once; the program restores its rectangle right after.
        std::optional<Outer> settled;
        for (int stable = 0, i = 0; stable < 10 && i < 100; ++i) {
            std::this_thread::sleep_for(50ms);
            const std::optional<Outer> now = OuterRect(dpy_, w);
            stable = now && now == settled ? stable + 1 : 0;
            settled = now;
        }
        test::AskToClose(dpy_, w);
        EXPECT_EQ(WaitExit(pid, 15s), 0);
        return settled;
    }

    std::array<std::string, 4> keys() const {
        const std::string ini = tmp_.slash() + "peizhi.ini";
        return {store::ReadSetting(ini, "大小"_gbk, "KD"), store::ReadSetting(ini, "大小"_gbk, "GD"),
                store::ReadSetting(ini, "位置"_gbk, "DB"), store::ReadSetting(ini, "位置"_gbk, "ZB")};
    }

    test::Xvfb x_;
    test::TempDir tmp_;
    test::TempDir home_;
    Display* dpy_ = nullptr;
    pid_t openbox_ = -1;
};

TEST_F(WindowManagerTest, TenStartsAndClosesLeaveTheStoredRectangleWhereItWas) {
    const std::string ini = tmp_.slash() + "peizhi.ini";
    ASSERT_TRUE(store::WriteSetting(ini, "大小"_gbk, "KD", "640"));
    ASSERT_TRUE(store::WriteSetting(ini, "大小"_gbk, "GD", "500"));
    ASSERT_TRUE(store::WriteSetting(ini, "位置"_gbk, "DB", "200"));
    ASSERT_TRUE(store::WriteSetting(ini, "位置"_gbk, "ZB", "150"));
    const std::array<std::string, 4> stored = {"640", "500", "200", "150"};
    for (int run = 1; run <= 10; ++run) {
        const std::optional<Outer> frame = cycle();
        ASSERT_TRUE(frame.has_value()) << "run " << run << ": no framed window";
        EXPECT_EQ(*frame, (Outer{150, 200, 640, 500})) << "run " << run;
        ASSERT_EQ(keys(), stored) << "run " << run;
    }
}

TEST_F(WindowManagerTest, AFirstRunPlacedByTheWindowManagerIsKeptFromThenOn) {
    ASSERT_TRUE(cycle().has_value());
    const std::array<std::string, 4> first = keys();
    EXPECT_EQ(first[0], "600");
    EXPECT_EQ(first[1], "536");
    for (int run = 2; run <= 4; ++run) {
        const std::optional<Outer> frame = cycle();
        ASSERT_TRUE(frame.has_value()) << "run " << run;
        EXPECT_EQ(frame->width, 600) << "run " << run;
        EXPECT_EQ(frame->height, 536) << "run " << run;
        ASSERT_EQ(keys(), first) << "run " << run;
    }
}

}  // namespace
}  // namespace vorta
