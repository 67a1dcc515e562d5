// Radio buttons are radio buttons to assistive technology, yet the model alone
// decides which is checked: Qt unchecks nothing by itself and lets the program
// uncheck a button that Qt would keep as the last checked one of its group.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QRadioButton>
#include <QTest>

#include "support/qt_window.h"
#include "ui/qt/qt_view.h"

namespace vorta::ui::qt {
namespace {

TEST(RadioButtonQt, ReportedAsRadioButtonsWhileTheModelDecidesWhatIsChecked) {
    static const WindowDef def{
        .name = "radios",
        .title = "radios",
        .rect = {0, 0, 240, 120},
        .controls = {{.name = "box", .kind = Kind::PictureBox, .rect = {0, 0, 200, 80}},
                     {.name = "a",
                      .kind = Kind::RadioButton,
                      .parent = "box",
                      .rect = {5, 5, 90, 24},
                      .text = "A",
                      .checked = true},
                     {.name = "b", .kind = Kind::RadioButton, .parent = "box", .rect = {5, 30, 90, 24}, .text = "B"}}};
    test::QtWindow shown(def);
    QtView& view = shown.view;
    Window* window = shown.window;
    ASSERT_NE(window, nullptr);
    CheckBox& a = window->find("a")->as<CheckBox>();
    CheckBox& b = window->find("b")->as<CheckBox>();
    auto* aw = qobject_cast<QRadioButton*>(view.widgetOf(a));
    auto* bw = qobject_cast<QRadioButton*>(view.widgetOf(b));
    ASSERT_TRUE(aw && bw);

    for (QRadioButton* w : {aw, bw}) {
        QAccessibleInterface* acc = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(acc, nullptr);
        EXPECT_EQ(acc->role(), QAccessible::RadioButton);
        EXPECT_EQ(acc->text(QAccessible::Description).toStdString(), w == aw ? "a" : "b");
    }

    // A user's click: the model checks B and unchecks its partner.
    QTest::mouseClick(bw, Qt::LeftButton, {}, QPoint(5, bw->height() / 2));
    EXPECT_TRUE(b.checked());
    EXPECT_FALSE(a.checked());
    EXPECT_TRUE(bw->isChecked());
    EXPECT_FALSE(aw->isChecked());

    // The program unchecks the only checked button: the widget follows.
    b.setChecked(false);
    EXPECT_FALSE(bw->isChecked());
    EXPECT_FALSE(aw->isChecked());

    // The program checks both: Qt leaves both checked, as the model says.
    a.setChecked(true);
    b.setChecked(true);
    EXPECT_TRUE(aw->isChecked());
    EXPECT_TRUE(bw->isChecked());
}

}  // namespace
}  // namespace vorta::ui::qt
