// Vorta serial: starts the program on Qt and returns 0 when its main window is gone.
#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/command_line.h"
#include "ui/qt/application.h"

int main(int argc, char** argv) {
    // --help and --version are answered before Qt, which would need a display.
    const vorta::app::CommandLineAnswer answer =
        vorta::app::AnswerCommandLine(std::vector<std::string>(argv + 1, argv + argc), VORTA_VERSION);
    if (!answer.startWindow) {
        std::fputs(answer.out.c_str(), stdout);
        std::fputs(answer.err.c_str(), stderr);
        return std::fflush(stdout) == 0 ? answer.exitCode : 1;
    }
    return vorta::ui::qt::RunApplication(argc, argv, [](vorta::ui::qt::Services& services) {
        auto app = std::make_shared<vorta::app::App>(services.model, services.platform);
        app->start();
        return std::shared_ptr<void>(app);
    });
}
