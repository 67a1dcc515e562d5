#pragma once
// One clock for the refreshes the program's own writes cause in the Qt binding
// (the display following received data, the status bar's counters). However
// many writes come in, each asker is refreshed at most once per tick, and all of
// them in the same tick, so their repaints go to the screen in one pass and the
// UI thread wakes once per frame, not once per asker.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

namespace vorta::ui::qt {

// The shortest time between two ticks, in milliseconds. At 115200 baud each
// repaint costs more than taking in the bytes that arrive between two of them;
// ten a second still shows a stream as it flows. A write after a quiet spell
// is shown at once. The user's own edits, selections and scrolling do not wait
// for the clock.
inline constexpr int kFrameMs = 100;

class FrameClock : public QObject {
public:
    // The clock of the UI thread, owned by the application object.
    static FrameClock& instance();

    // Calls `refresh` at the next tick, unless `asker` already waits for it or is
    // gone by then. The tick comes kFrameMs after the last one at the earliest.
    void request(QObject* asker, std::function<void()> refresh);

private:
    explicit FrameClock(QObject* parent);
    void tick();

    struct Request {
        QPointer<QObject> asker;
        std::function<void()> refresh;
    };
    std::vector<Request> waiting_;
    QTimer timer_;
    QElapsedTimer sinceTick_;
};

}  // namespace vorta::ui::qt
