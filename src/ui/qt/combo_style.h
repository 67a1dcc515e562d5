#pragma once
// The look of the program's combo boxes. The window tables give them Windows'
// narrow widths (60 pixels for "115200", and for "4000000" too), where the interface style's wide
// drop-down button would cover the last characters; this style draws the same
// combo box with a narrow arrow and hands the room to the text.
#include <QProxyStyle>

namespace vorta::ui::qt {

class CompactComboStyle : public QProxyStyle {
public:
    // The arrow button's width in pixels: seven digits still fit beside it in 60.
    static constexpr int kArrowWidth = 11;

    // The one instance, wrapping the interface style (Fusion); owned by the application.
    static CompactComboStyle* instance();

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override;

private:
    explicit CompactComboStyle(QStyle* base);
};

}  // namespace vorta::ui::qt
