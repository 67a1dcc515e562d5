// Work off the UI thread: results handed over on the loop's thread, jobs
// stopped through their token, nothing handed over once the worker is gone.
#include "base/worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/virtual_loop.h"

namespace vorta::base {
namespace {

using namespace std::chrono_literals;

// Long work as a job sees it: it ends only when its stop is requested.
void WaitForStop(const std::stop_token& stop) {
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait(lock, stop, [] { return false; });
}

// A job's start, seen from the UI thread.
class Started {
public:
    void mark() {
        std::lock_guard lock(mutex_);
        started_ = true;
        changed_.notify_all();
    }
    void wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return started_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;
};

TEST(Worker, TheJobRunsOnAnotherThreadAndItsResultOnTheLoopsThread) {
    VirtualLoop loop;
    Worker worker(loop);
    const std::thread::id ui = std::this_thread::get_id();
    std::thread::id ranOn, handedOverOn;
    int result = 0;
    worker.run([&](const std::stop_token&) -> Worker::Done {
        ranOn = std::this_thread::get_id();
        return [&] {
            handedOverOn = std::this_thread::get_id();
            result = 42;
        };
    });
    worker.waitUntilIdle();
    EXPECT_EQ(result, 0) << "handed over outside the loop";
    ASSERT_TRUE(loop.runUntilReal([&] { return result != 0; }, 5s));
    EXPECT_NE(ranOn, ui);
    EXPECT_EQ(handedOverOn, ui);
}

TEST(Worker, JobsRunOneAfterAnotherAndHandOverInTheOrderAskedFor) {
    VirtualLoop loop;
    Worker worker(loop);
    std::vector<int> ran, handedOver;  // `ran` on the worker's thread only, read once idle
    for (int n = 1; n <= 5; ++n)
        worker.run([&, n](const std::stop_token&) -> Worker::Done {
            ran.push_back(n);
            return [&, n] { handedOver.push_back(n); };
        });
    worker.waitUntilIdle();
    loop.runPending();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(handedOver, ran);
}

// A cancel stops the job under way through its token, drops the waiting ones
// and every result from before it; a job asked for after it runs as usual.
TEST(Worker, CancelStopsTheJobUnderWayAndDropsTheWaitingOnesAndTheirResults) {
    VirtualLoop loop;
    Worker worker(loop);
    Started started;
    std::atomic<bool> sawStop{false}, waitingRan{false};
    std::vector<int> handedOver;
    worker.run([&](const std::stop_token& stop) -> Worker::Done {
        started.mark();
        WaitForStop(stop);
        sawStop = stop.stop_requested();
        return [&] { handedOver.push_back(1); };
    });
    worker.run([&](const std::stop_token&) -> Worker::Done {
        waitingRan = true;
        return [&] { handedOver.push_back(2); };
    });
    started.wait();
    worker.cancel();
    worker.run([&](const std::stop_token& stop) -> Worker::Done {
        EXPECT_FALSE(stop.stop_requested()) << "a job asked for after the cancel was stopped";
        return [&] { handedOver.push_back(3); };
    });
    worker.waitUntilIdle();
    loop.runPending();
    EXPECT_TRUE(sawStop);
    EXPECT_FALSE(waitingRan);
    EXPECT_EQ(handedOver, (std::vector<int>{3}));
}

// A result already posted when the cancel comes is dropped too.
TEST(Worker, AResultPostedBeforeACancelIsNotHandedOver) {
    VirtualLoop loop;
    Worker worker(loop);
    bool handedOver = false;
    worker.run([&](const std::stop_token&) -> Worker::Done { return [&] { handedOver = true; }; });
    worker.waitUntilIdle();  // posted, not yet run
    worker.cancel();
    loop.runPending();
    EXPECT_FALSE(handedOver);
}

// The destructor stops a job that would run until stopped, instead of waiting
// for it (this test would never end otherwise), and hands nothing over after it.
TEST(Worker, DestroyingTheWorkerStopsALongJobAndHandsNothingOverAfter) {
    VirtualLoop loop;
    Started started;
    std::atomic<bool> sawStop{false}, waitingRan{false};
    bool handedOver = false;
    {
        Worker worker(loop);
        worker.run([&](const std::stop_token& stop) -> Worker::Done {
            started.mark();
            WaitForStop(stop);
            sawStop = stop.stop_requested();
            return [&] { handedOver = true; };
        });
        worker.run([&](const std::stop_token&) -> Worker::Done {
            waitingRan = true;
            return nullptr;
        });
        started.wait();
    }
    EXPECT_TRUE(sawStop);
    EXPECT_FALSE(waitingRan);
    loop.runPending();
    EXPECT_FALSE(handedOver);
}

// What a job holds goes with it on the worker's thread, before waitUntilIdle() returns.
TEST(Worker, WhatAJobHoldsIsReleasedByTheTimeItCountsAsEnded) {
    VirtualLoop loop;
    Worker worker(loop);
    auto held = std::make_shared<int>(7);
    const std::weak_ptr<int> watch = held;
    worker.run([held = std::move(held)](const std::stop_token&) -> Worker::Done { return nullptr; });
    worker.waitUntilIdle();
    EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace vorta::base
