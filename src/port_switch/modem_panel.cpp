#include "port_switch/modem_panel.h"

#include <string>

#include "codec/gbk_literal.h"
#include "ui/windows/control_ids.h"

namespace vorta::port_switch {

ModemPanel::ModemPanel(ui::Model& model, serial::SerialChannel& channel) : model_(model), channel_(channel) {
    channel_.setOnModemLines([this](const serial::ModemState& state) { show(state); });
}

ModemPanel::~ModemPanel() { channel_.setOnModemLines(nullptr); }

ui::Text ModemPanel::panelText(const serial::ModemState& state) {
    using Kind = serial::ModemState::Kind;
    switch (state.kind) {
    case Kind::Closed: return {};
    case Kind::Unavailable: return "无调制解调器线路"_gbk;
    case Kind::Known: break;
    }
    const auto lamp = [](const char* name, bool on) { return std::string(name) + (on ? "●"_gbk : "○"_gbk); };
    const serial::ModemLines& l = state.lines;
    return lamp("CTS", l.cts) + " " + lamp("DSR", l.dsr) + " " + lamp("DCD", l.dcd) + " " + lamp("RI", l.ri);
}

void ModemPanel::show(const serial::ModemState& state) {
    state_ = state;
    // The main window may be gone while the port closes at the end.
    if (ui::Window* main = model_.window(ui::main::kWindowName))
        (*main)[ui::main::kStatusBar].setPanelText(kPanel, panelText(state));
}

}  // namespace vorta::port_switch
