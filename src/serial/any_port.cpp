#include "serial/any_port.h"

#include "serial/network_address.h"

namespace vorta::serial {

bool AnyPort::open(const std::string& devicePath, const LineSettings& settings) {
    current_.load()->close();
    PortIo* const kind = IsNetworkAddress(devicePath) ? static_cast<PortIo*>(&network_) : &local_;
    current_ = kind;
    return kind->open(devicePath, settings);
}

std::unique_ptr<PortIo> MakePlatformPort() { return std::make_unique<AnyPort>(); }

}  // namespace vorta::serial
