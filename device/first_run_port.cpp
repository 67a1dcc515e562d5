#include "device/first_run_port.h"

#include <filesystem>

#include "store/app_paths.h"
#include "store/settings_file.h"
#include "codec/gbk_literal.h"

namespace vorta::device {

bool SelectPortOnFirstRun(const std::string& settingsPath, const serial::DiscoveryRoots& roots, int number) {
    std::error_code ec;
    if (std::filesystem::symlink_status(store::NativeFileName(settingsPath), ec).type() !=
        std::filesystem::file_type::not_found)
        return false;
    std::vector<serial::PortInfo> ports;
    if (serial::DiscoverPorts(roots, ports) != 0) return false;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (ports[i].number != number) continue;
        return i != 0 && store::WriteSetting(settingsPath, "端口"_gbk, "com", std::to_string(i));
    }
    return false;
}

}  // namespace vorta::device
