#include "receive/receive_display.h"

#include <algorithm>

#include "codec/hex_text.h"
#include "ui/line_stamp.h"
#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"

namespace vorta::receive {

std::string CounterText(const char* prefix, std::int64_t count) { return prefix + std::to_string(count); }

ReceiveDisplay::ReceiveDisplay(ui::Model& model, main_window::AppState& state) : state_(state) {
    model.registerAction(ui::action::kOnLineBreakTimer,
                         [this](ui::Control&, const ui::EventArgs&) { onLineBreakTimer(); });
}

void ReceiveDisplay::attach(ui::Window& main) {
    // Looked up once: the handler runs for every byte.
    using namespace ui::main;
    display_ = &main[kDisplay];
    hexMode_ = &main[kHexDisplay];
    textMode_ = &main[kTextDisplay];
    autoBreak_ = &main[kAutoLineBreak];
    breakTimer_ = &main[kLineBreakTimer];
    statusBar_ = &main[kStatusBar];
}

void ReceiveDisplay::onBytesReceived(std::string_view bytes, std::int64_t arrivalMicros) {
    if (!display_ || bytes.empty()) return;
    // Written at the end of the display: a user's selection there is left alone.
    display_->setWriteFormat(state_.receivedFormat);
    std::string shown;
    if (hexMode_->checked()) {
        codec::AppendHexCells(shown, bytes);
        const std::size_t kept = kLineCellsKept * 3;  // two digits and a space a byte
        if (line_.size() < kept) line_.append(shown, 0, kept - line_.size());
    } else if (textMode_->checked()) {
        for (const char b : bytes) shown += assembler_.feed(static_cast<unsigned char>(b));
    }
    if (!shown.empty() && state_.timestamps) {
        // Each line these bytes begin, also after a line end among them, starts with their time.
        const std::int64_t at = arrivalMicros ? arrivalMicros : ui::NowMicros();
        for (std::size_t from = 0; from < shown.size();) {
            const std::size_t end = std::min(shown.find('\n', from), shown.size() - 1) + 1;
            ui::StampLineStart(*display_, state_.noteFormat, at);
            display_->append(shown.substr(from, end - from), state_.receivedFormat);
            from = end;
        }
    } else if (!shown.empty()) {
        display_->append(shown);
    }
    display_->scrollToEnd();
    state_.rxCount += static_cast<std::int64_t>(bytes.size());
    statusBar_->setPanelText(0, CounterText("RX:", state_.rxCount));
    // The same period again does not restart a running timer: the break falls a
    // fixed time after the first byte of a burst.
    if (autoBreak_->checked()) breakTimer_->setPeriod(state_.lineBreakInterval);
}

void ReceiveDisplay::onLineBreakTimer() {
    if (!display_) return;
    breakTimer_->setPeriod(0);
    display_->append("\r\n");
    if (updateCalculator) updateCalculator(line_);
    line_.clear();
}

}  // namespace vorta::receive
