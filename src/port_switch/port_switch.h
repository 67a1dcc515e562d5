#pragma once
// The open/close button: saves the send box and the auto-send list, copies the
// five line settings from their combo boxes into the channel and opens or
// closes it. Whether the port is open is kept in the controls themselves: the
// button's caption and the indicator's fill.
#include "serial/serial_channel.h"
#include "main_window/app_state.h"
#include "main_window/failure_notes.h"
#include "ui/model.h"

namespace vorta::port_switch {

class PortSwitch {
public:
    // Files the operation writes before it switches, where their failures go, and
    // the format of the notes it writes itself.
    struct Files {
        const std::string& settingsPath;
        const std::string& listPath;
        main_window::FailureNotes& notes;
        const ui::CharFormat& noteFormat;
    };
    PortSwitch(ui::Model& model, serial::SerialChannel& channel, Files files);

    // Flow control and RS-485 for the next opens; none set: neither.
    void setOptions(const main_window::PortOptions* options) { options_ = options; }

    // The operation itself; also run by sending when it finds the port closed.
    void toggle(ui::Window& main);
    // The port is open exactly when the indicator is filled.
    static bool isOpen(ui::Window& main);

private:
    void copySettings(ui::Window& main);
    // Notes on what the driver did not take.
    void reportRefusals(ui::Window& main);
    serial::SerialChannel& channel_;
    Files files_;
    const main_window::PortOptions* options_ = nullptr;
};

}  // namespace vorta::port_switch
