#pragma once
// Port discovery on Linux, from sysfs alone: no device is opened (opening a
// tty raises DTR and RTS and can disturb a port in use).
//
// A kernel serial device is listed when its /sys/class/tty entry has a
// device with a driver, is not a serial-core port without a UART (`type` 0,
// the phantom ttyS ports of the 8250 driver) and has a node in /dev. It gets
// the fixed COM number of its family (com_numbers.h).
//
// The ports folder adds virtual and renamed ports: every entry named
// COM<n> (n from 1 to 2^31 - 1) that leads to a device a serial port can be
// (a tty or a pseudo-terminal) gives COM n, with the file it links to as its
// device. An entry owns its number, also while what it links to is missing:
// no kernel device takes that number then. An entry that leads to anything
// else (a regular file, /dev/null) is no port and owns nothing. The folder counts only
// when it is the user's own and no one else may write into it. A
// hidden file ".COM<n>" beside the entry may describe the port in one line
// (vorta-device writes "演示设备" there).
#include <filesystem>
#include <string>
#include <vector>

#include "serial/port_resolver.h"
#include "serial/port_watcher.h"

namespace vorta::serial {

struct DiscoveryRoots {
    std::filesystem::path sysClassTty = "/sys/class/tty";
    std::filesystem::path dev = "/dev";
    std::filesystem::path sysDevChar = "/sys/dev/char";  // character devices by "major:minor"
    std::filesystem::path portsFolder;                   // empty: none
};

// The default roots, with the ports folder "ports" beside the settings file.
DiscoveryRoots RootsBesideSettings(const std::filesystem::path& settingsFile);

struct PortInfo {
    std::string name;  // "COM" + number: the port list's text
    int number = 0;
    std::string devicePath;        // what opening port `number` opens
    bool accessible = false;       // the current user may read and write the device
    std::string description;       // UTF-8: first line of the note ".COM<n>" beside a ports-folder entry, or empty
    bool fromPortsFolder = false;  // an entry of the ports folder gave this port
};

// Replaces `ports` with the ports found, in ascending order of number,
// duplicates kept. Returns 0, or the error number when the sysfs tty class
// cannot be read (the list is then empty).
int DiscoverPorts(const DiscoveryRoots& roots, std::vector<PortInfo>& ports);

// The names of `ports`, in order.
std::vector<std::string> PortNames(const std::vector<PortInfo>& ports);

// The device of the first port with `number`, or empty.
std::string DeviceForPort(const std::vector<PortInfo>& ports, int number);

// The device to open for port `number`, discovered afresh, so a device plugged
// in or a link made after start-up is found. Empty when no device has the
// number now, when the folder's entry for it leads nowhere, and when `listed`
// (the port list the user picked from) had the number from the folder but the
// entry has gone: an alias is never replaced by the device the table gives.
std::string ResolvePort(const DiscoveryRoots& roots, const std::vector<PortInfo>& listed, int number);

// The folders whose entries coming and going can change what DiscoverPorts
// finds: the device folder with its by-id and pseudo-terminal folders, the
// ports folder, the folder the ports folder is made in (for "ports" itself),
// and the folder of every device a ports-folder link leads to.
std::vector<WatchedFolder> WatchedFolders(const DiscoveryRoots& roots);

// ResolvePort as the channel's resolver.
PortResolver MakePortResolver(DiscoveryRoots roots, std::vector<PortInfo> listed = {});

}  // namespace vorta::serial
