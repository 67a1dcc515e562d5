// Received bytes handed over in chunks give exactly what chunks of one byte
// give, and program writes land at the end of the display whatever the user
// has selected.
#include <gtest/gtest.h>

#include <random>

#include "receive/receive_display.h"
#include "support/main_window_fixture.h"
#include "ui/windows/control_ids.h"

using namespace vorta::ui::main;

namespace vorta::receive {
namespace {

// The main window with the receive handling, on its own virtual clock.
struct Program {
    test::TempDir tmp;
    base::VirtualLoop loop;
    test::FakePlatform platform;
    ui::Model model{loop, {1280, 1024}};
    test::NoOpActions noOps{model, ui::MainWindowDef()};
    main_window::AppState state;
    main_window::MainWindow mainWindow{model, platform, state, [](std::vector<ui::Text>& ports) {
                                           ports = {"COM1"};
                                           return true;
                                       }};
    ReceiveDisplay rx{model, state};
    ui::Window* main = nullptr;
    std::vector<std::string> handedOver;

    Program() {
        setenv("TMPDIR", tmp.path().c_str(), 1);
        main = model.openWindow(ui::MainWindowDef());
        rx.attach(*main);
        rx.updateCalculator = [this](const std::string& line) { handedOver.push_back(line); };
    }
    ~Program() { unsetenv("TMPDIR"); }
    ui::RichTextBox& display() { return (*main)[kDisplay]; }
};

TEST(ReceiveBatch, ChunksGiveTheSameDisplayCountersAndLinesAsOneCallPerByte) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        Program perByte, chunked;
        for (Program* p : {&perByte, &chunked}) {
            if (seed % 2 == 0) p->model.userClick((*p->main)[kTextDisplay]);    // GBK assembly
            if (seed % 3 == 0) p->model.userClick((*p->main)[kAutoLineBreak]);  // auto line break off
        }
        for (int round = 0; round < 300; ++round) {
            // A chunk of random bytes, with two-byte characters and line ends among them.
            std::string chunk(rng() % 40, '\0');
            for (char& b : chunk) {
                const unsigned r = rng() % 10;
                b = static_cast<char>(r < 3 ? 0xB0 + rng() % 0x40 : r < 4 ? '\r' : 0x20 + rng() % 0x60);
            }
            for (const char& b : chunk) perByte.rx.onBytesReceived(std::string_view(&b, 1));
            chunked.rx.onBytesReceived(chunk);
            // Time passes between chunks: the line-break timer may fire.
            const int ms = static_cast<int>(rng() % 30);
            perByte.loop.advance(ms);
            chunked.loop.advance(ms);
        }
        EXPECT_EQ(perByte.display().text(), chunked.display().text()) << "seed " << seed;
        EXPECT_EQ(perByte.state.rxCount, chunked.state.rxCount);
        EXPECT_EQ((*perByte.main)[kStatusBar].panelText(0), (*chunked.main)[kStatusBar].panelText(0));
        // One more byte with the line break on ends the line held so far.
        for (Program* p : {&perByte, &chunked}) {
            (*p->main)[kAutoLineBreak].setChecked(true);
            p->rx.onBytesReceived("A");
            p->loop.advance(p->state.lineBreakInterval);
        }
        EXPECT_EQ(perByte.handedOver, chunked.handedOver);
        const ui::RichText& a = perByte.display().rich();
        const ui::RichText& b = chunked.display().rich();
        EXPECT_EQ(a.runs(ui::BytePos(0), a.byteCount()).size(), b.runs(ui::BytePos(0), b.byteCount()).size());
        EXPECT_GT(chunked.state.rxCount, 1000);
    }
}

TEST(ReceiveBatch, BytesArrivingWhileTheUserInspectsASelectionGoToTheEnd) {
    // The user selects "02" to read its value; "AA BB" arrives meanwhile.
    Program p;
    p.rx.onBytesReceived("\x01\x02\x03\x04");
    p.display().setSelection(ui::UnitPos(3), ui::UnitPos(2));
    ASSERT_EQ(p.display().selectedText(), "02");
    p.rx.onBytesReceived("\xAA");
    p.rx.onBytesReceived("\xBB");
    EXPECT_EQ(p.display().text(), "01 02 03 04 AA BB ");
    EXPECT_EQ(p.display().selectedText(), "02");                                        // still selected, still there
    EXPECT_EQ(p.display().rich().formatAt(ui::BytePos(3)).colour, ui::Rgb(0, 0, 255));  // not recoloured
    p.loop.advance(50);
    EXPECT_EQ(p.display().text(), "01 02 03 04 AA BB \r\n");
    EXPECT_EQ(p.display().selectedText(), "02");
}

}  // namespace
}  // namespace vorta::receive
