#pragma once
// Status-bar panel 5: CTS, DSR, DCD and RI of the open port as lamps, kept up
// to date by the channel's modem-line thread whether or not the port settings
// window is open. A port without modem lines shows one short text for as long
// as it stays open; a closed port shows nothing.
#include "serial/serial_channel.h"
#include "ui/model.h"

namespace vorta::port_switch {

class ModemPanel {
public:
    static constexpr int kPanel = 5;

    ModemPanel(ui::Model& model, serial::SerialChannel& channel);
    ~ModemPanel();
    ModemPanel(const ModemPanel&) = delete;
    ModemPanel& operator=(const ModemPanel&) = delete;

    // The lines as last shown.
    const serial::ModemState& state() const { return state_; }
    // The panel's GBK text for a state.
    static ui::Text panelText(const serial::ModemState& state);

private:
    void show(const serial::ModemState& state);

    ui::Model& model_;
    serial::SerialChannel& channel_;
    serial::ModemState state_;
};

}  // namespace vorta::port_switch
