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

enum class WindowState { Normal = 0, Minimised = 2, Maximised = 3 };

class Control;
class Window;
class Model;

struct EventArgs {
    int x = 0, y = 0;  // mouse position within the control
    bool ctrl = false, shift = false, alt = false;
};

using Action = std::function<void(Control& source, const EventArgs& args)>;

// What a view is told. Every call happens on the UI thread, inside the model
// operation that caused it; a view should only note the change and repaint later.
enum class Prop {
    Geometry,
    Visible,
    Disabled,
    Content,
    Checked,
    Items,
    Selection,
    Fill,
    RichText,
    Panel,
    Title,
    AlwaysOnTop,
    State,
    Focus,     // a command rather than a property: the control takes the keyboard focus
    Activate,  // a command: the window comes to the front, restored if minimised, with the focus
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
    // Open dialog for an existing file; the same filter form and result.
    virtual std::optional<Text> showOpenDialog(Control&, const Text& /*filter*/, const Text& /*initialDir*/) {
        return std::nullopt;
    }
    // Ends the dialog now shown, if any, as if cancelled: its call returns nullopt.
    virtual void cancelDialog() {}
};

// A control of any kind: what every control has (geometry, visibility, state,
// its text). What only one kind has lives in that kind's class below and is
// reached through a typed identifier (Window::operator[]) or as<Kind>().
class Control {
public:
    Control(Window& window, const ControlDef& def);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // Every kind is a Control.
    static bool accepts(Kind) { return true; }

    const ControlDef& def() const { return def_; }
    const Text& name() const { return def_.name; }
    Kind kind() const { return def_.kind; }
    Window& window() { return window_; }
    const Window& window() const { return window_; }
    Control* parent() const { return parent_; }

    // This control as its kind's class; aborts when it is of another kind,
    // since that is a fault in the program, not in the user's input.
    template <class K>
    K& as() {
        if (!K::accepts(kind())) wrongKind();
        return static_cast<K&>(*this);
    }

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
    // Gives the control the keyboard focus.
    void setFocus() { changed(Prop::Focus); }

    // ---- text: edit content, caption, combo text, rich text content ----
    // Edit box: writing raises ContentChanged exactly once, also when unchanged.
    // Combo box: a drop-down list reads its selected item ("" with none); an
    // editable one reads and writes its edit field.
    virtual Text text() const { return text_; }
    virtual void setText(const Text& text);

protected:
    friend class Window;
    friend class Model;
    void changed(Prop prop);
    [[noreturn]] void wrongKind() const;

    Window& window_;
    const ControlDef& def_;
    Control* parent_ = nullptr;
    Rect rect_;
    bool visible_, disabled_;
    Text text_;
};

// Check box and radio button. Writing `checked` touches only this control and raises nothing.
class CheckBox : public Control {
public:
    using Control::Control;
    static bool accepts(Kind k) { return k == Kind::CheckBox || k == Kind::RadioButton; }
    bool checked() const { return checked_; }
    void setChecked(bool v);

private:
    friend class Model;
    bool checked_ = def_.checked;
};

class ComboBox : public Control {
public:
    ComboBox(Window& window, const ControlDef& def);
    static bool accepts(Kind k) { return k == Kind::ComboBox; }
    Text text() const override;
    void setText(const Text& text) override;  // a drop-down list ignores it: it shows only its items

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

private:
    friend class Model;
    std::vector<Text> items_;
    std::vector<Text> itemNotes_;
    int selected_ = -1;
};

// A circle with an outline; its fill colour is kDefaultColour for no fill.
class Shape : public Control {
public:
    using Control::Control;
    static bool accepts(Kind k) { return k == Kind::Shape; }
    Colour fillColour() const { return fill_; }
    void setFillColour(Colour colour);

private:
    Colour fill_ = def_.fillColour;
};

// Period in ms; the same value changes nothing; any other restarts it when > 0 and stops it at 0.
class Timer : public Control {
public:
    using Control::Control;
    ~Timer() override { stop(); }
    static bool accepts(Kind k) { return k == Kind::Timer; }
    int period() const { return period_; }
    void setPeriod(int ms);

private:
    friend class Window;
    friend class Model;
    void stop();
    int period_ = 0;
    base::EventLoop::TimerId timerId_ = 0;
};

class RichTextBox : public Control {
public:
    RichTextBox(Window& window, const ControlDef& def);
    static bool accepts(Kind k) { return k == Kind::RichText; }
    Text text() const override { return rich_.text(); }
    void setText(const Text& text) override;

    RichText& rich() { return rich_; }
    const RichText& rich() const { return rich_; }
    void setSelection(UnitPos start, UnitPos length);
    Text selectedText() const { return rich_.selectedText(); }
    void replaceSelection(const Text& text);  // "selected text" write
    // A program write (received data, echoes, line breaks, notes): at the end of the
    // text, in the insertion format or in `format` (which becomes the insertion format
    // without recolouring the user's selection). The user's selection and caret stay.
    void append(const Text& text);
    void append(const Text& text, const CharFormat& format);
    // The format of the next program write, without recolouring the user's selection.
    void setWriteFormat(const CharFormat& format) { rich_.setWriteFormat(format); }
    void setInsertionFormat(const CharFormat& format);
    void deleteSelection();
    void scrollToEnd();
    // A view option: the printable text of each line's hex cells drawn beside it. The store is untouched.
    void setTextBesideHex(bool on);
    bool textBesideHex() const { return textBesideHex_; }
    // Told the text of every program write (append) as it lands; empty: nobody.
    void setAppendTap(std::function<void(std::string_view)> tap) { tap_ = std::move(tap); }

private:
    RichText rich_;
    bool textBesideHex_ = false;
    std::function<void(std::string_view)> tap_;
};

