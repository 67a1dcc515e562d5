#pragma once
// The desktop's request to end the program (logout and shutdown send SIGTERM,
// a closed terminal SIGHUP, Ctrl+C SIGINT), turned into a call on the UI
// thread, so the program ends as when its window is closed. The signal
// handler only writes a byte into a pipe that the event loop watches.
#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigaction is POSIX, declared here

#include <functional>
#include <memory>

class QSocketNotifier;

namespace vorta::ui::qt {

class QuitSignals {
public:
    // Catches SIGTERM, SIGHUP and SIGINT until destroyed; `onQuit` runs on the
    // UI thread for each burst of them. Needs the application object.
    explicit QuitSignals(std::function<void()> onQuit);
    // The three signals end the process again.
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    std::function<void()> onQuit_;
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previous_[3] = {};
};

}  // namespace vorta::ui::qt
