#pragma once
// What the end-to-end tests ask of an X server as any client would: find the
// program's top-level window by its title, read the clipboard, wait for a
// child process, run a shell command. Include after gtest: Xlib's macros
// (None, Bool) would break its headers.
#include <X11/Xlib.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <string>
#include <thread>

namespace vorta::test {

// The window's _NET_WM_NAME (UTF-8), "" without one.
inline std::string WindowTitle(Display* dpy, Window w) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(dpy, w, XInternAtom(dpy, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(dpy, "UTF8_STRING", False), &type, &format, &count, &after, &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    return title;
}

// A viewable, window-manager-managed top-level window with `title` other than `except`; 0 when none.
inline Window FindTopLevel(Display* dpy, const std::string& title, Window except = 0) {
    Window root = DefaultRootWindow(dpy), parent, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(dpy, root, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes attrs;
            if (children[i] != except && XGetWindowAttributes(dpy, children[i], &attrs) &&
                attrs.map_state == IsViewable && !attrs.override_redirect && WindowTitle(dpy, children[i]) == title)
                found = children[i];
        }
        XFree(children);
    }
    return found;
}

// The clipboard's content in `target` format, asked for as any X client does; "" after 3 s.
inline std::string ReadClipboard(Display* dpy, const char* target = "UTF8_STRING") {
    const Window me = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    const Atom property = XInternAtom(dpy, "VORTA_TEST_CLIP", False);
    XConvertSelection(dpy, XInternAtom(dpy, "CLIPBOARD", False), XInternAtom(dpy, target, False), property, me,
                      CurrentTime);
    XFlush(dpy);
    std::string text;
    for (int i = 0; i < 300; ++i) {
        XEvent e;
        if (!XCheckTypedWindowEvent(dpy, me, SelectionNotify, &e)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        if (e.xselection.property == 0) break;
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy, me, property, 0, LONG_MAX / 4, True, AnyPropertyType, &type, &format, &count,
                               &after, &data) == Success &&
            data) {
            text.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
        }
        break;
    }
    XDestroyWindow(dpy, me);
    return text;
}

// Waits for the child to end; its exit status, or -1 after the time-out (the child is then killed).
inline int WaitExit(pid_t pid, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

// What a window manager sends when the user closes window `w`.
inline void AskToClose(Display* dpy, Window w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, w, False, NoEventMask, &e);
    XFlush(dpy);
}

// Moves and resizes `w` as a user would, and waits (up to 10 s) until the server
// holds that geometry, asking again while the program still places itself.
inline bool MoveResize(Display* dpy, Window w, int left, int top, unsigned width, unsigned height) {
    for (int i = 0; i < 50; ++i) {
        if (i % 10 == 0) XMoveResizeWindow(dpy, w, left, top, width, height);
        XSync(dpy, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        XWindowAttributes a;
        Window child;
        int x = 0, y = 0;
        if (XGetWindowAttributes(dpy, w, &a) &&
            XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child) && x == left && y == top &&
            a.width == static_cast<int>(width) && a.height == static_cast<int>(height))
            return true;
    }
    return false;
}

inline int Shell(const std::string& command) { return std::system(command.c_str()); }

// The program `executable` on X display `display` with its settings folder `tmpdir`,
// killed and reaped when this goes.
class ProgramProcess {
public:
    ProgramProcess(const char* executable, const std::string& display, const std::string& tmpdir) {
        pid_ = fork();
        if (pid_ != 0) return;
        setenv("DISPLAY", display.c_str(), 1);
        setenv("TMPDIR", tmpdir.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        if (!freopen("/dev/null", "r", stdin)) _exit(126);
        execl(executable, executable, static_cast<char*>(nullptr));
        _exit(127);
    }
    ~ProgramProcess() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    // Waits for the program to end by itself; its exit status, or -1 after the time-out.
    int waitExit(std::chrono::milliseconds timeout) {
        const int status = WaitExit(pid_, timeout);
        pid_ = -1;
        return status;
    }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

// The program's main window, waited for up to 30 s and then given 0.8 s to settle; 0 when it never appears.
inline Window WaitForMainWindow(Display* dpy) {
    const std::string title = reinterpret_cast<const char*>(u8"Vorta串口调试v2.35");
    Window w = 0;
    for (int i = 0; i < 300 && !w; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        w = FindTopLevel(dpy, title);
    }
    if (w) std::this_thread::sleep_for(std::chrono::milliseconds(800));
    return w;
}

}  // namespace vorta::test
