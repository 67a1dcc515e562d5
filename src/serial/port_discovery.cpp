#include "serial/port_discovery.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <set>

#include "codec/gbk_text.h"
#include "serial/com_numbers.h"
#include "serial/network_address.h"

namespace vorta::serial {
namespace fs = std::filesystem;
namespace {

struct Found {
    PortInfo info;
    std::string key;      // entry name, for a stable order
    bool present = true;  // false for a folder entry whose device is not there now
};

bool Accessible(const std::string& path) { return faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) == 0; }

// A serial-core port reports its UART type; 0 means no UART behind the node.
bool IsPhantom(const fs::path& entry) {
    std::ifstream type(entry / "type");
    if (!type) return false;
    const std::string text((std::istreambuf_iterator<char>(type)), std::istreambuf_iterator<char>());
    return codec::TextToInt(text) == 0;
}

std::vector<Found> KernelDevices(const fs::path& sysClassTty, const fs::path& dev, std::error_code& error) {
    std::vector<Found> found;
    fs::directory_iterator it(sysClassTty, error);
    if (error) return found;
    for (const fs::directory_entry& entry : it) {
        const std::string name = entry.path().filename().string();
        const int number = ComNumberForTty(name);
        if (number == 0) continue;
        std::error_code ec;
        if (!fs::exists(entry.path() / "device" / "driver", ec) || IsPhantom(entry.path())) continue;
        const fs::path node = dev / name;
        if (!fs::exists(node, ec)) continue;
        found.push_back({{"", number, node.string(), false}, name});
    }
    return found;
}

// Whether a file can be a serial port, told without opening it: a character
// device of the kernel's tty class (sysfs knows its class by its numbers), or
// the slave end of a pseudo-terminal, which sysfs does not list. The ttys of
// major 5 are aliases (the controlling terminal, the console, the pty
// multiplexer), not ports of their own.
bool IsSerialDevice(const struct stat& st, const fs::path& sysDevChar) {
    if (!S_ISCHR(st.st_mode)) return false;
    const unsigned int devMajor = major(st.st_rdev), devMinor = minor(st.st_rdev);
    constexpr unsigned int kPtySlaveFirst = 136, kPtySlaveLast = 143, kTtyAliases = 5;
    if (devMajor >= kPtySlaveFirst && devMajor <= kPtySlaveLast) return true;
    if (devMajor == kTtyAliases) return false;
    std::error_code error;
    const fs::path subsystem =
        fs::read_symlink(sysDevChar / (std::to_string(devMajor) + ":" + std::to_string(devMinor)) / "subsystem", error);
    return !error && subsystem.filename() == "tty";
}

// The one-line description in the note ".COM<n>" beside entry COM<n>, if any.
std::string PortNote(const fs::path& folder, const std::string& name) {
    std::ifstream note(folder / ("." + name));
    std::string line;
    std::getline(note, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // At most 80 bytes, never ending inside a UTF-8 character.
    std::size_t end = std::min<std::size_t>(line.size(), 80);
    while (end < line.size() && end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
    return line.substr(0, end);
}

// The folder's links decide which device is opened, so only a folder that is
// the user's own and that no one else may write into is believed.
bool TrustedFolder(const fs::path& folder) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) return false;
    if (S_ISLNK(st.st_mode) && (st.st_uid != ::geteuid() || ::stat(folder.c_str(), &st) != 0)) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Every COM entry of the folder that leads to a serial device, and those
// whose device is missing now.
std::vector<Found> FolderPorts(const fs::path& folder, const fs::path& sysDevChar) {
    std::vector<Found> found;
    if (folder.empty() || !TrustedFolder(folder)) return found;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) return found;  // no folder: no virtual ports
    for (const fs::directory_entry& entry : it) {
        const std::string name = entry.path().filename().string();
        const int number = ComNumberForFolderEntry(name);
        if (number == 0) continue;
        std::error_code ec;
        // A link may hold any text: "rfc2217://HOST:PORT" or "tcp://HOST:PORT"
        // names a serial device server's port, always listed.
        if (entry.is_symlink(ec)) {
            const std::string target = fs::read_symlink(entry.path(), ec).string();
            if (!ec && IsNetworkAddress(target)) {
                PortInfo info{"", number, target, true, PortNote(folder, name)};
                info.fromPortsFolder = true;
                found.push_back({std::move(info), name, true});
                continue;
            }
        }
        struct stat st {};
        const bool present = ::stat(entry.path().c_str(), &st) == 0;  // false: a link to a device not there now
        if (present && !IsSerialDevice(st, sysDevChar)) continue;
        fs::path device = entry.path();
        if (entry.is_symlink(ec)) {
            const fs::path target = fs::read_symlink(entry.path(), ec);
            if (!ec) device = (target.is_absolute() ? target : folder / target).lexically_normal();
        }
        PortInfo info{"", number, device.string(), false, PortNote(folder, name)};
        info.fromPortsFolder = true;
        found.push_back({std::move(info), name, present});
    }
    return found;
}

}  // namespace

