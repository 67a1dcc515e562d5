#pragma once
// Where the program keeps its two files. Paths are GBK texts with "/" separators.
#include <string>

namespace vorta::store {

// The directory for the settings and list files, ending in "/":
// - $TMPDIR when it is set and not empty (the counterpart of the variable the
//   Windows program's temporary directory comes from);
// - otherwise $XDG_STATE_HOME/vorta-serial/ ($XDG_STATE_HOME only when it is
//   an absolute path, else ~/.local/state), created with mode 0700 so the
//   settings survive a reboot and stay private to the user.
// Empty when no directory can be determined or created, or when its name
// cannot be written in GBK.
std::string TemporaryDirectory();

// TemporaryDirectory() + "peizhi.ini": the bare name when the directory is unknown.
std::string SettingsPath();
// TemporaryDirectory() + "循环数据.BAT" (the auto-send list file).
std::string ListFilePath();

}  // namespace vorta::store
