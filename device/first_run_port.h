#pragma once
// On the program's very first run its port list selects item 0. On a machine
// with a serial port of its own (a virtual machine's ttyS0 is COM1) that is
// not the demo port, and the first 打开串口 and 发送 would go nowhere. Before
// the program has a settings file, the device can make its own port the
// selected one, just as if the user had chosen it once.
#include <string>

#include "serial/port_discovery.h"

namespace vorta::device {

// When `settingsPath` (GBK) does not exist yet and port `number` is in the
// port list that `roots` give, stores its index as the selected port ("端口",
// "com"). Returns whether it wrote the setting; a list in which the port is
// item 0 needs no setting and none is written.
bool SelectPortOnFirstRun(const std::string& settingsPath, const serial::DiscoveryRoots& roots, int number);

}  // namespace vorta::device
