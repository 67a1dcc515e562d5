#pragma once
// The port settings window's behaviour: opened from the display's menu (or
// its key) without blocking the main window, it shows the stored options and
// stores each one the moment it changes; the next open applies them. A rate
// typed there becomes the baud rate box's item after its list.
#include "main_window/app_state.h"
#include "serial/serial_channel.h"
#include "ui/model.h"

namespace vorta::port_switch {

class PortSettings {
public:
    PortSettings(ui::Model& model, main_window::AppState& state, serial::SerialChannel& channel);
    ~PortSettings();
    PortSettings(const PortSettings&) = delete;
    PortSettings& operator=(const PortSettings&) = delete;

    // How often the modem lines are read while the window is open: ten times a second.
    static constexpr int kLinesPeriodMs = 100;
    // How long 发送中断 holds the line in break.
    static constexpr int kBreakMs = 250;

    // Closes the window together with the main window; call once it exists.
    void attach(ui::Window& main);

    void open();
    ui::Window* window() const { return window_; }
    // Shows CTS, DSR, DCD and RI as `state` holds them (the channel's modem-line
    // thread keeps it up to date) rather than reading the port at every tick.
    void showLinesFrom(const serial::ModemState* state) { linesFrom_ = state; }

private:
    void created(ui::Window& window);
    void saveOption(ui::Control& source);
    void useOtherBaud(ui::Window& window);
    void save(const char* key, const ui::Text& value);
    void outputLineClicked(ui::CheckBox& box);
    void showModemLines(ui::Window& window);
    void sendBreak(ui::Window& window);

    ui::Model& model_;
    main_window::AppState& state_;
    serial::SerialChannel& channel_;
    ui::Window* window_ = nullptr;
    const serial::ModemState* linesFrom_ = nullptr;
    base::EventLoop::TimerId breakEnd_ = 0;  // running while the line is held in break
};

}  // namespace vorta::port_switch
