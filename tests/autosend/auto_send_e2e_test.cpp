// The real program under a private X server: the list comes from 循环数据.BAT,
// a click on 自动发送 opens the port (a pseudo-terminal linked as a COM port
// beside the settings) and frames leave at the interval while the lamp
// blinks; a second click stops both.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool) would break its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "codec/hex_text.h"
#include "serial/port_discovery.h"
#include "store/settings_file.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"
#include "support/x11_client.h"
#include "codec/gbk_literal.h"

namespace vorta {
namespace {
using test::FindTopLevel;

using namespace std::chrono_literals;

// Client positions at the first-run size 600 x 536, after the window's relayout:
// 分组框2 at (2, 420), its strip at (258, 13) inside it.
constexpr int kAutoSendX = 2 + 258 + 244 + 77 / 2, kAutoSendY = 420 + 13 + 5 + 32 / 2;
constexpr int kLampLeft = 2 + 258 + 214, kLampTop = 420 + 13 + 11, kLampSize = 20;

// Pixels of the lamp's square that are pure yellow, read back from the X server.
int YellowPixels(Display* dpy, Window w) {
    XImage* image = XGetImage(dpy, w, kLampLeft, kLampTop, kLampSize, kLampSize, AllPlanes, ZPixmap);
    if (!image) return -1;
    int yellow = 0;
    for (int y = 0; y < kLampSize; ++y)
        for (int x = 0; x < kLampSize; ++x) yellow += (XGetPixel(image, x, y) & 0xFFFFFF) == 0xFFFF00;
    XDestroyImage(image);
    return yellow;
}

TEST(AutoSendEndToEnd, ListFromTheFileSentAtTheIntervalWithTheLampBlinkingUntilStopped) {
    test::Xvfb x;
    ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
    test::TempDir tmp;
    test::PtyPair pty;
    ASSERT_TRUE(pty.ok());

    // The port: a pseudo-terminal linked as COM7, selected in the settings.
    std::filesystem::create_directories(tmp.path() / "ports");
    std::filesystem::create_symlink(pty.path(), tmp.path() / "ports" / "COM7");
    const std::string ini = tmp.slash() + "peizhi.ini";
    std::vector<serial::PortInfo> ports;
    serial::DiscoverPorts(serial::RootsBesideSettings(ini), ports);
    const auto com7 = std::find_if(ports.begin(), ports.end(), [](const serial::PortInfo& p) { return p.number == 7; });
    ASSERT_NE(com7, ports.end());
    ASSERT_TRUE(store::WriteSetting(ini, "端口"_gbk, "com", std::to_string(com7 - ports.begin())));
    ASSERT_TRUE(store::WriteSetting(ini, "MoKuai", "毫秒"_gbk, "0"));  // 200 ms
    // Thirty lines, so the run cannot end by itself while the test watches.
    std::string list;
    for (int i = 0; i < 15; ++i) list += "01 03 10 00 00 25\r\n01 03 00 64 00 08\r\n";
    ASSERT_TRUE(store::WriteWholeFile(tmp.slash() + "循环数据.BAT"_gbk, list));

    test::ProgramProcess program(VORTA_EXECUTABLE, x.display(), tmp.path().string());
    Display* dpy = XOpenDisplay(x.display().c_str());
    ASSERT_NE(dpy, nullptr);
    const Window w = test::WaitForMainWindow(dpy);
    ASSERT_NE(w, 0u) << "no main window";
    EXPECT_EQ(YellowPixels(dpy, w), 0) << "the lamp is dark before the start";

    const std::string env = "DISPLAY=" + x.display() + " ";
    // The pointer leaves again after the click: a --sync move to where it already is never ends.
    auto click = [&] {
        int left = 0, top = 0;
        Window child;
        XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &left, &top, &child);
        const std::string cmd = env + "xdotool mousemove --sync " + std::to_string(left + kAutoSendX) + " " +
                                std::to_string(top + kAutoSendY) + " click 1 mousemove 0 0";
        return std::system(cmd.c_str());
    };
    ASSERT_EQ(click(), 0);

    // Watch for 2.5 s: the far end, read as a device would, and the lamp.
    std::string received;
    int lit = 0, dark = 0, changes = 0, last = -1;
    const auto end = std::chrono::steady_clock::now() + 2500ms;
    while (std::chrono::steady_clock::now() < end) {
        received += pty.receive(1 << 16, 20);
        const int on = YellowPixels(dpy, w) > 50;
        (on ? lit : dark)++;
        if (last >= 0 && on != last) ++changes;
        last = on;
    }
    std::system(
        ("import -display " + x.display() + " -window root " VORTA_BUILD_DIR "/autosend-running.png 2>/dev/null")
            .c_str());

    const std::string a = codec::HexPairsToBytes("01 03 10 00 00 25 D1 80");
    const std::string b = codec::HexPairsToBytes(codec::FormatHexPairs("01 03 00 64 00 08"));
    ASSERT_GE(received.size(), 8u * 8) << "about 12 frames in 2.5 s at 200 ms";
    EXPECT_EQ(received.size() % 8, 0u);
    for (std::size_t i = 0; i + 8 <= received.size(); i += 8) {
        const std::string frame = received.substr(i, 8);
        EXPECT_EQ(frame.substr(0, 6), (i / 8) % 2 == 0 ? a.substr(0, 6) : b) << "frame " << i / 8;
    }
    EXPECT_EQ(received.substr(0, 8), a);
    EXPECT_GE(changes, 6) << "lit " << lit << ", dark " << dark;

    ASSERT_EQ(click(), 0);  // 停止发送
    std::this_thread::sleep_for(300ms);
    pty.receive(1 << 16, 20);  // a frame that was on its way
    EXPECT_EQ(pty.receive(1 << 16, 1000), "") << "frames after the stop";
    EXPECT_EQ(YellowPixels(dpy, w), 0) << "the lamp is dark after the stop";

    test::AskToClose(dpy, w);
    program.waitExit(std::chrono::seconds(15));
    XCloseDisplay(dpy);
    // The list file is written again when the port opens.
    EXPECT_EQ(store::ReadWholeFile(tmp.slash() + "循环数据.BAT"_gbk), list);
}

}  // namespace
}  // namespace vorta
