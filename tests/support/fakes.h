#pragma once
// Test doubles for the desktop: a fixed screen, a settable pointer, an in-memory
// clipboard, an Enter key that the test presses, and a view that records what
// the program showed.
#include <functional>
#include <optional>
#include <vector>

#include "ui/model.h"
#include "ui/platform.h"

namespace vorta::test {

class FakePlatform : public ui::Platform {
public:
    ui::Size screen{1920, 1080};
    ui::Point cursor{300, 200};
    std::optional<ui::Text> clipboard;
    bool enterAvailable = true;
    std::function<void()> enterHandler;
    int enterRegistrations = 0;

    std::optional<ui::Size> available;  // the screen without panels; the whole screen when unset
    ui::Size screenSize() const override { return screen; }
    ui::Size availableScreenSize() const override { return available.value_or(screen); }
    ui::Point cursorPos() const override { return cursor; }
    std::optional<ui::Text> clipboardText() const override { return clipboard; }
    void setClipboardText(const ui::Text& text) override { clipboard = text; }
    bool registerEnterHotKey(std::function<void()> onPressed) override {
        if (!enterAvailable) return false;
        ++enterRegistrations;
        enterHandler = std::move(onPressed);
        return true;
    }
    void unregisterEnterHotKey() override { enterHandler = nullptr; }
    std::function<void()> quitHandler;
    void setQuitHandler(std::function<void()> handler) override { quitHandler = std::move(handler); }
    // The user presses Enter somewhere on the desktop.
    void pressEnter() {
        if (enterHandler) enterHandler();
    }
};

struct BalloonShown {
    int x, y;
    ui::Text text;
    bool flag;
};

class RecordingView : public ui::View {
public:
    std::vector<BalloonShown> balloons;
    std::vector<std::pair<ui::Text, ui::Point>> menus;
    std::optional<ui::Text> saveAnswer;  // what the save dialog returns
    std::vector<ui::Text> saveFilters;
    std::optional<ui::Text> openAnswer;                      // what the open dialog returns
    std::vector<std::pair<ui::Text, ui::Text>> openDialogs;  // filter and folder of each open dialog
    int interfaceStyle = 0;
    std::vector<ui::Text> focused;    // controls given the keyboard focus, in order
    std::vector<ui::Text> activated;  // windows brought to the front, in order

    void applyInterfaceStyle(int style) override { interfaceStyle = style; }
    void controlChanged(ui::Control& c, ui::Prop prop) override {
        if (prop == ui::Prop::Focus) focused.push_back(c.name());
    }
    void windowChanged(ui::Window& w, ui::Prop prop) override {
        if (prop == ui::Prop::Activate) activated.push_back(w.name());
    }
    void showBalloon(ui::Control&, int x, int y, const ui::Text& text, bool flag) override {
        balloons.push_back({x, y, text, flag});
    }
    void popupMenu(ui::Control& menu, int x, int y) override { menus.push_back({menu.name(), {x, y}}); }
    std::optional<ui::Text> showSaveDialog(ui::Control&, const ui::Text& filter, const ui::Text&) override {
        saveFilters.push_back(filter);
        return saveAnswer;
    }
    std::optional<ui::Text> showOpenDialog(ui::Control&, const ui::Text& filter, const ui::Text& folder) override {
        openDialogs.push_back({filter, folder});
        return openAnswer;
    }
};

}  // namespace vorta::test

namespace vorta::test {

// Gives every binding of a window an action that does nothing, so that a test
// can open the window with only the features it builds. Declared before those
// features: the actions they register replace these.
struct NoOpActions {
    NoOpActions(ui::Model& model, const ui::WindowDef& def) {
        for (const ui::BindingDef& b : def.bindings)
            model.registerAction(ui::ActionId{b.action}, [](ui::Control&, const ui::EventArgs&) {});
    }
};

}  // namespace vorta::test
