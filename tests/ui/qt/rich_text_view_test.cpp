// The display's Qt view draws from the model's store: after any mix of program
// writes, the user's typing and selecting, clears and resizes, what the view
// offers a screen reader is exactly the model's text, caret and selection.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <random>

#include "ui/qt/frame_clock.h"
#include "ui/qt/rich_text_widget.h"
#include "ui/model.h"
#include "ui/qt/application.h"
#include "ui/qt/gbk_qstring.h"
#include "ui/qt/qt_event_loop.h"
#include "ui/qt/qt_view.h"
#include "codec/gbk_literal.h"

namespace vorta::ui::qt {
namespace {

const WindowDef& DisplayWindow() {
    static const WindowDef w = [] {
        WindowDef d;
        d.name = "display test";
        d.title = "display test";
        d.rect = {0, 0, 600, 400};
        d.controls = {{.name = "display",
                       .kind = Kind::RichText,
                       .rect = {1, 1, 454, 300},
                       .font = {"SimSun", 9},
                       .wordWrap = true,
                       .vScroll = true,
                       .hideSelection = true}};
        return d;
    }();
    return w;
}

class RichTextView : public ::testing::Test {
protected:
    void SetUp() override {
        InstallFonts();
        model.setView(&view);
        window = model.openWindow(DisplayWindow());
        box = &window->find("display")->as<RichTextBox>();
        widget = dynamic_cast<QAbstractScrollArea*>(view.widgetOf(*box));
        ASSERT_NE(widget, nullptr);
        widget->window()->show();
        widget->setFocus();
        settle();
    }
    void TearDown() override {
        if (window && window->isOpen()) window->close();
        model.setView(nullptr);
    }
    // Runs the loop for more than a frame, so the view refreshes.
    static void settle() {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < kFrameMs + 20) QCoreApplication::processEvents();
    }
    QAccessibleTextInterface* text() {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        return a ? a->textInterface() : nullptr;
    }
    // The model's text as the view must offer it: one character per unit, line ends "\n".
    QString modelText() {
        QString s = UnitsToQString(box->text());
        s.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
        return s;
    }
    void expectViewMatchesModel(const char* when) {
        QAccessibleTextInterface* t = text();
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->characterCount(), box->rich().unitCount().value()) << when;
        EXPECT_EQ(t->text(0, t->characterCount()), modelText()) << when;
        int start = 0, end = 0;
        t->selection(0, &start, &end);
        if (box->rich().selectionStart() != box->rich().selectionEnd()) {
            EXPECT_EQ(start, box->rich().selectionStart().value()) << when;
            EXPECT_EQ(end, box->rich().selectionEnd().value()) << when;
        }
    }

    QtEventLoop loop;
    Model model{loop, {1280, 1024}};
    QtView view{model};
    Window* window = nullptr;
    RichTextBox* box = nullptr;
    QAbstractScrollArea* widget = nullptr;
};

TEST_F(RichTextView, TypingWhileProgramWritesArePendingLandsWhereTheScreenShowsIt) {
    box->append("ABC");
    settle();
    QTest::keyClick(widget, Qt::Key_End, Qt::ControlModifier);  // caret at the visible end
    box->append("DEF");                                         // not yet drawn
    QTest::keyClicks(widget, "X");
    settle();
    // One store: the model and the screen agree, whatever order things came in.
    EXPECT_EQ(box->text(), "ABCDEFX");
    expectViewMatchesModel("after typing");
}

TEST_F(RichTextView, AccessibleTextGivesTheWholeDisplayWithColoursPerCharacter) {
    const CharFormat green{"SimSun", 11, 0, 0, Rgb(0, 128, 0)};
    const CharFormat blue{"SimSun", 11, 0, 0, Rgb(0, 0, 255)};
    box->append("01 03\r\n", green);
    box->append(ToGbk(QStringLiteral(u"0A 中")), blue);
    settle();
    expectViewMatchesModel("after writes");
    int start = 0, end = 0;
    EXPECT_EQ(text()->attributes(1, &start, &end), QStringLiteral("color:rgb(0,128,0);"));
    EXPECT_EQ(text()->attributes(8, &start, &end), QStringLiteral("color:rgb(0,0,255);"));
    EXPECT_EQ(text()->text(6, 10), QStringLiteral(u"0A 中"));
}

