#pragma once
#include <functional>
#include <string>

namespace vorta::serial {

// The device to open for a port number; empty when no device has that number.
using PortResolver = std::function<std::string(int portNumber)>;

}  // namespace vorta::serial
