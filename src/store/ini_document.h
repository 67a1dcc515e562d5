#pragma once
// The text of a profile-style INI file: section header lines "[name]" and item
// lines "key=value"; every other line (comments, blank lines) is kept as it is.
// Names and values are GBK bytes. A blank is any byte 0x01-0x20. Section and
// key names match without regard to ASCII letter case, one GBK character at a
// time, so the trail byte of a Chinese character is never case-folded and a
// ']' or '=' trail byte never ends a name. A UTF-8 byte-order mark at the very
// start is no part of the first line; an edit keeps it in place.
#include <optional>
#include <string>
#include <string_view>

namespace vorta::store {

std::string_view SkipLeadingBlanks(std::string_view s);
std::string_view TrimBlanks(std::string_view s);
bool SameIniName(std::string_view a, std::string_view b);

// The value of `key` in the first section named `section`, blanks around it
// removed (quotes kept); nullopt when that section or key is missing. The
// names are taken without surrounding blanks.
std::optional<std::string> FindIniValue(std::string_view content, std::string_view section, std::string_view key);

// `content` with one change made, every line ended by "\r\n":
// - key and value given: the first item `key` of the first section `section`
//   gets `value` (it keeps its own spelling of the key); a missing item is
//   added after the section's last non-blank line, a missing section at the end;
// - value omitted: every item `key` of every section `section` is removed;
// - key omitted: every section `section` is removed with all its lines.
// The names must be free of surrounding blanks; the caller checks that they
// and the value hold no line break.
std::string EditIni(std::string_view content, std::string_view section, std::optional<std::string_view> key,
                    std::optional<std::string_view> value);

}  // namespace vorta::store
