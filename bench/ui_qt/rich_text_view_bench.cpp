// How fast the rich text box takes received bytes written one hex cell at a
// time, as the receive handling writes them, with the Qt view catching up in
// batches; and whether the cost of a batch grows with what is already shown.
// Runs on Qt's offscreen platform (which still lays out and paints).
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <cstdio>

#include "ui/model.h"
#include "ui/qt/application.h"
#include "ui/qt/qt_event_loop.h"
#include "ui/qt/qt_view.h"

using namespace vorta::ui;

namespace {

WindowDef DisplayWindow() {
    WindowDef w;
    w.name = "bench";
    w.title = "bench";
    w.rect = {0, 0, 600, 536};
    w.controls = {{.name = "display", .kind = Kind::RichText, .rect = {1, 45, 454, 379},
                   .font = {"SimSun", 9}, .wordWrap = true, .vScroll = true}};
    return w;
}

const char kHex[] = "0123456789ABCDEF";

// Writes `bytes` received bytes as cells, a line end every `lineBytes`, letting the
// event loop run every `burst` bytes as deliveries from the serial channel would.
double Feed(RichTextBox& display, long bytes, int lineBytes, int burst) {
    const CharFormat blue{"SimSun", 11, 0, 0, Rgb(0, 0, 255)};
    QElapsedTimer t;
    t.start();
    for (long i = 0; i < bytes; ++i) {
        display.setInsertionFormat(blue);
        const unsigned b = static_cast<unsigned>(i * 7) & 0xFF;
        const char cell[4] = {kHex[b >> 4], kHex[b & 15], ' ', 0};
        display.replaceSelection(cell);
        display.scrollToEnd();
        if ((i + 1) % lineBytes == 0) display.replaceSelection("\r\n");
        if ((i + 1) % burst == 0) QCoreApplication::processEvents();
    }
    // Let the view catch up fully.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 50) QCoreApplication::processEvents();
    return (t.elapsed() - 50) / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    vorta::ui::qt::InstallFonts();
    vorta::ui::qt::QtEventLoop loop;
    Model model(loop, {1280, 1024});
    vorta::ui::qt::QtView view(model);
    model.setView(&view);
    static const WindowDef def = DisplayWindow();
    Window* w = model.openWindow(def);
    auto& display = (*w)[ControlId<RichTextBox>{"display"}];

    const long n = 2'000'000;
    double s = Feed(display, n, 50, 4096);
    std::printf("empty display: %ld bytes as hex cells in %.2f s = %.2f MB/s of received bytes\n", n, s, n / s / 1e6);

    // Fill to about 50 M characters, then measure the same again.
    const std::string line = std::string(147, 'A') + "\r\n";
    std::string block;
    for (int i = 0; i < 20000; ++i) block += line;
    QElapsedTimer fill;
    fill.start();
    while (display.rich().text().size() < 50'000'000) {
        display.replaceSelection(block);
        QCoreApplication::processEvents();
    }
    std::printf("filled to %.1f M characters in %.1f s\n", display.rich().text().size() / 1e6, fill.elapsed() / 1000.0);
    s = Feed(display, n, 50, 4096);
    std::printf("50 M display:  %ld bytes as hex cells in %.2f s = %.2f MB/s of received bytes\n", n, s, n / s / 1e6);
    auto* widget = dynamic_cast<QPlainTextEdit*>(view.widgetOf(display));
    std::printf("view holds %d characters, model %lld units: %s\n", widget->document()->characterCount() - 1,
                static_cast<long long>(display.rich().unitCount()),
                widget->document()->characterCount() - 1 == display.rich().unitCount() ? "equal" : "DIFFERENT");

    // One long line: no automatic line breaks.
    display.setText("");
    QCoreApplication::processEvents();
    s = Feed(display, 300'000, 1 << 30, 4096);
    std::printf("one long line: %d bytes in %.2f s = %.3f MB/s\n", 300'000, s, 300'000 / s / 1e6);
    return 0;
}
