#include "ui/qt/scroll_bar_style.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QStyleFactory>

namespace vorta::ui::qt {
namespace {

QImage Picture(QScrollBar& bar) { return bar.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// A scroll bar drawn as the interface style draws it, to compare against.
struct PlainBar {
    PlainBar() : style(QStyleFactory::create(QStringLiteral("Fusion"))) {
        bar.setStyle(style.get());
        bar.resize(17, 300);
    }
    std::unique_ptr<QStyle> style;
    QScrollBar bar{Qt::Vertical};
};

// A display that grows at the end: the range grows every frame while the handle
// stays at the bottom at its smallest size. The cached look draws that picture
// once, and every picture it shows is the one the interface style draws.
TEST(CachedScrollBarStyle, DrawsOnlyWhenThePictureChangesAndLooksTheSame) {
    CachedScrollBarStyle style;
    QScrollBar bar(Qt::Vertical);
    bar.setStyle(&style);
    bar.resize(17, 300);
    PlainBar plain;

    auto show = [&](int maximum, int value) {
        for (QScrollBar* b : {&bar, &plain.bar}) {
            b->setRange(0, maximum);
            b->setPageStep(40);
            b->setValue(value);
        }
        const QImage cached = Picture(bar), reference = Picture(plain.bar);
        EXPECT_EQ(cached, reference) << "range " << maximum << ", value " << value;
    };

    show(100000, 100000);
    const int first = style.drawn();
    EXPECT_GE(first, 1);
    for (int m = 100100; m <= 101000; m += 100) show(m, m);  // follows the end
    EXPECT_EQ(style.drawn(), first) << "the same picture was drawn again";

    show(101000, 0);  // the handle moved to the top
    EXPECT_EQ(style.drawn(), first + 1);
    bar.resize(17, 200);
    plain.bar.resize(17, 200);
    show(101000, 0);  // a new size is a new picture
    EXPECT_EQ(style.drawn(), first + 2);
}

}  // namespace
}  // namespace vorta::ui::qt
