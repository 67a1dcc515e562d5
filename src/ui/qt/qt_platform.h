#pragma once
// Desktop services on Qt: screen, pointer, clipboard and the system-wide Enter key.
#include <functional>
#include <memory>

#include "ui/platform.h"

namespace vorta::ui::qt {

class EnterKeyGrab;
class QuitSignals;

class QtPlatform : public Platform {
public:
    QtPlatform();
    ~QtPlatform() override;
    Size screenSize() const override;
    Size availableScreenSize() const override;
    Point cursorPos() const override;
    std::optional<Text> clipboardText() const override;
    void setClipboardText(const Text& text) override;
    void setClipboardSnapshot(const TextSnapshot& text) override;
    bool clipboardHasText() const override;
    [[nodiscard]] bool registerEnterHotKey(std::function<void()> onPressed) override;
    void unregisterEnterHotKey() override;
    // SIGTERM, SIGHUP and SIGINT.
    void setQuitHandler(std::function<void()> handler) override;

private:
    std::unique_ptr<EnterKeyGrab> enter_;
    std::unique_ptr<QuitSignals> quit_;
};

}  // namespace vorta::ui::qt
