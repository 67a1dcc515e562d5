#include "receive/receive_display.h"

#include "codec/hex_text.h"
#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"

namespace vorta::receive {

std::string CounterText(const char* prefix, std::int64_t count) { return prefix + std::to_string(count); }

ReceiveDisplay::ReceiveDisplay(ui::Model& model, state::AppState& state) : state_(state) {
    model.registerAction(ui::action::kOnLineBreakTimer, [this](ui::Control&, const ui::EventArgs&) { OnLineBreakTimer(); });
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

void ReceiveDisplay::OnByteReceived(int byte) {
    if (!display_) return;
    const auto b = static_cast<unsigned char>(byte);
    display_->setInsertionFormat(state_.receivedFormat);
    if (hexMode_->checked()) {
        const std::string cell = codec::HexCell(b);
        display_->replaceSelection(cell);
        line_ += cell;
    } else if (textMode_->checked()) {
        const std::string text = assembler_.feed(b);
        if (!text.empty()) display_->replaceSelection(text);
    }
    display_->scrollToEnd();
    statusBar_->setPanelText(0, CounterText("RX:", ++state_.rxCount));
    // The same period again does not restart a running timer: the break falls a
    // fixed time after the first byte of a burst.
    if (autoBreak_->checked()) breakTimer_->setPeriod(state_.lineBreakInterval);
}

void ReceiveDisplay::OnLineBreakTimer() {
    if (!display_) return;
    breakTimer_->setPeriod(0);
    display_->replaceSelection("\r\n");
    if (updateCalculator) updateCalculator(line_);
    line_.clear();
}

}  // namespace vorta::receive
