#pragma once
// Work too long for the UI thread, done on a thread of its own with its result
// handed back on the UI thread. Only the latest request counts: one asked for
// while another runs waits for it and replaces any other still waiting, and the
// result of a request that a later one superseded is dropped. So a user who
// asks again and again while a long job runs starts at most one more.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "base/event_loop.h"

namespace vorta::base {

class LatestJob {
public:
    using Work = std::function<std::function<void()>()>;  // runs on the job thread; returns what to do on the UI thread

    explicit LatestJob(EventLoop& loop);
    // Waits for a job under way; results not yet handed over are dropped.
    ~LatestJob();
    LatestJob(const LatestJob&) = delete;
    LatestJob& operator=(const LatestJob&) = delete;

    // Runs `work` on the job thread, then what it returns on the UI thread,
    // unless a later request came meanwhile or this object is gone by then.
    void request(Work work);
    // Drops every request not yet handed over (a later event made them stale).
    void cancel();

private:
    void serve();

    struct Shared {
        std::mutex mutex;
        std::uint64_t latest = 0;  // the number of the latest request; older results are stale
        bool alive = true;
    };
    EventLoop& loop_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    std::condition_variable wake_;
    Work waiting_;  // the latest request, guarded by shared_->mutex
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace vorta::base
