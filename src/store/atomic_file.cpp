#include "store/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "base/unique_fd.h"

namespace vorta::store {
namespace {

namespace fs = std::filesystem;
using base::UniqueFd;

// Symbolic links followed at most on the way to a file, as the kernel does.
constexpr int kMaxLinks = 40;

std::function<void(const std::string&)>& BeforeRenameHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The directory and the name of `path` ("." for a bare name).
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

// Makes the rename itself durable; a failure here loses nothing that a crash
// would not, so it is not reported.
void SyncDirectory(const std::string& dir) {
    const UniqueFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) ::fsync(fd.get());
}

// Settings are written at every change; the user hears about a refused link
// once per path, not at every click.
void WarnOnce(const std::string& path, const char* why) {
    static std::mutex mutex;
    static std::set<std::string> warned;
    std::lock_guard lock(mutex);
    if (!warned.insert(path).second) return;
    std::fprintf(stderr, "vorta-serial: %s is not written: %s\n", path.c_str(), why);
}

struct Target {
    std::string path;  // the file that is replaced
    mode_t mode;       // the mode the new content gets
};

// The file a replacement of `path` writes, or nullopt with `refused` saying why.
std::optional<Target> WriteTarget(const std::string& path, WriteResult& refused) {
    const uid_t user = ::geteuid();
    std::string current = path;
    bool viaLink = false;
    const auto declined = [&](const char* why) {
        WarnOnce(path, why);
        refused = {WriteCause::Declined};
        return std::nullopt;
    };
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                refused = FailureFromErrno(errno);
                return std::nullopt;
            }
            if (!viaLink) return Target{current, 0600};
            return declined("it is a link to a file that does not exist");
        }
        if (S_ISLNK(st.st_mode)) {
            // Someone else's link could point the write at any file of the user's.
            if (st.st_uid != user) return declined("it is a link that belongs to another user");
            std::error_code error;
            const fs::path next = fs::read_symlink(current, error);
            if (error) {
                refused = FailureFromErrno(error.value());
                return std::nullopt;
            }
            current = next.is_absolute() ? next.string() : (fs::path(current).parent_path() / next).string();
            viaLink = true;
            continue;
        }
        if (!S_ISREG(st.st_mode) || st.st_uid != user) {
            if (viaLink)
                return declined(S_ISREG(st.st_mode) ? "it is a link to a file of another user"
                                                    : "it is a link to something that is not a regular file");
            refused = {S_ISREG(st.st_mode) ? WriteCause::OthersFile : WriteCause::NotAFile};
            return std::nullopt;
        }
        // A file without the owner's write bit was made read-only on purpose.
        if (!(st.st_mode & S_IWUSR)) {
            refused = {WriteCause::Declined};
            return std::nullopt;
        }
        return Target{current, static_cast<mode_t>(st.st_mode & 07777)};
    }
    return declined("it is a chain of too many links");
}

// A new temporary file beside `target`, named ".<name>.XXXXXX" and locked, so
// that a start-up clean-up can tell it from the leftover of a killed writer.
UniqueFd CreateLockedTemporary(const std::string& target, std::string& temp) {
    const auto [dir, name] = SplitPath(target);
    for (int attempt = 0; attempt < 5; ++attempt) {
        temp = dir + "/." + name + ".XXXXXX";
        UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
        if (!fd) return {};
        // Without file locks (some network file systems) the file is written unlocked.
        if (::flock(fd.get(), LOCK_EX) != 0) return fd;
        // A clean-up may have taken the file in the moment before the lock and
        // removed it; then the next name is tried.
        struct stat st {};
        if (::fstat(fd.get(), &st) == 0 && st.st_nlink > 0) return fd;
    }
    errno = EBUSY;
    return {};
}

// ".<base>.XXXXXX" with six letters or digits, as mkostemp makes them.
bool IsTemporaryName(std::string_view name, std::initializer_list<std::string_view> baseNames) {
    for (const std::string_view base : baseNames) {
        if (name.size() != base.size() + 8 || name.front() != '.' || name.substr(1, base.size()) != base ||
            name[base.size() + 1] != '.')
            continue;
        const std::string_view suffix = name.substr(base.size() + 2);
        if (std::all_of(suffix.begin(), suffix.end(), [](char c) {
                return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            }))
            return true;
    }
    return false;
}

}  // namespace

std::optional<std::string> ReadFileBytes(const std::string& nativePath) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const UniqueFd fd(::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd) return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > kMaxFileBytes)
        return std::nullopt;
    std::string content;
    content.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        content.append(buffer, static_cast<std::size_t>(n));
        if (content.size() > kMaxFileBytes) return std::nullopt;  // it grew while being read
    }
    return content;
}

WriteResult ReplaceFileBytes(const std::string& nativePath, std::string_view bytes) {
    if (nativePath.empty() || nativePath.back() == '/') return {WriteCause::BadItem};
    WriteResult refused;
    const std::optional<Target> target = WriteTarget(nativePath, refused);
    if (!target) return refused;

    std::string temp;
    UniqueFd fd = CreateLockedTemporary(target->path, temp);
    if (!fd) return FailureFromErrno(errno);
    int error = 0;
    const auto step = [&error](bool ok) {
        if (!ok && error == 0) error = errno != 0 ? errno : EIO;
        return ok;
    };
    bool ok = step(WriteAll(fd.get(), bytes)) && step(::fsync(fd.get()) == 0);
    if (ok && target->mode != 0600) ok = step(::fchmod(fd.get(), target->mode) == 0);
    if (ok) {
        if (const auto& hook = BeforeRenameHook()) hook(temp);
        ok = step(::rename(temp.c_str(), target->path.c_str()) == 0);
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return FailureFromErrno(error);
    }
    // The content is on disk (fsync above); closing only drops the lock.
    fd.reset();
    SyncDirectory(SplitPath(target->path).first);
    return {};
}

WriteResult CanReplace(const std::string& nativePath) {
    if (nativePath.empty() || nativePath.back() == '/') return {WriteCause::BadItem};
    WriteResult refused;
    return WriteTarget(nativePath, refused) ? WriteResult{} : refused;
}

int RemoveStaleTemporaryFiles(const std::string& nativeDir, std::initializer_list<std::string_view> baseNames) {
    const UniqueFd dir(::open(nativeDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) return 0;
    std::vector<std::string> candidates;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(nativeDir, error)) {
        std::string name = entry.path().filename().string();
        if (IsTemporaryName(name, baseNames)) candidates.push_back(std::move(name));
    }
    int removed = 0;
    for (const std::string& name : candidates) {
        const UniqueFd fd(::openat(dir.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat st {};
        if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        // A writer holds its temporary file locked until it has been renamed;
        // the lock of a killed writer went with it.
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
        struct stat now {};
        if (::fstatat(dir.get(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 || now.st_dev != st.st_dev ||
            now.st_ino != st.st_ino)
            continue;
        if (::unlinkat(dir.get(), name.c_str(), 0) == 0) ++removed;
    }
    return removed;
}

void SetBeforeRenameHookForTest(std::function<void(const std::string& tempPath)> hook) {
    BeforeRenameHook() = std::move(hook);
}

}  // namespace vorta::store
