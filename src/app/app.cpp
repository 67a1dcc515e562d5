#include "app/app.h"

#include "store/settings_file.h"
#include "serial/port_discovery.h"
#include "ui/windows/control_ids.h"
#include "ui/windows/window_defs.h"
#include "codec/gbk_literal.h"

namespace vorta::app {

App::App(ui::Model& model, ui::Platform& platform)
    : model_(model),
      platform_(platform),
      portList_(model.loop(), [this] { return serial::RootsBesideSettings(state_.settingsPath); }),
      // Port n is looked up at every open, in the folder the settings file is in; a
      // number the ports folder gave the list stays the folder's (no other device).
      channel_(model.loop(),
               [this](int port) {
                   return serial::ResolvePort(serial::RootsBesideSettings(state_.settingsPath), portList_.listed(),
                                              port);
               }),
      mainWindow_(model, platform, state_, [this](std::vector<ui::Text>& names) { return portList_.discover(names); }),
      portSwitch_(model, channel_, {state_.settingsPath, state_.listPath, state_.failureNotes, state_.noteFormat}),
      portSettings_(model, state_, channel_),
      receive_(model, state_),
      displayTools_(model, platform, state_),
      send_(model, platform, state_,
            {[this](std::string_view bytes) { return writeToPort(bytes); },
             [this](ui::Window& main) { portSwitch_.toggle(main); }, &port_switch::PortSwitch::isOpen},
            [this] { return autoSend_.view(); }),
      autoSend_(model, state_, portSwitch_, send_),
      generator_(model, state_),
      calculator_(model, state_, receive_),
      capture_(model, state_, [this](std::string_view bytes) { return writeToPort(bytes); }),
      modemPanel_(model, channel_) {
    portSwitch_.setOptions(&state_.portOptions);
    // A port whose device went looks for it as soon as the list sees devices come.
    portList_.setOnRefresh([this] { channel_.retryNow(); });
    portSettings_.showLinesFrom(&modemPanel_.state());
    // The capture takes each chunk before the display, with the time the monitor thread read it.
    channel_.setOnBytesArrived([this](std::string_view bytes) {
        capture_.received(bytes, channel_.arrivalMicros());
        receive_.onBytesReceived(bytes, channel_.arrivalMicros());
    });
    // Logout or kill: the windows close as their close buttons close them, so
    // the main window saves its size and place and the program ends normally.
    platform.setQuitHandler([this] { model_.closeAllWindows(); });
}

App::~App() {
    platform_.setQuitHandler(nullptr);
    channel_.close();
    // The window has gone: the saves the user asked for complete before the program ends.
    displayTools_.waitForSaves();
}

std::size_t App::writeToPort(std::string_view bytes) {
    const std::int64_t at = capture::NowMicros();
    const std::size_t sent = channel_.write(bytes).sent;
    capture_.sent(bytes.substr(0, sent), at);
    return sent;
}

ui::Window* App::start() {
    ui::Window* main = model_.openWindow(ui::MainWindowDef());
    portList_.attach(*main, [this](int index) {
        state_.failureNotes.report(store::WriteSetting(state_.settingsPath, "端口"_gbk, "com", std::to_string(index)));
    });
    receive_.attach(*main);
    calculator_.attach(*main);
    portSettings_.attach(*main);
    capture_.attach(*main);
    // The channel belongs to the main window and goes with it.
    main->onWindow(ui::Event::Destroying, [this](ui::Control&, const ui::EventArgs&) { channel_.close(); });
    return main;
}

}  // namespace vorta::app
