#pragma once
// One window of the control model shown through the Qt binding, for tests of
// single controls; closed and unbound again at the end of the test.
#include "ui/model.h"
#include "ui/qt/qt_event_loop.h"
#include "ui/qt/qt_view.h"

namespace vorta::test {

struct QtWindow {
    explicit QtWindow(const ui::WindowDef& def) {
        model.setView(&view);
        window = model.openWindow(def);
    }
    ~QtWindow() {
        if (window && window->isOpen()) window->close();
        model.setView(nullptr);
    }
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    ui::qt::QtEventLoop loop;
    ui::Model model{loop, {1280, 1024}};
    ui::qt::QtView view{model};
    ui::Window* window = nullptr;  // null when the definition could not be opened
};

}  // namespace vorta::test
