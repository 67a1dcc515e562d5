#pragma once
// Program-wide values that the main window's start-up fixes and other parts read.
#include <cstdint>

#include "main_window/failure_notes.h"
#include "ui/char_format.h"
#include "codec/gbk_literal.h"

namespace vorta::main_window {

// The port options of the port settings window, kept here so an open
// applies them whether the window is open or not.
struct PortOptions {
    int flowIndex = 0;  // 0 none, 1 RTS/CTS, 2 XON/XOFF
    bool rs485 = false;
    bool rtsHighOnSend = true;
    int delayBeforeMs = 0;
    int delayAfterMs = 0;
    bool dtr = true;  // raised at open
    bool rts = true;
};

struct AppState {
    ui::Text settingsPath;  // temporary directory + "peizhi.ini"
    ui::Text listPath;      // temporary directory + "循环数据.BAT"
    // The three character formats of the receive display; 9-point until the main
    // window exists, then 11-point in their colours.
    ui::CharFormat sentFormat{"宋体"_gbk, 9, 0, 0, ui::kDefaultColour};
    ui::CharFormat receivedFormat{"宋体"_gbk, 9, 0, 0, ui::kDefaultColour};
    ui::CharFormat noteFormat{"宋体"_gbk, 9, 0, 0, ui::kDefaultColour};
    std::int32_t lineBreakInterval = 0;  // milliseconds, from 编辑框1
    // Bytes received and sent since start or the last clear, shown as "RX:"/"TX:".
    std::int64_t rxCount = 0;
    std::int64_t txCount = 0;
    PortOptions portOptions;
    // Display options of the capture window: the time before each display line.
    bool timestamps = false;
    // Where every write of the settings or the list file reports how it went.
    FailureNotes failureNotes;
};

}  // namespace vorta::main_window