DiscoveryRoots RootsBesideSettings(const fs::path& settingsFile) {
    DiscoveryRoots roots;
    roots.portsFolder = settingsFile.parent_path() / "ports";
    return roots;
}

int DiscoverPorts(const DiscoveryRoots& roots, std::vector<PortInfo>& ports) {
    ports.clear();
    std::error_code error;
    std::vector<Found> found = KernelDevices(roots.sysClassTty, roots.dev, error);
    if (error) return error.value() != 0 ? error.value() : ENOENT;

    std::vector<Found> folder = FolderPorts(roots.portsFolder, roots.sysDevChar);
    // An entry owns its number even while its device is missing (an unplugged
    // adapter's by-id link): the number must not fall to another device.
    std::set<int> claimed;
    for (const Found& f : folder) claimed.insert(f.info.number);
    std::erase_if(found, [&](const Found& f) { return claimed.count(f.info.number) > 0; });
    std::erase_if(folder, [](const Found& f) { return !f.present; });
    found.insert(found.end(), std::make_move_iterator(folder.begin()), std::make_move_iterator(folder.end()));

    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.info.number != b.info.number) return a.info.number < b.info.number;
        return a.key < b.key;
    });
    for (Found& f : found) {
        f.info.name = "COM" + std::to_string(f.info.number);
        f.info.accessible = IsNetworkAddress(f.info.devicePath) || Accessible(f.info.devicePath);
        ports.push_back(std::move(f.info));
    }
    return 0;
}

std::vector<std::string> PortNames(const std::vector<PortInfo>& ports) {
    std::vector<std::string> names;
    names.reserve(ports.size());
    for (const PortInfo& p : ports) names.push_back(p.name);
    return names;
}

std::string DeviceForPort(const std::vector<PortInfo>& ports, int number) {
    for (const PortInfo& p : ports)
        if (p.number == number) return p.devicePath;
    return {};
}

std::string ResolvePort(const DiscoveryRoots& roots, const std::vector<PortInfo>& listed, int number) {
    std::vector<PortInfo> now;
    DiscoverPorts(roots, now);
    const auto fromFolder = [number](const PortInfo& p) { return p.number == number && p.fromPortsFolder; };
    for (const PortInfo& p : now) {
        if (p.number != number) continue;
        // The folder's entry for this number has gone since the list was made:
        // the user chose that entry, not the device the table gives the number.
        if (!p.fromPortsFolder && std::any_of(listed.begin(), listed.end(), fromFolder)) return {};
        return p.devicePath;
    }
    return {};
}

std::vector<WatchedFolder> WatchedFolders(const DiscoveryRoots& roots) {
    std::vector<WatchedFolder> folders = {
        {roots.dev, ""}, {roots.dev / "serial" / "by-id", ""}, {roots.dev / "pts", ""}};
    // "serial" and "by-id" appear with the first USB adapter.
    folders.push_back({roots.dev / "serial", "by-id"});
    folders.push_back({roots.dev, "serial"});
    if (roots.portsFolder.empty()) return folders;
    folders.push_back({roots.portsFolder, ""});
    folders.push_back({roots.portsFolder.parent_path(), roots.portsFolder.filename().string()});
    std::error_code error;
    for (fs::directory_iterator it(roots.portsFolder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ec;
        if (!it->is_symlink(ec) || ComNumberForFolderEntry(it->path().filename().string()) == 0) continue;
        const fs::path target = fs::read_symlink(it->path(), ec);
        if (ec) continue;
        const fs::path device = (target.is_absolute() ? target : roots.portsFolder / target).lexically_normal();
        folders.push_back({device.parent_path(), ""});
    }
    return folders;
}

PortResolver MakePortResolver(DiscoveryRoots roots, std::vector<PortInfo> listed) {
    return [roots = std::move(roots), listed = std::move(listed)](int number) {
        return ResolvePort(roots, listed, number);
    };
}

}  // namespace vorta::serial
