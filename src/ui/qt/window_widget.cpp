#include "ui/qt/window_widget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

#include "ui/qt/gbk_qstring.h"

#ifdef VORTA_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#undef None
#undef Bool
#endif

namespace vorta::ui::qt {
namespace {

// How often, and how many times, the frame is looked for after the first show.
constexpr int kFrameCheckMs = 10;
constexpr int kFrameChecks = 200;

// True when an EWMH window manager runs on the display, which will frame the
// window; false without one (a bare X server, Qt's offscreen platform), where
// no frame will come.
bool WindowManagerRuns() {
#ifdef VORTA_HAVE_X11
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return false;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == 0) return false;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                          &format, &count, &after, &data) == Success &&
                       data && count == 1;
    if (data) XFree(data);
    return found;
#else
    return false;
#endif
}

// A screen reader hears the main window and the tool windows as frames, a window
// that asks for an answer before the others go on (the generator) as a dialog.
QAccessibleInterface* WindowAccessible(const QString&, QObject* object) {
    auto* w = dynamic_cast<WindowWidget*>(object);
    if (!w) return nullptr;
    return new QAccessibleWidget(w, w->window().def().dialog ? QAccessible::Dialog : QAccessible::Window);
}

}  // namespace

WindowWidget::WindowWidget(Model& model, Window& window) : model_(model), window_(window) {
    const WindowDef& def = window.def();
    Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (def.minimiseButton) flags |= Qt::WindowMinimizeButtonHint;
    if (def.maximiseButton) flags |= Qt::WindowMaximizeButtonHint;
    setWindowFlags(flags);
    // Qt shows the program's name in place of an empty title; an untitled window
    // (the calculator) gets a blank one instead, which reads as no title at all.
    setWindowTitle(def.title.empty() ? QStringLiteral(" ") : FromGbk(def.title));
    if (!def.accessibleName.empty()) setAccessibleName(FromGbk(def.accessibleName));
    static const bool roles = (QAccessible::installFactory(WindowAccessible), true);
    (void)roles;
    setAttribute(Qt::WA_DeleteOnClose, false);
    applyGeometry();
    if (!def.resizable) setFixedSize(size());
    frameWatch_.setInterval(kFrameCheckMs);
    QObject::connect(&frameWatch_, &QTimer::timeout, this, [this] {
        if (!frameExtra().isNull() || ++frameChecks_ >= kFrameChecks) frameSettled();
    });
}

void WindowWidget::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!awaitingFrame_ || frameWatch_.isActive()) return;
    if (WindowManagerRuns())
        frameWatch_.start();
    else
        frameSettled();
}

void WindowWidget::frameSettled() {
    frameWatch_.stop();
    awaitingFrame_ = false;
    applyGeometry();
}

QSize WindowWidget::frameExtra() const {
    // Zero until a window manager has framed the window (and under Xvfb alone).
    return frameGeometry().size() - size();
}

void WindowWidget::applyGeometry() {
    applying_ = true;
    const QSize extra = frameExtra();
    // The frame's top-left corner goes where the model says (move() of a window
    // places its frame once the frame is known), the client takes the rest.
    move(window_.left(), window_.top());
    const QSize client(std::max(window_.width() - extra.width(), 1), std::max(window_.height() - extra.height(), 1));
    if (!window_.def().resizable) setFixedSize(client);
    resize(client);
    applying_ = false;
}

void WindowWidget::applyAlwaysOnTop() {
    // Changing the flag on the QWindow keeps the native window (the widget
    // would recreate it and steal the focus).
    if (QWindow* handle = windowHandle())
        handle->setFlag(Qt::WindowStaysOnTopHint, window_.alwaysOnTop());
    else
        setWindowFlag(Qt::WindowStaysOnTopHint, window_.alwaysOnTop());
}

void WindowWidget::activate() {
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void WindowWidget::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (onClientResized) onClientResized(size());
    if (applying_ || modelClosed || awaitingFrame_) return;
    const QSize outer = size() + frameExtra();
    if (outer.width() != window_.width() || outer.height() != window_.height())
        model_.userResized(window_, outer.width(), outer.height());
}

void WindowWidget::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    if (applying_ || modelClosed || awaitingFrame_) return;
    const QPoint corner = frameGeometry().topLeft();
    if (corner.x() != window_.left() || corner.y() != window_.top()) model_.userMoved(window_, corner.x(), corner.y());
}

void WindowWidget::closeEvent(QCloseEvent* e) {
    if (!modelClosed) model_.userClose(window_);
    e->accept();
}

void WindowWidget::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && window_.def().escCloses && e->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(e);
}

// Dragging the background moves the window: by the window manager where there
// is one, by hand otherwise (a bare X server has none).
void WindowWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && window_.def().dragMoves) {
        if (windowHandle() && windowHandle()->startSystemMove()) return;
        dragging_ = true;
        dragOffset_ = e->globalPosition().toPoint() - frameGeometry().topLeft();
        return;
    }
    QWidget::mousePressEvent(e);
}

void WindowWidget::mouseMoveEvent(QMouseEvent* e) {
    if (dragging_) {
        move(e->globalPosition().toPoint() - dragOffset_);
        return;
    }
    QWidget::mouseMoveEvent(e);
}

void WindowWidget::mouseReleaseEvent(QMouseEvent* e) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(e);
}

void WindowWidget::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() != QEvent::WindowStateChange || modelClosed) return;
    model_.userStateChanged(window_, isMinimized()   ? WindowState::Minimised
                                     : isMaximized() ? WindowState::Maximised
                                                     : WindowState::Normal);
}

}  // namespace vorta::ui::qt
