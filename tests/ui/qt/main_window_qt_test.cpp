// The main window built by the Qt binding from its definition, on Qt's
// offscreen platform: widgets where the tables put them, with their texts and
// states, and a user's click that reaches the model and the settings file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QElapsedTimer>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QTest>
#include <span>

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
#include "codec/gbk_literal.h"

namespace vorta::ui::qt {
namespace {

using namespace vorta::ui::main;

class MainWindowQt : public test::QtMainWindowFixture {};

TEST_F(MainWindowQt, WidgetsStandWhereTheDefinitionAndTheFirstRunPutThem) {
    QWidget* window = view.widgetOf(*main);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vorta串口调试v2.35"));
    EXPECT_EQ(window->frameGeometry().size(), QSize(600, 536));  // first run: 600 x 536 outside

    auto* send = widget<QLineEdit>(kSendBox);
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send->geometry(), QRect(2, 4, 380, 24));  // relayout: 600 - 220
    EXPECT_EQ(send->text(), "01 03 10 00 00 25");

    auto* button = widget<QPushButton>(kSend);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->geometry(), QRect(392, 4, 52, 24));
    EXPECT_EQ(button->text(), QStringLiteral("发送"));

    auto* baud = widget<QComboBox>(kBaud);
    ASSERT_NE(baud, nullptr);
    EXPECT_EQ(baud->count(), 20);
    EXPECT_EQ(baud->currentText(), "9600");
    EXPECT_EQ(widget<QComboBox>(kInterval)->currentText(), "500");

    auto* crc = widget<QCheckBox>(kCrc);
    ASSERT_NE(crc, nullptr);
    EXPECT_TRUE(crc->isChecked());
    EXPECT_EQ(crc->text(), QStringLiteral("CRC16校验"));
    EXPECT_TRUE(widget<QCheckBox>(kAutoLineBreak)->isChecked());  // checked by the settings default

    // Children of a group box sit in it, at their own coordinates.
    auto* open = widget<QPushButton>(kOpenClose);
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->geometry(), QRect(55, 133, 60, 29));
    EXPECT_EQ(open->parentWidget(), view.widgetOf((*main)[kPortGroup]));
}

TEST_F(MainWindowQt, UsersClickReachesTheModelAndIsSavedAtOnce) {
    auto* reversed = widget<QCheckBox>(kCrcReversed);
    ASSERT_NE(reversed, nullptr);
    QTest::mouseClick(reversed, Qt::LeftButton, {}, QPoint(5, reversed->height() / 2));
    EXPECT_TRUE((*main)[kCrcReversed].checked());
    const std::string ini = tmp.slash() + "peizhi.ini";
    EXPECT_EQ(store::ReadSetting(ini, std::string("CRC"), std::string("CRC反"_gbk)), std::string("真"_gbk));
}

TEST_F(MainWindowQt, ProgramWritesReachTheWidgetsAndResizingLaysOut) {
    (*main)[kOpenClose].setText(std::string("关闭串口"_gbk));
    (*main)[kPort].setDisabled(true);
    EXPECT_EQ(widget<QPushButton>(kOpenClose)->text(), QStringLiteral("关闭串口"));
    EXPECT_FALSE(widget<QComboBox>(kPort)->isEnabled());

    // The opened port list shows each device beside its COM name; the box's text stays "COM n".
    auto& ports = (*main)[kPort];
    ports.clearItems();
    ports.addItem("COM100");
    ports.setItemNotes({"/dev/ttyUSB0"});
    ports.setSelectedIndex(0);
    auto* combo = widget<QComboBox>(kPort);
    EXPECT_EQ(combo->currentText(), "COM100");
    EXPECT_EQ(combo->itemData(0, Qt::ToolTipRole).toString(), "/dev/ttyUSB0");

    QWidget* window = view.widgetOf(*main);
    window->resize(QSize(800, 600) - (window->frameGeometry().size() - window->size()));
    QCoreApplication::processEvents();
    EXPECT_EQ(main->width(), 800);
    EXPECT_EQ((*main)[kSendBox].width(), 580);
    EXPECT_EQ(widget<QLineEdit>(kSendBox)->width(), 580);
    EXPECT_EQ((*main)[kAutoSendList].width(), 440);
}

// Group boxes lie beneath the controls they frame: where the auto-send group
// overlaps the display's bottom edge, the display is on top, so the display's
// repaints at every frame do not repaint the group box as well.
TEST_F(MainWindowQt, GroupBoxesLieBeneathTheDisplay) {
    QWidget* display = view.widgetOf((*main)[kDisplay]);
    QWidget* group = view.widgetOf((*main)[kAutoSendGroup]);
    ASSERT_NE(display, nullptr);
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(display->parentWidget(), group->parentWidget());
    const QObjectList& stack = display->parentWidget()->children();  // bottom to top
    EXPECT_LT(stack.indexOf(group), stack.indexOf(display));
    for (auto id : {kPortGroup, kOptionGroup})
        EXPECT_LT(stack.indexOf(view.widgetOf((*main)[id])), stack.indexOf(display));
}

