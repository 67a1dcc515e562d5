#pragma once
// A top-level window of the model: reports its outer size, position, state and
// closing to the model, closes on Esc and can be dragged by its background.
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
    // Called after the client area changed size (docked controls follow).
    std::function<void(QSize)> onClientResized;
    // Set once the model has destroyed the window, so closing no longer asks it.
    bool modelClosed = false;

protected:
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
    Model& model_;
    Window& window_;
    bool applying_ = false;
    bool dragging_ = false;
    QPoint dragOffset_;
};

}  // namespace vorta::ui::qt
