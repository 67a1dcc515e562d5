#pragma once
// Where the port settings window keeps its options: section "端口设置" of the
// settings file, one key per option, and the baud rate typed there, which the
// baud rate box shows as one more item after its list.
#include "codec/gbk_literal.h"
#include "main_window/app_state.h"
#include "ui/char_format.h"

namespace vorta::main_window::port_options {

inline constexpr const char* kSection = "端口设置"_gbk;
inline constexpr const char* kFlowKey = "流控"_gbk;               // index: 0 none, 1 RTS/CTS, 2 XON/XOFF
inline constexpr const char* kRs485Key = "RS485";                 // flag
inline constexpr const char* kRtsHighKey = "发送时RTS高"_gbk;     // flag
inline constexpr const char* kDelayBeforeKey = "发送前延时"_gbk;  // text, milliseconds
inline constexpr const char* kDelayAfterKey = "发送后延时"_gbk;   // text, milliseconds
inline constexpr const char* kOtherBaudKey = "其他波特率"_gbk;    // text
inline constexpr const char* kDtrKey = "DTR";                     // flag
inline constexpr const char* kRtsKey = "RTS";                     // flag

// The number of items of the baud rate box's own list; a stored typed rate is the item after them.
inline constexpr int kListedBaudRates = 20;

// The options as stored; what is missing keeps its default.
PortOptions Load(const ui::Text& settingsFile);

// The typed rate as the box's item: its decimal digits (full-width ones too,
// blanks around them ignored) when it is a whole number from 1 to 2^31 - 1,
// else empty.
ui::Text BaudItem(const ui::Text& typed);

}  // namespace vorta::main_window::port_options
