#include "app/app.h"

#include "serial/port_discovery.h"
#include "ui/windows/window_defs.h"

namespace vorta::app {

App::App(ui::Model& model, ui::Platform& platform)
    : model_(model),
      platform_(platform),
      shell_(model, platform, state_, [this](std::vector<ui::Text>& names) {
          std::vector<serial::PortInfo> ports;
          const int status = serial::DiscoverPorts(serial::RootsBesideSettings(state_.settingsPath), ports);
          names = serial::PortNames(ports);
          return status == 0;
      }) {}

App::~App() = default;

ui::Window* App::start() { return model_.openWindow(ui::MainWindowDef()); }

}  // namespace vorta::app
