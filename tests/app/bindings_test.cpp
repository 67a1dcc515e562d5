// Every binding of the three windows has its action in the program, or is
// listed as not built yet; the list names nothing the program already has.
#include <gtest/gtest.h>

#include "app/app.h"
#include "app/not_built.h"
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

bool Listed(ui::ActionId action) {
    for (ui::ActionId a : NotBuiltActions())
        if (a == action) return true;
    return false;
}

TEST_F(BindingsTest, EveryBindingIsBuiltOrListedAndTheListHoldsOnlyWhatIsMissing) {
    for (const ui::WindowDef* def : {&ui::MainWindowDef(), &ui::GeneratorWindowDef(), &ui::CalculatorWindowDef()})
        for (const ui::BindingDef& b : def->bindings) {
            const ui::ActionId action{b.action};
            EXPECT_NE(model.isRegistered(action), Listed(action))
                << def->name << ": " << b.action << (Listed(action) ? " is built but still listed" : " is missing");
        }
    for (ui::ActionId a : NotBuiltActions()) EXPECT_FALSE(model.isRegistered(a)) << a.name << " is built";
}

TEST_F(BindingsTest, TheProgramsWindowsOpen) {
    ASSERT_NE(app.start(), nullptr);
    EXPECT_NE(model.openWindow(ui::CalculatorWindowDef()), nullptr);
}

}  // namespace
}  // namespace vorta::app
