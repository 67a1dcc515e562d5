#include "store/app_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "store/atomic_file.h"
#include "codec/gbk_convert.h"
#include "codec/gbk_literal.h"

namespace vorta::store {
namespace {

namespace fs = std::filesystem;

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

std::string WithSlash(std::string dir) {
    if (dir.back() != '/') dir += '/';
    return dir;
}

// Start-up asks for the folder several times; the reason it is not used is
// said once per folder.
void SayOnce(const std::string& dir, const char* why) {
    static std::mutex mutex;
    static std::set<std::string> said;
    std::lock_guard lock(mutex);
    if (!said.insert(dir).second) return;
    std::fprintf(stderr,
                 "vorta-serial: %s is not used for the settings (%s); running with defaults, nothing is saved\n",
                 dir.c_str(), why);
}

// Why the settings must not live in `dir`, or nullptr when they may: the
// folder and whatever link names it must be the user's own, and no one else
// may write into it (or could swap the files and the ports/ links in it).
const char* Untrusted(const std::string& dir) {
    const uid_t user = ::geteuid();
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) return "it cannot be examined";
    if (S_ISLNK(st.st_mode)) {
        if (st.st_uid != user) return "it is a link that belongs to another user";
        if (::stat(dir.c_str(), &st) != 0) return "it is a link that leads nowhere";
    }
    if (!S_ISDIR(st.st_mode)) return "it is not a folder";
    if (st.st_uid != user) return "it belongs to another user";
    if (st.st_mode & (S_IWGRP | S_IWOTH)) return "other users may write into it";
    return nullptr;
}

// $XDG_STATE_HOME/vorta-serial (or ~/.local/state/vorta-serial), created
// private; nullopt when it cannot be made or must not be trusted.
std::optional<std::string> StateDirectory() {
    std::string base = Env("XDG_STATE_HOME");
    if (base.empty() || base.front() != '/') {
        const std::string home = HomeDirectory();
        if (home.empty()) return std::nullopt;
        base = WithSlash(home) + ".local/state";
    }
    const fs::path dir = fs::path(base).lexically_normal() / "vorta-serial";
    std::error_code error;
    fs::create_directories(dir.parent_path(), error);
    // Only a folder made here is made private; an existing one is checked as it is.
    if (fs::create_directory(dir, error)) fs::permissions(dir, fs::perms::owner_all, error);
    if (error) {
        SayOnce(dir.string(), "it cannot be created");
        return std::nullopt;
    }
    if (const char* why = Untrusted(dir.string())) {
        SayOnce(dir.string(), why);
        return std::nullopt;
    }
    return dir.string() + "/";
}

}  // namespace

std::string TemporaryDirectory() {
    // A relative TMPDIR would depend on where the program was started.
    const std::string tmp = Env("TMPDIR");
    if (!tmp.empty() && tmp.front() == '/') {
        if (auto gbk = codec::Utf8ToGbkExact(WithSlash(tmp))) return *gbk;
    }
    if (const auto dir = StateDirectory()) {
        if (auto gbk = codec::Utf8ToGbkExact(*dir)) return *gbk;
    }
    return {};
}

std::string SettingsPath() {
    const std::string dir = TemporaryDirectory();
    // Start-up asks for this first: the moment to clear what killed writes left behind.
    if (!dir.empty())
        RemoveStaleTemporaryFiles(NativeFileName(dir), {"peizhi.ini", codec::GbkToUtf8("循环数据.BAT"_gbk)});
    return dir + "peizhi.ini";
}

std::string ListFilePath() { return TemporaryDirectory() + "循环数据.BAT"_gbk; }

}  // namespace vorta::store
