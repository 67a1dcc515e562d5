#pragma once
// Follows CTS, DSR, DCD and RI of an open port on a thread of its own and
// hands each change to the UI thread. Where the driver can wait for a change
// (TIOCMIWAIT) the thread sleeps in that wait; otherwise it reads the lines
// kPollPeriod apart. A port that has no lines at all is reported unavailable
// once and left alone. The thread exists only between start() and stop().
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "base/event_loop.h"
#include "serial/line_settings.h"
#include "serial/port_io.h"

namespace vorta::serial {

// The input lines as the user sees them.
struct ModemState {
    enum class Kind {
        Closed,       // no port open
        Unavailable,  // open, but its lines cannot be read (a pseudo-terminal, a network port without them)
        Known,
    };
    Kind kind = Kind::Closed;
    ModemLines lines;  // Known only
    bool operator==(const ModemState& o) const {
        return kind == o.kind && (kind != Kind::Known || (lines.cts == o.lines.cts && lines.dsr == o.lines.dsr &&
                                                          lines.dcd == o.lines.dcd && lines.ri == o.lines.ri));
    }
};

class ModemWatcher {
public:
    // How the thread follows the lines at the moment.
    enum class Mode { Stopped, Waiting, Polling, Unavailable };

    // At most ten reads a second where the driver cannot wait.
    static constexpr std::chrono::milliseconds kPollPeriod{100};
    // A driver whose wait returns at once again and again is not followed faster than this.
    static constexpr std::chrono::milliseconds kMinWaitGap{10};
    // How often stop() repeats its interruption while the thread has not left the wait.
    static constexpr std::chrono::milliseconds kInterruptRepeat{2};

    explicit ModemWatcher(base::EventLoop& loop);
    ~ModemWatcher();
    ModemWatcher(const ModemWatcher&) = delete;
    ModemWatcher& operator=(const ModemWatcher&) = delete;

    // Raised on the UI thread with every change, first when the port's lines are first read.
    void setOnChange(std::function<void(const ModemState&)> handler) { onChange_ = std::move(handler); }

    // Starts following `port`, which must stay open until stop(); without a handler, nothing.
    void start(PortIo& port);
    // Ends the thread, interrupting a wait under way, then raises Closed when it ran.
    // Changes read but not yet raised are dropped.
    void stop();
    bool running() const { return thread_.joinable(); }
    Mode mode() const;

private:
    // Shared with the tasks posted to the UI thread, which may run after the watcher is gone.
    struct Box {
        ModemWatcher* owner = nullptr;  // UI thread only
        std::uint64_t session = 0;      // UI thread only: counts stop()s
    };
    void run(PortIo& port, std::uint64_t session);
    void post(const ModemState& state, std::uint64_t session);
    // Sleeps `period` unless stop() comes first; false once stopping.
    bool sleep(std::chrono::milliseconds period);
    void setMode(Mode mode);

    base::EventLoop& loop_;
    std::shared_ptr<Box> box_ = std::make_shared<Box>();
    std::function<void(const ModemState&)> onChange_;
    PortIo* port_ = nullptr;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool finished_ = false;
    Mode mode_ = Mode::Stopped;
};

}  // namespace vorta::serial
