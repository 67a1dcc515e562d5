#pragma once
// One adapter per control kind: it creates the widget for a control of the
// model, brings model changes to the widget and user input back to the model.
#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>

#include "ui/model.h"

class QMenu;
class QAction;

namespace vorta::ui::qt {

class Adapter {
public:
    Adapter(Model& model, Control& control) : model_(model), control_(control) {}
    virtual ~Adapter();
    Control& control() { return control_; }
    // The widget, or nullptr for components that have none.
    virtual QWidget* widget() { return widget_; }
    // Brings one changed property of the model to the widget.
    virtual void sync(Prop prop);
    // Called when the top-level window's client size changed (docked controls).
    virtual void windowResized(QSize) {}
    // The container that children of this control are placed in.
    virtual QWidget* childParent() { return widget_; }

protected:
    // Common setup: geometry, visibility, enabled state, font, colours, mouse relay.
    void adopt(QWidget* w, QObject* mouseSource = nullptr);
    void applyGeometry();
    // A widget's state can change without a user event the adapter handles: an
    // assistive technology sets a text or toggles a box through the widget. Every
    // such change is the user's input: once the current event is done, reconcile()
    // hands whatever still differs from the model to the model as user input.
    void reconcileSoon();
    virtual void reconcile() {}
    Model& model_;
    Control& control_;
    QPointer<QWidget> widget_;
    bool updating_ = false;  // true while the adapter writes to the widget itself

private:
    bool reconcilePending_ = false;
};

// Creates the adapter for `control`, its widget a child of `parent`.
// `menuOf` finds the QMenu of an already created menu control (for menu items).
std::unique_ptr<Adapter> CreateAdapter(Model& model, Control& control, QWidget* parent,
                                       const std::function<QMenu*(const Control&)>& menuOf);

// Where a menu asked for by a key (the Menu key, Shift+F10) stands, once: the model
// pops menus up at the mouse pointer, which a keyboard user may have left anywhere.
// Empty when no key asked.
std::optional<QPoint> TakeKeyboardPopupPoint();

// The QMenu of a menu control's adapter (nullptr for other kinds).
QMenu* MenuOfAdapter(Adapter& adapter);

QColor ToQColor(Colour c);
QFont ToQFont(const FontDef& font, const QFont& base);

}  // namespace vorta::ui::qt
