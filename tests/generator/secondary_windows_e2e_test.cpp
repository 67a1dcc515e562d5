// The real program under a private X server, driven with the mouse and keys:
// the generator opens modally from the auto-send lamp and fills the list; the
// calculator opens from the display's menu, evaluates a frame that arrives on
// a pseudo-terminal, and its keys are written when the program is closed
// with the calculator still open. Control positions come from the window
// definitions, laid out by the same logic the program runs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <string>
#include <thread>

#include "codec/crc16.h"
#include "serial/port_discovery.h"
#include "store/settings_file.h"
#include "support/main_window_fixture.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"
#include "support/x11_client.h"
#include "ui/windows/control_ids.h"

// Last: Xlib's macros (None, Bool) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include "codec/gbk_literal.h"

namespace vorta {
namespace {
using test::FindTopLevel;
using test::ReadClipboard;
using test::Shell;
using test::WaitExit;

using namespace std::chrono_literals;

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

Window WaitForTopLevel(Display* dpy, const std::string& title, Window except = 0) {
    Window w = 0;
    for (int i = 0; i < 100 && !w; ++i) {
        std::this_thread::sleep_for(100ms);
        w = FindTopLevel(dpy, title, except);
    }
    return w;
}

Window WaitForTopLevelOfSize(Display* dpy, int width, int height) {
    for (int i = 0; i < 100; ++i) {
        std::this_thread::sleep_for(100ms);
        Window root = DefaultRootWindow(dpy), parent, *children = nullptr;
        unsigned int count = 0;
        Window found = 0;
        if (XQueryTree(dpy, root, &root, &parent, &children, &count)) {
            for (unsigned j = 0; j < count && !found; ++j) {
                XWindowAttributes a;
                if (XGetWindowAttributes(dpy, children[j], &a) && a.map_state == IsViewable && !a.override_redirect &&
                    a.width == width && a.height == height)
                    found = children[j];
            }
            XFree(children);
        }
        if (found) return found;
    }
    return 0;
}

ui::Point ClientOrigin(Display* dpy, Window w) {
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
    return {x, y};
}

// The centre of a control in its window's client area, from the definition.
template <class K>
ui::Point Centre(const ui::WindowDef& def, ui::ControlId<K> id) {
    const std::string_view name = id.name;
    ui::Point p{0, 0};
    const ui::ControlDef* c = nullptr;
    for (const auto& d : def.controls)
        if (d.name == name) c = &d;
    EXPECT_NE(c, nullptr) << name;
    if (!c) return p;
    p = {c->rect.left + c->rect.width / 2, c->rect.top + c->rect.height / 2};
    for (std::string parent = c->parent; !parent.empty();) {
        const ui::ControlDef* up = nullptr;
        for (const auto& d : def.controls)
            if (d.name == parent) up = &d;
        if (!up) break;
        p.x += up->rect.left;
        p.y += up->rect.top;
        parent = up->parent;
    }
    return p;
}

// The centre of a main-window control after the program's relayout.
ui::Point Centre(ui::Control& c) {
    ui::Point p{c.left() + c.width() / 2, c.top() + c.height() / 2};
    for (ui::Control* up = c.parent(); up; up = up->parent()) {
        p.x += up->left();
        p.y += up->top();
    }
    return p;
}

// Polls `done` for up to 10 s: the program may be slow under a loaded machine.
template <class F>
bool WaitFor(F done) {
    for (int i = 0; i < 100; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(100ms);
    }
    return done();
}

// The fixture lays the main window out headless, exactly as the program does at its first run.
class SecondaryWindowsEndToEnd : public test::MainWindowFixture {
protected:
    int shell(const std::string& command) { return std::system((env + command).c_str()); }
    int click(ui::Point origin, ui::Point at, int button = 1) {
        // No --sync: it waits for a move that never comes when the pointer is there already.
        return shell("xdotool mousemove " + std::to_string(origin.x + at.x) + " " + std::to_string(origin.y + at.y) +
                     " sleep 0.1 click " + std::to_string(button));
    }
    std::string copy(ui::Point origin, ui::Point at) {
        click(origin, at);
        shell("xdotool key ctrl+a ctrl+c");
        std::this_thread::sleep_for(300ms);
        return ReadClipboard(dpy);
    }
    void screenshot(const char* name) {
        shell(std::string("import -display ") + x.display() + " -window root " VORTA_BUILD_DIR "/" + name +
              " 2>/dev/null");
    }

