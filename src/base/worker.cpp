#include "base/worker.h"

#include <system_error>

namespace vorta::base {

Worker::Worker(EventLoop& loop) : loop_(&loop) {}

Worker::~Worker() {
    cancel();
    handover_->alive = false;
    // thread_ goes first: std::jthread requests its stop, which wakes the wait in serve(), and joins.
}

void Worker::run(Job job) {
    const std::uint64_t generation = handover_->generation;
    if (!thread_.joinable()) {
        try {
            thread_ = std::jthread([this](const std::stop_token& threadStop) { serve(threadStop); });
        } catch (const std::system_error&) {
            handOver(job(stop_.get_token()), generation);
            return;
        }
    }
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(job), stop_.get_token(), generation});
    }
    wake_.notify_one();
}

void Worker::cancel() {
    ++handover_->generation;
    std::deque<Queued> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(queue_);
        stop_.request_stop();
        stop_ = std::stop_source();
    }
    idle_.notify_all();
    // `dropped` goes here, on the UI thread, with whatever its jobs hold.
}

void Worker::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void Worker::serve(const std::stop_token& threadStop) {
    std::unique_lock lock(mutex_);
    while (wake_.wait(lock, threadStop, [this] { return !queue_.empty(); })) {
        Queued next = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        if (!next.stop.stop_requested()) handOver(next.job(next.stop), next.generation);
        next = {};  // what the job holds goes before it counts as ended
        lock.lock();
        busy_ = false;
        idle_.notify_all();
    }
}

void Worker::handOver(Done done, std::uint64_t generation) {
    if (!done || !loop_) return;
    loop_->post([handover = handover_, generation, done = std::move(done)] {
        if (handover->alive && handover->generation == generation) done();
    });
}

}  // namespace vorta::base
