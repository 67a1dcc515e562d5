// Vorta serial: starts the program on Qt and returns 0 when its main window is gone.
#include "app/app.h"
#include "ui/qt/application.h"

int main(int argc, char** argv) {
    return vorta::ui::qt::RunApplication(argc, argv, [](vorta::ui::qt::Services& services) {
        auto app = std::make_shared<vorta::app::App>(services.model, services.platform);
        app->start();
        return std::shared_ptr<void>(app);
    });
}