class StatusBar : public Control {
public:
    StatusBar(Window& window, const ControlDef& def);
    static bool accepts(Kind k) { return k == Kind::StatusBar; }
    Text panelText(int panel) const;
    void setPanelText(int panel, const Text& text);  // outside the panels: nothing

private:
    std::vector<Text> panels_;
};

class BalloonTip : public Control {
public:
    using Control::Control;
    static bool accepts(Kind k) { return k == Kind::BalloonTip; }
    void show(int x, int y, const Text& text, bool flag = false);
};

class Menu : public Control {
public:
    using Control::Control;
    static bool accepts(Kind k) { return k == Kind::Menu; }
    void popup(int x, int y);
};

class FileDialog : public Control {
public:
    using Control::Control;
    static bool accepts(Kind k) { return k == Kind::FileDialog; }
    // The chosen path, or nullopt when cancelled.
    std::optional<Text> showSaveDialog(const Text& filter, const Text& initialDir);
    std::optional<Text> showOpenDialog(const Text& filter, const Text& initialDir);
};

class Window {
public:
    Window(Model& model, const WindowDef& def);
    ~Window();

    const WindowDef& def() const { return def_; }
    const Text& name() const { return def_.name; }
    Model& model() { return model_; }

    // The control an identifier names, as its kind's class.
    template <class K>
    K& operator[](ControlId<K> id) {
        return named(id.name).template as<K>();
    }
    // By a name read at run time (views, tests): nullptr when there is none.
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
    WindowState state() const { return state_; }
    bool alwaysOnTop() const { return alwaysOnTop_; }
    void setAlwaysOnTop(bool on);
    bool isOpen() const { return open_; }
    bool modal() const { return modal_; }
    // Brings the open window in front of the others and gives it the keyboard focus.
    void activate();

    // Runs the handlers bound to (control, event).
    void raise(Control& source, Event event, const EventArgs& args = {});
    void raiseWindow(Event event);
    // Binds a handler in addition to those of the definition: to a control, or to the window.
    template <class K>
    void on(ControlId<K> control, Event event, Action action) {
        bind(Text(control.name), event, std::move(action));
    }
    void onWindow(Event event, Action action) { bind(Text(), event, std::move(action)); }

    // Destroys the window: Destroying runs while the controls still exist.
    void close();

private:
    friend class Model;
    // The control named `name`; aborts for an unknown name (a fault in the program).
    Control& named(std::string_view name);
    void bind(Text control, Event event, Action action);

    Model& model_;
    const WindowDef def_;  // a copy: the controls refer into it, so the caller's may go
    Rect rect_;
    WindowState state_ = WindowState::Normal;
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

    // Named behaviours that definitions bind events to. Opening a window aborts
    // when one of its bindings names an action that is not registered.
    void registerAction(ActionId name, Action action);

    // Creates a window from a copy of its definition with all its controls,
    // shows it and runs its Created event. A modal window runs the loop until it is closed
    // and is then already destroyed when this returns (nullptr).
    Window* openWindow(const WindowDef& def, bool modal = false);
    Window* window(std::string_view name);
    // Called back after a window has been destroyed (e.g. to end the program).
    std::function<void(const Text& name)> onWindowDestroyed;

    // ---- input from the view (the user) ----
    void userClick(Control& c);
    void userSelectItem(ComboBox& c, int index);
    void userEditText(Control& c, const Text& text);
    void userMouse(Control& c, Event event, const EventArgs& args);
    void userLostFocus(Control& c);
    void userMenuSelect(Control& item);
    void userMoved(Window& w, int left, int top);
    void userResized(Window& w, int width, int height);
    void userStateChanged(Window& w, WindowState state);
    void userClose(Window& w);
    // Every open window closed as by its close button, the newest first, so a
    // modal window goes before the window it was opened from. Asked while a modal
    // window's loop or a file dialog runs, only the windows from that modal one
    // up go at once (a dialog is cancelled): those below wait, one of their
    // handlers on the stack, until the loop and that handler have returned.
    void closeAllWindows();

    // True while a modal window opened after `w` is open: `w` then takes no
    // clicks, selections, typing, mouse buttons or menu choices.
    bool blockedByModal(const Window& w) const;

private:
    friend class Window;
    friend class Control;
    friend class FileDialog;
    // Runs `body`, a loop nested in the running one: the loop of the modal window
    // `modal`, or a view's dialog when null. Returns what `body` returns.
    template <class F>
    auto nested(Window* modal, F&& body);
    base::EventLoop& loop_;
    Size screen_;
    View* view_ = nullptr;
    std::map<Text, Action, std::less<>> actions_;
    std::vector<std::unique_ptr<Window>> windows_;
    std::vector<Window*> nested_;   // the loops running in one another, innermost last
    bool closeAllPending_ = false;  // closeAllWindows() again when the innermost returns
};

}  // namespace vorta::ui
