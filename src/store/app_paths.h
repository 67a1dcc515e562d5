#pragma once
// Where the program keeps its two files. Paths are GBK texts with "/" separators.
#include <string>
#include <string_view>

#include "codec/gbk_convert.h"

namespace vorta::store {

// The directory for the settings and list files, ending in "/":
// - $TMPDIR when it is an absolute path (the counterpart of the variable the
//   Windows program's temporary directory comes from);
// - otherwise $XDG_STATE_HOME/vorta-serial/ ($XDG_STATE_HOME only when it is
//   an absolute path, else ~/.local/state), created with mode 0700 so the
//   settings survive a reboot and stay private to the user. An existing one
//   is used only when it is the user's own folder (or the user's own link to
//   it) and no one else may write into it; otherwise one line on standard
//   error says why.
// Empty when no directory can be determined, created or trusted, or when its
// name cannot be written in GBK; the settings then stay at their defaults and
// nothing is saved (the file functions take only full paths).
std::string TemporaryDirectory();

// TemporaryDirectory() + "peizhi.ini": the bare name when the directory is unknown.
// Start-up asks for it first, so it also removes the temporary files that
// interrupted writes of the two files left in the directory (atomic_file.h).
std::string SettingsPath();
// TemporaryDirectory() + "循环数据.BAT" (the auto-send list file).
std::string ListFilePath();

// The name under which the file that the logic calls `gbkPath` lives on disk.
// Every file operation of the program opens files through this.
inline std::string NativeFileName(std::string_view gbkPath) { return codec::GbkToUtf8(gbkPath); }

}  // namespace vorta::store
