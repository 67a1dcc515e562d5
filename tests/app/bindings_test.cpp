// Every binding of the program's windows has its action: a window with an
// unbound binding aborts as it opens.
#include <gtest/gtest.h>

#include "app/app.h"
#include "base/virtual_loop.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "ui/windows/window_defs.h"

namespace vorta::app {
namespace {

class BindingsTest : public ::testing::Test {
protected:
    BindingsTest() { setenv("TMPDIR", tmp.path().c_str(), 1); }
    ~BindingsTest() override { unsetenv("TMPDIR"); }

    test::TempDir tmp;
    base::VirtualLoop loop;
    test::FakePlatform platform;
    ui::Model model{loop, {1280, 1024}};
    App app{model, platform};
};

TEST_F(BindingsTest, TheProgramsWindowsOpen) {
    ASSERT_NE(app.start(), nullptr);
    EXPECT_NE(model.openWindow(ui::CalculatorWindowDef()), nullptr);
    EXPECT_NE(model.openWindow(ui::GeneratorWindowDef()), nullptr);
    EXPECT_NE(model.openWindow(ui::CaptureWindowDef()), nullptr);
}

}  // namespace
}  // namespace vorta::app
