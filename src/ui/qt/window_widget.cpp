#include "ui/qt/window_widget.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

#include "ui/qt/gbk_qstring.h"

namespace vorta::ui::qt {

WindowWidget::WindowWidget(Model& model, Window& window) : model_(model), window_(window) {
    const WindowDef& def = window.def();
    Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (def.minimiseButton) flags |= Qt::WindowMinimizeButtonHint;
    if (def.maximiseButton) flags |= Qt::WindowMaximizeButtonHint;
    setWindowFlags(flags);
    setWindowTitle(FromGbk(def.title));
    setAttribute(Qt::WA_DeleteOnClose, false);
    applyGeometry();
    if (!def.resizable) setFixedSize(size());
}

QSize WindowWidget::frameExtra() const {
    // Zero until a window manager has framed the window (and under Xvfb alone).
    return frameGeometry().size() - size();
}

void WindowWidget::applyGeometry() {
    applying_ = true;
    const QSize extra = frameExtra();
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

void WindowWidget::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (onClientResized) onClientResized(size());
    if (applying_ || modelClosed) return;
    const QSize outer = size() + frameExtra();
    model_.userResized(window_, outer.width(), outer.height());
}

void WindowWidget::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    if (applying_ || modelClosed) return;
    model_.userMoved(window_, frameGeometry().x(), frameGeometry().y());
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
