#include "base/latest_job.h"

namespace vorta::base {

LatestJob::LatestJob(EventLoop& loop) : loop_(loop) {}

LatestJob::~LatestJob() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->alive = false;
        stop_ = true;
        waiting_ = nullptr;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void LatestJob::request(Work work) {
    {
        std::lock_guard lock(shared_->mutex);
        waiting_ = std::move(work);
        ++shared_->latest;
    }
    // Started at the first request: a program that never needs it has no thread for it.
    if (!thread_.joinable()) thread_ = std::thread(&LatestJob::serve, this);
    wake_.notify_all();
}

void LatestJob::cancel() {
    std::lock_guard lock(shared_->mutex);
    ++shared_->latest;
    waiting_ = nullptr;
}

void LatestJob::serve() {
    for (;;) {
        Work work;
        std::uint64_t number = 0;
        {
            std::unique_lock lock(shared_->mutex);
            wake_.wait(lock, [this] { return stop_ || waiting_; });
            if (stop_) return;
            // The waiting request is the latest: a later one or a cancel would have replaced it.
            work = std::move(waiting_);
            waiting_ = nullptr;
            number = shared_->latest;
        }
        std::function<void()> done = work();
        loop_.post([shared = shared_, number, done = std::move(done)] {
            {
                std::lock_guard lock(shared->mutex);
                if (!shared->alive || number != shared->latest) return;
            }
            if (done) done();
        });
    }
}

}  // namespace vorta::base
