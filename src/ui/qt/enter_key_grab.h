#pragma once
// Enter with no modifier, taken from whichever program has the keyboard focus.
// On X11 the key is grabbed on the root window (also with NumLock and CapsLock
// on, so those locks do not defeat it). Without X11 (Wayland, offscreen) no
// program may take keys from others: Enter is then taken in every window of
// this program only.
#include <QAbstractNativeEventFilter>
#include <QObject>
#include <functional>
#include <vector>

namespace vorta::ui::qt {

class EnterKeyGrab : public QObject, public QAbstractNativeEventFilter {
public:
    EnterKeyGrab();
    ~EnterKeyGrab() override;
    // Returns false when another program holds the key.
    [[nodiscard]] bool grab(std::function<void()> onPressed);
    void release();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pressed();
    std::function<void()> onPressed_;
    std::vector<unsigned> keycodes_;  // grabbed X11 key codes (Return, keypad Enter)
    bool active_ = false;
};

}  // namespace vorta::ui::qt
