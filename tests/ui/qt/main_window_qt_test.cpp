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
#include <QPlainTextEdit>
#include <QTest>

#include "app/app.h"
#include "store/settings_file.h"
#include "support/temp_dir.h"
#include "ui/qt/application.h"
#include "ui/qt/gbk_qstring.h"
#include "ui/qt/qt_event_loop.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/qt_view.h"

namespace vorta::ui::qt {
namespace {

std::string Gbk(const char* utf8) { return ToGbk(QString::fromUtf8(utf8)); }

class MainWindowQt : public ::testing::Test {
protected:
    void SetUp() override {
        InstallFonts();
        setenv("TMPDIR", tmp.path().c_str(), 1);
        model.setView(&view);
        main = logic.start();
        ASSERT_NE(main, nullptr);
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        if (main && main->isOpen()) main->close();
        model.setView(nullptr);
        unsetenv("TMPDIR");
    }
    template <class W>
    W* widget(const char* name) {
        return dynamic_cast<W*>(view.widgetOf((*main)[Gbk(name)]));
    }

    test::TempDir tmp;
    QtEventLoop loop;
    QtPlatform platform;
    Model model{loop, {1280, 1024}};
    QtView view{model};
    app::App logic{model, platform};
    Window* main = nullptr;
};

TEST_F(MainWindowQt, WidgetsStandWhereTheDefinitionAndTheFirstRunPutThem) {
    QWidget* window = view.widgetOf(*main);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Vorta串口调试v2.35"));
    EXPECT_EQ(window->frameGeometry().size(), QSize(600, 536));  // first run: 600 x 536 outside

    auto* send = widget<QLineEdit>("编辑框_发送");
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send->geometry(), QRect(2, 4, 380, 24));  // relayout: 600 - 220
    EXPECT_EQ(send->text(), "01 03 10 00 00 25");

    auto* button = widget<QPushButton>("按钮_发送");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->geometry(), QRect(392, 4, 52, 24));
    EXPECT_EQ(button->text(), QString::fromUtf8("发送"));

    auto* baud = widget<QComboBox>("组合框_波特率");
    ASSERT_NE(baud, nullptr);
    EXPECT_EQ(baud->count(), 10);
    EXPECT_EQ(baud->currentText(), "9600");
    EXPECT_EQ(widget<QComboBox>("组合框_毫秒")->currentText(), "500");

    auto* crc = widget<QCheckBox>("CRC选择框");
    ASSERT_NE(crc, nullptr);
    EXPECT_TRUE(crc->isChecked());
    EXPECT_EQ(crc->text(), QString::fromUtf8("CRC16校验"));
    EXPECT_TRUE(widget<QCheckBox>("选择框_自动换行")->isChecked());  // checked by the settings default

    // Children of a group box sit in it, at their own coordinates.
    auto* open = widget<QPushButton>("按钮_打开串口");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->geometry(), QRect(55, 133, 60, 29));
    EXPECT_EQ(open->parentWidget(), view.widgetOf((*main)[Gbk("分组框1")]));
}

TEST_F(MainWindowQt, UsersClickReachesTheModelAndIsSavedAtOnce) {
    auto* reversed = widget<QCheckBox>("CRC反");
    ASSERT_NE(reversed, nullptr);
    QTest::mouseClick(reversed, Qt::LeftButton, {}, QPoint(5, reversed->height() / 2));
    EXPECT_TRUE((*main)[Gbk("CRC反")].checked());
    const std::string ini = tmp.slash() + "peizhi.ini";
    EXPECT_EQ(store::ReadSetting(ini, Gbk("CRC"), Gbk("CRC反")), Gbk("真"));
}

TEST_F(MainWindowQt, ProgramWritesReachTheWidgetsAndResizingLaysOut) {
    (*main)[Gbk("按钮_打开串口")].setText(Gbk("关闭串口"));
    (*main)[Gbk("组合框_端口")].setDisabled(true);
    EXPECT_EQ(widget<QPushButton>("按钮_打开串口")->text(), QString::fromUtf8("关闭串口"));
    EXPECT_FALSE(widget<QComboBox>("组合框_端口")->isEnabled());

    // The opened port list shows each device beside its COM name; the box's text stays "COM n".
    Control& ports = (*main)[Gbk("组合框_端口")];
    ports.clearItems();
    ports.addItem("COM100");
    ports.setItemNotes({"/dev/ttyUSB0"});
    ports.setSelectedIndex(0);
    auto* combo = widget<QComboBox>("组合框_端口");
    EXPECT_EQ(combo->currentText(), "COM100");
    EXPECT_EQ(combo->itemData(0, Qt::ToolTipRole).toString(), "/dev/ttyUSB0");

    QWidget* window = view.widgetOf(*main);
    window->resize(QSize(800, 600) - (window->frameGeometry().size() - window->size()));
    QCoreApplication::processEvents();
    EXPECT_EQ(main->width(), 800);
    EXPECT_EQ((*main)[Gbk("编辑框_发送")].width(), 580);
    EXPECT_EQ(widget<QLineEdit>("编辑框_发送")->width(), 580);
    EXPECT_EQ((*main)[Gbk("编辑框_循环")].width(), 440);
}

// Runs the loop long enough for the display's batched refresh.
void Settle() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 150) QCoreApplication::processEvents();
}

TEST_F(MainWindowQt, DisplayMirrorsTheModelAndTheUsersTypingLandsInIt) {
    Control& display = (*main)[Gbk("超级编辑框1")];
    auto* edit = widget<QPlainTextEdit>("超级编辑框1");
    ASSERT_NE(edit, nullptr);
    const CharFormat blue{Gbk("宋体"), 11, 0, 0, Rgb(0, 0, 255)};
    for (int i = 0; i < 1000; ++i) {
        display.setInsertionFormat(blue);
        display.replaceSelection("0A ");
    }
    display.replaceSelection(Gbk("中\r"));
    display.replaceSelection("\n");
    Settle();
    EXPECT_EQ(edit->toPlainText().size(), 3000 + 2);
    EXPECT_TRUE(edit->toPlainText().endsWith(QString::fromUtf8("中\n")));
    EXPECT_EQ(edit->textCursor().charFormat().foreground().color(), QColor(0, 0, 255));

    // The user types at the end and selects; the model follows.
    edit->setFocus();
    QTest::keyClicks(edit, "xy");
    EXPECT_EQ(display.text().substr(display.text().size() - 4), Gbk("\r\nxy"));
    QTextCursor c = edit->textCursor();
    c.setPosition(0);
    c.setPosition(5, QTextCursor::KeepAnchor);
    edit->setTextCursor(c);
    EXPECT_EQ(display.selectedText(), "0A 0A");
}

}  // namespace
}  // namespace vorta::ui::qt
