#include "ui/model.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "codec/gbk_text.h"

namespace vorta::ui {

namespace {

// The first `limit` characters of `text` (all of it for 0): what a box with
// that limit holds, also when the program writes a longer text into it.
Text WithinLength(const Text& text, int limit) {
    if (limit <= 0) return text;
    std::size_t end = 0;
    for (int n = 0; n < limit && end < text.size(); ++n) end += codec::GbkCharLength(text, end);
    return text.substr(0, end);
}

}  // namespace

// ============================ Control ============================

Control::Control(Window& window, const ControlDef& def)
    : window_(window), def_(def), rect_(def.rect), visible_(def.visible), disabled_(def.disabled), text_(def.text) {}

void Control::changed(Prop prop) {
    if (View* view = window_.model().view(); view && window_.isOpen()) view->controlChanged(*this, prop);
}

void Control::wrongKind() const {
    std::fprintf(stderr, "control '%s' of window '%s' used as another kind\n", def_.name.c_str(),
                 window_.name().c_str());
    std::abort();
}

void Control::setLeft(int v) {
    rect_.left = v;
    changed(Prop::Geometry);
}
void Control::setTop(int v) {
    rect_.top = v;
    changed(Prop::Geometry);
}
void Control::setWidth(int v) {
    rect_.width = v;
    changed(Prop::Geometry);
}
void Control::setHeight(int v) {
    rect_.height = v;
    changed(Prop::Geometry);
}

void Control::setVisible(bool v) {
    if (visible_ == v) return;
    visible_ = v;
    changed(Prop::Visible);
}

void Control::setDisabled(bool v) {
    if (disabled_ == v) return;
    disabled_ = v;
    changed(Prop::Disabled);
}

void Control::setText(const Text& text) {
    text_ = WithinLength(text, def_.maxLength);
    changed(Prop::Content);
    // An edit box announces every write, even of the text it already holds.
    if (def_.kind == Kind::Edit) window_.raise(*this, Event::ContentChanged);
}

// ---- check box ----

void CheckBox::setChecked(bool v) {
    if (checked_ == v) return;
    checked_ = v;
    changed(Prop::Checked);
}

// ---- combo box ----

ComboBox::ComboBox(Window& window, const ControlDef& def) : Control(window, def), items_(def.items) {
    selected_ = items_.empty() ? -1 : std::clamp(def.selectedIndex, -1, int(items_.size()) - 1);
    if (def.editable && selected_ >= 0 && def.text.empty()) text_ = items_[std::size_t(selected_)];
}

Text ComboBox::text() const {
    if (def_.editable) return text_;
    return selected_ >= 0 ? items_[std::size_t(selected_)] : Text();
}

void ComboBox::setText(const Text& text) {
    if (!def_.editable) return;
    text_ = WithinLength(text, def_.maxLength);
    changed(Prop::Content);
}

void ComboBox::addItem(const Text& item) {
    items_.push_back(item);
    changed(Prop::Items);
}

void ComboBox::setItemNotes(std::vector<Text> notes) {
    itemNotes_ = std::move(notes);
    changed(Prop::Items);
}

void ComboBox::clearItems() {
    items_.clear();
    itemNotes_.clear();
    selected_ = -1;
    if (def_.editable) text_.clear();
    changed(Prop::Items);
}

void ComboBox::setSelectedIndex(int index) {
    if (index < 0 || items_.empty())
        index = -1;
    else
        index = std::min(index, int(items_.size()) - 1);
    selected_ = index;
    if (def_.editable) text_ = index >= 0 ? items_[std::size_t(index)] : Text();
    changed(Prop::Selection);
}

// ---- shape, timer ----

void Shape::setFillColour(Colour colour) {
    fill_ = colour;
    changed(Prop::Fill);
}

void Timer::setPeriod(int ms) {
    ms = std::max(ms, 0);
    if (ms == period_) return;  // a running timer is not restarted
    period_ = ms;
    stop();
    if (ms > 0) timerId_ = window_.model().loop().startTimer(ms, [this] { window_.raise(*this, Event::TimerTick); });
}

void Timer::stop() {
    if (timerId_) window_.model().loop().stopTimer(timerId_);
    timerId_ = 0;
}

// ---- rich text box ----

RichTextBox::RichTextBox(Window& window, const ControlDef& def) : Control(window, def) {
    rich_.setDefaultFormat(
        CharFormat{def.font.face, def.font.pointSize ? def.font.pointSize : 9, 0, 0, def.textColour});
    if (!def.text.empty()) rich_.setText(def.text);
}

void RichTextBox::setText(const Text& text) {
    rich_.setText(text);
    changed(Prop::RichText);
}

void RichTextBox::setSelection(UnitPos start, UnitPos length) {
    rich_.setSelection(start, length);
    changed(Prop::Selection);
}

void RichTextBox::replaceSelection(const Text& text) {
    rich_.replaceSelection(text);
    changed(Prop::RichText);
}

void RichTextBox::append(const Text& text) {
    rich_.append(text);
    if (tap_) tap_(text);
    changed(Prop::RichText);
}

void RichTextBox::append(const Text& text, const CharFormat& format) {
    rich_.append(text, format);
    if (tap_) tap_(text);
    changed(Prop::RichText);
}

void RichTextBox::setInsertionFormat(const CharFormat& format) {
    // With an empty selection only the next insertion changes: nothing to show yet.
    const bool recolours = rich_.selectionStart() != rich_.selectionEnd();
    rich_.setInsertionFormat(format);
    if (recolours) changed(Prop::RichText);
}

void RichTextBox::deleteSelection() {
    rich_.deleteSelection();
    changed(Prop::RichText);
}

void RichTextBox::scrollToEnd() {
    rich_.scrollToEnd();
    changed(Prop::RichText);
}

void RichTextBox::setTextBesideHex(bool on) {
    if (on == textBesideHex_) return;
    textBesideHex_ = on;
    changed(Prop::RichText);
}

// ---- status bar, balloon, menu, file dialog ----

StatusBar::StatusBar(Window& window, const ControlDef& def) : Control(window, def) {
    for (const StatusPanelDef& panel : def.panels) panels_.push_back(panel.text);
}

Text StatusBar::panelText(int panel) const {
    return panel >= 0 && panel < int(panels_.size()) ? panels_[std::size_t(panel)] : Text();
}

void StatusBar::setPanelText(int panel, const Text& text) {
    if (panel < 0 || panel >= int(panels_.size())) return;
    panels_[std::size_t(panel)] = text;
    changed(Prop::Panel);
}

void BalloonTip::show(int x, int y, const Text& text, bool flag) {
    if (View* view = window_.model().view()) view->showBalloon(*this, x, y, text, flag);
}

void Menu::popup(int x, int y) {
    if (View* view = window_.model().view()) view->popupMenu(*this, x, y);
}

// Defined before its first use: its result type is deduced.
template <class F>
auto Model::nested(Window* modal, F&& body) {
    nested_.push_back(modal);
    auto result = body();
    nested_.pop_back();
    // The rest goes once the handler that started the loop has returned as well: it
    // runs inside a control of a window still to close, which the close would destroy.
    if (closeAllPending_) {
        closeAllPending_ = false;
        loop_.post([this] { closeAllWindows(); });
    }
    return result;
}

std::optional<Text> FileDialog::showSaveDialog(const Text& filter, const Text& initialDir) {
    Model& model = window_.model();
    View* view = model.view();
    if (!view) return std::nullopt;
    return model.nested(nullptr, [&] { return view->showSaveDialog(*this, filter, initialDir); });
}

std::optional<Text> FileDialog::showOpenDialog(const Text& filter, const Text& initialDir) {
    Model& model = window_.model();
    View* view = model.view();
    if (!view) return std::nullopt;
    return model.nested(nullptr, [&] { return view->showOpenDialog(*this, filter, initialDir); });
}

// ============================ Window ============================

namespace {
const ControlDef kWindowSelf{};

std::unique_ptr<Control> MakeControl(Window& window, const ControlDef& def) {
    switch (def.kind) {
    case Kind::CheckBox:
    case Kind::RadioButton: return std::make_unique<CheckBox>(window, def);
    case Kind::ComboBox: return std::make_unique<ComboBox>(window, def);
    case Kind::Shape: return std::make_unique<Shape>(window, def);
    case Kind::Timer: return std::make_unique<Timer>(window, def);
    case Kind::RichText: return std::make_unique<RichTextBox>(window, def);
    case Kind::StatusBar: return std::make_unique<StatusBar>(window, def);
    case Kind::BalloonTip: return std::make_unique<BalloonTip>(window, def);
    case Kind::Menu: return std::make_unique<Menu>(window, def);
    case Kind::FileDialog: return std::make_unique<FileDialog>(window, def);
    default: return std::make_unique<Control>(window, def);
    }
}
}  // namespace

Window::Window(Model& model, const WindowDef& def) : model_(model), def_(def), rect_(def.rect) {
    self_ = std::make_unique<Control>(*this, kWindowSelf);
    for (const ControlDef& cd : def_.controls) {
        controls_.push_back(MakeControl(*this, cd));
        byName_[cd.name] = controls_.back().get();
    }
    for (auto& c : controls_)
        if (!c->def().parent.empty()) c->parent_ = &named(c->def().parent);
    for (const BindingDef& b : def_.bindings) {
        if (!b.control.empty()) named(b.control);  // a binding to a control the window lacks is a fault
        auto it = model.actions_.find(b.action);
        if (it == model.actions_.end()) {
            std::fprintf(stderr, "window '%s': no action '%s' for a binding\n", def_.name.c_str(), b.action.c_str());
            std::abort();
        }
        handlers_.emplace(std::make_pair(b.control, b.event), it->second);
    }
}

Window::~Window() = default;

Control* Window::find(std::string_view name) {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

Control& Window::named(std::string_view name) {
    if (Control* c = find(name)) return *c;
    std::fprintf(stderr, "no control '%.*s' in window '%s'\n", int(name.size()), name.data(), def_.name.c_str());
    std::abort();
}

void Window::setLeft(int v) {
    rect_.left = v;
    if (model_.view_ && open_) model_.view_->windowChanged(*this, Prop::Geometry);
}

void Window::setTop(int v) {
    rect_.top = v;
    if (model_.view_ && open_) model_.view_->windowChanged(*this, Prop::Geometry);
}

void Window::setWidth(int v) {
    rect_.width = v;
    if (model_.view_ && open_) model_.view_->windowChanged(*this, Prop::Geometry);
    raiseWindow(Event::SizeChanged);
}

void Window::setHeight(int v) {
    rect_.height = v;
    if (model_.view_ && open_) model_.view_->windowChanged(*this, Prop::Geometry);
    raiseWindow(Event::SizeChanged);
}

void Window::setAlwaysOnTop(bool on) {
    alwaysOnTop_ = on;
    if (model_.view_ && open_) model_.view_->windowChanged(*this, Prop::AlwaysOnTop);
}

void Window::activate() {
    if (model_.view_ && open_) model_.view_->windowChanged(*this, Prop::Activate);
}

void Window::raise(Control& source, Event event, const EventArgs& args) {
    const std::string& name = &source == self_.get() ? std::string() : source.name();
    auto [first, last] = handlers_.equal_range(std::make_pair(name, event));
    // Copy first: a handler may bind more handlers or close the window.
    std::vector<Action> actions;
    for (auto it = first; it != last; ++it) actions.push_back(it->second);
    for (Action& action : actions) action(source, args);
}

void Window::raiseWindow(Event event) {
    if (open_ || event == Event::Destroying) raise(*self_, event);
}

void Window::bind(Text control, Event event, Action action) {
    handlers_.emplace(std::make_pair(std::move(control), event), std::move(action));
}

void Window::close() {
    if (!open_ || closing_) return;
    closing_ = true;
    raise(*self_, Event::Destroying);
    for (auto& c : controls_)
        if (c->kind() == Kind::Timer) c->as<Timer>().stop();
    if (model_.view_) model_.view_->windowClosed(*this);
    open_ = false;
    // The window object itself goes later: the caller may be one of its own handlers.
    Model& model = model_;
    Window* self = this;
    const Text name = def_.name;
    model.loop().post([&model, self] {
        auto& ws = model.windows_;
        ws.erase(std::remove_if(ws.begin(), ws.end(), [self](auto& w) { return w.get() == self; }), ws.end());
    });
    if (model.onWindowDestroyed) model.onWindowDestroyed(name);
}

// ============================ Model ============================

Model::Model(base::EventLoop& loop, Size screen) : loop_(loop), screen_(screen) {}

Model::~Model() {
    // Windows still open go without their Destroying events: the owners of the
    // handlers may already be gone. Only their timers must stop.
    for (auto& w : windows_)
        for (auto& c : w->controls_)
            if (c->kind() == Kind::Timer) c->as<Timer>().stop();
}

void Model::setView(View* view) { view_ = view; }

void Model::registerAction(ActionId name, Action action) { actions_[Text(name)] = std::move(action); }

Window* Model::openWindow(const WindowDef& def, bool modal) {
    windows_.push_back(std::make_unique<Window>(*this, def));
    Window* w = windows_.back().get();
    w->modal_ = modal;
    if (def.centred) {
        w->rect_.left = (screen_.width - def.rect.width) / 2;
        w->rect_.top = (screen_.height - def.rect.height) / 2;
    }
    w->open_ = true;
    if (view_) view_->windowOpened(*w);
    w->raiseWindow(Event::Created);
    if (!modal) return w;
    nested(w, [&] {
        loop_.runUntil([w] { return !w->isOpen(); });
        return true;
    });
    return nullptr;
}

Window* Model::window(std::string_view name) {
    for (auto& w : windows_)
        if (w->isOpen() && w->name() == name) return w.get();
    return nullptr;
}

void Model::userClick(Control& c) {
    if (c.disabled_ || !c.visible_ || blockedByModal(c.window())) return;
    if (c.kind() == Kind::CheckBox) {
        c.as<CheckBox>().setChecked(!c.as<CheckBox>().checked());
    } else if (c.kind() == Kind::RadioButton) {
        // The user's click makes the radio button the only checked one of its container.
        for (auto& other : c.window().controls())
            if (other.get() != &c && other->kind() == Kind::RadioButton && other->def().parent == c.def().parent)
                other->as<CheckBox>().setChecked(false);
        c.as<CheckBox>().setChecked(true);
    }
    c.window().raise(c, Event::Clicked);
}

void Model::userSelectItem(ComboBox& c, int index) {
    if (blockedByModal(c.window())) return;
    if (index < 0 || index >= int(c.items_.size())) return;
    c.setSelectedIndex(index);
    c.window().raise(c, Event::ListItemSelected);
}

void Model::userEditText(Control& c, const Text& text) {
    if (blockedByModal(c.window())) return;
    if (c.kind() == Kind::ComboBox) {
        c.text_ = WithinLength(text, c.def_.maxLength);
        c.window().raise(c, Event::EditTextChanged);
    } else {
        c.text_ = WithinLength(text, c.def_.maxLength);
        c.window().raise(c, Event::ContentChanged);
    }
}

void Model::userMouse(Control& c, Event event, const EventArgs& args) {
    if (!blockedByModal(c.window())) c.window().raise(c, event, args);
}

void Model::userLostFocus(Control& c) { c.window().raise(c, Event::LostFocus); }

void Model::userMenuSelect(Control& item) {
    if (!item.disabled_ && !blockedByModal(item.window())) item.window().raise(item, Event::MenuSelected);
}

void Model::userMoved(Window& w, int left, int top) {
    w.rect_.left = left;
    w.rect_.top = top;
}

void Model::userResized(Window& w, int width, int height) {
    if (w.rect_.width == width && w.rect_.height == height) return;
    w.rect_.width = width;
    w.rect_.height = height;
    w.raiseWindow(Event::SizeChanged);
}

void Model::userStateChanged(Window& w, WindowState state) { w.state_ = state; }

void Model::userClose(Window& w) { w.close(); }

void Model::closeAllWindows() {
    // Windows under the innermost loop wait for it: a window going now would be
    // destroyed under the handler that started the loop.
    Window* floor = nullptr;
    if (!nested_.empty()) {
        closeAllPending_ = true;
        floor = nested_.back();
        if (!floor) {
            if (view_) view_->cancelDialog();
            return;
        }
    }
    // A window's Destroying handlers may close or open others: look again each time.
    for (;;) {
        // One already closing (this request came while its handlers ran) is left to finish.
        Window* next = nullptr;
        for (auto it = windows_.rbegin(); it != windows_.rend() && !next; ++it) {
            if ((*it)->isOpen() && !(*it)->closing_)
                next = it->get();
            else if (it->get() == floor)
                return;
        }
        if (!next) return;
        next->close();
    }
}

bool Model::blockedByModal(const Window& w) const {
    // Windows are kept in the order they were opened.
    bool after = false;
    for (const auto& other : windows_) {
        if (other.get() == &w) {
            after = true;
        } else if (after && other->isOpen() && other->modal()) {
            return true;
        }
    }
    return false;
}

}  // namespace vorta::ui
