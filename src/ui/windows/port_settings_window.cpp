// The port settings window: flow control, RS-485 mode and a baud rate of
// one's own, the line options beyond the main window's five boxes, and the
// modem lines: DTR and RTS switched, CTS, DSR, DCD and RI shown.
#include "codec/gbk_literal.h"
#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "ui/windows/window_defs.h"

// The tables are laid out by hand, one control per entry.
// clang-format off
namespace vorta::ui {
namespace {

using namespace port_settings;

std::vector<ControlDef> Controls() {
    return {
        {.name = kFlowLabel, .kind = Kind::Label, .rect = {12, 14, 96, 20}, .text = "流控制："_gbk},
        {.name = kFlow, .kind = Kind::ComboBox, .rect = {112, 12, 120, 20},
         .items = {"无"_gbk, "RTS/CTS", "XON/XOFF"}, .selectedIndex = 0, .labelledBy = kFlowLabel},
        {.name = kRs485, .kind = Kind::CheckBox, .rect = {12, 44, 250, 18}, .text = "RS-485 模式（由驱动切换 RTS）"_gbk},
        {.name = kRtsHigh, .kind = Kind::CheckBox, .rect = {30, 66, 230, 18}, .text = "发送时 RTS 为高电平"_gbk,
         .checked = true},
        {.name = kDelayBeforeLabel, .kind = Kind::Label, .rect = {30, 92, 130, 20}, .text = "发送前延时（毫秒）："_gbk},
        {.name = kDelayBefore, .kind = Kind::Edit, .rect = {166, 90, 60, 20}, .text = "0", .border = Border::Sunken,
         .maxLength = 6, .labelledBy = kDelayBeforeLabel},
        {.name = kDelayAfterLabel, .kind = Kind::Label, .rect = {30, 116, 130, 20}, .text = "发送后延时（毫秒）："_gbk},
        {.name = kDelayAfter, .kind = Kind::Edit, .rect = {166, 114, 60, 20}, .text = "0", .border = Border::Sunken,
         .maxLength = 6, .labelledBy = kDelayAfterLabel},
        {.name = kOtherBaudLabel, .kind = Kind::Label, .rect = {12, 150, 96, 20}, .text = "其他波特率："_gbk},
        {.name = kOtherBaud, .kind = Kind::Edit, .rect = {112, 148, 90, 20}, .border = Border::Sunken,
         .maxLength = 12, .labelledBy = kOtherBaudLabel},
        {.name = kUseOtherBaud, .kind = Kind::Button, .rect = {208, 146, 60, 24}, .text = "使用"_gbk},
        {.name = kHint, .kind = Kind::Label, .rect = {12, 180, 270, 20}, .text = "设置在下次打开串口时生效。"_gbk},
        {.name = kDtr, .kind = Kind::CheckBox, .rect = {12, 210, 60, 18}, .text = "DTR", .checked = true},
        {.name = kRts, .kind = Kind::CheckBox, .rect = {80, 210, 60, 18}, .text = "RTS", .checked = true},
        {.name = kLines, .kind = Kind::Label, .rect = {12, 236, 270, 20}, .text = "串口未打开"_gbk},
        {.name = kBreak, .kind = Kind::Button, .rect = {150, 206, 72, 26}, .text = "发送中断"_gbk},
        {.name = kLinesTimer, .kind = Kind::Timer},
        {.name = kClose, .kind = Kind::Button, .rect = {208, 262, 60, 26}, .text = "关闭"_gbk},
    };
}

std::vector<BindingDef> Bindings() {
    return {
        {{}, Event::Created, action::kPortSettingsCreated},
        {kFlow, Event::ListItemSelected, action::kSavePortOption},
        {kRs485, Event::Clicked, action::kSavePortOption},
        {kRtsHigh, Event::Clicked, action::kSavePortOption},
        {kDelayBefore, Event::ContentChanged, action::kSavePortOption},
        {kDelayAfter, Event::ContentChanged, action::kSavePortOption},
        {kOtherBaud, Event::ContentChanged, action::kSavePortOption},
        {kUseOtherBaud, Event::Clicked, action::kUseOtherBaud},
        {kClose, Event::Clicked, action::kClosePortSettings},
        {kDtr, Event::Clicked, action::kOutputLineClicked},
        {kRts, Event::Clicked, action::kOutputLineClicked},
        {kLinesTimer, Event::TimerTick, action::kShowModemLines},
        {kBreak, Event::Clicked, action::kSendBreak},
    };
}

}  // namespace

const WindowDef& PortSettingsWindowDef() {
    static const WindowDef def{
        .name = Text(port_settings::kWindowName),
        .title = "端口设置"_gbk,
        .rect = {0, 0, 300, 330},
        .centred = true,
        .escCloses = true,
        .controls = Controls(),
        .bindings = Bindings(),
    };
    return def;
}

}  // namespace vorta::ui
// clang-format on
