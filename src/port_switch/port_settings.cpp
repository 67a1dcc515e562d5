#include "port_switch/port_settings.h"

#include <algorithm>
#include <string>

#include "codec/gbk_text.h"
#include "main_window/port_options.h"
#include "port_switch/port_switch.h"
#include "store/settings_file.h"
#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "ui/windows/window_defs.h"

namespace vorta::port_switch {
namespace {

namespace ids = ui::port_settings;
namespace keys = main_window::port_options;

constexpr const char* kTrue = "真"_gbk;
constexpr const char* kFalse = "假"_gbk;

const char* Flag(bool on) { return on ? kTrue : kFalse; }

}  // namespace

PortSettings::PortSettings(ui::Model& model, main_window::AppState& state, serial::SerialChannel& channel)
    : model_(model), state_(state), channel_(channel) {
    namespace a = ui::action;
    model.registerAction(a::kOpenPortSettings, [this](ui::Control&, const ui::EventArgs&) { open(); });
    model.registerAction(a::kPortSettingsCreated,
                         [this](ui::Control& source, const ui::EventArgs&) { created(source.window()); });
    model.registerAction(a::kSavePortOption, [this](ui::Control& source, const ui::EventArgs&) { saveOption(source); });
    model.registerAction(a::kUseOtherBaud,
                         [this](ui::Control& source, const ui::EventArgs&) { useOtherBaud(source.window()); });
    model.registerAction(a::kOutputLineClicked, [this](ui::Control& source, const ui::EventArgs&) {
        outputLineClicked(source.as<ui::CheckBox>());
    });
    model.registerAction(a::kShowModemLines,
                         [this](ui::Control& source, const ui::EventArgs&) { showModemLines(source.window()); });
    model.registerAction(a::kSendBreak,
                         [this](ui::Control& source, const ui::EventArgs&) { sendBreak(source.window()); });
    model.registerAction(a::kClosePortSettings,
                         [](ui::Control& source, const ui::EventArgs&) { source.window().close(); });
}

PortSettings::~PortSettings() {
    if (breakEnd_) model_.loop().stopTimer(breakEnd_);
}

void PortSettings::attach(ui::Window& main) {
    main.onWindow(ui::Event::Destroying, [this](ui::Control&, const ui::EventArgs&) {
        if (window_) window_->close();
    });
}

void PortSettings::open() {
    if (window_) {
        window_->activate();
        return;
    }
    model_.openWindow(ui::PortSettingsWindowDef(), false);
}

void PortSettings::created(ui::Window& window) {
    window.onWindow(ui::Event::Destroying, [this](ui::Control&, const ui::EventArgs&) { window_ = nullptr; });
    // The edits' handlers run while they are filled; they must find the options as stored.
    const main_window::PortOptions stored = main_window::port_options::Load(state_.settingsPath);
    state_.portOptions = stored;
    window[ids::kFlow].setSelectedIndex(stored.flowIndex);
    window[ids::kRs485].setChecked(stored.rs485);
    window[ids::kRtsHigh].setChecked(stored.rtsHighOnSend);
    window[ids::kDelayBefore].setText(std::to_string(stored.delayBeforeMs));
    window[ids::kDelayAfter].setText(std::to_string(stored.delayAfterMs));
    window[ids::kOtherBaud].setText(store::ReadSetting(state_.settingsPath, keys::kSection, keys::kOtherBaudKey));
    window[ids::kDtr].setChecked(stored.dtr);
    window[ids::kRts].setChecked(stored.rts);
    showModemLines(window);
    window[ids::kLinesTimer].setPeriod(kLinesPeriodMs);
    window_ = &window;
}

void PortSettings::outputLineClicked(ui::CheckBox& box) {
    const bool dtr = box.name() == ids::kDtr.name;
    (dtr ? state_.portOptions.dtr : state_.portOptions.rts) = box.checked();
    save(dtr ? keys::kDtrKey : keys::kRtsKey, Flag(box.checked()));
    channel_.setOutputLine(dtr ? serial::OutputLine::Dtr : serial::OutputLine::Rts, box.checked());
}

void PortSettings::sendBreak(ui::Window& window) {
    if (breakEnd_) return;  // one at a time
    if (!channel_.setBreak(true)) {
        window[ids::kHint].setText(channel_.isOpen() ? "此端口不能发送中断。"_gbk : "请先打开串口。"_gbk);
        return;
    }
    // Ended by a timer, not a sleep: the window stays responsive meanwhile.
    base::EventLoop& loop = model_.loop();
    breakEnd_ = loop.startTimer(kBreakMs, [this, &loop] {
        loop.stopTimer(breakEnd_);
        breakEnd_ = 0;
        channel_.setBreak(false);
    });
}

void PortSettings::showModemLines(ui::Window& window) {
    ui::Control& label = window[ids::kLines];
    serial::ModemLines lines;
    ui::Text text;
    using Kind = serial::ModemState::Kind;
    // The followed state once it has come; until then (just opened) the port itself.
    const bool followed = linesFrom_ && linesFrom_->kind != Kind::Closed;
    if (followed) lines = linesFrom_->lines;
    if (!channel_.isOpen()) {
        text = "串口未打开"_gbk;
    } else if (channel_.waitingForDevice()) {
        text = "设备已断开，等待重新连接"_gbk;
    } else if (followed ? linesFrom_->kind == Kind::Unavailable : !channel_.modemLines(lines)) {
        text = "此端口无调制解调器线路"_gbk;  // a pseudo-terminal or a network port: no error per tick
    } else {
        const auto lamp = [](const char* name, bool on) { return std::string(name) + (on ? " ●"_gbk : " ○"_gbk); };
        text = lamp("CTS", lines.cts) + "  " + lamp("DSR", lines.dsr) + "  " + lamp("DCD", lines.dcd) + "  " +
               lamp("RI", lines.ri);
    }
    if (label.text() != text) label.setText(text);
}

void PortSettings::save(const char* key, const ui::Text& value) {
    state_.failureNotes.report(store::WriteSetting(state_.settingsPath, keys::kSection, key, value));
}

void PortSettings::saveOption(ui::Control& source) {
    ui::Window& w = source.window();
    main_window::PortOptions& o = state_.portOptions;
    const auto& name = source.name();
    if (name == ids::kFlow.name) {
        o.flowIndex = std::max(0, w[ids::kFlow].selectedIndex());
        save(keys::kFlowKey, std::to_string(w[ids::kFlow].selectedIndex()));
    } else if (name == ids::kRs485.name) {
        o.rs485 = w[ids::kRs485].checked();
        save(keys::kRs485Key, Flag(o.rs485));
    } else if (name == ids::kRtsHigh.name) {
        o.rtsHighOnSend = w[ids::kRtsHigh].checked();
        save(keys::kRtsHighKey, Flag(o.rtsHighOnSend));
    } else if (name == ids::kDelayBefore.name) {
        o.delayBeforeMs = std::max(0, codec::TextToInt(source.text()));
        save(keys::kDelayBeforeKey, source.text());
    } else if (name == ids::kDelayAfter.name) {
        o.delayAfterMs = std::max(0, codec::TextToInt(source.text()));
        save(keys::kDelayAfterKey, source.text());
    } else if (name == ids::kOtherBaud.name) {
        save(keys::kOtherBaudKey, source.text());
    }
}

void PortSettings::useOtherBaud(ui::Window& window) {
    ui::Control& hint = window[ids::kHint];
    ui::Window* main = model_.window(ui::main::kWindowName);
    if (!main) return;
    const ui::Text rate = keys::BaudItem(window[ids::kOtherBaud].text());
    if (rate.empty()) {
        hint.setText("请输入 1 到 2147483647 之间的整数。"_gbk);
        return;
    }
    // Locked with the other line settings while the port is open.
    if (PortSwitch::isOpen(*main)) {
        hint.setText("请先关闭串口。"_gbk);
        return;
    }
    ui::ComboBox& baud = (*main)[ui::main::kBaud];
    const std::vector<ui::Text> listed(
        baud.items().begin(),
        baud.items().begin() + std::min<std::ptrdiff_t>(keys::kListedBaudRates, std::ssize(baud.items())));
    const auto at = std::find(listed.begin(), listed.end(), rate);
    int index = int(at - listed.begin());
    // A listed rate is chosen from the list; another one replaces the item after it.
    baud.clearItems();
    for (const ui::Text& item : listed) baud.addItem(item);
    if (at == listed.end()) baud.addItem(rate);
    baud.setSelectedIndex(index);
    state_.failureNotes.report(
        store::WriteSetting(state_.settingsPath, "端口"_gbk, "波特率"_gbk, std::to_string(baud.selectedIndex())));
    hint.setText("波特率 "_gbk + rate + " 已选用，下次打开串口时生效。"_gbk);
}

}  // namespace vorta::port_switch
