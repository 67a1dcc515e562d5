#pragma once
// A deterministic event loop for tests: time moves only when the test says so.
// Posted tasks (from any thread) run when the test pumps the loop.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "base/event_loop.h"

namespace vorta::base {

class VirtualLoop : public EventLoop {
public:
    void post(Task task) override;
    TimerId startTimer(int periodMs, Task onTick) override;
    void stopTimer(TimerId id) override;
    // Advances the virtual clock by `ms`, running everything that falls due.
    void delay(int ms) override { advance(ms); }
    // Pumps posted tasks; virtual time does not move (a modal window in a test
    // is driven by the test itself, which closes it before this is needed).
    void runUntil(const std::function<bool()>& done) override;
    std::int64_t nowMs() const override { return now_; }

    // Runs posted tasks until none is left. Returns how many ran.
    int runPending();
    // Runs the oldest posted task only; false when there was none.
    bool runOne();
    // Moves the clock forward by `ms`: posted tasks first, then each timer tick
    // in time order (ties in start order), with posted tasks run after each tick.
    void advance(std::int64_t ms);
    // Waits in real time until a task has been posted (or `timeout` passed), then
    // runs all pending tasks. For tests where another thread posts. Returns the count run.
    int waitAndRun(std::chrono::milliseconds timeout);
    // Keeps running posted tasks until `done()` or the real-time `timeout` passes.
    bool runUntilReal(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    int activeTimers() const { return static_cast<int>(timers_.size()); }

private:
    struct Timer {
        int period;
        std::int64_t due;
        std::uint64_t order;
        Task onTick;
    };
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Task> queue_;
    std::map<TimerId, Timer> timers_;
    TimerId nextId_ = 1;
    std::uint64_t nextOrder_ = 0;
    std::int64_t now_ = 0;
};

}  // namespace vorta::base