// The counters' panels keep their defined width and grow when a count outgrows it.
TEST_F(MainWindowQt, CounterPanelsShowLongCountsWhole) {
    auto& bar = (*main)[kStatusBar];
    QWidget* barWidget = view.widgetOf(bar);
    auto rxPanel = [&] {
        for (auto* label : barWidget->findChildren<QLabel*>())
            if (label->text().startsWith(QStringLiteral("RX:"))) return label;
        return static_cast<QLabel*>(nullptr);
    };
    auto settle = [] {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 150) QCoreApplication::processEvents();
    };
    settle();
    ASSERT_NE(rxPanel(), nullptr);
    EXPECT_EQ(rxPanel()->width(), 60);
    bar.setPanelText(0, "RX:20000000000");
    settle();
    QLabel* panel = rxPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->text(), QStringLiteral("RX:20000000000"));
    EXPECT_GE(panel->contentsRect().width(), panel->fontMetrics().horizontalAdvance(panel->text()));
    bar.setPanelText(0, "RX:0");
    settle();
    EXPECT_EQ(rxPanel()->width(), 60);
}

// In the first run's 600-pixel window the vendor line stays whole while the
// port is open and shows its modem lines; the panels after it take room only
// while they have something to show.
TEST_F(MainWindowQt, TheModemLinesLeaveTheVendorLineWholeAtTheFirstRunsSize) {
    auto& bar = (*main)[kStatusBar];
    QWidget* barWidget = view.widgetOf(bar);
    const QList<QLabel*> panels = barWidget->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(panels.size(), 6);
    auto settle = [] {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 150) QCoreApplication::processEvents();
    };
    auto whole = [](QLabel* p) { return p->contentsRect().width() >= p->fontMetrics().horizontalAdvance(p->text()); };
    settle();
    for (int i = 3; i < 6; ++i) EXPECT_FALSE(panels[i]->isVisible()) << i;
    for (const char* lines : {"CTS● DSR● DCD● RI●"_gbk, "无调制解调器线路"_gbk}) {
        bar.setPanelText(5, lines);
        settle();
        ASSERT_TRUE(panels[5]->isVisible());
        EXPECT_TRUE(whole(panels[5])) << lines;
        EXPECT_TRUE(whole(panels[2])) << "vendor line clipped beside " << lines;
        EXPECT_LE(panels[5]->geometry().right(), barWidget->width());
    }
    bar.setPanelText(5, "");
    settle();
    EXPECT_FALSE(panels[5]->isVisible());
}

// Runs the loop long enough for the display's batched refresh.
void Settle() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 150) QCoreApplication::processEvents();
}

TEST_F(MainWindowQt, DisplayShowsTheModelAndTheUsersTypingLandsInIt) {
    auto& display = (*main)[kDisplay];
    auto* view = widget<QAbstractScrollArea>(kDisplay);
    ASSERT_NE(view, nullptr);
    const CharFormat blue{std::string("宋体"_gbk), 11, 0, 0, Rgb(0, 0, 255)};
    for (int i = 0; i < 1000; ++i) {
        display.setInsertionFormat(blue);
        display.replaceSelection("0A ");
    }
    display.replaceSelection(std::string("中\r"_gbk));
    display.replaceSelection("\n");
    Settle();
    QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(view)->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 3000 + 2);
    EXPECT_TRUE(text->text(0, text->characterCount()).endsWith(QStringLiteral(u"中\n")));
    int start = 0, end = 0;
    EXPECT_EQ(text->attributes(5, &start, &end), QStringLiteral("color:rgb(0,0,255);"));

    // The user types at the end and selects; the model follows.
    view->setFocus();
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(view, "xy");
    EXPECT_EQ(display.text().substr(display.text().size() - 4), std::string("\r\nxy"));
    text->setSelection(0, 0, 5);
    EXPECT_EQ(display.selectedText(), "0A 0A");
}

// The calculator, minimised or behind the main window, comes to the front with
// the focus when its menu item is chosen again.
TEST_F(MainWindowQt, ChoosingTheCalculatorAgainRestoresAndActivatesIt) {
    model.userMenuSelect((*main)[kOpenCalculatorItem]);
    Window* calc = model.window(ui::calculator::kWindowName);
    ASSERT_NE(calc, nullptr);
    QWidget* calcWidget = view.widgetOf(*calc);
    QWidget* mainWidget = view.widgetOf(*main);
    ASSERT_TRUE(calcWidget && mainWidget);
    calcWidget->showMinimized();
    mainWidget->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == mainWidget; }, 2000));

    model.userMenuSelect((*main)[kOpenCalculatorItem]);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == calcWidget; }, 2000));
    EXPECT_FALSE(calcWidget->isMinimized());
    EXPECT_EQ(model.window(ui::calculator::kWindowName), calc);
}

}  // namespace
}  // namespace vorta::ui::qt

