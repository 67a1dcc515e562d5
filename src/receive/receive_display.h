#pragma once
// Every received byte goes into the receive display at once: as a hex cell or
// as text, in the received-data format, counted in "RX:", and followed by a
// line break a fixed interval after the first byte of a burst.
#include <functional>
#include <string>
#include <string_view>

#include "main_window/app_state.h"
#include "codec/gbk_assembler.h"
#include "ui/model.h"

namespace vorta::receive {

class ReceiveDisplay {
public:
    // Registers the action OnLineBreakTimer.
    ReceiveDisplay(ui::Model& model, main_window::AppState& state);

    // Takes the main window's controls; call once it exists.
    void attach(ui::Window& main);
    // The channel's data-arrived handler: each received byte, in order, as a hex
    // cell or as text, counted in "RX:", arming the line break. The display and
    // the status bar are written once per chunk; the result is the same however
    // the bytes are cut into chunks.
    // With the timestamps option, a line begun by these bytes starts with the
    // time they arrived (microseconds since 1970; 0: now).
    void onBytesReceived(std::string_view bytes, std::int64_t arrivalMicros = 0);
    void onLineBreakTimer();

    // Called with the hex text of each line the line break ends, while the
    // byte calculator is open (unset: closed).
    std::function<void(const std::string& line)> updateCalculator;

    // The hex cells of the line so far, up to the first kLineCellsKept: the
    // calculator reads no byte after the 32nd, and with no line break a line
    // would otherwise grow by three bytes for every byte received.
    static constexpr std::size_t kLineCellsKept = 32;

private:
    main_window::AppState& state_;
    codec::GbkAssembler assembler_;
    std::string line_;
    ui::RichTextBox* display_ = nullptr;
    ui::CheckBox* hexMode_ = nullptr;
    ui::CheckBox* textMode_ = nullptr;
    ui::CheckBox* autoBreak_ = nullptr;
    ui::Timer* breakTimer_ = nullptr;
    ui::StatusBar* statusBar_ = nullptr;
};

// "RX:"/"TX:" and the count, as the status bar shows them.
std::string CounterText(const char* prefix, std::int64_t count);

}  // namespace vorta::receive
