// What reaches the program from its widgets, on Qt's offscreen platform: a
// change made through the accessibility interface, a long paste into the send
// box, and whether every combo box item can be read at the tables' sizes.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QStyleOptionComboBox>
#include <QTest>

#include "support/qt_main_window_fixture.h"
#include "app/app.h"
#include "store/settings_file.h"
#include "support/temp_dir.h"
#include "ui/qt/application.h"
#include "ui/qt/gbk_qstring.h"
#include "ui/qt/qt_event_loop.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/qt_view.h"
#include "ui/windows/control_ids.h"
#include "ui/windows/window_defs.h"
#include "codec/gbk_literal.h"

namespace vorta::ui::qt {
namespace {

using namespace vorta::ui::main;

class WidgetInput : public test::QtMainWindowFixture {
protected:
    std::string setting(const char* section, const char* key) {
        return store::ReadSetting(tmp.slash() + "peizhi.ini", section, key);
    }
    // Lets the queued work of the event loop run.
    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
};

// A screen reader or a test tool changes widgets without mouse or keyboard;
// the program must take such a change as the user's.
TEST_F(WidgetInput, ChangesThroughTheAccessibilityInterfaceReachTheProgram) {
    auto* send = widget<QLineEdit>(kSendBox);
    ASSERT_NE(send, nullptr);
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(send);
    ASSERT_NE(box, nullptr);
    box->setText(QAccessible::Value, QStringLiteral("AA 55 01"));
    settle();
    EXPECT_EQ((*main)[kSendBox].text(), "AA 55 01");
    ASSERT_NE(box->editableTextInterface(), nullptr);
    box->editableTextInterface()->insertText(0, QStringLiteral("10 "));
    settle();
    EXPECT_EQ((*main)[kSendBox].text(), "10 AA 55 01");

    auto* reversed = widget<QCheckBox>(kCrcReversed);
    ASSERT_NE(reversed, nullptr);
    QAccessibleInterface* check = QAccessible::queryAccessibleInterface(reversed);
    ASSERT_NE(check, nullptr);
    ASSERT_NE(check->actionInterface(), nullptr);
    const bool before = (*main)[kCrcReversed].checked();
    check->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    settle();
    EXPECT_NE((*main)[kCrcReversed].checked(), before);
    EXPECT_EQ(reversed->isChecked(), (*main)[kCrcReversed].checked());
    EXPECT_EQ(setting("CRC", "CRC反"_gbk), before ? "假"_gbk : "真"_gbk);  // saved like a click
    // A press is a click, and is taken once.
    check->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTest::qWait(300);  // a press animates the click
    settle();
    EXPECT_EQ((*main)[kCrcReversed].checked(), before);
    EXPECT_EQ(setting("CRC", "CRC反"_gbk), before ? "真"_gbk : "假"_gbk);

    // An item chosen without the drop-down list (as a list's selection interface does).
    auto* baud = widget<QComboBox>(kBaud);
    ASSERT_NE(baud, nullptr);
    baud->setCurrentIndex(9);
    settle();
    EXPECT_EQ((*main)[kBaud].selectedIndex(), 9);
    EXPECT_EQ(setting("端口"_gbk, "波特率"_gbk), "9");

    // The program's own writes are not taken back as input.
    (*main)[kSendBox].setText("01 03");
    (*main)[kCrcReversed].setChecked(false);
    settle();
    EXPECT_EQ((*main)[kSendBox].text(), "01 03");
    EXPECT_FALSE(reversed->isChecked());
    EXPECT_EQ(setting("CRC", "CRC反"_gbk), before ? "真"_gbk : "假"_gbk);
}

TEST_F(WidgetInput, TheSendBoxTakesAPasteOfAnyLength) {
    auto* send = widget<QLineEdit>(kSendBox);
    ASSERT_NE(send, nullptr);
    QString frame;
    for (int i = 0; i < 13999; ++i) frame += QStringLiteral("%1 ").arg(i % 256, 2, 16, QLatin1Char('0'));
    frame += QStringLiteral("AB");  // 41,999 characters
    ASSERT_EQ(frame.size(), 41999);
    QGuiApplication::clipboard()->setText(frame);
    send->setFocus();
    send->selectAll();
    send->paste();
    settle();
    EXPECT_EQ(send->text().size(), 41999);
    EXPECT_EQ((*main)[kSendBox].text().size(), 41999u);
    QGuiApplication::clipboard()->clear();
}

// The room a closed combo box gives its text: the edit field as the style lays
// it out, less the margins the label (or the line edit) keeps inside it.
int TextRoom(QComboBox* combo) {
    if (QLineEdit* line = combo->lineEdit()) return line->width() - 2 * 2 - 1;  // margins and the caret
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = false;
    option.frame = combo->hasFrame();
    option.subControls = QStyle::SC_All;
    const QRect field =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    return field.width() - 2;
}

void ExpectEveryItemReadable(QtView& view, Window& window) {
    for (auto& control : window.controls()) {
        if (control->kind() != Kind::ComboBox) continue;
        auto* combo = dynamic_cast<QComboBox*>(view.widgetOf(*control));
        const std::string name = FromGbk(window.name()).toStdString() + "/" + FromGbk(control->name()).toStdString();
        ASSERT_NE(combo, nullptr) << name;
        const QFontMetrics metrics(combo->font());
        ASSERT_EQ(combo->width(), control->width());  // the table's size
        combo->showPopup();
        QAbstractItemView* list = combo->view();
        for (int i = 0; i < combo->count(); ++i) {
            const QString item = combo->itemText(i);
            EXPECT_LE(metrics.horizontalAdvance(item), TextRoom(combo))
                << name << ": \"" << item.toStdString() << "\" is cut";
            EXPECT_GE(list->visualRect(list->model()->index(i, 0)).width(), metrics.horizontalAdvance(item) + 4)
                << name << " list: \"" << item.toStdString() << "\" is cut";
        }
        combo->hidePopup();
    }
}

TEST_F(WidgetInput, EveryComboItemIsReadableAtTheTablesSizes) {
    // The widest port names the numbering gives.
    (*main)[kPort].addItem("COM100");
    (*main)[kPort].addItem("COM699");
    settle();
    ExpectEveryItemReadable(view, *main);
    for (const WindowDef* def : {&GeneratorWindowDef(), &CalculatorWindowDef(), &PortSettingsWindowDef()}) {
        Window* other = model.openWindow(*def);
        ASSERT_NE(other, nullptr);
        settle();
        ExpectEveryItemReadable(view, *other);
        other->close();
        settle();
    }
}

}  // namespace
}  // namespace vorta::ui::qt
