#include "store/app_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include "store/gbk_convert.h"

namespace vorta::store {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string HomeDirectory() {
    std::string home = Env("HOME");
    if (!home.empty()) return home;
    std::vector<char> buffer(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

// Creates `dir` and every missing parent with mode 0700; true when it then is a directory.
bool MakeDirectories(const std::string& dir) {
    for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string prefix = dir.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithSlash(std::string dir) {
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::optional<std::string> StateDirectory() {
    std::string base = Env("XDG_STATE_HOME");
    if (base.empty() || base.front() != '/') {
        const std::string home = HomeDirectory();
        if (home.empty()) return std::nullopt;
        base = WithSlash(home) + ".local/state";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    const std::string dir = (base == "/" ? base : base + "/") + "vorta-serial";
    if (!MakeDirectories(dir)) return std::nullopt;
    return dir + "/";
}

}  // namespace

std::string TemporaryDirectory() {
    const std::string tmp = Env("TMPDIR");
    if (!tmp.empty()) {
        if (auto gbk = Utf8ToGbkExact(WithSlash(tmp))) return *gbk;
    }
    if (const auto dir = StateDirectory()) {
        if (auto gbk = Utf8ToGbkExact(*dir)) return *gbk;
    }
    return {};
}

std::string SettingsPath() { return TemporaryDirectory() + "peizhi.ini"; }
std::string ListFilePath() { return TemporaryDirectory() + "循环数据.BAT"; }

}  // namespace vorta::store
