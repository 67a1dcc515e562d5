// The rich text box with its Qt view: received bytes written as hex cells at
// the end (as the receive handling writes them), the view catching up once per
// frame. Prints the cost per received byte with 0, 50 MB and 500 MB already
// shown, with the caret at the end, in the middle or on a selection, and on one
// 50 MB line; then select all and copy on a 200 MB display.
// Every clock stops only when the view has painted after the model held
// everything (see CatchUp). Runs on Qt's offscreen platform, which still lays
// out and paints.
#include <QAccessible>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "ui/model.h"
#include "ui/qt/application.h"
#include "ui/qt/qt_event_loop.h"
#include "ui/qt/qt_view.h"
#include "ui/qt/frame_clock.h"
#include "ui/qt/rich_text_widget.h"

using namespace vorta::ui;

namespace {

WindowDef DisplayWindow() {
    WindowDef w;
    w.name = "bench";
    w.title = "bench";
    w.rect = {0, 0, 600, 536};
    w.controls = {{.name = "display",
                   .kind = Kind::RichText,
                   .rect = {1, 45, 454, 379},
                   .font = {"SimSun", 9},
                   .wordWrap = true,
                   .vScroll = true}};
    return w;
}

const char kHex[] = "0123456789ABCDEF";
QElapsedTimer g_clock;  // one clock for the whole run, in ns

// Watches the view's paints: when the last one started and when the loop came
// back from it (a queued call runs right after the paint returns).
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* viewport) { viewport->installEventFilter(this); }
    qint64 lastStart = -1, lastDone = -1;
    long paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            lastStart = g_clock.nsecsElapsed();
            ++paints;
            QTimer::singleShot(0, this, [this] { lastDone = g_clock.nsecsElapsed(); });
        }
        return false;
    }
};

struct Setup {
    RichTextBox* display;
    QWidget* widget;
    PaintWatch* watch;
};

// Runs the loop until the view has refreshed and painted after the model's last
// change (a refresh comes at most one frame after a write) and then stayed idle
// for a while; returns the time (ns) the last paint finished, and whether a paint
// came after `modelDone` at all.
qint64 CatchUp(const Setup& s, qint64 modelDone, bool* caughtUp) {
    const qint64 quiet = 40'000'000;  // more than two frames
    while (true) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const qint64 now = g_clock.nsecsElapsed();
        if (now - modelDone > quiet + vorta::ui::qt::kFrameMs * 1'000'000LL && now - s.watch->lastDone > quiet) break;
    }
    *caughtUp = s.watch->lastStart >= modelDone;
    return std::max(modelDone, s.watch->lastDone);
}

// What the view offers a screen reader at the end equals the model's end.
bool ViewEndEqualsModel(const Setup& s) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(s.widget);
    if (!a || !a->textInterface()) return false;
    const RichText& rich = s.display->rich();
    const int n = a->textInterface()->characterCount();
    if (n != rich.unitCount().value()) return false;
    const int from = std::max(0, n - 40);
    const std::string tail = rich.bytes(rich.byteOfUnit(UnitPos(from)), rich.byteCount());
    QString expected = QString::fromLatin1(tail.data(), static_cast<qsizetype>(tail.size()));
    expected.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return a->textInterface()->text(from, n) == expected;
}

// Writes `bytes` received bytes as hex cells at the end, a line end every
// `lineBytes`, letting the loop run every 16,384 bytes (one turn of the serial
// channel). Returns ns per received byte until the view has caught up.
double Feed(const Setup& s, long bytes, long lineBytes, const char* label) {
    RichTextBox& display = *s.display;
    const CharFormat blue{"SimSun", 11, 0, 0, Rgb(0, 0, 255)};
    const UnitPos selStart = display.rich().selectionStart(), selEnd = display.rich().selectionEnd();
    const std::string selected = display.selectedText();
    // A caret at the very end stays at the end; anything else stays where it is.
    const bool caretAtEnd = selStart == selEnd && selEnd == display.rich().unitCount();
    const qint64 start = g_clock.nsecsElapsed();
    for (long i = 0; i < bytes; ++i) {
        const unsigned b = static_cast<unsigned>(i * 7) & 0xFF;
        const char cell[4] = {kHex[b >> 4], kHex[b & 15], ' ', 0};
        display.append(cell, blue);
        display.scrollToEnd();
        if ((i + 1) % lineBytes == 0) display.append("\r\n");
        if ((i + 1) % 16384 == 0) QCoreApplication::processEvents();
    }
    const qint64 modelDone = g_clock.nsecsElapsed();
    bool caughtUp = false;
    const qint64 end = CatchUp(s, modelDone, &caughtUp);
    const double ns = static_cast<double>(end - start) / static_cast<double>(bytes);
    const bool selectionKept = caretAtEnd
                                   ? display.rich().selectionStart() == display.rich().unitCount() &&
                                         display.rich().selectionEnd() == display.rich().unitCount()
                                   : display.rich().selectionStart() == selStart &&
                                         display.rich().selectionEnd() == selEnd && display.selectedText() == selected;
    std::printf(
        "  %-34s %8.1f ns/byte = %6.2f MB/s (model alone %6.2f MB/s); view painted after: %s; "
        "view end = model end: %s; caret/selection as the user left it: %s; display %.1f MB\n",
        label, ns, 1e3 / ns, static_cast<double>(bytes) * 1e3 / static_cast<double>(modelDone - start),
        caughtUp ? "yes" : "NO", ViewEndEqualsModel(s) ? "yes" : "NO", selectionKept ? "yes" : "NO",
        static_cast<double>(display.rich().byteCount().value()) / 1e6);
    return ns;
}

