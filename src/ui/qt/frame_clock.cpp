#include "ui/qt/frame_clock.h"

#include <QCoreApplication>
#include <algorithm>
#include <utility>

namespace vorta::ui::qt {

FrameClock& FrameClock::instance() {
    static QPointer<FrameClock> clock;
    if (!clock) clock = new FrameClock(QCoreApplication::instance());
    return *clock;
}

FrameClock::FrameClock(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
    sinceTick_.start();
}

void FrameClock::request(QObject* asker, std::function<void()> refresh) {
    for (const Request& r : waiting_)
        if (r.asker == asker) return;
    waiting_.push_back({asker, std::move(refresh)});
    if (!timer_.isActive()) timer_.start(static_cast<int>(std::max<qint64>(0, kFrameMs - sinceTick_.elapsed())));
}

void FrameClock::tick() {
    sinceTick_.restart();
    // A refresh may ask again; that waits for the next tick.
    const std::vector<Request> due = std::exchange(waiting_, {});
    for (const Request& r : due)
        if (r.asker) r.refresh();
}

}  // namespace vorta::ui::qt
