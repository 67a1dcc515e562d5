// The real program on a private X server, fed through a pseudo-terminal linked as
// ports/COM1: the user selects some of the first received cells with the mouse,
// then a flood arrives. The selection must still hold the same text afterwards
// (received bytes go to the end, never over the user's selection), and the
// display must hold every byte, in order, as hex cells.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool) would break its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/temp_dir.h"
#include "support/xvfb.h"
#include "support/x11_client.h"
#include "codec/gbk_literal.h"

namespace vorta {
namespace {
using test::FindTopLevel;
using test::Shell;
using namespace std::chrono_literals;

// Takes (and deletes) the whole of `property` on `w`.
std::string TakeProperty(Display* dpy, Window w, Atom property, Atom* type) {
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string bytes;
    if (XGetWindowProperty(dpy, w, property, 0, LONG_MAX / 4, True, AnyPropertyType, type, &format, &count, &after,
                           &data) == Success &&
        data) {
        bytes.assign(reinterpret_cast<char*>(data), count * static_cast<unsigned long>(format / 8));
        XFree(data);
    }
    return bytes;
}

// The clipboard as UTF-8 text, asked for as any X client does, also when the owner
// hands a large text over in pieces (INCR); "" after 5 s without an answer.
std::string ReadClipboard(Display* dpy) {
    const Window me = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(dpy, me, PropertyChangeMask);
    const Atom property = XInternAtom(dpy, "VORTA_TEST_CLIP", False);
    const Atom incr = XInternAtom(dpy, "INCR", False);
    XConvertSelection(dpy, XInternAtom(dpy, "CLIPBOARD", False), XInternAtom(dpy, "UTF8_STRING", False), property, me,
                      CurrentTime);
    XFlush(dpy);
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    bool incremental = false;
    while (std::chrono::steady_clock::now() < deadline) {
        XEvent e;
        if (!incremental && XCheckTypedWindowEvent(dpy, me, SelectionNotify, &e)) {
            if (e.xselection.property == 0) break;
            Atom type = 0;
            text = TakeProperty(dpy, me, property, &type);
            if (type != incr) break;
            incremental = true;  // deleting the property asked for the first piece
            text.clear();
            XFlush(dpy);
        } else if (incremental && XCheckTypedWindowEvent(dpy, me, PropertyNotify, &e)) {
            if (e.xproperty.atom != property || e.xproperty.state != PropertyNewValue) continue;
            Atom type = 0;
            const std::string piece = TakeProperty(dpy, me, property, &type);
            XFlush(dpy);
            if (piece.empty()) break;  // the empty piece ends the transfer
            text += piece;
        } else {
            std::this_thread::sleep_for(5ms);
        }
    }
    XDestroyWindow(dpy, me);
    return text;
}

// Empties the clipboard (its owner goes away), so a copy that copies nothing shows as "".
void ClearClipboard(Display* dpy) {
    const Window owner = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(dpy, XInternAtom(dpy, "CLIPBOARD", False), owner, CurrentTime);
    XDestroyWindow(dpy, owner);
    XSync(dpy, False);
}

// The hex cells of a display text, as bytes, ignoring spaces and line ends.
std::string CellsToBytes(const std::string& text) {
    std::string bytes;
    auto value = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ' ' || text[i] == '\r' || text[i] == '\n') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i]))) return bytes + "<junk>";
        bytes += static_cast<char>(value(text[i]) * 16 + value(text[i + 1]));
        i += 2;
    }
    return bytes;
}

// CPU ticks (user + system) a process has used so far.
long CpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string f;
    long ticks = 0;
    for (int i = 0; fields >> f && i < 13; ++i)
        if (i >= 11) ticks += std::stol(f);
    return ticks;
}

// Whether the process used less than 5 % of a core over the next second.
bool IdleForASecond(pid_t pid) {
    const long before = CpuTicks(pid);
    std::this_thread::sleep_for(1s);
    return CpuTicks(pid) - before < sysconf(_SC_CLK_TCK) / 20;
}

char Pattern(long i) { return static_cast<char>((i * 7) & 0xFF); }

