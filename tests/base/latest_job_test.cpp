// Long work on a thread of its own, its result handed back on the UI thread;
// only the latest request counts.
#include "base/latest_job.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "base/virtual_loop.h"

namespace vorta::base {
namespace {

using namespace std::chrono_literals;

TEST(LatestJob, TheResultIsHandedOverOnTheLoopsThreadAfterTheWorkRanOnAnother) {
    VirtualLoop loop;
    LatestJob job(loop);
    const std::thread::id ui = std::this_thread::get_id();
    std::thread::id workedOn, handedOverOn;
    int result = 0;
    job.request([&]() -> std::function<void()> {
        workedOn = std::this_thread::get_id();
        return [&] {
            handedOverOn = std::this_thread::get_id();
            result = 42;
        };
    });
    ASSERT_TRUE(loop.runUntilReal([&] { return result != 0; }, 5s));
    EXPECT_NE(workedOn, ui);
    EXPECT_EQ(handedOverOn, ui);
}

TEST(LatestJob, RequestsWhileOneRunsLeaveOnlyTheLatestToRunAndHandOver) {
    VirtualLoop loop;
    LatestJob job(loop);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> started{0};
    std::vector<int> ran, handedOver;
    std::mutex ranMutex;
    auto work = [&](int n, bool block) {
        return [&, n, block]() -> std::function<void()> {
            ++started;
            if (block) released.wait();
            {
                std::lock_guard lock(ranMutex);
                ran.push_back(n);
            }
            return [&, n] { handedOver.push_back(n); };
        };
    };
    job.request(work(1, true));
    while (started == 0) std::this_thread::sleep_for(1ms);
    job.request(work(2, false));  // waits, then is replaced by 3
    job.request(work(3, false));
    release.set_value();
    ASSERT_TRUE(loop.runUntilReal([&] { return !handedOver.empty(); }, 5s));
    loop.runUntilReal([] { return false; }, 100ms);
    EXPECT_EQ(ran, (std::vector<int>{1, 3})) << "a replaced request ran";
    EXPECT_EQ(handedOver, (std::vector<int>{3})) << "a superseded result was handed over";
}

TEST(LatestJob, CancelledOrOutlivedResultsAreDropped) {
    VirtualLoop loop;
    bool handedOver = false;
    {
        LatestJob job(loop);
        std::atomic<bool> done{false};
        job.request([&]() -> std::function<void()> {
            done = true;
            return [&] { handedOver = true; };
        });
        while (!done) std::this_thread::sleep_for(1ms);
        job.cancel();
        loop.runUntilReal([] { return false; }, 100ms);
        EXPECT_FALSE(handedOver) << "handed over after a cancel";
        job.request([&]() -> std::function<void()> { return [&] { handedOver = true; }; });
    }  // gone before the loop ran the hand-over
    loop.runUntilReal([] { return false; }, 100ms);
    EXPECT_FALSE(handedOver) << "handed over after the job was destroyed";
}

}  // namespace
}  // namespace vorta::base
