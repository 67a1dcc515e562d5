#pragma once
// What the whole-path benchmarks share: a pseudo-terminal linked as COM5 in a
// fresh settings folder, and the real main window opened on it at 115200 baud.
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "ui/model.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

namespace vorta::bench {

struct LinkedPort {
    std::filesystem::path dir;  // the settings folder, which TMPDIR now names
    int master = -1;            // the far end of the line
    int slave = -1;
};

// Makes the folder, points TMPDIR at it and links a raw pseudo-terminal as ports/COM5.
inline LinkedPort LinkPortBesideSettings() {
    LinkedPort port;
    port.dir = std::filesystem::temp_directory_path() / ("vorta-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(port.dir / "ports");
    setenv("TMPDIR", port.dir.c_str(), 1);
    char name[128];
    openpty(&port.master, &port.slave, name, nullptr, nullptr);
    termios raw{};
    tcgetattr(port.slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(port.slave, TCSANOW, &raw);
    std::filesystem::create_symlink(name, port.dir / "ports" / "COM5");
    return port;
}

// Selects COM5 at 115200 baud and clicks 打开串口 as the user would; false when it did not open.
inline bool OpenLinkedPort(ui::Model& model, ui::Window& main) {
    using namespace ui::main;
    auto& ports = main[kPort];
    for (int i = 0; i < int(ports.items().size()); ++i)
        if (ports.items()[std::size_t(i)] == "COM5") ports.setSelectedIndex(i);
    main[kBaud].setSelectedIndex(9);  // 115200
    model.userClick(main[kOpenClose]);
    return main[kOpenClose].text() == "关闭串口"_gbk;
}

}  // namespace vorta::bench
