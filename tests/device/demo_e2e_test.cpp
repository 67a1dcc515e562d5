// make run's arrangement end to end: vorta-device links its port beside the
// settings, then the real program starts on a private X server with its
// first-run defaults. A click on 打开串口 and one on 发送 must show the sent
// frame in green and the device's answer, with a valid CRC, in blue.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool) would break its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>

#include "codec/crc16.h"
#include "device/device_process.h"
#include "codec/hex_text.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"
#include "support/x11_client.h"

namespace vorta {
namespace {
using test::FindTopLevel;
using test::ReadClipboard;
using test::Shell;
using namespace std::chrono_literals;

// Every hex pair inside the spans of one colour of Qt's HTML, in order.
std::string BytesInColour(const std::string& html, const std::string& colour) {
    std::string hex;
    const std::regex span("<span style=\"[^\"]*color:" + colour + ";[^\"]*\">([^<]*)</span>");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), span); it != std::sregex_iterator(); ++it)
        hex += (*it)[1].str() + " ";
    return codec::HexPairsToBytes(codec::FormatHexPairs(hex));
}

std::string Hex(std::string_view bytes) {
    std::string text;
    for (unsigned char b : bytes) text += codec::HexCell(b);
    return text;
}

TEST(DemoDeviceEndToEnd, FirstRunDefaultsOpenSendAndTheDeviceAnswers) {
    test::Xvfb x;
    ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
    test::TempDir tmp;
    const std::string env = "TMPDIR=" + tmp.path().string() + " DISPLAY=" + x.display() + " ";

    // As make run does: the device first, in the background, then the program.
    FILE* started = popen(
        (env + "timeout 10 " VORTA_DEVICE_EXECUTABLE " --background --select-port 2>" + tmp.file("device.log")).c_str(),
        "r");
    ASSERT_NE(started, nullptr);
    char pidText[32] = {};
    fgets(pidText, sizeof pidText, started);
    pclose(started);
    const pid_t device = std::atoi(pidText);
    ASSERT_GT(device, 0);
    device::testing::StopOnExit stopDevice(device);
    ASSERT_TRUE(std::filesystem::is_symlink(tmp.path() / "ports" / "COM900"));

    test::ProgramProcess program(VORTA_EXECUTABLE, x.display(), tmp.path().string());
    Display* dpy = XOpenDisplay(x.display().c_str());
    ASSERT_NE(dpy, nullptr);
    const Window w = test::WaitForMainWindow(dpy);
    ASSERT_NE(w, 0u) << "no main window";
    int left = 0, top = 0;
    Window child;
    XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &left, &top, &child);

    // Client positions at the first-run size 600 x 536 (the window definition after its relayout).
    auto click = [&](int cx, int cy) {
        return Shell(env + "xdotool mousemove --sync " + std::to_string(left + cx) + " " + std::to_string(top + cy) +
                     " click 1");
    };
    EXPECT_EQ(click(VORTA_OPEN_X, VORTA_OPEN_Y), 0);  // 打开串口
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(click(VORTA_SEND_X, VORTA_SEND_Y), 0);  // 发送
    std::this_thread::sleep_for(1500ms);
    Shell("import -display " + x.display() + " -window root " VORTA_BUILD_DIR "/demo-exchange.png 2>/dev/null");

    // The display's content, with its colours, through the clipboard.
    EXPECT_EQ(click(200, 200), 0);
    EXPECT_EQ(Shell(env + "xdotool key ctrl+a ctrl+c"), 0);
    std::this_thread::sleep_for(300ms);
    const std::string html = ReadClipboard(dpy, "text/html");

    const std::string sent = BytesInColour(html, "#008000");
    const std::string received = BytesInColour(html, "#0000ff");
    EXPECT_EQ(Hex(sent), "01 03 10 00 00 25 D1 80 ") << html;
    ASSERT_EQ(received.size(), 79u) << Hex(received) << "\n" << html;
    EXPECT_EQ(Hex(received.substr(0, 5)), "01 03 4A 00 01 ");
    // The program sent the CRC high byte first; the answer comes back the same way.
    const std::uint16_t crc = codec::Crc16Modbus(received.substr(0, 77));
    EXPECT_EQ(static_cast<unsigned char>(received[77]), crc >> 8);
    EXPECT_EQ(static_cast<unsigned char>(received[78]), crc & 0xFF);

    XCloseDisplay(dpy);
    kill(device, SIGTERM);
    for (int i = 0; i < 100 && kill(device, 0) == 0; ++i) std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(tmp.path() / "ports" / "COM900")));
}

}  // namespace
}  // namespace vorta