    test::Xvfb x;
    test::TempDir run;  // the program's temporary directory
    std::string env;
    Display* dpy = nullptr;
};

TEST_F(SecondaryWindowsEndToEnd, GeneratorFillsTheListAndCalculatorEvaluatesAFrame) {
    ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
    env = "DISPLAY=" + x.display() + " ";
    ui::Window& layout = start();

    // A pseudo-terminal as COM240, chosen in the settings; calculator columns 1 and 2 prepared.
    test::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    std::filesystem::create_directories(run.path() / "ports");
    std::filesystem::create_symlink(pty.path(), run.path() / "ports" / "COM240");
    const std::string ini = run.file("peizhi.ini");
    std::vector<serial::PortInfo> ports;
    serial::DiscoverPorts(serial::RootsBesideSettings(ini), ports);
    int index = -1;
    for (std::size_t i = 0; i < ports.size(); ++i)
        if (ports[i].name == "COM240") index = int(i);
    ASSERT_GE(index, 0);
    ASSERT_TRUE(store::WriteSetting(ini, "端口"_gbk, "com", std::to_string(index)));
    ASSERT_TRUE(store::WriteSetting(ini, "计算起始"_gbk, "1起"_gbk, "4"));
    ASSERT_TRUE(store::WriteSetting(ini, "计算起始"_gbk, "1几"_gbk, "2"));
    ASSERT_TRUE(store::WriteSetting(ini, "计算起始"_gbk, "2起"_gbk, "6"));
    ASSERT_TRUE(store::WriteSetting(ini, "计算起始"_gbk, "2几"_gbk, "2"));
    ASSERT_TRUE(store::WriteSetting(ini, "16进制数据"_gbk, "数据1"_gbk, "+1000#-1000#*1000#/1000"));
    ASSERT_TRUE(store::WriteSetting(ini, "16进制数据"_gbk, "数据2"_gbk, "/10"));

    const pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", x.display().c_str(), 1);
        setenv("TMPDIR", run.path().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        freopen("/dev/null", "r", stdin);
        execl(VORTA_EXECUTABLE, VORTA_EXECUTABLE, static_cast<char*>(nullptr));
        _exit(127);
    }
    struct Reap {
        pid_t pid;
        ~Reap() {
            if (pid <= 0) return;
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    } reap{pid};
    dpy = XOpenDisplay(x.display().c_str());
    ASSERT_NE(dpy, nullptr);
    const Window mainWindow = WaitForTopLevel(dpy, Utf8(u8"Vorta串口调试v2.35"));
    ASSERT_NE(mainWindow, 0u);
    std::this_thread::sleep_for(800ms);
    const ui::Point main = ClientOrigin(dpy, mainWindow);
    namespace m = ui::main;

    // Right button on the lamp: the generator, modal.
    ASSERT_EQ(click(main, Centre(layout[m::kAutoSendLamp]), 3), 0);
    const Window genWindow = WaitForTopLevel(dpy, Utf8(u8"批量发送数据生成窗口"));
    ASSERT_NE(genWindow, 0u) << "no generator window";
    std::this_thread::sleep_for(500ms);
    const ui::Point gen = ClientOrigin(dpy, genWindow);
    // The main window refuses a click meanwhile: the auto line break box keeps its stored state.
    click(main, Centre(layout[m::kAutoLineBreak]));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(store::ReadSetting(ini, "换行"_gbk, "是否换行"_gbk, "<none>"), "<none>");

    const ui::WindowDef& genDef = ui::GeneratorWindowDef();
    ASSERT_EQ(click(gen, Centre(genDef, ui::generator::kGenerate)), 0);
    // 加入 only once the lines are there: a click that arrives during the generator's
    // 1 ms pause would be handled inside it and add the emptied box.
    EXPECT_TRUE(
        WaitFor([&] { return copy(gen, Centre(genDef, ui::generator::kOutput)).starts_with("00 03 10 00 00 25"); }));
    screenshot("generator-window.png");
    ASSERT_EQ(click(gen, Centre(genDef, ui::generator::kAdd)), 0);
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(click(gen, Centre(genDef, ui::generator::kClose)), 0);
    ASSERT_TRUE(WaitFor([&] { return FindTopLevel(dpy, Utf8(u8"批量发送数据生成窗口")) == 0; }));
    // Now the same click reaches the box (and a second one turns it back on).
    click(main, Centre(layout[m::kAutoLineBreak]));
    EXPECT_TRUE(WaitFor([&] { return store::ReadSetting(ini, "换行"_gbk, "是否换行"_gbk) == "假"_gbk; }));
    click(main, Centre(layout[m::kAutoLineBreak]));
    EXPECT_TRUE(WaitFor([&] { return store::ReadSetting(ini, "换行"_gbk, "是否换行"_gbk) == "真"_gbk; }));

    // Opening the port saves the list file: the generated lines, 0 to 251.
    ASSERT_EQ(click(main, Centre(layout[m::kOpenClose])), 0);
    std::string list;
    WaitFor([&] { return !(list = store::ReadWholeFile(run.file("循环数据.BAT"_gbk))).empty(); });
    const std::string first = "00 03 10 00 00 25";
    EXPECT_EQ(list.substr(0, list.find('\n') + 1), first + " " + codec::Crc16Text(first) + "  → 0\r\n"_gbk);
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 252);

    const ui::WindowDef& calcDef = ui::CalculatorWindowDef();
    // The display's menu: Down reaches 打开计算窗口, since 合并转10进制 is disabled
    // without a selection. The calculator opens centred, over the port button.
    ASSERT_EQ(click(main, Centre(layout[m::kDisplay]), 3), 0);
    std::this_thread::sleep_for(500ms);
    shell("xdotool key Down Return");
    // Untitled: found by its size.
    const Window calcWindow = WaitForTopLevelOfSize(dpy, calcDef.rect.width, calcDef.rect.height);
    ASSERT_NE(calcWindow, 0u) << "no calculator window";
    EXPECT_EQ(test::WindowTitle(dpy, calcWindow), " ");  // not the program's name
    std::this_thread::sleep_for(500ms);
    const ui::Point calc = ClientOrigin(dpy, calcWindow);
    namespace k = ui::calculator;
    click(calc, Centre(calcDef, k::kEnable1));
    click(calc, Centre(calcDef, k::kEnable2));

    // The frame again until the columns show it: the clicks on 计算 may still be on their way.
    const std::string frame("\x01\x03\x04\x00\x0A\x01\xF4\xFA\x33", 9);
    WaitFor([&] {
        pty.send(frame);
        std::this_thread::sleep_for(300ms);
        return copy(calc, Centre(calcDef, k::kResult2)) == "50";
    });
    screenshot("calculator-window.png");
    EXPECT_EQ(copy(calc, Centre(calcDef, k::kHex1)), "000A");
    EXPECT_EQ(copy(calc, Centre(calcDef, k::kResult1)), "10");
    EXPECT_EQ(copy(calc, Centre(calcDef, k::kHex2)), "01F4");
    EXPECT_EQ(copy(calc, Centre(calcDef, k::kResult2)), "50");

    // Closing the program with the calculator open writes the calculator's keys.
    test::AskToClose(dpy, mainWindow);
    EXPECT_EQ(WaitExit(pid, 15s), 0);
    reap.pid = 0;
    XCloseDisplay(dpy);
    EXPECT_EQ(store::ReadSetting(ini, "计算起始"_gbk, "4起"_gbk, "<none>"), "0");
    EXPECT_EQ(store::ReadSetting(ini, "计算起始"_gbk, "2起"_gbk, "<none>"), "6");
    EXPECT_EQ(store::ReadSetting(ini, "16进制数据"_gbk, "数据4"_gbk, "<none>"), "+1000#-1000#*1000#/1000");
}

}  // namespace
}  // namespace vorta