TEST_F(RichTextView, CopyGivesPlainTextAndColouredHtmlOfTheSelectionAsItWasAtTheCopy) {
    const CharFormat blue{"SimSun", 11, 0, 0, Rgb(0, 0, 255)};
    box->append("AB\r\nC<", blue);
    box->append(ToGbk(QStringLiteral(u"D中")), CharFormat{});
    settle();
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(widget, Qt::Key_C, Qt::ControlModifier);
    // The display changes before any program reads the clipboard: the copy keeps its moment.
    box->append("later");
    QTest::keyClick(widget, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(widget, "typed");
    settle();
    ASSERT_EQ(box->text().substr(0, 7), "typedAB");
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->text(), QStringLiteral(u"AB\nC<D中"));
    EXPECT_EQ(copied->html(), QStringLiteral(u"<pre><span style=\"color:#0000ff;\">AB</span><br>"
                                             u"<span style=\"color:#0000ff;\">C&lt;</span>D中</pre>"));
    QGuiApplication::clipboard()->clear();
}

// Ctrl+C and Ctrl+X take the data without the times before the lines, as the tools read it.
TEST_F(RichTextView, CopyAndCutLeaveTheStampsOut) {
    const CharFormat blue{"SimSun", 11, 0, 0, Rgb(0, 0, 255)};
    CharFormat stamp{"SimSun", 11, 0, 0, Rgb(128, 128, 128)};
    stamp.effects |= kStamp;
    for (const char* line : {"01 02 \r\n", "03 "}) {
        box->append("[14:03:27.118] ", stamp);
        box->append(line, blue);
    }
    settle();
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(widget, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->text(), QStringLiteral("01 02 \n03 "));
    EXPECT_EQ(copied->html(), QStringLiteral(u"<pre><span style=\"color:#0000ff;\">01 02 </span><br>"
                                             u"<span style=\"color:#0000ff;\">03 </span></pre>"));
    // From the middle of the first stamp to the middle of the second line's data.
    box->setSelection(UnitPos(5), UnitPos(33));
    settle();
    QTest::keyClick(widget, Qt::Key_X, Qt::ControlModifier);
    settle();
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->text(), QStringLiteral("01 02 \n0"));
    EXPECT_EQ(box->text(), "[14:03 ");
    QGuiApplication::clipboard()->clear();
}

// A copy of a large selection offers plain text only (a coloured page of it
// would take seconds to build), and that text is the selection's.
TEST_F(RichTextView, ALargeCopyGivesItsPlainTextOnly) {
    std::string lines;
    while (lines.size() < 3 * (1 << 20)) lines += "01 02 03 04 05 06 07 08\r\n";
    box->append(lines);
    settle();
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(widget, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->formats(), QStringList{QStringLiteral("text/plain")});
    EXPECT_EQ(copied->text(), modelText());
    QGuiApplication::clipboard()->clear();
}

TEST_F(RichTextView, RandomInterleavingsKeepTheViewOnTheModel) {
    std::mt19937 rng(3);
    for (int step = 0; step < 300; ++step) {
        switch (rng() % 7) {
        case 0:
        case 1: {
            std::string cells;
            for (unsigned i = rng() % 200; i > 0; --i) cells += "5A ";
            box->append(cells + (rng() % 3 ? "" : "\r\n"));
            box->scrollToEnd();
            break;
        }
        case 2: QTest::keyClicks(widget, rng() % 2 ? "xy" : "7"); break;
        case 3: QTest::keyClick(widget, rng() % 2 ? Qt::Key_Left : Qt::Key_Up, Qt::ShiftModifier); break;
        case 4: QTest::keyClick(widget, rng() % 2 ? Qt::Key_Backspace : Qt::Key_Delete); break;
        case 5:
            if (rng() % 10 == 0)
                box->setText("");
            else
                box->setSelection(UnitPos(std::int64_t(rng() % std::uint64_t(box->rich().unitCount().value() + 1))),
                                  UnitPos(4));
            break;
        default: widget->resize(200 + int(rng() % 400), 100 + int(rng() % 300));
        }
        if (rng() % 2) settle();
        expectViewMatchesModel("during the run");
        if (HasFailure()) FAIL() << "at step " << step;
    }
}

