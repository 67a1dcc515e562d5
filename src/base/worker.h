#pragma once
// Work too long for the UI thread, run on a thread of its own one job after
// another, in the order asked for; what a job returns then runs on the UI
// thread. Each job gets a stop token, which long work checks: cancel() and the
// destructor request stop, so neither waits for seconds of work, only until
// the job under way next looks at its token. A result not yet handed over by
// then is dropped, so a result posted after the worker is gone touches nothing.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

#include "base/event_loop.h"

namespace vorta::base {

class Worker {
public:
    using Done = std::function<void()>;                // runs on the UI thread; may be empty
    using Job = std::function<Done(std::stop_token)>;  // runs on the worker's thread

    explicit Worker(EventLoop& loop);
    // A worker whose results are taken, not handed over: what a job returns is
    // dropped, and the owner reads what the job left once waitUntilIdle() returns.
    Worker() = default;
    // Cancels (see cancel()); the thread ends once the job under way returns.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Queues `job`. What it returns runs on the loop's thread, unless cancel()
    // came after this call or the worker is gone by then. The thread starts with
    // the first job; when none can be started, the job runs here and now.
    void run(Job job);
    // Requests stop of the job under way, drops the jobs still waiting and every
    // result not yet handed over.
    void cancel();
    // Returns when every job asked for so far has ended and its result is posted.
    void waitUntilIdle();

private:
    struct Queued {
        Job job;
        std::stop_token stop;
        std::uint64_t generation;
    };
    // On the UI thread only, where the results are handed over.
    struct Handover {
        bool alive = true;
        std::uint64_t generation = 0;  // raised by cancel(); older results are dropped
    };
    void serve(const std::stop_token& threadStop);
    void handOver(Done done, std::uint64_t generation);

    EventLoop* loop_ = nullptr;  // where results are handed over
    std::shared_ptr<Handover> handover_ = std::make_shared<Handover>();
    std::stop_source stop_;  // the queued jobs' tokens; replaced by cancel()
    std::mutex mutex_;
    std::condition_variable_any wake_, idle_;
    std::deque<Queued> queue_;  // guarded by mutex_
    bool busy_ = false;         // guarded by mutex_
    std::jthread thread_;       // last: stopped and joined before the rest goes
};

}  // namespace vorta::base
