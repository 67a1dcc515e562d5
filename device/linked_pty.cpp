#include "device/linked_pty.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace vorta::device {
namespace fs = std::filesystem;
namespace {

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

// Raw 9600 8N1 from the start, so a program that opens the port without
// setting it up still sees the bytes unchanged. Opening and closing the slave
// once also makes the master report a hang-up until a program opens it, which
// is how the device knows that nobody listens.
bool PrepareSlave(const std::string& path, std::string& error) {
    const int slave = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        error = SystemError("cannot open " + path);
        return false;
    }
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    cfsetspeed(&t, B9600);
    tcsetattr(slave, TCSANOW, &t);
    ::close(slave);
    return true;
}

bool IsSymlinkOrMissing(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    return S_ISLNK(st.st_mode);
}

std::string ReadLink(const std::string& path) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(path, ec);
    return ec ? std::string() : target.string();
}

}  // namespace

std::unique_ptr<LinkedPty> LinkedPty::create(const std::string& link, const std::string& description,
                                             std::string& error) {
    std::unique_ptr<LinkedPty> pty(new LinkedPty);
    pty->master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (pty->master_ < 0 || ::grantpt(pty->master_) != 0 || ::unlockpt(pty->master_) != 0) {
        error = SystemError("cannot create a pseudo-terminal");
        return nullptr;
    }
    char name[128] = {};
    if (::ptsname_r(pty->master_, name, sizeof name) != 0) {
        error = SystemError("cannot name the pseudo-terminal");
        return nullptr;
    }
    pty->devicePath_ = name;
    if (!PrepareSlave(pty->devicePath_, error)) return nullptr;
    if (!link.empty() && !pty->makeLink(link, description, error)) return nullptr;
    return pty;
}

bool LinkedPty::makeLink(const std::string& link, const std::string& description, std::string& error) {
    const fs::path path(link);
    std::error_code ec;
    if (path.has_parent_path() && !fs::is_directory(path.parent_path(), ec)) {
        if (::mkdir(path.parent_path().c_str(), 0700) != 0 && errno != EEXIST) {
            error = SystemError("cannot create the folder " + path.parent_path().string());
            return false;
        }
    }
    if (!IsSymlinkOrMissing(link)) {
        error = link + " exists and is not a symbolic link; not replacing it";
        return false;
    }
    // The note goes first, whole (written aside and renamed): a program that finds
    // the link finds its note complete beside it.
    const std::string suffix = ".new-" + std::to_string(::getpid());
    const std::string name = path.filename().string();
    if (name.starts_with("COM")) {
        note_ = (path.parent_path() / ("." + name)).string();
        const std::string aside = note_ + suffix;
        std::ofstream(aside) << description << '\n';
        if (::rename(aside.c_str(), note_.c_str()) != 0) ::unlink(aside.c_str());
    }
    // A fresh link renamed over the old one: a program never sees the name missing.
    const std::string temporary = link + suffix;
    ::unlink(temporary.c_str());
    if (::symlink(devicePath_.c_str(), temporary.c_str()) != 0 || ::rename(temporary.c_str(), link.c_str()) != 0) {
        error = SystemError("cannot link " + link);
        ::unlink(temporary.c_str());
        if (!note_.empty()) ::unlink(note_.c_str());
        note_.clear();
        return false;
    }
    link_ = link;
    return true;
}

LinkedPty::~LinkedPty() {
    if (!link_.empty() && ReadLink(link_) == devicePath_) {
        ::unlink(link_.c_str());
        if (!note_.empty()) ::unlink(note_.c_str());
    }
    if (master_ >= 0) ::close(master_);
}

}  // namespace vorta::device