// A line too long to lay out at once is drawn in pieces, each starting a row.
// Wherever the text before them puts the cut, a piece ends after a blank, so a
// hex cell is never split over two rows: every row starts at a cell.
TEST_F(RichTextView, LongLinesArePiecedBetweenCellsWhateverComesFirst) {
    for (const std::string prefix : {"", "X", "→ "_gbk}) {
        std::string line = prefix;
        for (int i = 0; i < 3000; ++i) line += "0A ";
        box->setText(line);
        settle();
        const std::int64_t first = CountUnits(prefix.data(), prefix.size()).value();
        QTest::keyClick(widget, Qt::Key_Home, Qt::ControlModifier);
        std::int64_t previous = -1;
        for (;;) {  // row by row to the end, reading where each starts
            QTest::keyClick(widget, Qt::Key_Down);
            QTest::keyClick(widget, Qt::Key_Home);
            const std::int64_t rowStart = text()->cursorPosition();
            if (rowStart <= previous) break;
            previous = rowStart;
            EXPECT_EQ((rowStart - first) % 3, 0)
                << "row starting inside a cell after \"" << prefix << "\": " << rowStart;
        }
        EXPECT_GT(previous, box->rich().unitCount().value() - 200) << "the rows were not all visited";
    }
}

// Receiving into one line keeps the layouts of its finished pieces and lays out
// only what changed. Drawn at every position, the grown line must look exactly
// as the same text laid out at once.
TEST_F(RichTextView, AGrowingLineDrawsAsTheSameTextLaidOutAtOnce) {
    std::mt19937 rng(7);
    const std::string gbk = ToGbk(QStringLiteral(u"中"));
    box->append("start ");
    while (box->rich().unitCount() < UnitPos(14'000)) {
        std::string piece;
        for (unsigned i = rng() % 300; i > 0; --i) piece += rng() % 40 ? "5A " : "X";
        if (rng() % 4 == 0) piece += gbk.substr(0, 1);  // a character cut between two writes
        if (rng() % 4 == 0) piece += gbk.substr(1) + "\r";
        box->append(piece);
        box->scrollToEnd();
        if (rng() % 3 == 0) settle();
    }
    settle();
    QWidget* vp = widget->viewport();
    // The picture at the end, then page by page from the start.
    auto pictures = [&] {
        std::vector<QImage> shots{vp->grab().toImage()};
        QTest::keyClick(widget, Qt::Key_Home, Qt::ControlModifier);
        for (int page = 0; page < 40; ++page) {
            shots.push_back(vp->grab().toImage());
            QTest::keyClick(widget, Qt::Key_PageDown);
        }
        return shots;
    };
    const std::vector<QImage> grown = pictures();
    // A width change lays everything out again; the same width back shows the
    // text as if it had been written at once.
    widget->resize(widget->width() + 40, widget->height());
    settle();
    widget->resize(widget->width() - 40, widget->height());
    box->scrollToEnd();
    settle();
    const std::vector<QImage> atOnce = pictures();
    ASSERT_EQ(grown.size(), atOnce.size());
    for (std::size_t i = 0; i < grown.size(); ++i) EXPECT_TRUE(grown[i] == atOnce[i]) << "picture " << i << " differs";
}

TEST_F(RichTextView, DragSelectsAndTheSelectionReachesTheModel) {
    box->append("01 02 03 04");
    settle();
    QWidget* vp = widget->viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(5, 8));
    QTest::mouseMove(vp, QPoint(200, 8));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(200, 8));
    EXPECT_EQ(box->selectedText(), "01 02 03 04");
    QTest::mouseDClick(vp, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_EQ(box->selectedText(), "01");
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(box->selectedText(), "01 02 03 04");
}

}  // namespace
}  // namespace vorta::ui::qt

namespace vorta::ui::qt {
namespace {

// Pixels in the right quarter of the viewport that are not its background.
int InkRightQuarter(QAbstractScrollArea* widget) {
    const QImage image = widget->viewport()->grab().toImage();
    const QRgb base = widget->palette().color(QPalette::Base).rgb();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = image.width() * 3 / 4 + 2; x < image.width() - 2; ++x)
            if (image.pixel(x, y) != base) ++ink;
    return ink;
}

TEST_F(RichTextView, TextBesideHexIsDrawnRightOfTheRowsWithoutTouchingTheStore) {
    box->append("48 69 21 \r\n01 02 \r\n");
    settle();
    EXPECT_EQ(InkRightQuarter(widget), 0);
    box->setTextBesideHex(true);
    settle();
    EXPECT_GT(InkRightQuarter(widget), 0);
    expectViewMatchesModel("beside on");
    EXPECT_EQ(box->text(), "48 69 21 \r\n01 02 \r\n");
    box->setTextBesideHex(false);
    settle();
    EXPECT_EQ(InkRightQuarter(widget), 0);
}

}  // namespace
}  // namespace vorta::ui::qt
