#pragma once
// The look of a scroll bar that is asked to repaint far more often than its
// picture changes: a display growing at the end moves the scroll bar's range
// every frame while the handle stays at the bottom. The interface style draws
// each distinct picture once (its gradients and lines cost more than the text
// around them, and Qt hands fills that tall to worker threads); after that the
// picture is copied.
#include <QPixmap>
#include <QProxyStyle>
#include <QRect>

namespace vorta::ui::qt {

class CachedScrollBarStyle : public QProxyStyle {
public:
    // Wraps the interface style (Fusion). Give each scroll bar its own instance:
    // it keeps one picture.
    CachedScrollBarStyle();

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override;

    // Pictures drawn by the interface style so far (a test reads it).
    int drawn() const { return drawn_; }

private:
    struct Key {
        QSize size;
        QRect handle;
        int state = 0, active = 0, parts = 0, orientation = 0;
        qint64 palette = 0;
        qreal ratio = 1;
        bool operator==(const Key&) const = default;
    };
    mutable Key key_;
    mutable QPixmap picture_;
    mutable int drawn_ = 0;
};

}  // namespace vorta::ui::qt
