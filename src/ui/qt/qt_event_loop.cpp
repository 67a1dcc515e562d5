#include "ui/qt/qt_event_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace vorta::ui::qt {

QtEventLoop::QtEventLoop() { clock_.start(); }

QtEventLoop::~QtEventLoop() {
    for (auto& [id, timer] : timers_) delete timer;
}

void QtEventLoop::post(Task task) {
    // Queued invocations on one receiver run in the order they were posted.
    QMetaObject::invokeMethod(&receiver_, std::move(task), Qt::QueuedConnection);
}

base::EventLoop::TimerId QtEventLoop::startTimer(int periodMs, Task onTick) {
    auto* timer = new QTimer();
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(periodMs);
    QObject::connect(timer, &QTimer::timeout, timer, std::move(onTick));
    timer->start();
    const TimerId id = nextId_++;
    timers_[id] = timer;
    return id;
}

void QtEventLoop::stopTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->stop();
    // The timer may be stopping itself from its own tick.
    it->second->deleteLater();
    timers_.erase(it);
}

void QtEventLoop::delay(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void QtEventLoop::runUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    while (!done()) loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
}

}  // namespace vorta::ui::qt
