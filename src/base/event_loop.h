#pragma once
// The event loop the logic runs on. Everything the logic does happens on one
// UI thread; other threads reach it only through post().
#include <cstdint>
#include <functional>

namespace vorta::base {

class EventLoop {
public:
    using Task = std::function<void()>;
    using TimerId = int;

    virtual ~EventLoop() = default;

    // Runs `task` on the UI thread after the tasks posted before it (FIFO),
    // never inside the caller. Safe to call from any thread.
    virtual void post(Task task) = 0;

    // A periodic timer on the UI thread: first tick one full period from now.
    // periodMs must be > 0. Returns an id > 0.
    virtual TimerId startTimer(int periodMs, Task onTick) = 0;
    // Stops a timer; a tick that is already due does not run afterwards. Unknown ids are ignored.
    virtual void stopTimer(TimerId id) = 0;

    // Waits `ms` milliseconds while the loop goes on dispatching posted tasks,
    // timers and user input (a message-pumping delay).
    virtual void delay(int ms) = 0;

    // Runs the loop nested until `done()` turns true (used for modal windows).
    virtual void runUntil(const std::function<bool()>& done) = 0;

    // Milliseconds on this loop's clock (monotonic; virtual in tests).
    virtual std::int64_t nowMs() const = 0;
};

}  // namespace vorta::base
