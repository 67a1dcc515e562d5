#pragma once
// Streaming mode: once a second the device sends one line of text that mixes
// ASCII and Chinese (GBK), for the program's text display, e.g.
//   "[08:15:42] 演示设备 计数 1234 温度 25.3℃ OK\r\n"
#include <string>

#include "device/data_model.h"

namespace vorta::device {

// The line for `now`, in GBK, ending in CR LF.
std::string StreamLine(const DataModel& model, const Moment& now);

}  // namespace vorta::device
