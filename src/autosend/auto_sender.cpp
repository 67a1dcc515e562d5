#include "autosend/auto_sender.h"

#include "autosend/list_lines.h"
#include "codec/gbk_text.h"
#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

namespace vorta::autosend {
namespace {

using namespace ui::main;

constexpr const char* kIdleCaption = "自动发送"_gbk;
constexpr const char* kRunningCaption = "停止发送"_gbk;
constexpr ui::Colour kLampOn = ui::Rgb(255, 255, 0);

// 发送, 打开串口 and 保存 are locked while a run sends.
void LockButtons(ui::Window& main, bool locked) {
    main[kSend].setDisabled(locked);
    main[kOpenClose].setDisabled(locked);
    main[kSave].setDisabled(locked);
}

}  // namespace

AutoSender::AutoSender(ui::Model& model, main_window::AppState& state, port_switch::PortSwitch& portSwitch,
                       transmit::SendOperation& send)
    : state_(state), portSwitch_(portSwitch), send_(send) {
    model.registerAction(ui::action::kAutoSendClicked,
                         [this](ui::Control& c, const ui::EventArgs&) { clicked(c.window()); });
    model.registerAction(ui::action::kAutoSendTick, [this](ui::Control& c, const ui::EventArgs&) { tick(c.window()); });
    model.registerAction(ui::action::kListEcho, [this](ui::Control& c, const ui::EventArgs&) { listEcho(c.window()); });
}

transmit::AutoSendView AutoSender::view() const {
    transmit::AutoSendView v;
    v.running = running_;
    // Only the send a tick runs stands for a list line; a send by the Enter key
    // during a run sends the send box and is echoed as what it sent.
    if (tickSending_) v.currentLine = currentLine_;
    if (runIndex_ >= 1 && runIndex_ <= int(snapshot_.size())) v.snapshotLine = snapshot_[std::size_t(runIndex_ - 1)];
    return v;
}

void AutoSender::showBlankListBalloon(ui::Window& main) {
    ui::Control& group = main[kAutoSendGroup];
    main[kBalloon].show(main.left() + group.left() + 50, main.top() + group.top() + 50,
                        "请输入要自动发送的数据，一行为一条数据！"_gbk);
}

void AutoSender::clicked(ui::Window& main) {
    const std::string list = main[kAutoSendList].text();
    if (IsBlankList(list)) {
        showBlankListBalloon(main);
        return;
    }
    snapshot_ = SplitListLines(list);  // also when stopping: the next start takes its own

    if (main[kAutoSend].text() != kIdleCaption) {
        stop(main);
        return;
    }
    if (!port_switch::PortSwitch::isOpen(main)) {
        portSwitch_.toggle(main);  // prints its own note when the port cannot be opened
        if (!port_switch::PortSwitch::isOpen(main)) return;
    }
    main[kAutoSend].setText(kRunningCaption);
    // The interval as shown now, typed or chosen; no number leaves the timer stopped.
    main[kAutoSendTimer].setPeriod(codec::TextToInt(main[kInterval].text()));
    LockButtons(main, true);
    runIndex_ = 1;
    running_ = true;
}

void AutoSender::stop(ui::Window& main) {
    main[kAutoSendTimer].setPeriod(0);
    main[kAutoSend].setText(kIdleCaption);
    main[kAutoSendLamp].setFillColour(ui::kDefaultColour);
    LockButtons(main, false);
    running_ = false;
}

void AutoSender::tick(ui::Window& main) {
    ui::Shape& lamp = main[kAutoSendLamp];
    lamp.setFillColour(lamp.fillColour() == ui::kDefaultColour ? kLampOn : ui::kDefaultColour);

    if (runIndex_ >= 1 && runIndex_ <= int(snapshot_.size())) {
        const std::string& line = snapshot_[std::size_t(runIndex_ - 1)];
        ui::Control& sendBox = main[kSendBox];
        sendBox.setText(SendPart(line));
        currentLine_ = line;
        if (!sendBox.text().empty()) {
            tickSending_ = true;
            send_.run(main);
            tickSending_ = false;
        }
    }
    ++runIndex_;
    if (runIndex_ <= int(snapshot_.size())) return;
    if (main[kLoop].checked()) {
        runIndex_ = 1;
        return;
    }
    stop(main);
}

void AutoSender::listEcho(ui::Window& main) {
    const std::string list = main[kAutoSendList].text();
    if (IsBlankList(list)) {
        showBlankListBalloon(main);
        return;
    }
    ui::RichTextBox& display = main[kDisplay];
    display.append("\r\n" + list, state_.noteFormat);
    // Nudging the width makes the display redraw what was just written.
    display.setWidth(display.width() + 1);
    display.setFocus();
    display.setWidth(display.width() - 1);
}

}  // namespace vorta::autosend
