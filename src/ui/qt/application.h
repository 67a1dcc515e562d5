#pragma once
// Starts the program on Qt: the application object, fonts, the event loop,
// the view and the platform; `start` builds the logic, which opens its main
// window. Returns when the main window has been destroyed.
#include <functional>
#include <memory>

#include "ui/model.h"
#include "ui/platform.h"

namespace vorta::ui::qt {

struct Services {
    base::EventLoop& loop;
    Model& model;
    Platform& platform;
};

int RunApplication(int argc, char** argv, const std::function<std::shared_ptr<void>(Services&)>& start);

// Maps the Windows face names the program uses (宋体, SimSun, ...) to installed
// Song/Ming faces and sets the default GUI font. Also used by the Qt tests.
void InstallFonts();

// Loads Qt's zh_CN translations (file dialog, standard buttons) and makes
// zh_CN the default locale. False when Qt's translations are not installed.
// Needs the application object. Also used by the Qt tests.
bool InstallTranslations();

}  // namespace vorta::ui::qt
