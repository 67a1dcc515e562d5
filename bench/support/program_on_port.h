#pragma once
// The whole program on the Qt binding (offscreen when there is no display),
// its main window open on the pseudo-terminal linked as COM5 at 115200 baud,
// as the whole-path benchmarks run it. Closing it closes the port and the
// window and removes the settings folder.
#include <QApplication>
#include <filesystem>

#include "app/app.h"
#include "support/linked_port.h"
#include "ui/qt/application.h"
#include "ui/qt/qt_event_loop.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/qt_view.h"

namespace vorta::bench {

class ProgramOnLinkedPort {
public:
    ProgramOnLinkedPort(int& argc, char** argv)
        : link(offscreenWithoutDisplayThenLink()),
          qapp(argc, argv),
          model(loop, platform.screenSize()),
          view(model),
          program(model, platform) {
        ui::qt::InstallFonts();
        model.setView(&view);
        main = program.start();
        opened = OpenLinkedPort(model, *main);
    }
    ~ProgramOnLinkedPort() {
        if (opened) model.userClick((*main)[ui::main::kOpenClose]);
        main->close();
        std::filesystem::remove_all(link.dir);
    }
    ProgramOnLinkedPort(const ProgramOnLinkedPort&) = delete;
    ProgramOnLinkedPort& operator=(const ProgramOnLinkedPort&) = delete;

    const LinkedPort link;  // first: it names the settings folder before the program starts
    QApplication qapp;
    ui::qt::QtEventLoop loop;
    ui::qt::QtPlatform platform;
    ui::Model model;
    ui::qt::QtView view;
    app::App program;
    ui::Window* main = nullptr;
    bool opened = false;  // the port opened on COM5

private:
    static LinkedPort offscreenWithoutDisplayThenLink() {
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return LinkPortBesideSettings();
    }
};

}  // namespace vorta::bench
