#include "store/settings_file.h"

#include <sys/stat.h>

#include "store/atomic_file.h"
#include "store/app_paths.h"
#include "store/ini_document.h"
#include "codec/gbk_text.h"

namespace vorta::store {
namespace {

// Texts end at their first NUL, as the files' C-string counterparts do.
std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// One pair of matching quotes around the whole value goes.
std::string_view StripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Cuts to the reader's buffer without leaving half a two-byte character.
std::string Cap(std::string_view v) {
    if (v.size() <= kMaxSettingLength) return std::string(v);
    std::size_t end = 0;
    while (end < kMaxSettingLength) {
        const std::size_t len = codec::GbkCharLength(v, end);
        if (end + len > kMaxSettingLength) break;
        end += len;
    }
    return std::string(v.substr(0, end));
}

bool Exists(const std::string& nativePath) {
    struct stat st {};
    return ::lstat(nativePath.c_str(), &st) == 0;
}

// Only a full path names a file. A bare name is what the settings path
// becomes when there is no usable folder, and then nothing is read or written
// (rather than whatever folder the program was started in).
bool IsFullPath(std::string_view path) { return !path.empty() && path.front() == '/'; }

}  // namespace

std::string ReadSetting(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view defaultValue) {
    const std::string_view path = SkipLeadingBlanks(UpToNul(file));
    section = SkipLeadingBlanks(UpToNul(section));
    key = SkipLeadingBlanks(UpToNul(key));
    if (path.empty() || section.empty() || key.empty()) return {};

    std::optional<std::string> value;
    if (const auto content = IsFullPath(path) ? ReadFileBytes(NativeFileName(path)) : std::nullopt)
        value = FindIniValue(*content, section, key);
    if (!value) return Cap(UpToNul(defaultValue));
    return Cap(UpToNul(StripQuotes(*value)));
}

WriteResult WriteSetting(const std::string& file, std::string_view section, std::optional<std::string_view> key,
                         std::optional<std::string_view> value) {
    const std::string_view path = SkipLeadingBlanks(UpToNul(file));
    section = TrimBlanks(UpToNul(section));
    if (!IsFullPath(path)) return {WriteCause::Declined};
    if (section.empty() || HasLineBreak(section)) return {WriteCause::BadItem};
    if (key) {
        key = TrimBlanks(UpToNul(*key));
        // A key holding '=' or starting with '[' would read back as something else.
        if (key->empty() || HasLineBreak(*key) || key->front() == '[' || key->find('=') != std::string_view::npos)
            return {WriteCause::BadItem};
    }
    if (value) {
        value = UpToNul(*value);
        if (HasLineBreak(*value)) return {WriteCause::BadItem};
    }

    const std::string native = NativeFileName(path);
    // Asked first, so a refused link is reported even when its target cannot be read.
    if (WriteResult can = CanReplace(native); !can) return can;
    const std::optional<std::string> old = ReadFileBytes(native);
    const bool deleting = !key || !value;
    if (!old) {
        // A file that exists but cannot be read must not be replaced by one
        // holding only the new item.
        if (Exists(native)) return {WriteCause::Unreadable};
        if (deleting) return {};
    }
    const std::string updated = EditIni(old.value_or(std::string()), section, key, value);
    if (old && updated == *old) return {};
    return ReplaceFileBytes(native, updated);
}

std::string ReadWholeFile(const std::string& path) {
    if (!IsFullPath(path)) return {};
    return ReadFileBytes(NativeFileName(path)).value_or(std::string());
}

WriteResult WriteWholeFile(const std::string& path, std::string_view bytes) {
    if (!IsFullPath(path)) return {WriteCause::Declined};
    return ReplaceFileBytes(NativeFileName(path), bytes);
}

}  // namespace vorta::store
