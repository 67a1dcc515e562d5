// The frame clock brings the program's refreshes together: one tick serves every
// asker once, ticks keep their distance under a steady stream of requests, and a
// request after a quiet spell is served at once.
#include "ui/qt/frame_clock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <memory>

namespace vorta::ui::qt {
namespace {

// Runs the loop until `done` or `limitMs`; returns how long that took.
template <typename Done>
qint64 RunUntil(Done done, int limitMs = 2000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return t.elapsed();
}

// Waits out the clock, so the next request starts after a quiet spell.
void Quiet() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < kFrameMs + 20) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(FrameClock, OneTickServesEveryAskerOnceAndSkipsTheGone) {
    FrameClock& clock = FrameClock::instance();
    Quiet();
    // Start a stream, so the next requests wait for the following tick.
    int first = 0;
    QObject starter;
    clock.request(&starter, [&] { ++first; });
    RunUntil([&] { return first == 1; });
    QObject display, statusBar;
    auto gone = std::make_unique<QObject>();
    int displayRefreshes = 0, barRefreshes = 0, goneRefreshes = 0;
    // Counts turns of the event loop, to tell whether two refreshes came in one tick.
    int turns = 0;
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, [&] { ++turns; });
    turn.start(0);
    std::vector<int> servedAtTurn;
    clock.request(&display, [&] {
        ++displayRefreshes;
        servedAtTurn.push_back(turns);
    });
    clock.request(&display, [&] { ++displayRefreshes; });  // already waiting: not again
    clock.request(gone.get(), [&] { ++goneRefreshes; });
    clock.request(&statusBar, [&] {
        ++barRefreshes;
        servedAtTurn.push_back(turns);
    });
    gone.reset();
    EXPECT_EQ(displayRefreshes + barRefreshes, 0) << "served before the tick";
    RunUntil([&] { return displayRefreshes + barRefreshes == 2; });
    EXPECT_EQ(displayRefreshes, 1);
    EXPECT_EQ(barRefreshes, 1);
    EXPECT_EQ(goneRefreshes, 0);
    // Both in the same tick: the loop did not turn between them.
    ASSERT_EQ(servedAtTurn.size(), 2u);
    EXPECT_EQ(servedAtTurn[0], servedAtTurn[1]);
    EXPECT_GT(servedAtTurn[0], 0) << "the turn counter did not run while the tick was waited for";
    Quiet();
    EXPECT_EQ(displayRefreshes, 1) << "a refresh without a request";
}

TEST(FrameClock, ASteadyStreamTicksAFrameApartAndAQuietOneAtOnce) {
    FrameClock& clock = FrameClock::instance();
    Quiet();
    QObject asker;
    int refreshes = 0;
    // After a quiet spell: served at the next turn of the loop.
    clock.request(&asker, [&] { ++refreshes; });
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(refreshes, 1) << "a write after a quiet spell waited for a frame";
    // A refresh that asks again, as a display receiving a stream does.
    std::vector<qint64> at;
    QElapsedTimer clockTime;
    clockTime.start();
    std::function<void()> again = [&] {
        at.push_back(clockTime.elapsed());
        if (at.size() < 5) clock.request(&asker, again);
    };
    clock.request(&asker, again);
    RunUntil([&] { return at.size() == 5; }, 5000);
    ASSERT_EQ(at.size(), 5u);
    for (std::size_t i = 1; i < at.size(); ++i)
        EXPECT_GE(at[i] - at[i - 1], kFrameMs * 9 / 10) << "ticks " << i - 1 << " and " << i << " too close";
}

}  // namespace
}  // namespace vorta::ui::qt
