#pragma once
// The program's logic put together: the program-wide state, the serial
// channel and every part's handlers, bound to the windows by name.
#include <memory>

#include "autosend/auto_sender.h"
#include "calculator/calculator_actions.h"
#include "capture/capture_feature.h"
#include "generator/generator_actions.h"
#include "main_window/app_state.h"
#include "main_window/main_window.h"
#include "receive/display_tools.h"
#include "receive/receive_display.h"
#include "port_switch/modem_panel.h"
#include "port_switch/port_list.h"
#include "port_switch/port_settings.h"
#include "port_switch/port_switch.h"
#include "serial/port_discovery.h"
#include "serial/serial_channel.h"
#include "ui/model.h"
#include "transmit/send_operation.h"
#include "ui/platform.h"

namespace vorta::app {

class App {
public:
    App(ui::Model& model, ui::Platform& platform);
    ~App();
    // Creates and shows the main window; its created event loads every option.
    ui::Window* start();
    main_window::AppState& state() { return state_; }
    serial::SerialChannel& channel() { return channel_; }

private:
    // Every send goes out here: written to the port and what went out captured.
    std::size_t writeToPort(std::string_view bytes);

    ui::Model& model_;
    ui::Platform& platform_;
    main_window::AppState state_;
    port_switch::PortList portList_;
    serial::SerialChannel channel_;
    main_window::MainWindow mainWindow_;
    port_switch::PortSwitch portSwitch_;
    port_switch::PortSettings portSettings_;
    receive::ReceiveDisplay receive_;
    receive::DisplayTools displayTools_;
    transmit::SendOperation send_;
    autosend::AutoSender autoSend_;
    generator::GeneratorActions generator_;
    calculator::CalculatorActions calculator_;
    capture::CaptureFeature capture_;
    port_switch::ModemPanel modemPanel_;
};

}  // namespace vorta::app
