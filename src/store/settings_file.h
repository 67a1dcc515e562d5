#pragma once
// The settings file and the list file. Paths, names and values are GBK texts;
// the files are opened under their UTF-8 names (see gbk_convert.h).
//
// The settings file is a profile-style INI file in GBK with CRLF line ends,
// readable and writable by the Windows counterpart of this program. Nothing is
// cached: every call opens, reads or replaces, and closes the file.
//
// Only full paths ("/...") name a file: a bare name, the settings path when no
// folder could be used, reads as a file without items and is never written.
// Only regular files are read (see atomic_file.h), so a FIFO, a device or an
// oversized file also reads as a file without items.
#include <optional>
#include <string>
#include <string_view>

#include "store/write_result.h"

namespace vorta::store {

// Most bytes a read returns (the reader's buffer holds 10240 bytes with its NUL).
inline constexpr std::size_t kMaxSettingLength = 10239;

// The value of `key` in `section` of `file`.
// - Leading bytes 0x01-0x20 of file, section and key are skipped; when any of
//   the three is then empty the result is "" (the default is not used).
// - Section and key names match without regard to ASCII letter case.
// - Blanks around the stored value and one pair of enclosing quotes ("" or '')
//   are removed.
// - A missing file, section or key gives `defaultValue`.
// - At most kMaxSettingLength bytes are returned, never half a character.
std::string ReadSetting(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view defaultValue = {});

// Sets `key` in `section` to `value`, creating the file and the section when
// missing and keeping every other line in place. An omitted value deletes the
// key, an omitted key deletes the whole section. The file is replaced
// atomically (see atomic_file.h): a symbolic link only when it leads the
// user's own way to the user's own regular file, never a read-only file or a
// file of another user, and never left half-written. The result says why the
// file was not written; BadItem when a name is empty or a name or the value
// holds a line break (which would break the file's structure), Declined for
// a bare file name (no usable folder) and a file the user made read-only.
WriteResult WriteSetting(const std::string& file, std::string_view section, std::optional<std::string_view> key,
                         std::optional<std::string_view> value);

// The whole file; "" when it is missing or unreadable.
std::string ReadWholeFile(const std::string& path);

// Creates or replaces the whole file, atomically like WriteSetting.
WriteResult WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace vorta::store
