#pragma once
// The command line of vorta-device.
#include <optional>
#include <string>
#include <vector>

#include "device/address_list.h"

namespace vorta::device {

struct DeviceOptions {
    // Where to link the pseudo-terminal; nullopt: the program's ports folder,
    // as COM900; empty (--link none): no link.
    std::optional<std::string> link;
    AddressList addresses = AddressList::all();
    bool pace = true;         // --baud-pace on|off
    bool stream = false;      // --stream text|none
    bool background = false;  // --background
    bool log = false;         // --log
    bool selectPort = false;  // --select-port
    bool help = false;        // --help
};

struct ParsedOptions {
    DeviceOptions options;
    std::string error;  // empty when the command line was understood
};

// `args` without the program name.
ParsedOptions ParseOptions(const std::vector<std::string>& args);

}  // namespace vorta::device
