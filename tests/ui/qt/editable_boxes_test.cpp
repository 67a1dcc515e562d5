// The program's editable boxes on Qt's offscreen platform: what is typed into
// a combo box key by key, a text too long for a box, and the lines the
// auto-send list shows against the lines it sends.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "autosend/list_lines.h"
#include "codec/gbk_text.h"
#include "support/qt_main_window_fixture.h"
#include "ui/qt/gbk_qstring.h"
#include "ui/windows/control_ids.h"
#include "ui/windows/window_defs.h"
#include "codec/gbk_literal.h"

namespace vorta::ui::qt {
namespace {

using namespace vorta::ui::main;
namespace gen = vorta::ui::generator;

class EditableBoxes : public test::QtMainWindowFixture {
protected:
    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    // Replaces the box's text by `keys`, typed one at a time; the texts the
    // box shows after each key.
    static std::vector<std::string> typeKeyByKey(QComboBox* combo, const QString& keys) {
        QLineEdit* line = combo->lineEdit();
        line->setFocus();
        line->selectAll();
        std::vector<std::string> shown;
        for (QChar key : keys) {
            QTest::keyClicks(line, QString(key));
            settle();
            shown.push_back(ToGbk(combo->currentText()));
        }
        return shown;
    }
    static std::vector<std::string> prefixes(const std::string& keys) {
        std::vector<std::string> out;
        for (std::size_t n = 1; n <= keys.size(); ++n) out.push_back(keys.substr(0, n));
        return out;
    }
};

TEST_F(EditableBoxes, TheIntervalBoxShowsAndGivesExactlyWhatIsTyped) {
    auto* interval = dynamic_cast<QComboBox*>(view.widgetOf((*main)[kInterval]));
    ASSERT_NE(interval, nullptr);
    ASSERT_NE(interval->lineEdit(), nullptr);
    // Every first digit of an item, and digits that start none.
    for (const char* typed : {"250", "45", "2", "3", "5", "6", "8", "9", "20", "1000", "75"}) {
        EXPECT_EQ(typeKeyByKey(interval, QString::fromLatin1(typed)), prefixes(typed)) << typed;
        EXPECT_EQ((*main)[kInterval].text(), typed);
        EXPECT_EQ(codec::TextToInt((*main)[kInterval].text()), std::stoi(typed));
    }
}

// Written by the program (as from the settings), a text longer than an address
// box holds shows cut, and the program reads what the box shows.
TEST_F(EditableBoxes, AnAddressBoxGivesTheProgramTheTextItShows) {
    Window* window = model.openWindow(GeneratorWindowDef());
    ASSERT_NE(window, nullptr);
    auto* last = dynamic_cast<QComboBox*>(view.widgetOf((*window)[gen::kLastAddress]));
    ASSERT_NE(last, nullptr);
    for (const char* written : {"1000", "2147483647", "中文字符"_gbk}) {
        (*window)[gen::kLastAddress].setText(written);
        settle();
        EXPECT_EQ(ToGbk(last->currentText()), (*window)[gen::kLastAddress].text()) << written;
        EXPECT_EQ(last->currentText().size(), 3) << written;
    }
    window->close();
    settle();
}

TEST_F(EditableBoxes, TheAutoSendListSendsTheLinesItsBoxShows) {
    auto* box = dynamic_cast<QPlainTextEdit*>(view.widgetOf((*main)[kAutoSendList]));
    ASSERT_NE(box, nullptr);
    for (const char* list :
         {"01 02\n03 04\n", "01 02\r\n03 04", "A\rB\r\n\nC", "A\n\n", "\n", "", "甲\n乙"_gbk, "A\xB0\r\nB"}) {
        (*main)[kAutoSendList].setText(list);
        settle();
        std::vector<std::string> shown;
        for (const QString& line : box->toPlainText().split(QLatin1Char('\n'))) shown.push_back(ToGbk(line));
        // An empty last line, after a line end at the very end, holds nothing to send.
        if (shown.back().empty()) shown.pop_back();
        std::vector<std::string> sent;
        for (const std::string& line : autosend::SplitListLines(list)) sent.push_back(ToGbk(FromGbk(line)));
        EXPECT_EQ(shown, sent) << list;
    }
}

}  // namespace
}  // namespace vorta::ui::qt
