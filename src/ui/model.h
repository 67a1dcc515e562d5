#pragma once
// The toolkit-free control model. Windows are created from their definitions;
// the logic addresses a control by window and name, reads and writes its typed
// properties, calls its commands and is called back through events. Every rule
// of how a control behaves when the program or the user changes it lives here,
// in one place, so the logic behaves the same under Qt and under test.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/char_format.h"
#include "ui/control_def.h"
#include "base/event_loop.h"
#include "ui/platform.h"
#include "ui/rich_text.h"

namespace vorta::ui {

class Control;
class Window;
class Model;

struct EventArgs {
    int x = 0, y = 0;   // mouse position within the control
    int value = 0;      // notification value (Notify)
    bool ctrl = false, shift = false, alt = false;
};

using Action = std::function<void(Control& source, const EventArgs& args)>;

// What a view is told. Every call happens on the UI thread, inside the model
// operation that caused it; a view should only note the change and repaint later.
enum class Prop {
    Geometry, Visible, Disabled, Text, Checked, Items, Selection, Fill, RichText, Panel, Title, AlwaysOnTop, State,
};

class View {
public:
    virtual ~View() = default;
    // Restyles every standard control of the program, now and later, to one look.
    virtual void applyInterfaceStyle(int /*style*/) {}
    virtual void windowOpened(Window&) {}
    virtual void windowClosed(Window&) {}
    virtual void windowChanged(Window&, Prop) {}
    virtual void controlChanged(Control&, Prop) {}
    // Balloon tip: show `text` at screen point (x, y).
    virtual void showBalloon(Control&, int /*x*/, int /*y*/, const Text& /*text*/, bool /*flag*/) {}
    // Pop-up menu at screen point (x, y); the user's choice comes back through Model::userMenuSelect.
    virtual void popupMenu(Control& /*menu*/, int /*x*/, int /*y*/) {}
    // Save dialog; returns the chosen path (GBK) or nullopt when cancelled.
    virtual std::optional<Text> showSaveDialog(Control&, const Text& /*filter*/, const Text& /*initialDir*/) {
        return std::nullopt;
    }
};

class Control {
public:
    Control(Window& window, const ControlDef& def);

    const ControlDef& def() const { return def_; }
    const Text& name() const { return def_.name; }
    Kind kind() const { return def_.kind; }
    Window& window() { return window_; }
    const Window& window() const { return window_; }
    Control* parent() const { return parent_; }

    // ---- common to every visible control ----
    int left() const { return rect_.left; }
    int top() const { return rect_.top; }
    int width() const { return rect_.width; }
    int height() const { return rect_.height; }
    const Rect& rect() const { return rect_; }
    void setLeft(int v);
    void setTop(int v);
    void setWidth(int v);
    void setHeight(int v);
    bool visible() const { return visible_; }
    void setVisible(bool v);
    bool disabled() const { return disabled_; }
    void setDisabled(bool v);

    // ---- text: edit content, caption, combo text ----
    // Edit box: writing raises ContentChanged exactly once, also when unchanged.
    // Combo box: a drop-down list reads its selected item ("" with none); an
    // editable one reads and writes its edit field.
    Text text() const;
    void setText(const Text& text);

    // ---- check box, radio button: writing touches only this control, raises nothing ----
    bool checked() const { return checked_; }
    void setChecked(bool v);

    // ---- combo box ----
    const std::vector<Text>& items() const { return items_; }
    // Notes a view may show beside the items in the opened list (never part of the text).
    const std::vector<Text>& itemNotes() const { return itemNotes_; }
    void setItemNotes(std::vector<Text> notes);
    void addItem(const Text& item);
    void clearItems();
    int selectedIndex() const { return selected_; }
    // Clamps: above the last item selects the last (none when empty); below 0 clears.
    // Never raises ListItemSelected.
    void setSelectedIndex(int index);

    // ---- shape ----
    Colour fillColour() const { return fill_; }
    void setFillColour(Colour colour);

    // ---- timer: period in ms; same value changes nothing; else restart when > 0 ----
    int period() const { return period_; }
    void setPeriod(int ms);

    // ---- rich text box ----
    RichText& rich() { return *rich_; }
    const RichText& rich() const { return *rich_; }
    void setSelection(std::int64_t start, std::int64_t length);
    Text selectedText() const { return rich_->selectedText(); }
    void replaceSelection(const Text& text);  // "selected text" write
    void setInsertionFormat(const CharFormat& format);
    void deleteSelection();
    void scrollToEnd();

