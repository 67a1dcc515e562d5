#include "port_switch/port_switch.h"

#include "store/settings_file.h"
#include "codec/gbk_text.h"
#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

namespace vorta::port_switch {
namespace {

using namespace ui::main;

constexpr ui::Colour kOpenFill = 0x00FF00;
constexpr ui::ControlId<ui::ComboBox> kPortCombos[] = {kPort, kBaud, kDataBits, kStopBits, kParity};

// The text of the item at the combo box's selection, or "" with none.
std::string SelectedItem(ui::ComboBox& combo) {
    const int i = combo.selectedIndex();
    return i >= 0 && i < int(combo.items().size()) ? combo.items()[std::size_t(i)] : std::string();
}

// The text without its first three characters ("COM7" gives "7").
std::string DropThreeCharacters(const std::string& text) {
    std::size_t pos = 0;
    for (int i = 0; i < 3 && pos < text.size(); ++i) pos += codec::GbkCharLength(text, pos);
    return text.substr(pos);
}

}  // namespace

PortSwitch::PortSwitch(ui::Model& model, serial::SerialChannel& channel, Files files)
    : channel_(channel), files_(files) {
    model.registerAction(ui::action::kOpenClosePort,
                         [this](ui::Control& c, const ui::EventArgs&) { toggle(c.window()); });
}

bool PortSwitch::isOpen(ui::Window& main) { return main[kPortLamp].fillColour() != ui::kDefaultColour; }

void PortSwitch::copySettings(ui::Window& main) {
    channel_.setPortNumber(codec::TextToInt(DropThreeCharacters(main[kPort].text())));
    channel_.setBaudRate(codec::TextToInt(SelectedItem(main[kBaud])));
    channel_.setDataBits(codec::TextToInt(SelectedItem(main[kDataBits])));
    channel_.setStopBitsCode(main[kStopBits].selectedIndex() + 1);
    channel_.setParityCode(main[kParity].selectedIndex());
    if (!options_) return;
    constexpr int kFlowCodes[] = {0, 1, 5};  // none, CTS with RTS handshake, XON/XOFF
    const int flow = options_->flowIndex;
    channel_.setFlowControlCode(flow >= 0 && flow < 3 ? kFlowCodes[flow] : 0);
    channel_.setOutputLines(options_->dtr, options_->rts);
    channel_.setRs485({options_->rs485, options_->rtsHighOnSend, options_->delayBeforeMs, options_->delayAfterMs});
}

void PortSwitch::reportRefusals(ui::Window& main) {
    const serial::OpenReport report = channel_.openReport();
    ui::RichTextBox& display = main[kDisplay];
    const ui::CharFormat& format = files_.noteFormat;
    if (report.baudRate >= 0 && report.baudRate != channel_.baudRate())
        display.append("  → 驱动未接受波特率 "_gbk + std::to_string(channel_.baudRate()) + "，端口以 "_gbk +
                           std::to_string(report.baudRate) + " 运行。\r\n"_gbk,
                       format);
    if (report.flowRefused) display.append("  → 此端口不支持所选的流控制，以无流控制打开。\r\n"_gbk, format);
    if (report.rs485Refused) display.append("  → 此端口不支持 RS-485 模式，以普通串口打开。\r\n"_gbk, format);
}

void PortSwitch::toggle(ui::Window& main) {
    files_.notes.report(store::WriteSetting(files_.settingsPath, "发送"_gbk, "单数据"_gbk, main[kSendBox].text()));
    files_.notes.report(store::WriteWholeFile(files_.listPath, main[kAutoSendList].text()));
    copySettings(main);
    channel_.close();

    ui::Control& button = main[kOpenClose];
    ui::Shape& lamp = main[kPortLamp];
    if (button.text() == "打开串口"_gbk) {
        const bool opened = channel_.open();
        if (!opened) main[kDisplay].append("  → 端口打开失败！可能被其他程序占用。\r\n"_gbk);
        // What the port itself says: why it failed, what its server keeps, that its device
        // went or came back. In the note format: it may come between data of either colour.
        const auto portNote = [&main, &format = files_.noteFormat](const std::string& note) {
            main[kDisplay].append("  → "_gbk + note + "\r\n", format);
        };
        for (const std::string& note : channel_.takePortNotes()) portNote(note);
        if (!opened) return;
        channel_.setOnPortNote(portNote);
        for (auto combo : kPortCombos) main[combo].setDisabled(true);
        lamp.setFillColour(kOpenFill);
        button.setText("关闭串口"_gbk);
        reportRefusals(main);
    } else {
        channel_.close();
        for (auto combo : kPortCombos) main[combo].setDisabled(false);
        button.setText("打开串口"_gbk);
        lamp.setFillColour(ui::kDefaultColour);
    }
}

}  // namespace vorta::port_switch
