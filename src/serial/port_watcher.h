#pragma once
// Tells the UI thread that ports may have come or gone, without opening any
// device: a thread of its own waits on inotify for entries made, removed,
// renamed or changed in the folders that hold device nodes and port links
// (/dev, /dev/serial/by-id, /dev/pts, the ports folder). A burst of events
// (udev makes a node, sets its mode, then adds its by-id link) gives one
// call, posted once the folders have been quiet for kSettle.
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/event_loop.h"
#include "base/unique_fd.h"

namespace vorta::serial {

struct WatchedFolder {
    std::filesystem::path path;
    std::string onlyName;  // non-empty: only events on the entry of this name count
};

class PortWatcher {
public:
    // `changed` runs on `loop`'s thread, never after the watcher is gone.
    PortWatcher(base::EventLoop& loop, std::function<void()> changed);
    ~PortWatcher();
    PortWatcher(const PortWatcher&) = delete;
    PortWatcher& operator=(const PortWatcher&) = delete;

    // Adds the folders not watched yet; missing ones are skipped (watch them
    // again once their parent reports them). Starts the thread at the first
    // call. False when inotify is not available.
    bool watch(const std::vector<WatchedFolder>& folders);

    static constexpr std::chrono::milliseconds kSettle{150};

private:
    struct Shared;
    void run();

    base::EventLoop& loop_;
    std::shared_ptr<Shared> shared_;
    base::UniqueFd inotify_;
    base::UniqueFd stop_;
    std::thread thread_;
};

}  // namespace vorta::serial
