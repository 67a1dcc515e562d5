#include "ui/qt/scroll_bar_style.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionSlider>

namespace vorta::ui::qt {

CachedScrollBarStyle::CachedScrollBarStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void CachedScrollBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                              QPainter* painter, const QWidget* widget) const {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar || option->rect.isEmpty()) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    const Key key{option->rect.size(),
                  subControlRect(control, option, SC_ScrollBarSlider, widget).translated(-option->rect.topLeft()),
                  static_cast<int>(option->state),
                  static_cast<int>(option->activeSubControls),
                  static_cast<int>(option->subControls),
                  static_cast<int>(bar->orientation),
                  option->palette.cacheKey(),
                  ratio};
    if (picture_.isNull() || !(key == key_)) {
        picture_ = QPixmap(option->rect.size() * ratio);
        picture_.setDevicePixelRatio(ratio);
        picture_.fill(option->palette.color(QPalette::Window));
        QPainter p(&picture_);
        QStyleOptionSlider atOrigin(*bar);
        atOrigin.rect.moveTopLeft(QPoint(0, 0));
        QProxyStyle::drawComplexControl(control, &atOrigin, &p, widget);
        key_ = key;
        ++drawn_;
    }
    painter->drawPixmap(option->rect.topLeft(), picture_);
}

}  // namespace vorta::ui::qt