namespace vorta::ui::qt {
namespace {

// Every control of a window with a widget of its own tells a screen reader a
// name and its control name, and all but labels are reached with Tab.
void ExpectNamedAndReachedWithTab(QtView& view, Window& window, std::span<const ControlIdEntry> ids) {
    for (ControlIdEntry id : ids) {
        Control* c = window.find(id.name);
        ASSERT_NE(c, nullptr) << id.name;
        if (c->kind() == Kind::Timer || c->kind() == Kind::FileDialog) continue;  // no widget of its own
        QWidget* w = view.widgetOf(*c);
        ASSERT_NE(w, nullptr) << id.name;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr) << id.name;
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << id.name;
        EXPECT_EQ(a->text(QAccessible::Description), FromGbk(c->name()));
        if (c->kind() != Kind::Label) {
            EXPECT_NE(w->focusPolicy() & Qt::TabFocus, 0) << id.name;
        }
    }
}

// The port settings window opens from the keyboard, and each of its controls
// tells a screen reader what it is and is reached with Tab.
TEST_F(MainWindowQt, PortSettingsOpenFromTheKeyboardWithNamedControls) {
    QWidget* window = view.widgetOf(*main);
    ASSERT_NE(window, nullptr);
    window->activateWindow();
    QTest::keyClick(window, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    Settle();
    Window* settings = model.window(port_settings::kWindowName);
    ASSERT_NE(settings, nullptr);
    ExpectNamedAndReachedWithTab(view, *settings, port_settings::kAll);
    QAccessibleInterface* flow =
        QAccessible::queryAccessibleInterface(view.widgetOf((*settings)[port_settings::kFlow]));
    ASSERT_NE(flow, nullptr);
    EXPECT_EQ(flow->role(), QAccessible::ComboBox);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(view.widgetOf((*settings)[port_settings::kRs485]))->role(),
              QAccessible::CheckBox);
    settings->close();
}

// The capture window's controls tell a screen reader what they are and are reached
// with Tab; each 浏览… button is named with the field it fills.
TEST_F(MainWindowQt, CaptureWindowControlsAreNamedAndReachedWithTab) {
    model.userMenuSelect((*main)[kCaptureWindowItem]);
    Settle();
    Window* capture = model.window(capture::kWindowName);
    ASSERT_NE(capture, nullptr);
    ExpectNamedAndReachedWithTab(view, *capture, capture::kAll);
    const std::pair<ControlId<Control>, QString> browse[] = {
        {capture::kBrowseCaptureFile, QStringLiteral(u"捕获文件 浏览…")},
        {capture::kBrowseSendFile, QStringLiteral(u"发送文件 浏览…")}};
    for (const auto& [id, name] : browse) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(view.widgetOf((*capture)[id]));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Name), name);
        EXPECT_EQ(a->role(), QAccessible::Button);
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(view.widgetOf((*capture)[capture::kShownText]))->role(),
              QAccessible::CheckBox);
    capture->close();
}

// The capture's and the file sending's panels take no room until they have something to show.
TEST_F(MainWindowQt, CaptureAndProgressPanelsTakeNoRoomWhileEmpty) {
    StatusBar& bar = (*main)[kStatusBar];
    auto panels = [&] {
        std::vector<QLabel*> labels;
        for (auto* label : view.widgetOf(bar)->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            labels.push_back(label);
        return labels;
    };
    Settle();
    ASSERT_EQ(panels().size(), 6u);  // the modem lines' panel follows the two
    QLabel* vendor = panels()[2];
    const int vendorWidth = vendor->width();
    EXPECT_TRUE(panels()[3]->isHidden());
    EXPECT_TRUE(panels()[4]->isHidden());
    EXPECT_TRUE(panels()[5]->isHidden());
    bar.setPanelText(3, "捕获 12 KB"_gbk);
    Settle();
    EXPECT_FALSE(panels()[3]->isHidden());
    EXPECT_TRUE(panels()[4]->isHidden());
    EXPECT_LT(vendor->width(), vendorWidth);  // the filling panel gave up the room
    bar.setPanelText(3, "");
    Settle();
    EXPECT_TRUE(panels()[3]->isHidden());
    EXPECT_EQ(vendor->width(), vendorWidth);
}

}  // namespace
}  // namespace vorta::ui::qt
