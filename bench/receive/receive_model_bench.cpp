// The receive handler's cost per byte in the control model alone (no view),
// with the display empty and with 50 MB already in it, in hexadecimal and in
// text display mode; then the display's tools on the 50 MB display. The
// virtual clock moves 1 ms every 12 bytes, as at 115200 baud, so the line
// breaks come as they would on a real line.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "main_window/app_state.h"
#include "main_window/main_window.h"
#include "receive/display_tools.h"
#include "receive/receive_display.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "base/virtual_loop.h"
#include "ui/windows/window_defs.h"
#include "ui/windows/control_ids.h"

using namespace vorta::ui::main;

using namespace vorta;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kBigDisplay = 50'000'000;
constexpr std::size_t kToolsDisplay = 200'000'000;
constexpr long kBytes = 2'000'000;

double Seconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The text a long hexadecimal session leaves: lines of 50 cells.
std::string HexDisplay(std::size_t bytes) {
    std::string line;
    for (int i = 0; i < 50; ++i) line += "5A ";
    line += "\r\n";
    std::string text;
    text.reserve(bytes + line.size());
    while (text.size() < bytes) text += line;
    return text;
}

// The fake desktop, keeping a copied snapshot as the Qt platform does: the bytes
// are converted only when a program asks for the clipboard's text.
struct BenchPlatform : test::FakePlatform {
    ui::TextSnapshot copied;
    void setClipboardSnapshot(const ui::TextSnapshot& text) override {
        copied = text;
        clipboard.reset();
    }
    bool clipboardHasText() const override { return !copied.empty() || clipboard.has_value(); }
    std::optional<ui::Text> clipboardText() const override {
        return copied.empty() ? clipboard : std::optional<ui::Text>(copied.bytes());
    }
};

// Whether the file holds exactly the display's bytes.
bool SameBytes(const std::string& path, const ui::RichText& display) {
    std::ifstream in(path, std::ios::binary);
    bool same = true;
    std::string chunk;
    display.forEachPiece(ui::BytePos(0), display.byteCount(), [&](std::string_view piece) {
        chunk.resize(piece.size());
        same = same && in.read(chunk.data(), static_cast<std::streamsize>(piece.size())) && chunk == piece;
    });
    return same && in.peek() == std::char_traits<char>::eof();
}

// The program as it starts, its settings in the folder that main() sets as TMPDIR.
struct Program {
    base::VirtualLoop loop;
    BenchPlatform platform;
    ui::Model model{loop, {1920, 1080}};
    vorta::test::NoOpActions noOps{model, ui::MainWindowDef()};
    test::RecordingView view;  // answers the save dialog
    main_window::AppState state;
    main_window::MainWindow shell{model, platform, state, [](std::vector<ui::Text>& ports) {
                                      ports = {"COM1"};
                                      return true;
                                  }};
    receive::ReceiveDisplay rx{model, state};
    receive::DisplayTools tools{model, platform, state};
    ui::Window* main = nullptr;

    Program() {
        model.setView(&view);
        main = model.openWindow(ui::MainWindowDef());
        rx.attach(*main);
    }
    template <class K>
    K& c(ui::ControlId<K> id) {
        return (*main)[id];
    }
};

// Feeds kBytes bytes twice, one byte a chunk (the dearest cut), and prints
// bytes per second and nanoseconds per byte of each round (the first may
// include the display text growing its buffer).
void FeedBytes(bool textMode, std::size_t displayBytes) {
    Program p;
    if (textMode) p.model.userClick(p.c(kTextDisplay));
    if (displayBytes) p.c(kDisplay).setText(HexDisplay(displayBytes));
    // Text mode: ASCII with a two-byte character now and then.
    static const unsigned char kText[] = {'H', 'e', 'l', 'l', 'o', ' ', 0xD6, 0xD0, 0xCE, 0xC4, '\r', '\n'};
    for (int round = 1; round <= 2; ++round) {
        const double s = Seconds([&] {
            for (long i = 0; i < kBytes; ++i) {
                const char b = static_cast<char>(textMode ? kText[i % sizeof kText] : i & 0xFF);
                p.rx.onBytesReceived(std::string_view(&b, 1));
                if (i % 12 == 11) p.loop.advance(1);
            }
        });
        std::printf(
            "  %-4s display %5.1f MB at start, round %d: %6.2f M bytes/s, %6.1f ns/byte (%s, display %.1f MB)\n",
            textMode ? "text" : "hex", displayBytes / 1e6, round, kBytes / s / 1e6, s / kBytes * 1e9,
            p.c(kStatusBar).panelText(0).c_str(), p.c(kDisplay).rich().byteCount().value() / 1e6);
    }
}

