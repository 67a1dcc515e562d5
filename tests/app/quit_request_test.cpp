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

class QuitRequestTest : public ::testing::Test {
protected:
    QuitRequestTest() { setenv("TMPDIR", tmp.path().c_str(), 1); }
    ~QuitRequestTest() override { unsetenv("TMPDIR"); }
    std::string ini() const { return tmp.slash() + "peizhi.ini"; }

    test::TempDir tmp;
    base::VirtualLoop loop;
    test::FakePlatform platform;
    ui::Model model{loop, {1280, 1024}};
    std::unique_ptr<App> app = std::make_unique<App>(model, platform);
};

// While the modal generator is open (its own message loop runs), the request
// closes it first, so the handler that opened it can return, then the main window.
TEST_F(QuitRequestTest, ClosesEveryWindowTheModalOneFirstAndTheMainOneSavesItsPlace) {
    ui::Window& main = *app->start();
    ASSERT_TRUE(platform.quitHandler);
    model.userResized(main, 640, 500);
    std::vector<std::string> destroyed;
    model.onWindowDestroyed = [&](const ui::Text& name) { destroyed.push_back(name); };
    loop.post([&] { platform.quitHandler(); });
    model.userMouse(main[ui::main::kAutoSendLamp], ui::Event::RightReleased, {});  // returns when it closed
    EXPECT_EQ(destroyed.size(), 2u);
    EXPECT_NE(destroyed.front(), "main");
    EXPECT_EQ(destroyed.back(), "main");
    EXPECT_FALSE(main.isOpen());
    EXPECT_EQ(store::ReadSetting(ini(), "大小"_gbk, "KD"), "640");
    // The program is gone: the signals are the system's again.
    app.reset();
    EXPECT_FALSE(platform.quitHandler);
}

}  // namespace
}  // namespace vorta::app