// Grows the display to `target` bytes of 147-character lines (or one line).
void FillTo(const Setup& s, std::size_t target, bool oneLine) {
    const std::string line = oneLine ? std::string(149, 'A') : std::string(147, 'A') + "\r\n";
    std::string block;
    for (int i = 0; i < 20000; ++i) block += line;
    while (s.display->rich().byteCount() < BytePos(target)) {
        s.display->append(block);
        QCoreApplication::processEvents();
    }
    bool caughtUp = false;
    CatchUp(s, g_clock.nsecsElapsed(), &caughtUp);
}

// The three caret positions, set as the user would leave them.
void Place(const Setup& s, int where) {
    RichTextBox& d = *s.display;
    const std::int64_t middle = d.rich().unitCount().value() / 2;
    if (where == 0) d.setSelection(d.rich().unitCount(), UnitPos(0));
    if (where == 1) d.setSelection(UnitPos(middle), UnitPos(0));
    if (where == 2) d.setSelection(UnitPos(middle), UnitPos(3000));
    QCoreApplication::processEvents();
}

double Key(const Setup& s, QKeySequence::StandardKey key) {
    const QKeySequence seq(key);
    const qint64 start = g_clock.nsecsElapsed();
    QKeyEvent press(QEvent::KeyPress, seq[0].key(), seq[0].keyboardModifiers());
    QCoreApplication::sendEvent(s.widget, &press);
    bool caughtUp = false;
    const qint64 modelDone = g_clock.nsecsElapsed();
    CatchUp(s, modelDone, &caughtUp);
    // The answer: the key handled and (when it changed what is shown) painted.
    const qint64 end = caughtUp ? s.watch->lastDone : modelDone;
    return static_cast<double>(end - start) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // BENCH_BIG_MB: the largest display measured (500 by default); BENCH_TOOLS_ONLY=1
    // measures only the tools on the 200 MB display.
    const long bigMb = std::getenv("BENCH_BIG_MB") ? std::atol(std::getenv("BENCH_BIG_MB")) : 500;
    const bool toolsOnly = std::getenv("BENCH_TOOLS_ONLY") && std::atoi(std::getenv("BENCH_TOOLS_ONLY")) != 0;
    QApplication app(argc, argv);
    vorta::ui::qt::InstallFonts();
    vorta::ui::qt::QtEventLoop loop;
    Model model(loop, {1280, 1024});
    vorta::ui::qt::QtView view(model);
    model.setView(&view);
    static const WindowDef def = DisplayWindow();
    Window* w = model.openWindow(def);
    g_clock.start();
    auto& display = (*w)[ControlId<RichTextBox>{"display"}];
    auto* area = static_cast<QAbstractScrollArea*>(view.widgetOf(display));
    PaintWatch watch(area->viewport());
    const Setup s{&display, area, &watch};
    // Long enough that the wait for the last frame (up to kFrameMs) is a small share.
    const long n = 5'000'000;

    static const char* kWhere[] = {"caret at the end", "caret in the middle", "3000-unit selection in the middle"};
    if (!toolsOnly) {
        std::printf(
            "Received bytes as hex cells at the end, a line end every 50 bytes, %ld bytes per run, "
            "clock stopped when the view has painted after the last byte:\n",
            n);
        for (const std::size_t mb : {std::size_t{0}, std::size_t{50}, static_cast<std::size_t>(bigMb)}) {
            display.setText("");
            FillTo(s, mb * 1'000'000, false);
            for (int where = 0; where < 3; ++where) {
                Place(s, where);
                char label[96];
                std::snprintf(label, sizeof label, "%zu MB shown, %s:", mb, kWhere[where]);
                Feed(s, n, 50, label);
            }
        }

        display.setText("");
        FillTo(s, 50'000'000, true);
        Place(s, 0);
        Feed(s, n, 1L << 40, "one 50 MB line, caret at the end:");
        display.setText("");
        QCoreApplication::processEvents();
        Feed(s, n, 1L << 40, "one line from empty, caret at the end:");
    }

    display.setText("");
    FillTo(s, 200'000'000, false);
    area->setFocus();
    std::printf("On a %.0f MB display (ms until handled and painted):\n",
                static_cast<double>(display.rich().byteCount().value()) / 1e6);
    std::printf("  select all (Ctrl+A):   %8.1f ms\n", Key(s, QKeySequence::SelectAll));
    const double copyMs = Key(s, QKeySequence::Copy);
    std::printf("  copy all (Ctrl+C):     %8.1f ms\n", copyMs);
    // A large copy is converted to text on a thread of its own from the moment of the
    // copy; a program asking for it (here, this one) waits for what is left, if anything.
    auto readClipboard = [&](const char* when) {
        const qint64 readStart = g_clock.nsecsElapsed();
        const qsizetype characters = QGuiApplication::clipboard()->text().size();
        std::printf("  a program reads the copy's text %s: %8.1f ms (%.0f M characters, %s)\n", when,
                    static_cast<double>(g_clock.nsecsElapsed() - readStart) / 1e6,
                    static_cast<double>(characters) / 1e6,
                    characters == display.rich().unitCount().value() ? "one per unit of the display"
                                                                     : "DIFFERENT from the display");
    };
    readClipboard("right after the copy");
    Key(s, QKeySequence::Copy);
    const qint64 copied = g_clock.nsecsElapsed();
    while (g_clock.nsecsElapsed() - copied < 4'000'000'000LL)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    readClipboard("4 s after the copy");
    std::printf("view paints in the run: %ld\n", watch.paints);
    return 0;
}
