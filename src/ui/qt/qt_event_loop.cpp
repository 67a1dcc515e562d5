#include "ui/qt/qt_event_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace vorta::ui::qt {

QtEventLoop::QtEventLoop() { clock_.start(); }

QtEventLoop::~QtEventLoop() {
    for (auto& [id, timer] : timers_) delete timer;
}

namespace {

const QEvent::Type kTaskEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct TaskEvent : QEvent {
    explicit TaskEvent(base::EventLoop::Task work) : QEvent(kTaskEvent), task(std::move(work)) {}
    base::EventLoop::Task task;
};

}  // namespace

bool TaskReceiver::event(QEvent* e) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(e);  // before the first read of the event (its type)
#endif
    if (e->type() != kTaskEvent) return QObject::event(e);
    static_cast<TaskEvent*>(e)->task();
    return true;
}

void QtEventLoop::post(Task task) {
    // Posted events of one receiver run in the order they were posted.
    auto* e = new TaskEvent(std::move(task));
#if defined(__SANITIZE_THREAD__)
    // Qt's event queue locks with futex waits of its own, which ThreadSanitizer
    // does not see in a Qt built without it: the handover is told to it here.
    __tsan_release(e);
#endif
    QCoreApplication::postEvent(&receiver_, e);
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