void Tools() {
    Program p;
    auto& display = p.c(kDisplay);
    display.setText(HexDisplay(kToolsDisplay));
    const auto menu = [&](ui::ControlId<ui::Control> item) { p.model.userMenuSelect(p.c(item)); };
    const auto mouse = [&](ui::Event e) { p.model.userMouse(display, e, {}); };

    std::printf("  select all:                 %8.1f ms\n", Seconds([&] { menu(kSelectAllItem); }) * 1e3);
    std::printf("  menu (enabled states):      %8.1f ms\n", Seconds([&] { mouse(ui::Event::RightReleased); }) * 1e3);
    std::printf("  conversion balloon, all:    %8.1f ms\n", Seconds([&] { mouse(ui::Event::LeftReleased); }) * 1e3);
    std::printf("  merge to decimal, all:      %8.1f ms\n", Seconds([&] { menu(kMergeToDecimalItem); }) * 1e3);
    std::printf("  copy all:                   %8.1f ms\n", Seconds([&] { menu(kCopyItem); }) * 1e3);
    std::printf("  menu after copying all:     %8.1f ms\n", Seconds([&] { mouse(ui::Event::RightReleased); }) * 1e3);
    const std::string saved = std::string(std::getenv("TMPDIR")) + "/saved.txt";
    p.view.saveAnswer = saved;
    const auto clickStart = Clock::now();
    std::printf("  save (exact bytes):         %8.1f ms until the click returns",
                Seconds([&] { p.model.userClick(p.c(kSave)); }) * 1e3);
    display.append("received while saving\r\n");  // after the click: not in the file
    p.tools.waitForSaves();
    std::printf(", file complete after %.1f ms\n",
                std::chrono::duration<double>(Clock::now() - clickStart).count() * 1e3);
    display.setText(display.rich().bytes(ui::BytePos(0), display.rich().byteCount() - 23));
    std::printf("  saved file: %s\n",
                SameBytes(saved, display.rich()) ? "the display's exact bytes" : "DIFFERENT bytes");
    menu(kSelectAllItem);
    display.setSelection(ui::UnitPos(0), ui::UnitPos(0));
    mouse(ui::Event::RightReleased);  // the clipboard holds text now: paste is enabled
    const double copyMb = display.rich().byteCount().value() / 1e6;
    std::printf("  paste the copy (%3.0f MB) at the start: %8.1f ms\n", copyMb,
                Seconds([&] { menu(kPasteItem); }) * 1e3);
    const double before = display.rich().byteCount().value() / 1e6;
    std::printf("  clear (%3.0f MB):              %8.1f ms\n", before, Seconds([&] { menu(kClearItem); }) * 1e3);

    // No start of the selection decides: one piece of 200 MB is converted whole.
    display.setText(std::string(kToolsDisplay, 'A'));
    menu(kSelectAllItem);
    // No start decides: the click returns at once, the balloon follows from a thread of its own.
    const std::size_t balloons = p.view.balloons.size();
    const auto released = Clock::now();
    const double clickMs = Seconds([&] { mouse(ui::Event::LeftReleased); }) * 1e3;
    p.loop.runUntilReal([&] { return p.view.balloons.size() > balloons; }, std::chrono::seconds(60));
    std::printf(
        "  one 200 MB piece, balloon:  %8.1f ms until the click returns, balloon shown after %.1f ms "
        "(no start decides: read whole)\n",
        clickMs, std::chrono::duration<double>(Clock::now() - released).count() * 1e3);
    std::printf("  one 200 MB piece, merge:    %8.1f ms (its start decides)\n",
                Seconds([&] { menu(kMergeToDecimalItem); }) * 1e3);
}

}  // namespace

int main() {
    test::TempDir settings;
    setenv("TMPDIR", settings.path().c_str(), 1);
    std::printf("Received bytes into the model (no view), %ld bytes per run:\n", kBytes);
    for (bool textMode : {false, true}) {
        FeedBytes(textMode, 0);
        FeedBytes(textMode, kBigDisplay);
    }
    std::printf("Display tools on a %.0f MB display (model alone):\n", kToolsDisplay / 1e6);
    Tools();
    return 0;
}
