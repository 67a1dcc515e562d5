#include "ui/qt/enter_key_grab.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>

#ifdef VORTA_HAVE_X11
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>
// Xlib's macros collide with Qt's enumerators.
#undef KeyPress
#undef KeyRelease
#undef None
#undef Bool
#endif

namespace vorta::ui::qt {

#ifdef VORTA_HAVE_X11
namespace {

struct X11 {
    Display* display = nullptr;
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
};

X11 CurrentX11() {
    X11 x;
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!app) return x;  // offscreen or Wayland
    x.display = app->display();
    x.connection = app->connection();
    // X11 window ids are 29-bit values, whatever the width of Xlib's Window type.
    if (x.display && x.connection) x.root = static_cast<xcb_window_t>(DefaultRootWindow(x.display));
    return x;
}

// NumLock is Mod2 and CapsLock is Lock on every common keyboard map.
constexpr uint16_t kLockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

}  // namespace
#endif

EnterKeyGrab::EnterKeyGrab() = default;

EnterKeyGrab::~EnterKeyGrab() { release(); }

bool EnterKeyGrab::grab(std::function<void()> onPressed) {
    release();
    onPressed_ = std::move(onPressed);
#ifdef VORTA_HAVE_X11
    const X11 x = CurrentX11();
    if (x.connection) {
        std::vector<unsigned> grabbed;
        bool failed = false;
        for (KeySym sym : {KeySym(XK_Return), KeySym(XK_KP_Enter)}) {
            const KeyCode code = XKeysymToKeycode(x.display, sym);
            if (!code) continue;
            for (uint16_t mods : kLockVariants) {
                const xcb_void_cookie_t cookie =
                    xcb_grab_key_checked(x.connection, 1, x.root, mods, code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
                // A key another client holds fails here (BadAccess) instead of silently.
                if (xcb_generic_error_t* error = xcb_request_check(x.connection, cookie)) {
                    free(error);
                    failed = true;
                }
            }
            grabbed.push_back(code);
        }
        keycodes_ = grabbed;
        if (failed || keycodes_.empty()) {
            release();
            return false;
        }
        qGuiApp->installNativeEventFilter(this);
        active_ = true;
        return true;
    }
#endif
    if (!qGuiApp) return false;
    qGuiApp->installEventFilter(this);
    active_ = true;
    return true;
}

void EnterKeyGrab::release() {
    if (!active_ && keycodes_.empty()) return;
#ifdef VORTA_HAVE_X11
    const X11 x = CurrentX11();
    if (x.connection)
        for (unsigned code : keycodes_)
            for (uint16_t mods : kLockVariants)
                xcb_ungrab_key(x.connection, static_cast<xcb_keycode_t>(code), x.root, mods);
    // A round trip: the key is free for others once this returns.
    if (x.connection) free(xcb_get_input_focus_reply(x.connection, xcb_get_input_focus(x.connection), nullptr));
#endif
    keycodes_.clear();
    if (qGuiApp) {
        qGuiApp->removeNativeEventFilter(this);
        qGuiApp->removeEventFilter(this);
    }
    active_ = false;
}

void EnterKeyGrab::pressed() {
    // Run the send after the key event has been dealt with, from the loop.
    QTimer::singleShot(0, this, [this] {
        if (active_ && onPressed_) onPressed_();
    });
}

bool EnterKeyGrab::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
#ifdef VORTA_HAVE_X11
    if (eventType != "xcb_generic_event_t") return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7F;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return false;
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    const uint16_t others = key->state & ~(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2);
    for (unsigned code : keycodes_)
        if (key->detail == code && others == 0) {
            if (type == XCB_KEY_PRESS) pressed();
            return true;  // the key reaches no window
        }
#else
    (void)eventType;
    (void)message;
#endif
    return false;
}

bool EnterKeyGrab::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    // A key press reaches the window object first; taking it there keeps it from every widget.
    if (watched->isWindowType()) pressed();
    return true;
}

}  // namespace vorta::ui::qt
