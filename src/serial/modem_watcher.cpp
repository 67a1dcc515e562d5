#include "serial/modem_watcher.h"

#include <system_error>

namespace vorta::serial {

ModemWatcher::ModemWatcher(base::EventLoop& loop) : loop_(loop) { box_->owner = this; }

ModemWatcher::~ModemWatcher() {
    onChange_ = nullptr;  // whoever listened may be gone already
    stop();
    box_->owner = nullptr;
}

ModemWatcher::Mode ModemWatcher::mode() const {
    const std::lock_guard lock(mutex_);
    return mode_;
}

void ModemWatcher::setMode(Mode mode) {
    const std::lock_guard lock(mutex_);
    mode_ = mode;
}

void ModemWatcher::start(PortIo& port) {
    stop();
    if (!onChange_) return;  // nobody shows the lines: no thread
    {
        const std::lock_guard lock(mutex_);
        stopping_ = finished_ = false;
        mode_ = Mode::Polling;
    }
    port_ = &port;
    const std::uint64_t session = box_->session;
    try {
        thread_ = std::thread([this, &port, session] { run(port, session); });
    } catch (const std::system_error&) {
        // No thread to follow the lines with: the port works without them.
        setMode(Mode::Unavailable);
        post({ModemState::Kind::Unavailable, {}}, session);
    }
}

void ModemWatcher::stop() {
    if (!thread_.joinable()) return;
    {
        std::unique_lock lock(mutex_);
        stopping_ = true;
        wake_.notify_all();
        // The thread may sit in the port's wait, which only an interruption ends;
        // one sent just before the wait began is lost, so it is repeated.
        while (!finished_) {
            lock.unlock();
            port_->interruptLineWait();
            lock.lock();
            wake_.wait_for(lock, kInterruptRepeat, [this] { return finished_; });
        }
        mode_ = Mode::Stopped;
    }
    thread_.join();
    port_ = nullptr;
    ++box_->session;  // what the thread posted and is not raised yet stays unraised
    if (onChange_) {
        const auto handler = onChange_;  // a copy: the handler may replace itself
        handler(ModemState{});
    }
}

bool ModemWatcher::sleep(std::chrono::milliseconds period) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, period, [this] { return stopping_; });
    return !stopping_;
}

void ModemWatcher::post(const ModemState& state, std::uint64_t session) {
    loop_.post([box = box_, state, session] {
        if (!box->owner || box->session != session || !box->owner->onChange_) return;
        const auto handler = box->owner->onChange_;
        handler(state);
    });
}

void ModemWatcher::run(PortIo& port, std::uint64_t session) {
    ModemState shown;  // Closed, which an open port never shows: the first read is raised
    bool canWait = true;
    const auto stopping = [this] {
        const std::lock_guard lock(mutex_);
        return stopping_;
    };
    while (!stopping()) {
        ModemState now;
        now.kind = port.modemLines(now.lines) ? ModemState::Kind::Known : ModemState::Kind::Unavailable;
        if (!(now == shown)) post(shown = now, session);
        if (canWait) {
            setMode(Mode::Waiting);
            const auto began = std::chrono::steady_clock::now();
            const PortIo::LineWait result = port.waitLineChange();
            if (result == PortIo::LineWait::Changed || result == PortIo::LineWait::Interrupted) {
                if (std::chrono::steady_clock::now() - began < kMinWaitGap && !sleep(kMinWaitGap)) break;
                continue;
            }
            if (result == PortIo::LineWait::NoLines) {
                // Nothing to follow for as long as the port stays open: said once, then the thread ends.
                if (shown.kind != ModemState::Kind::Unavailable)
                    post(shown = {ModemState::Kind::Unavailable, {}}, session);
                setMode(Mode::Unavailable);
                break;
            }
            // NoWait: read the lines from now on. Failed: read them a period later and wait again.
            canWait = result != PortIo::LineWait::NoWait;
            if (!canWait) setMode(Mode::Polling);
        }
        if (!sleep(kPollPeriod)) break;
    }
    const std::lock_guard lock(mutex_);
    finished_ = true;
    wake_.notify_all();
}

}  // namespace vorta::serial
