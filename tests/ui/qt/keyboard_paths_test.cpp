// What only the mouse reached, reached from the keyboard: the display's menu by
// the Menu key and Shift+F10, the list echo arrow and the auto-send lamp by Tab
// and Space or Enter; and what a screen reader hears of every window and control.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <functional>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <set>

#include "codec/gbk_literal.h"
#include "support/qt_main_window_fixture.h"
#include "ui/qt/gbk_qstring.h"
#include "ui/windows/control_ids.h"
#include "ui/windows/window_defs.h"

namespace vorta::ui::qt {
namespace {

using namespace vorta::ui::main;

void Settle(int ms = 100) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents();
}

class KeyboardPaths : public test::QtMainWindowFixture {
protected:
    void SetUp() override {
        QtMainWindowFixture::SetUp();
        window = view.widgetOf(*main);
        ASSERT_NE(window, nullptr);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window; }, 2000));
    }
    void TearDown() override {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        QtMainWindowFixture::TearDown();
    }
    QWidget* of(std::string_view name) { return view.widgetOf(*main->find(name)); }
    QWidget* window = nullptr;
};

// The Menu key, Shift+F10, and the keyboard context request X11 sends for the Menu
// key first; a mouse request is left to the right button's release.
TEST_F(KeyboardPaths, MenuKeysOpenTheDisplaysMenuAtTheCaretNotAtThePointer) {
    QWidget* display = widget<QWidget>(kDisplay);
    const QPoint at(5, 5);
    QContextMenuEvent byKey(QContextMenuEvent::Keyboard, at, display->mapToGlobal(at));
    QContextMenuEvent byMouse(QContextMenuEvent::Mouse, at, display->mapToGlobal(at));
    const std::function<void()> asks[] = {
        [&] { QTest::keyClick(display, Qt::Key_Menu); },
        [&] { QTest::keyClick(display, Qt::Key_F10, Qt::ShiftModifier); },
        [&] { QApplication::sendEvent(display, &byKey); },
        [&] { QApplication::sendEvent(display, &byMouse); },
    };
    for (int i = 0; i < 4; ++i) {
        (*main)[kDisplay].setText("01 03 02 00 2A\r\n");
        QCursor::setPos(window->mapToGlobal(QPoint(700, 500)));  // far from the caret
        display->setFocus();
        QTest::keyClick(display, Qt::Key_End, Qt::ControlModifier);
        asks[i]();
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (i == 3) {
            EXPECT_EQ(menu, nullptr);
            break;
        }
        ASSERT_NE(menu, nullptr) << i;
        // At the caret, the start of the empty last line, inside the display.
        const QRect area(display->mapToGlobal(QPoint(0, 0)), display->size());
        EXPECT_TRUE(area.contains(menu->pos())) << i;
        EXPECT_LT(menu->pos().x(), area.left() + 40) << i;
        // Enter chooses the first item that can be: with nothing selected, 打开计算窗口.
        ASSERT_NE(menu->activeAction(), nullptr) << i;
        EXPECT_EQ(menu->activeAction()->text(), QStringLiteral("打开计算窗口")) << i;
        QTest::keyClick(menu, Qt::Key_Return);
        Settle(20);
        Window* calc = model.window(calculator::kWindowName);
        ASSERT_NE(calc, nullptr) << i;
        calc->close();
        Settle(20);
    }
}

TEST_F(KeyboardPaths, TabReachesTheArrowAndTheLampButAClickGivesThemNoFocus) {
    QWidget* arrow = of(kListEcho.name);
    QWidget* lamp = of(kAutoSendLamp.name);
    QWidget* portLamp = of(kPortLamp.name);
    widget<QWidget>(kSendBox)->setFocus();
    std::set<QWidget*> reached;
    for (int i = 0; i < 80; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.insert(QApplication::focusWidget());
    }
    EXPECT_TRUE(reached.count(arrow));
    EXPECT_TRUE(reached.count(lamp));
    EXPECT_FALSE(reached.count(portLamp));  // shows a state, does nothing
    // The mouse paths stay as they were: a click leaves the focus where it is.
    widget<QWidget>(kSendBox)->setFocus();
    QTest::mouseClick(lamp, Qt::LeftButton);
    QTest::mouseClick(arrow, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), widget<QWidget>(kSendBox));
}

