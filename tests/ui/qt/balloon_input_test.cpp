// The balloon tip on a real X server: it shows over the window and never takes
// the pointer's clicks from what lies beneath it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <cstdlib>
#include <string>

#include "support/qt_window.h"
#include "ui/qt/qt_view.h"
#include "codec/gbk_literal.h"

namespace vorta::ui::qt {
namespace {

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST(BalloonTip, ClicksReachWhatLiesBeneathIt) {
    const WindowDef def{.name = "balloon-test",
                        .title = "balloon-test",
                        .rect = {100, 100, 320, 220},
                        .centred = false,
                        .controls = {{.name = "button", .kind = Kind::Button, .rect = {0, 0, 320, 200}, .text = "x"},
                                     {.name = "balloon", .kind = Kind::BalloonTip}}};
    test::QtWindow shown(def);
    QtView& view = shown.view;
    Window* window = shown.window;
    ASSERT_NE(window, nullptr);
    auto* button = dynamic_cast<QPushButton*>(view.widgetOf(*window->find("button")));
    ASSERT_NE(button, nullptr);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    Pump(300);

    const QPoint middle = button->mapToGlobal(button->rect().center());
    const std::string click =
        "xdotool mousemove " + std::to_string(middle.x()) + " " + std::to_string(middle.y()) + " click 1";
    ASSERT_EQ(std::system(click.c_str()), 0);
    Pump(300);
    ASSERT_EQ(clicks, 1) << "a click on the bare button did not arrive";

    // The balloon over the middle of the button, where the pointer is.
    window->find("balloon")->as<BalloonTip>().show(middle.x() - 40, middle.y() - 20,
                                                   "换行间隔：毫秒\r\n0x1234 = 4660"_gbk);
    Pump(300);
    ASSERT_EQ(std::system(click.c_str()), 0);
    Pump(300);
    EXPECT_EQ(clicks, 2) << "the balloon took the click";
}

}  // namespace
}  // namespace vorta::ui::qt
