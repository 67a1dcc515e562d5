#include "store/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <random>
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

// The test limit: writes fail with the error once this many bytes of one file are written.
std::atomic<std::size_t> gWriteLimit{std::string::npos};
std::atomic<int> gWriteLimitError{ENOSPC};

// Gathers the pieces of a new content into large writes (a display's pieces may
// be a few bytes each) and keeps the errno of the first failure.
class ContentWriter {
public:
    explicit ContentWriter(int fd) : fd_(fd) {}
    bool add(std::string_view piece) {
        if (error_ != 0) return false;
        if (buffer_.size() + piece.size() <= kBuffer) {
            buffer_.append(piece);
            return true;
        }
        if (!flush()) return false;
        if (piece.size() >= kBuffer) return put(piece);
        buffer_.append(piece);
        return true;
    }
    // Writes what is gathered; the errno of the first failure, or 0.
    int finish() {
        if (error_ == 0) flush();
        return error_;
    }

private:
    static constexpr std::size_t kBuffer = std::size_t{256} * 1024;
    bool flush() {
        const bool ok = put(buffer_);
        buffer_.clear();
        return ok;
    }
    bool put(std::string_view bytes) {
        while (!bytes.empty()) {
            std::size_t n = bytes.size();
            if (const std::size_t limit = gWriteLimit.load(); limit != std::string::npos) {
                if (written_ >= limit) {
                    error_ = gWriteLimitError.load();
                    return false;
                }
                n = std::min(n, limit - written_);
            }
            const ssize_t done = ::write(fd_, bytes.data(), n);
            if (done < 0) {
                if (errno == EINTR) continue;
                error_ = errno;
                return false;
            }
            written_ += static_cast<std::size_t>(done);
            bytes.remove_prefix(static_cast<std::size_t>(done));
        }
        return true;
    }
    int fd_;
    std::string buffer_;
    std::size_t written_ = 0;
    int error_ = 0;
};

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
    std::string path;            // the file that is replaced
    std::optional<mode_t> mode;  // the mode of the file replaced; none for a new file
};

// The file a replacement of `path` writes, or nullopt with `refused` saying why.
// A refusal on purpose is Declined, with the errno it stands for, so that a
// caller the user asked to write there can still tell why.
std::optional<Target> WriteTarget(const std::string& path, WriteResult& refused) {
    const uid_t user = ::geteuid();
    std::string current = path;
    bool viaLink = false;
    const auto declined = [&](const char* why, int error) {
        WarnOnce(path, why);
        refused = {WriteCause::Declined, error};
        return std::nullopt;
    };
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                refused = FailureFromErrno(errno);
                return std::nullopt;
            }
            if (!viaLink) return Target{current, std::nullopt};
            return declined("it is a link to a file that does not exist", ENOENT);
        }
        if (S_ISLNK(st.st_mode)) {
            // Someone else's link could point the write at any file of the user's.
            if (st.st_uid != user) return declined("it is a link that belongs to another user", EPERM);
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
            if (viaLink && S_ISREG(st.st_mode)) return declined("it is a link to a file of another user", EPERM);
            if (viaLink)
                return declined("it is a link to something that is not a regular file",
                                S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
            refused = {S_ISREG(st.st_mode) ? WriteCause::OthersFile : WriteCause::NotAFile};
            return std::nullopt;
        }
        // A file without the owner's write bit was made read-only on purpose.
        if (!(st.st_mode & S_IWUSR)) {
            refused = {WriteCause::Declined, EACCES};
            return std::nullopt;
        }
        return Target{current, static_cast<mode_t>(st.st_mode & 07777)};
    }
    return declined("it is a chain of too many links", ELOOP);
}

// A new temporary file beside `target` in `mode` (less the umask), named
// ".<name>.XXXXXX" and locked, so that a start-up clean-up can tell it from the
// leftover of a killed writer. On failure `error` says why.
UniqueFd CreateLockedTemporary(const std::string& target, mode_t mode, std::string& temp, int& error) {
    static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    const auto [dir, name] = SplitPath(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = dir;
        temp += "/.";
        temp += name;
        temp += '.';
        for (int i = 0; i < 6; ++i) temp += kLetters[random() % kLetters.size()];
        UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (!fd) {
            if (errno == EEXIST) continue;
            error = errno;
            return {};
        }
        // Without file locks (some network file systems) the file is written unlocked.
        if (::flock(fd.get(), LOCK_EX) != 0) return fd;
        // A clean-up may have taken the file in the moment before the lock and
        // removed it; then the next name is tried.
        struct stat st {};
        if (::fstat(fd.get(), &st) == 0 && st.st_nlink > 0) return fd;
    }
    error = EEXIST;
    return {};
}

// ".<base>.XXXXXX" with six letters or digits, as CreateLockedTemporary makes them.
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
    return ReplaceFileWith(nativePath, 0600, [bytes](const PieceSink& sink) { sink(bytes); });
}

WriteResult ReplaceFileWith(const std::string& nativePath, mode_t newFileMode,
                            const std::function<void(const PieceSink&)>& produce, const std::stop_token& stop) {
    if (nativePath.empty() || nativePath.back() == '/') return {WriteCause::BadItem};
    WriteResult refused;
    const std::optional<Target> target = WriteTarget(nativePath, refused);
    if (!target) return refused;

    std::string temp;
    int error = 0;
    // Replacing a file, the temporary one is private until it has that file's mode.
    UniqueFd fd = CreateLockedTemporary(target->path, target->mode ? 0600 : newFileMode, temp, error);
    if (!fd) return FailureFromErrno(error);
    ContentWriter out(fd.get());
    produce([&out, &stop](std::string_view piece) { return !stop.stop_requested() && out.add(piece); });
    error = stop.stop_requested() ? ECANCELED : out.finish();
    if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
    if (error == 0 && target->mode && ::fchmod(fd.get(), *target->mode) != 0) error = errno;
    if (error == 0) {
        if (const auto& hook = BeforeRenameHook()) hook(temp);
        if (::rename(temp.c_str(), target->path.c_str()) != 0) error = errno;
    }
    if (error != 0) {
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

void SetWriteLimitForTest(std::optional<std::size_t> bytes, int error) {
    gWriteLimitError = error;
    gWriteLimit = bytes.value_or(std::string::npos);
}

}  // namespace vorta::store
