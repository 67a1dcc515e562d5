// The system-wide Enter key on a real X server: while taken, Enter pressed in
// another client's focused window runs the callback and never reaches that
// window, also with NumLock on; once released, Enter reaches the window again.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdlib>

#include "ui/qt/qt_platform.h"

// After gtest and Qt: Xlib's macros would break their headers.
#include <X11/Xlib.h>

namespace vorta::ui::qt {
namespace {

// Another program: an X client with its own window that has the keyboard focus.
class OtherClient {
public:
    OtherClient() {
        display_ = XOpenDisplay(nullptr);
        if (!display_) return;
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 10, 10, 200, 100, 0, 0, 0xFFFFFF);
        XSelectInput(display_, window_, KeyPressMask | ExposureMask);
        XMapWindow(display_, window_);
        XSync(display_, False);
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        XSync(display_, False);
    }
    ~OtherClient() {
        if (display_) XCloseDisplay(display_);
    }
    bool ok() const { return display_ != nullptr; }
    // Key presses this window received since the last call.
    int takeKeyPresses() {
        XSync(display_, False);
        int count = 0;
        XEvent e;
        while (XCheckWindowEvent(display_, window_, KeyPressMask, &e)) ++count;
        return count;
    }

private:
    Display* display_ = nullptr;
    Window window_ = 0;
};

void Key(const char* keys) {
    const std::string cmd = std::string("xdotool key --clearmodifiers ") + keys;
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

// Lets Qt handle what the X server sent for a while.
void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST(EnterKeyGrab, TakesEnterFromTheFocusedWindowOfAnotherClient) {
    OtherClient other;
    ASSERT_TRUE(other.ok());
    QtPlatform platform;
    int sends = 0;
    ASSERT_TRUE(platform.registerEnterHotKey([&] { ++sends; }));

    Key("Return");
    Pump(300);
    EXPECT_EQ(sends, 1);
    EXPECT_EQ(other.takeKeyPresses(), 0);

    Key("Num_Lock");  // NumLock on must not defeat the grab
    other.takeKeyPresses();
    Key("KP_Enter");
    Pump(300);
    EXPECT_EQ(sends, 2);
    EXPECT_EQ(other.takeKeyPresses(), 0);
    Key("Num_Lock");
    other.takeKeyPresses();

    Key("shift+Return");  // with a modifier Enter stays the other program's
    Pump(300);
    EXPECT_EQ(sends, 2);
    EXPECT_GE(other.takeKeyPresses(), 1);

    platform.unregisterEnterHotKey();
    Key("Return");
    Pump(300);
    EXPECT_EQ(sends, 2);
    EXPECT_GE(other.takeKeyPresses(), 1);
}

TEST(EnterKeyGrab, KeyHeldByAnotherProgramIsRefusedUntilItLetsGo) {
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const KeyCode code = XKeysymToKeycode(other, 0xFF0D /* Return */);
    XGrabKey(other, code, 0, DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    QtPlatform platform;
    EXPECT_FALSE(platform.registerEnterHotKey([] {}));
    XUngrabKey(other, code, 0, DefaultRootWindow(other));
    XSync(other, False);
    EXPECT_TRUE(platform.registerEnterHotKey([] {}));
    platform.unregisterEnterHotKey();
    XCloseDisplay(other);
}

}  // namespace
}  // namespace vorta::ui::qt
