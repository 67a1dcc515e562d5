#pragma once
// The few services of the desktop that the logic uses besides its windows.
// The Qt binding implements them; tests use a fake.
#include <functional>
#include <optional>

#include "ui/control_def.h"
#include "ui/text_snapshot.h"

namespace vorta::ui {

struct Point {
    int x = 0, y = 0;
};
struct Size {
    int width = 0, height = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    // The primary screen's size in pixels.
    virtual Size screenSize() const = 0;
    // The part of the primary screen that windows may take (without panels and
    // docks); the whole screen where the desktop does not say.
    virtual Size availableScreenSize() const { return screenSize(); }
    // The mouse pointer's position on the screen.
    virtual Point cursorPos() const = 0;

    // Clipboard as plain text (GBK). nullopt when it holds no text.
    virtual std::optional<Text> clipboardText() const = 0;
    virtual void setClipboardText(const Text& text) = 0;
    // The same for bytes held in a snapshot (a large selection): a platform may
    // keep the snapshot and convert it only when a program asks for the text.
    virtual void setClipboardSnapshot(const TextSnapshot& text) { setClipboardText(text.bytes()); }
    // Whether the clipboard holds plain text, without reading it.
    virtual bool clipboardHasText() const { return clipboardText().has_value(); }

    // System-wide Enter key: while registered, Enter with no modifier calls onPressed
    // (on the UI thread) whichever program has the keyboard focus. Returns false when
    // the key could not be taken.
    [[nodiscard]] virtual bool registerEnterHotKey(std::function<void()> onPressed) = 0;
    virtual void unregisterEnterHotKey() = 0;

    // The desktop asking the program to end (logout, shutdown, kill): `handler`
    // runs on the UI thread instead of the process ending at once. An empty
    // handler gives the request its default again.
    // NOLINTNEXTLINE(performance-unnecessary-value-param): by value, so the Qt platform can keep it by moving
    virtual void setQuitHandler(std::function<void()> handler) { (void)handler; }
};

}  // namespace vorta::ui