    // ---- status bar ----
    Text panelText(int panel) const;
    void setPanelText(int panel, const Text& text);  // outside the panels: nothing

    // ---- balloon tip ----
    void showBalloon(int x, int y, const Text& text, int icon = -1, bool flag = false);
    const Text& lastBalloonText() const { return balloonText_; }

    // ---- menu ----
    void popup(int x, int y);

    // ---- file dialog: returns the chosen path or nullopt when cancelled ----
    std::optional<Text> showSaveDialog(const Text& filter, const Text& initialDir);

private:
    friend class Window;
    friend class Model;
    void changed(Prop prop);

    Window& window_;
    const ControlDef& def_;
    Control* parent_ = nullptr;
    Rect rect_;
    bool visible_, disabled_, checked_;
    Text text_;
    std::vector<Text> items_;
    std::vector<Text> itemNotes_;
    int selected_;
    Colour fill_;
    int period_ = 0;
    base::EventLoop::TimerId timerId_ = 0;
    std::vector<Text> panels_;
    Text balloonText_;
    std::unique_ptr<RichText> rich_;
};

class Window {
public:
    Window(Model& model, const WindowDef& def);
    ~Window();

    const WindowDef& def() const { return def_; }
    const Text& name() const { return def_.name; }
    Model& model() { return model_; }

    // The control named `name`; aborts with a message for an unknown name,
    // since that is a fault in the program, not in the user's input.
    Control& operator[](std::string_view name);
    Control* find(std::string_view name);
    std::vector<std::unique_ptr<Control>>& controls() { return controls_; }

    // Outer rectangle on the screen. Writing width or height raises SizeChanged.
    int left() const { return rect_.left; }
    int top() const { return rect_.top; }
    int width() const { return rect_.width; }
    int height() const { return rect_.height; }
    void setLeft(int v);
    void setTop(int v);
    void setWidth(int v);
    void setHeight(int v);
    // 0 normal, 2 minimised, 3 maximised.
    int state() const { return state_; }
    bool alwaysOnTop() const { return alwaysOnTop_; }
    void setAlwaysOnTop(bool on);
    bool isOpen() const { return open_; }
    bool modal() const { return modal_; }

    // Runs the handlers bound to (control, event); an empty control name is the window.
    void raise(Control& source, Event event, const EventArgs& args = {});
    void raiseWindow(Event event);
    // Binds a handler in addition to those of the definition.
    void on(std::string_view control, Event event, Action action);

    // Destroys the window: Destroying runs while the controls still exist.
    void close();

private:
    friend class Model;
    Model& model_;
    const WindowDef& def_;
    Rect rect_;
    int state_ = 0;
    bool alwaysOnTop_ = false;
    bool open_ = false;
    bool modal_ = false;
    bool closing_ = false;
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<std::string, Control*, std::less<>> byName_;
    std::unique_ptr<Control> self_;  // stands for the window as an event source
    std::multimap<std::pair<std::string, Event>, Action> handlers_;
};

class Model {
public:
    Model(base::EventLoop& loop, Size screen);
    ~Model();

    base::EventLoop& loop() { return loop_; }
    Size screen() const { return screen_; }
    void setView(View* view);
    View* view() const { return view_; }

    // Named behaviours that definitions bind events to.
    void registerAction(const Text& name, Action action);

    // Creates a window from its definition (which must outlive it: windows keep
    // referring to their definitions) with all its controls, shows it and
    // runs its Created event. A modal window runs the loop until it is closed
    // and is then already destroyed when this returns (nullptr).
    Window* openWindow(const WindowDef& def, bool modal = false);
    Window* window(std::string_view name);
    // Called back after a window has been destroyed (e.g. to end the program).
    std::function<void(const Text& name)> onWindowDestroyed;

    // ---- input from the view (the user) ----
    void userClick(Control& c);
    void userSelectItem(Control& c, int index);
    void userEditText(Control& c, const Text& text);
    void userMouse(Control& c, Event event, const EventArgs& args);
    void userLostFocus(Control& c);
    void userMenuSelect(Control& item);
    void userNotify(Control& c, int value);
    void userMoved(Window& w, int left, int top);
    void userResized(Window& w, int width, int height);
    void userStateChanged(Window& w, int state);
    void userClose(Window& w);

private:
    friend class Window;
    friend class Control;
    base::EventLoop& loop_;
    Size screen_;
    View* view_ = nullptr;
    std::map<Text, Action> actions_;
    std::vector<std::unique_ptr<Window>> windows_;
};

}  // namespace vorta::ui
