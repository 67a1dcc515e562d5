#include "serial/port_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>

#include <array>
#include <cerrno>
#include <map>
#include <mutex>

namespace vorta::serial {

// What the thread and the posted calls share: the call itself (cleared when
// the watcher goes) and which names count in which watch.
struct PortWatcher::Shared {
    std::mutex mutex;
    std::function<void()> changed;
    bool posted = false;
    std::map<int, std::string> onlyName;  // by watch descriptor
};

namespace {

constexpr std::uint32_t kEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

}  // namespace

PortWatcher::PortWatcher(base::EventLoop& loop, std::function<void()> changed)
    : loop_(loop),
      shared_(std::make_shared<Shared>()),
      inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
      stop_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    shared_->changed = std::move(changed);
}

PortWatcher::~PortWatcher() {
    if (thread_.joinable()) {
        eventfd_write(stop_.get(), 1);
        thread_.join();
    }
    std::lock_guard lock(shared_->mutex);
    shared_->changed = nullptr;
}

bool PortWatcher::watch(const std::vector<WatchedFolder>& folders) {
    if (!inotify_ || !stop_) return false;
    {
        std::lock_guard lock(shared_->mutex);
        for (const WatchedFolder& folder : folders) {
            const int wd = inotify_add_watch(inotify_.get(), folder.path.c_str(), kEvents);
            if (wd < 0) continue;  // not there (yet), or not a folder
            // The same folder asked for twice with different filters counts every name.
            auto [it, added] = shared_->onlyName.emplace(wd, folder.onlyName);
            if (!added && it->second != folder.onlyName) it->second.clear();
        }
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    return true;
}

void PortWatcher::run() {
    alignas(inotify_event) std::array<char, 4096> buffer{};
    bool pending = false;  // an event came; post once the folders are quiet
    for (;;) {
        pollfd fds[2] = {{stop_.get(), POLLIN, 0}, {inotify_.get(), POLLIN, 0}};
        const int ready = poll(fds, 2, pending ? int(kSettle.count()) : -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || (fds[0].revents & POLLIN)) return;
        if (ready == 0) {
            pending = false;
            std::lock_guard lock(shared_->mutex);
            if (shared_->posted || !shared_->changed) continue;
            shared_->posted = true;
            loop_.post([shared = shared_] {
                std::function<void()> changed;
                {
                    std::lock_guard hold(shared->mutex);
                    shared->posted = false;
                    changed = shared->changed;
                }
                if (changed) changed();
            });
            continue;
        }
        for (;;) {
            const ssize_t n = ::read(inotify_.get(), buffer.data(), buffer.size());
            if (n <= 0) break;
            std::lock_guard lock(shared_->mutex);
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                const auto filter = shared_->onlyName.find(event->wd);
                if (event->mask & IN_IGNORED) {
                    if (filter != shared_->onlyName.end()) shared_->onlyName.erase(filter);
                    pending = true;  // the folder itself went
                    continue;
                }
                const bool counts = filter == shared_->onlyName.end() || filter->second.empty() ||
                                    (event->len > 0 && filter->second == event->name);
                if (counts) pending = true;
            }
        }
    }
}

}  // namespace vorta::serial
