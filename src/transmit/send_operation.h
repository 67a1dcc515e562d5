#pragma once
// The send operation: the send box's text as hex pairs (with an optional
// CRC-16) or as plain text, counted in "TX:", written to the serial channel
// and echoed in green into the receive display. Also the send-mode radio
// coupling and Enter-to-send.
#include <functional>
#include <string>
#include <string_view>

#include "main_window/app_state.h"
#include "ui/model.h"
#include "ui/platform.h"

namespace vorta::transmit {

// What the automatic sending tells the send operation about itself.
struct AutoSendView {
    bool running = false;
    std::string currentLine;   // the list line just put into the send box
    std::string snapshotLine;  // that line as written in the list
};

// The serial side, as the send operation needs it.
struct SerialLink {
    // Blocking; the count of bytes that went out. Bytes received before the
    // frame may be raised into the display meanwhile.
    std::function<std::size_t(std::string_view bytes)> write;
    std::function<void(ui::Window& main)> openClose;  // the open/close button's operation
    std::function<bool(ui::Window& main)> isOpen;
};

class SendOperation {
public:
    // Registers the actions SendOperation, SendModeClicked and EnterToSend.
    SendOperation(ui::Model& model, ui::Platform& platform, main_window::AppState& state, SerialLink link,
                  std::function<AutoSendView()> autoSend = {});

    void run(ui::Window& main);

private:
    void sendModeClicked(ui::CheckBox& radio);
    void enterToSend(ui::CheckBox& box);
    void showTx(ui::Window& main);

    ui::Model& model_;
    ui::Platform& platform_;
    main_window::AppState& state_;
    SerialLink link_;
    std::function<AutoSendView()> autoSend_;
};

}  // namespace vorta::transmit
