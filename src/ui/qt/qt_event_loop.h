#pragma once
// The event loop interface on Qt's own loop.
#include <QElapsedTimer>
#include <QObject>
#include <map>

#include "base/event_loop.h"

class QTimer;

namespace vorta::ui::qt {

// Runs the tasks posted to it (TaskEvent in qt_event_loop.cpp).
class TaskReceiver : public QObject {
public:
    bool event(QEvent* e) override;
};

class QtEventLoop : public base::EventLoop {
public:
    QtEventLoop();
    ~QtEventLoop() override;
    void post(Task task) override;
    TimerId startTimer(int periodMs, Task onTick) override;
    void stopTimer(TimerId id) override;
    void delay(int ms) override;
    void runUntil(const std::function<bool()>& done) override;
    std::int64_t nowMs() const override { return clock_.elapsed(); }

private:
    TaskReceiver receiver_;  // lives on the UI thread; posted tasks run in its context
    std::map<TimerId, QTimer*> timers_;
    TimerId nextId_ = 1;
    QElapsedTimer clock_;
};

}  // namespace vorta::ui::qt
