// The real program under a private X server: it opens its main window, is
// resized and closed the way a window manager would, and writes its size and
// position into its settings file in the folder TMPDIR names.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool) would break its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "store/settings_file.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"
#include "support/x11_client.h"
#include "codec/gbk_literal.h"

namespace vorta {
namespace {
using test::FindTopLevel;
using test::WaitExit;

using namespace std::chrono_literals;

void Screenshot(const std::string& display, const std::string& file) {
    const std::string cmd = "import -display " + display + " -window root " + file + " 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "screenshot failed: %s\n", file.c_str());
}

// The program on the X server, its settings in `tmp`.
pid_t StartProgram(const test::Xvfb& x, const test::TempDir& tmp) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", x.display().c_str(), 1);
        setenv("TMPDIR", tmp.path().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        freopen("/dev/null", "r", stdin);
        execl(VORTA_EXECUTABLE, VORTA_EXECUTABLE, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

TEST(MainWindowEndToEnd, OpensResizesClosesAndSavesItsGeometry) {
    test::Xvfb x;
    ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
    test::TempDir tmp;

    const pid_t pid = StartProgram(x, tmp);
    Display* dpy = XOpenDisplay(x.display().c_str());
    ASSERT_NE(dpy, nullptr);

    const std::string title = reinterpret_cast<const char*>(u8"Vorta串口调试v2.35");
    Window w = 0;
    for (int i = 0; i < 300 && !w; ++i) {
        std::this_thread::sleep_for(100ms);
        w = FindTopLevel(dpy, title);
    }
    ASSERT_NE(w, 0u) << "no window titled " << title;
    std::this_thread::sleep_for(800ms);  // let it paint
    Screenshot(x.display(), VORTA_BUILD_DIR "/main-window.png");

    ASSERT_TRUE(test::MoveResize(dpy, w, 100, 80, 700, 560));
    std::this_thread::sleep_for(300ms);  // the program takes in the new geometry
    Screenshot(x.display(), VORTA_BUILD_DIR "/main-window-resized.png");

    // What a window manager sends when the user closes a window.
    test::AskToClose(dpy, w);
    EXPECT_EQ(WaitExit(pid, 15s), 0);
    XCloseDisplay(dpy);

    const std::string ini = tmp.slash() + "peizhi.ini";
    EXPECT_EQ(store::ReadSetting(ini, "大小"_gbk, "KD"), "700");
    EXPECT_EQ(store::ReadSetting(ini, "大小"_gbk, "GD"), "560");
    EXPECT_EQ(store::ReadSetting(ini, "位置"_gbk, "DB"), "80");
    EXPECT_EQ(store::ReadSetting(ini, "位置"_gbk, "ZB"), "100");
    // Loading the options wrote the line-break interval back at start-up.
    EXPECT_EQ(store::ReadSetting(ini, "自动换行"_gbk, "间隔毫秒"_gbk), "50");
}

// Logout, shutdown and kill end the program the way its close button does:
// the size and place are saved and the exit status is 0, not 128 + signal.
TEST(MainWindowEndToEnd, EndedByTheDesktopItStillSavesItsGeometryAndExitsCleanly) {
    test::Xvfb x;
    ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
    Display* dpy = XOpenDisplay(x.display().c_str());
    ASSERT_NE(dpy, nullptr);
    const std::string title = reinterpret_cast<const char*>(u8"Vorta串口调试v2.35");
    const struct {
        int signal;
        int left, top, width, height;
    } cases[] = {{SIGTERM, 110, 70, 680, 540}, {SIGHUP, 130, 60, 660, 520}, {SIGINT, 150, 50, 640, 500}};
    for (const auto& c : cases) {
        test::TempDir tmp;
        const pid_t pid = StartProgram(x, tmp);
        Window w = 0;
        for (int i = 0; i < 300 && !w; ++i) {
            std::this_thread::sleep_for(100ms);
            w = FindTopLevel(dpy, title);
        }
        if (!w) kill(pid, SIGKILL);
        ASSERT_NE(w, 0u) << "no window titled " << title;
        std::this_thread::sleep_for(800ms);  // the program places itself once shown
        EXPECT_TRUE(
            test::MoveResize(dpy, w, c.left, c.top, static_cast<unsigned>(c.width), static_cast<unsigned>(c.height)));
        std::this_thread::sleep_for(300ms);

        kill(pid, c.signal);
        EXPECT_EQ(WaitExit(pid, 15s), 0) << strsignal(c.signal);
        const std::string ini = tmp.slash() + "peizhi.ini";
        EXPECT_EQ(store::ReadSetting(ini, "大小"_gbk, "KD"), std::to_string(c.width)) << strsignal(c.signal);
        EXPECT_EQ(store::ReadSetting(ini, "大小"_gbk, "GD"), std::to_string(c.height));
        EXPECT_EQ(store::ReadSetting(ini, "位置"_gbk, "DB"), std::to_string(c.top));
        EXPECT_EQ(store::ReadSetting(ini, "位置"_gbk, "ZB"), std::to_string(c.left));
        // Gone from the display, not only from the process table.
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(FindTopLevel(dpy, title), 0u);
    }
    XCloseDisplay(dpy);
}

}  // namespace
}  // namespace vorta
