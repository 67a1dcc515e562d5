#pragma once
// A port whose modem lines the test sets, standing for the drivers: one that
// waits for a change (TIOCMIWAIT), one that can only be read, one without
// lines.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "support/idle_port.h"

namespace vorta::test {

// What the fake port's driver can do with its modem lines.
enum class Driver {
    Waits,      // TIOCMIWAIT
    ReadsOnly,  // TIOCMGET, no wait
    NoLines,    // a pseudo-terminal
    NotYet,     // lines read as absent, no wait (a network port before its server's first report)
    FailsOnce,  // the first wait fails (device gone a moment), later ones wait
};

class LinesPort : public IdlePort {
public:
    explicit LinesPort(Driver driver) : driver_(driver) {}

    bool modemLines(serial::ModemLines& lines) const override {
        const std::lock_guard lock(mutex_);
        ++reads_;
        if (driver_ == Driver::NoLines || driver_ == Driver::NotYet) return false;
        lines = lines_;
        return true;
    }
    LineWait waitLineChange() override {
        std::unique_lock lock(mutex_);
        ++waits_;
        if (driver_ == Driver::NoLines) return LineWait::NoLines;
        if (driver_ == Driver::ReadsOnly || driver_ == Driver::NotYet) return LineWait::NoWait;
        if (driver_ == Driver::FailsOnce && waits_ == 1) return LineWait::Failed;
        const int changes = changes_, interrupts = interrupts_;
        waiting_ = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return changes_ != changes || interrupts_ != interrupts; });
        waiting_ = false;
        return changes_ != changes ? LineWait::Changed : LineWait::Interrupted;
    }
    void interruptLineWait() override {
        const std::lock_guard lock(mutex_);
        ++interruptCalls_;
        // A signal sent just before the wait began is lost.
        if (lostInterrupts_ > 0) {
            --lostInterrupts_;
            return;
        }
        ++interrupts_;
        changed_.notify_all();
    }

    void setLines(const serial::ModemLines& lines) {
        const std::lock_guard lock(mutex_);
        lines_ = lines;
        ++changes_;
        changed_.notify_all();
    }
    void loseInterrupts(int n) {
        const std::lock_guard lock(mutex_);
        lostInterrupts_ = n;
    }
    bool waitUntilWaiting() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(2), [this] { return waiting_; });
    }
    int reads() const { return reads_; }
    int waits() const { return waits_; }
    int interruptCalls() const { return interruptCalls_; }

private:
    const Driver driver_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    serial::ModemLines lines_{.cts = true, .dsr = false, .dcd = true, .ri = false};
    mutable std::atomic<int> reads_{0};
    std::atomic<int> waits_{0}, interruptCalls_{0};
    int changes_ = 0, interrupts_ = 0, lostInterrupts_ = 0;
    bool waiting_ = false;
};

}  // namespace vorta::test
