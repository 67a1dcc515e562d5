#include "base/virtual_loop.h"

namespace vorta::base {

void VirtualLoop::post(Task task) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(task));
    }
    posted_.notify_all();
}

EventLoop::TimerId VirtualLoop::startTimer(int periodMs, Task onTick) {
    TimerId id = nextId_++;
    timers_[id] = Timer{periodMs, now_ + periodMs, nextOrder_++, std::move(onTick)};
    return id;
}

void VirtualLoop::stopTimer(TimerId id) { timers_.erase(id); }

int VirtualLoop::runPending() {
    int count = 0;
    for (;;) {
        Task task;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return count;
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        task();
        ++count;
    }
}

bool VirtualLoop::runOne() {
    Task task;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) return false;
        task = std::move(queue_.front());
        queue_.pop_front();
    }
    task();
    return true;
}

void VirtualLoop::advance(std::int64_t ms) {
    const std::int64_t end = now_ + ms;
    runPending();
    for (;;) {
        // The earliest due timer within the window; ties go to the older timer.
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due > end) continue;
            if (next == timers_.end() || it->second.due < next->second.due ||
                (it->second.due == next->second.due && it->second.order < next->second.order))
                next = it;
        }
        if (next == timers_.end()) break;
        now_ = next->second.due;
        next->second.due += next->second.period;
        next->second.order = nextOrder_++;
        Task tick = next->second.onTick;  // the tick may stop or restart its own timer
        tick();
        runPending();
    }
    now_ = end;
}

void VirtualLoop::runUntil(const std::function<bool()>& done) {
    while (!done() && runPending() > 0) {}
}

int VirtualLoop::waitAndRun(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(mutex_);
        posted_.wait_for(lock, timeout, [this] { return !queue_.empty(); });
    }
    return runPending();
}

bool VirtualLoop::runUntilReal(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::milliseconds(0)) return done();
        waitAndRun(std::min<std::chrono::milliseconds>(std::chrono::duration_cast<std::chrono::milliseconds>(left),
                                                       std::chrono::milliseconds(20)));
    }
    return true;
}

}  // namespace vorta::base
