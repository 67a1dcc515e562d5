#include "ui/qt/combo_style.h"

#include <QApplication>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOptionComboBox>

namespace vorta::ui::qt {

CompactComboStyle::CompactComboStyle(QStyle* base) : QProxyStyle(base) {}

CompactComboStyle* CompactComboStyle::instance() {
    // The interface style of every window is Fusion (QtView::applyInterfaceStyle).
    static QPointer<CompactComboStyle> style;
    if (!style) {
        style = new CompactComboStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        style->setParent(qApp);
    }
    return style;
}

QRect CompactComboStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                                        const QWidget* widget) const {
    if (control != CC_ComboBox || (part != SC_ComboBoxArrow && part != SC_ComboBoxEditField))
        return QProxyStyle::subControlRect(control, option, part, widget);
    const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
    const int frame = combo && !combo->frame ? 0 : 2;
    const QRect r = option->rect.adjusted(frame, frame, -frame, -frame);
    const QRect arrow(r.right() - kArrowWidth + 1, r.top(), kArrowWidth, r.height());
    const QRect field(r.left() + 1, r.top(), r.width() - kArrowWidth - 1, r.height());
    return visualRect(option->direction, option->rect, part == SC_ComboBoxArrow ? arrow : field);
}

}  // namespace vorta::ui::qt
