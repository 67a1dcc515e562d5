#pragma once
// The whole program's logic with the Qt binding on Qt's offscreen platform,
// its main window open, its settings in a fresh folder.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "app/app.h"
#include "support/temp_dir.h"
#include "ui/qt/application.h"
#include "ui/qt/qt_event_loop.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/qt_view.h"

namespace vorta::test {

class QtMainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ui::qt::InstallFonts();
        setenv("TMPDIR", tmp.path().c_str(), 1);
        model.setView(&view);
        main = logic.start();
        ASSERT_NE(main, nullptr);
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        if (main && main->isOpen()) main->close();
        model.setView(nullptr);
        unsetenv("TMPDIR");
    }
    // The widget that shows a control of the main window.
    template <class W, class K>
    W* widget(ui::ControlId<K> id) {
        return dynamic_cast<W*>(view.widgetOf((*main)[id]));
    }

    TempDir tmp;
    ui::qt::QtEventLoop loop;
    ui::qt::QtPlatform platform;
    ui::Model model{loop, {1280, 1024}};
    ui::qt::QtView view{model};
    app::App logic{model, platform};
    ui::Window* main = nullptr;
};

}  // namespace vorta::test
