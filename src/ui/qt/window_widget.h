#pragma once
// A top-level window of the model: reports its outer size, position, state and
// closing to the model, closes on Esc and can be dragged by its background.
//
// The model holds the outer rectangle (frame included). A window manager adds
// the frame only after the window is shown, so the rectangle is applied again
// once the frame is known; until then, and whenever the window stands where
// the model says, the window's geometry events are not reported: only a real
// move or resize by the user (or the window manager) changes the model.
#include <QTimer>
#include <QWidget>
#include <functional>

#include "ui/model.h"

namespace vorta::ui::qt {

class WindowWidget : public QWidget {
public:
    WindowWidget(Model& model, Window& window);
    Window& window() { return window_; }
    // Moves and resizes to the model's outer rectangle.
    void applyGeometry();
    void applyAlwaysOnTop();
    // Restores the window if minimised, raises it above the others and gives it the focus.
    void activate();
    // Called after the client area changed size (docked controls follow).
    std::function<void(QSize)> onClientResized;
    // Set once the model has destroyed the window, so closing no longer asks it.
    bool modelClosed = false;

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    QSize frameExtra() const;
    // Ends the wait for the window manager's frame and applies the model's rectangle.
    void frameSettled();
    Model& model_;
    Window& window_;
    bool applying_ = false;
    // From the first show until the window manager's frame is known (or no
    // window manager runs): geometry events then are the framing, not the user.
    bool awaitingFrame_ = true;
    QTimer frameWatch_;
    int frameChecks_ = 0;
    bool dragging_ = false;
    QPoint dragOffset_;
};

}  // namespace vorta::ui::qt
