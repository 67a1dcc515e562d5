#pragma once
// The program's real main window on the virtual clock, started as at a first
// run with its settings in a fresh folder; the parts under test add their own
// handlers before `start()`.
#include <gtest/gtest.h>

#include <cstdlib>

#include "main_window/app_state.h"
#include "main_window/main_window.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "base/virtual_loop.h"
#include "ui/windows/window_defs.h"
#include "ui/windows/control_ids.h"

namespace vorta::test {

class MainWindowFixture : public ::testing::Test {
protected:
    MainWindowFixture() {
        setenv("TMPDIR", tmp.path().c_str(), 1);
        platform.screen = {1280, 1024};
        model.setView(&view);
    }
    ~MainWindowFixture() override { unsetenv("TMPDIR"); }

    ui::Window& start() {
        main = model.openWindow(ui::MainWindowDef());
        return *main;
    }
    template <class K>
    K& c(ui::ControlId<K> id) {
        return (*main)[id];
    }
    ui::Text display() { return c(ui::main::kDisplay).text(); }
    ui::Text panel(int i) { return c(ui::main::kStatusBar).panelText(i); }

    TempDir tmp;
    base::VirtualLoop loop;
    FakePlatform platform;
    RecordingView view;
    ui::Model model{loop, {1280, 1024}};
    NoOpActions noOps{model, ui::MainWindowDef()};
    main_window::AppState state;
    main_window::MainWindow shell{model, platform, state, [](std::vector<ui::Text>& ports) {
                                      ports = {"COM1"};
                                      return true;
                                  }};
    ui::Window* main = nullptr;
};

}  // namespace vorta::test