TEST_F(KeyboardPaths, SpaceAndEnterOnTheArrowEchoTheList) {
    QWidget* arrow = of(kListEcho.name);
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
        (*main)[kDisplay].setText("");
        (*main)[kAutoSendList].setText("01 03 00 01 00 02");
        arrow->setFocus(Qt::TabFocusReason);
        QTest::keyClick(arrow, key);
        EXPECT_EQ((*main)[kDisplay].text(), "\r\n01 03 00 01 00 02") << key;
    }
    // Other keys do nothing.
    (*main)[kDisplay].setText("");
    arrow->setFocus(Qt::TabFocusReason);
    QTest::keyClick(arrow, Qt::Key_A);
    QTest::keyClick(arrow, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ((*main)[kDisplay].text(), "");
}

TEST_F(KeyboardPaths, SpaceAndEnterOnTheLampOpenTheGeneratorAsTheRightButtonDoes) {
    QWidget* lamp = of(kAutoSendLamp.name);
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return}) {
        bool opened = false;
        // The generator is modal: it is looked at and closed from inside its loop.
        QTimer::singleShot(50, [&] {
            Window* generator = model.window(generator::kWindowName);
            opened = generator && generator->modal();
            if (generator) generator->close();
        });
        lamp->setFocus(Qt::TabFocusReason);
        QTest::keyClick(lamp, key);
        Settle(100);
        EXPECT_TRUE(opened) << key;
        EXPECT_EQ(model.window(generator::kWindowName), nullptr);
    }
}

// What a screen reader hears of each control: a name a person says (never the
// control's identifier), the identifier as the description; combo boxes on Linux
// are named by their label through the labelled-by relation.
QString Heard(QAccessibleInterface* a) {
    if (a->role() == QAccessible::ComboBox) {
        for (const auto& [label, relation] : a->relations(QAccessible::Label)) return label->text(QAccessible::Name);
        return {};
    }
    return a->text(QAccessible::Name);
}

TEST_F(KeyboardPaths, EveryControlOfEveryWindowHasAHumanName) {
    const struct {
        const WindowDef* def;
        QAccessible::Role role;
    } windows[] = {{&MainWindowDef(), QAccessible::Window},
                   {&GeneratorWindowDef(), QAccessible::Dialog},
                   {&CalculatorWindowDef(), QAccessible::Window},
                   {&PortSettingsWindowDef(), QAccessible::Window},
                   {&CaptureWindowDef(), QAccessible::Window}};
    for (const auto& expected : windows) {
        Window* w = expected.def == &MainWindowDef() ? main : model.openWindow(*expected.def);
        ASSERT_NE(w, nullptr);
        Settle(20);
        QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(view.widgetOf(*w));
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->role(), expected.role) << w->name();
        EXPECT_FALSE(frame->text(QAccessible::Name).trimmed().isEmpty()) << w->name();
        int named = 0;
        for (auto& c : w->controls()) {
            QWidget* widget = view.widgetOf(*c);
            if (!widget) continue;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(a, nullptr);
            const QString heard = Heard(a).trimmed();
            EXPECT_FALSE(heard.isEmpty()) << w->name() << " " << c->name();
            EXPECT_NE(heard, FromGbk(c->name())) << w->name() << ": announced by its identifier";
            EXPECT_EQ(a->text(QAccessible::Description), FromGbk(c->name()));
            ++named;
        }
        EXPECT_GT(named, 5) << w->name();
        if (w != main) w->close();
        Settle(20);
    }
}

// The arrow and the lamp are buttons to a screen reader; pressing one runs its key path.
TEST_F(KeyboardPaths, TheArrowIsAButtonWhosePressEchoesTheList) {
    QAccessibleInterface* arrow = QAccessible::queryAccessibleInterface(of(kListEcho.name));
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(arrow->role(), QAccessible::Button);
    EXPECT_EQ(arrow->text(QAccessible::Name), QStringLiteral("列表回显"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(of(kAutoSendLamp.name))->role(), QAccessible::Button);
    ASSERT_NE(arrow->actionInterface(), nullptr);
    (*main)[kAutoSendList].setText("01 02");
    (*main)[kDisplay].setText("");
    arrow->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ((*main)[kDisplay].text(), "\r\n01 02");
}

}  // namespace
}  // namespace vorta::ui::qt
