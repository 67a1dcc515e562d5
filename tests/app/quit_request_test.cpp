// The desktop's request to end the program closes its windows as their close
// buttons do: the newest first, the main window saving its size and place.
#include <gtest/gtest.h>

#include "app/app.h"
#include "base/virtual_loop.h"
#include "store/settings_file.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

namespace vorta::app {
namespace {

// File dialogs that run the loop until they are cancelled, as Qt's do.
struct DialogView : ui::View {
    explicit DialogView(base::EventLoop& l) : loop(l) {}
    std::optional<ui::Text> run() {
        cancelled = false;
        loop.runUntil([this] { return cancelled; });
        return std::nullopt;
    }
    std::optional<ui::Text> showSaveDialog(ui::Control&, const ui::Text&, const ui::Text&) override { return run(); }
    std::optional<ui::Text> showOpenDialog(ui::Control&, const ui::Text&, const ui::Text&) override { return run(); }
    void cancelDialog() override { cancelled = true; }
    base::EventLoop& loop;
    bool cancelled = false;
};

// How the user opened a window or a dialog over the main window, and the windows then open.
using Gesture = void (*)(ui::Model&, ui::Window& main);
class QuitRequestTest : public ::testing::TestWithParam<std::pair<Gesture, std::size_t>> {
protected:
    QuitRequestTest() { setenv("TMPDIR", tmp.path().c_str(), 1); }
    ~QuitRequestTest() override { unsetenv("TMPDIR"); }
    std::string ini() const { return tmp.slash() + "peizhi.ini"; }

    test::TempDir tmp;
    base::VirtualLoop loop;
    test::FakePlatform platform;
    ui::Model model{loop, {1280, 1024}};
    DialogView view{loop};
    std::unique_ptr<App> app = std::make_unique<App>(model, platform);
};

// While a modal window or a file dialog runs its loop inside a handler of the
// main window, the request ends that loop first, and the main window goes once
// the handler has returned (it runs inside the main window's controls).
TEST_P(QuitRequestTest, ClosesEveryWindowTheNewestFirstAndTheMainOneSavesItsPlace) {
    model.setView(&view);
    ui::Window& main = *app->start();
    ASSERT_TRUE(platform.quitHandler);
    model.userResized(main, 640, 500);
    std::vector<std::string> destroyed;
    model.onWindowDestroyed = [&](const ui::Text& name) { destroyed.push_back(name); };
    loop.post([&] { platform.quitHandler(); });
    GetParam().first(model, main);  // a modal window or a dialog returns once closed
    EXPECT_TRUE(main.isOpen());
    loop.runPending();
    EXPECT_EQ(destroyed.size(), GetParam().second);
    EXPECT_EQ(destroyed.back(), "main");
    EXPECT_EQ(store::ReadSetting(ini(), "大小"_gbk, "KD"), "640");
    // The program is gone: the signals are the system's again.
    app.reset();
    EXPECT_FALSE(platform.quitHandler);
}

using namespace ui::main;
INSTANTIATE_TEST_SUITE_P(
    Windows, QuitRequestTest,
    ::testing::Values(std::pair{+[](ui::Model& m, ui::Window& w) {
                                    m.userMouse(w[kAutoSendLamp], ui::Event::RightReleased, {});
                                },
                                2u},
                      std::pair{+[](ui::Model& m, ui::Window& w) { m.userClick(w[kSave]); }, 1u},
                      std::pair{+[](ui::Model& m, ui::Window& w) {
                                    m.userMenuSelect(w[kCaptureWindowItem]);
                                    m.userClick((*m.window(ui::capture::kWindowName))[ui::capture::kBrowseSendFile]);
                                },
                                2u},
                      std::pair{+[](ui::Model& m, ui::Window& w) { m.userMenuSelect(w[kOpenCalculatorItem]); }, 2u},
                      std::pair{+[](ui::Model& m, ui::Window& w) { m.userMenuSelect(w[kPortSettingsItem]); }, 2u}));

}  // namespace
}  // namespace vorta::app
