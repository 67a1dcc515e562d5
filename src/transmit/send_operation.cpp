#include "transmit/send_operation.h"

#include "codec/crc16.h"
#include "codec/hex_text.h"
#include "ui/line_stamp.h"
#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

namespace vorta::transmit {
namespace {

using namespace ui::main;

// A program write: at the end of the display, whatever the user has selected.
void Write(ui::RichTextBox& display, const std::string& text) { display.append(text); }

// The note after a frame that did not go out whole; a cut-off frame says how much did.
std::string WriteFailedNote(std::size_t sent, std::size_t size) {
    if (sent == 0) return "  → 数据未能发送！\r\n"_gbk;
    return "  → 数据未能完整发送！只发出前 "_gbk + std::to_string(sent) + " 字节（共 "_gbk + std::to_string(size) +
           " 字节）。\r\n"_gbk;
}

}  // namespace

SendOperation::SendOperation(ui::Model& model, ui::Platform& platform, main_window::AppState& state, SerialLink link,
                             std::function<AutoSendView()> autoSend)
    : model_(model), platform_(platform), state_(state), link_(std::move(link)), autoSend_(std::move(autoSend)) {
    model.registerAction(ui::action::kSendOperation, [this](ui::Control& c, const ui::EventArgs&) { run(c.window()); });
    model.registerAction(ui::action::kSendModeClicked,
                         [this](ui::Control& c, const ui::EventArgs&) { sendModeClicked(c.as<ui::CheckBox>()); });
    model.registerAction(ui::action::kEnterToSend,
                         [this](ui::Control& c, const ui::EventArgs&) { enterToSend(c.as<ui::CheckBox>()); });
}

void SendOperation::showTx(ui::Window& main) {
    main[kStatusBar].setPanelText(1, "TX:" + std::to_string(state_.txCount));
}

void SendOperation::run(ui::Window& main) {
    if (!link_.isOpen(main)) {
        link_.openClose(main);  // writes its own note when the port cannot be opened
        if (!link_.isOpen(main)) return;
    }
    ui::RichTextBox& display = main[kDisplay];
    display.setWriteFormat(state_.sentFormat);
    const std::string t = main[kSendBox].text();
    if (t.empty()) {
        Write(display, t + "  → 发送数据为空！\r\n"_gbk);
        return;
    }
    std::string echo;
    // Bytes received before the frame are shown during the write, in their own format.
    std::int64_t sentAt = 0;
    auto writeFrame = [&](const std::string& bytes) {
        sentAt = ui::NowMicros();
        const std::size_t sent = link_.write(bytes);
        display.setWriteFormat(state_.sentFormat);
        if (sent != bytes.size()) Write(display, t + WriteFailedNote(sent, bytes.size()));
        return sent == bytes.size();
    };
    if (main[kTextSend].checked()) {
        if (!writeFrame(codec::TextToBytes(t))) return;
        state_.txCount += static_cast<std::int64_t>(t.size());
        showTx(main);
        echo = t;
    } else {
        const codec::HexFrame frame = codec::ParseHexFrame(t);
        if (!frame.evenLength) {
            Write(display, t + "  → 数据输入长度错误,未能发送！"_gbk);
            return;
        }
        std::string bytes = frame.bytes;
        echo = frame.text;
        if (main[kCrc].checked()) {
            // Appended as bytes: a frame ending in the first byte of a two-byte
            // character must not swallow the check value's first digit.
            const std::string crc = codec::Crc16Bytes(codec::Crc16Modbus(frame.bytes), main[kCrcReversed].checked());
            bytes += crc;
            echo += " ";
            codec::AppendHexCells(echo, crc);
            echo.pop_back();
        }
        state_.txCount += static_cast<std::int64_t>(bytes.size());  // counted even if the write fails
        showTx(main);
        if (!writeFrame(bytes)) return;
    }
    if (autoSend_ && !main[kCrc].checked()) {
        const AutoSendView a = autoSend_();
        if (a.running && !a.currentLine.empty()) echo = a.snapshotLine;
    }
    if (state_.timestamps) {
        ui::StampLineStart(display, state_.noteFormat, sentAt);
        display.setWriteFormat(state_.sentFormat);
    }
    Write(display, echo + "\r\n");
    display.scrollToEnd();
}

void SendOperation::sendModeClicked(ui::CheckBox& radio) {
    if (!radio.checked()) return;
    ui::Window& main = radio.window();
    ui::CheckBox& crc = main[kCrc];
    const bool hex = radio.name() == kHexSend.name;
    main[kHexDisplay].setChecked(hex);
    main[kTextDisplay].setChecked(!hex);
    if (hex) {
        crc.setDisabled(false);
    } else {
        crc.setChecked(false);
        crc.setDisabled(true);
    }
}

void SendOperation::enterToSend(ui::CheckBox& box) {
    if (box.checked()) {
        ui::Window* main = &box.window();
        // Another program holding Enter leaves the box checked without effect.
        const bool taken = platform_.registerEnterHotKey([this, main] {
            if (model_.window(kWindowName) == main) run(*main);
        });
        if (!taken) state_.failureNotes.enterKeyNotTaken();
    } else {
        platform_.unregisterEnterHotKey();
    }
}

}  // namespace vorta::transmit