TEST(FloodEndToEnd, SelectionHeldDuringAFloodKeepsItsTextAndEveryByteArrivesInOrder) {
    test::Xvfb x;
    ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
    test::TempDir tmp;
    const std::string env = "DISPLAY=" + x.display() + " ";

    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    std::filesystem::create_directory(tmp.path() / "ports");
    chmod((tmp.path() / "ports").c_str(), 0700);
    std::filesystem::create_symlink(name, tmp.path() / "ports" / "COM1");
    // The first port in the list (COM1), the window at the top left.
    std::ofstream(tmp.path() / "peizhi.ini", std::ios::binary) << "[端口]\r\ncom=0\r\n[位置]\r\nDB=0\r\nZB=0\r\n"_gbk;

    test::ProgramProcess program(VORTA_EXECUTABLE, x.display(), tmp.path().string());
    Display* dpy = XOpenDisplay(x.display().c_str());
    ASSERT_NE(dpy, nullptr);
    const Window w = test::WaitForMainWindow(dpy);
    ASSERT_NE(w, 0u) << "no main window";
    int left = 0, top = 0;
    Window child;
    XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &left, &top, &child);
    auto at = [&](int cx, int cy) { return std::to_string(left + cx) + " " + std::to_string(top + cy); };

    EXPECT_EQ(Shell(env + "xdotool mousemove --sync " + at(544, 149) + " click 1"), 0);  // 打开串口
    std::this_thread::sleep_for(500ms);

    // The first bytes, then the user drags over the start of the first line and copies it.
    const long first = 40, total = 2'000'000;
    std::string head;
    for (long i = 0; i < first; ++i) head += Pattern(i);
    ASSERT_EQ(write(master, head.data(), head.size()), static_cast<ssize_t>(head.size()));
    std::this_thread::sleep_for(1000ms);
    EXPECT_EQ(Shell(env + "xdotool mousemove --sync " + at(8, 52) + " mousedown 1 mousemove --sync " + at(60, 52) +
                    " mousemove --sync " + at(120, 52) + " mouseup 1"),
              0);
    std::this_thread::sleep_for(200ms);
    ClearClipboard(dpy);
    EXPECT_EQ(Shell(env + "xdotool key ctrl+c"), 0);
    std::this_thread::sleep_for(300ms);
    const std::string selected = ReadClipboard(dpy);
    const std::string selectedBytes = CellsToBytes(selected);
    ASSERT_GE(selectedBytes.size(), 2u) << "selection: '" << selected << "'";
    ASSERT_NE(head.find(selectedBytes), std::string::npos) << "selection: '" << selected << "'";

    // The flood: 4 KB a millisecond at most, so that it lasts long enough for a copy in between.
    std::atomic<bool> floodOver{false};
    std::thread feeder([&] {
        std::string chunk;
        for (long sent = first; sent < total;) {
            chunk.clear();
            for (long i = sent; i < std::min(total, sent + 4096); ++i) chunk += Pattern(i);
            const ssize_t n = write(master, chunk.data(), chunk.size());
            if (n <= 0) return;
            sent += n;
            std::this_thread::sleep_for(1ms);
        }
        floodOver = true;
    });
    // Meanwhile the user copies the held selection again.
    std::this_thread::sleep_for(100ms);
    ClearClipboard(dpy);
    EXPECT_EQ(Shell(env + "xdotool key ctrl+c"), 0);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(ReadClipboard(dpy), selected) << "the selection changed during the flood";
    EXPECT_FALSE(floodOver) << "the flood ended before the copy in between: no check during the flood";
    feeder.join();

    // The program has shown everything once it stays idle for a second.
    for (int i = 0; i < 60 && !IdleForASecond(program.pid()); ++i) {}

    // The selection is untouched, and every byte is there, in order.
    ClearClipboard(dpy);
    EXPECT_EQ(Shell(env + "xdotool key ctrl+c"), 0);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(ReadClipboard(dpy), selected) << "the selection changed after the flood";
    ClearClipboard(dpy);
    EXPECT_EQ(Shell(env + "xdotool key ctrl+a ctrl+c"), 0);
    std::this_thread::sleep_for(500ms);
    const std::string all = CellsToBytes(ReadClipboard(dpy));
    ASSERT_EQ(static_cast<long>(all.size()), total);
    long wrong = -1;
    for (long i = 0; i < total && wrong < 0; ++i)
        if (all[static_cast<std::size_t>(i)] != Pattern(i)) wrong = i;
    EXPECT_EQ(wrong, -1) << "first byte out of order at " << wrong;

    XCloseDisplay(dpy);
    close(master);
    close(slave);
}

}  // namespace
}  // namespace vorta
