#pragma once
// Automatic sending: a click on 自动发送 takes a snapshot of the auto-send
// list and starts a timer at the interval typed or chosen in the combo; each
// tick blinks the lamp, puts the next line into the send box and runs the
// ordinary send operation. After the last line the run stops, or starts over
// when 循环 is checked. While it runs, 发送, 打开串口 and 保存 are locked and
// the button reads 停止发送. The ↑ label echoes the whole list into the display.
#include <string>
#include <vector>

#include "port_switch/port_switch.h"
#include "main_window/app_state.h"
#include "transmit/send_operation.h"
#include "ui/model.h"

namespace vorta::autosend {

class AutoSender {
public:
    // Registers the actions AutoSendClicked, AutoSendTick and ListEcho.
    AutoSender(ui::Model& model, main_window::AppState& state, port_switch::PortSwitch& portSwitch,
               transmit::SendOperation& send);

    // What the send operation asks about the run, to echo a list line as written.
    transmit::AutoSendView view() const;
    bool running() const { return running_; }
    const std::vector<std::string>& snapshot() const { return snapshot_; }

private:
    void clicked(ui::Window& main);
    void tick(ui::Window& main);
    void listEcho(ui::Window& main);
    void stop(ui::Window& main);
    void showBlankListBalloon(ui::Window& main);

    main_window::AppState& state_;
    port_switch::PortSwitch& portSwitch_;
    transmit::SendOperation& send_;
    std::vector<std::string> snapshot_;
    int runIndex_ = 1;  // 1-based number of the line the next tick sends
    bool running_ = false;
    std::string currentLine_;
    bool tickSending_ = false;  // the send operation runs for a tick right now
};

}  // namespace vorta::autosend
