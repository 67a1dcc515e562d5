#include "ui/qt/adapters.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QAbstractItemView>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>
#include <cstdlib>
#include <limits>

#include "codec/line_ends.h"
#include "ui/qt/combo_style.h"
#include "ui/qt/frame_clock.h"
#include "ui/qt/gbk_qstring.h"
#include "ui/qt/rich_text_widget.h"

namespace vorta::ui::qt {

QColor ToQColor(Colour c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

QFont ToQFont(const FontDef& font, const QFont& base) {
    QFont f = base;
    if (!font.face.empty()) f.setFamily(FromGbk(font.face));
    if (font.pixelHeight > 0) f.setPixelSize(font.pixelHeight);
    if (font.pointSize > 0) f.setPointSize(font.pointSize);
    f.setBold(font.bold);
    return f;
}

namespace {

// Forwards mouse buttons and focus loss of a widget to the model's events.
class InputRelay : public QObject {
public:
    InputRelay(Model& model, Control& control, QObject* parent) : QObject(parent), model_(model), control_(control) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            auto* me = static_cast<QMouseEvent*>(e);
            EventArgs args;
            args.x = int(me->position().x());
            args.y = int(me->position().y());
            args.ctrl = me->modifiers() & Qt::ControlModifier;
            args.shift = me->modifiers() & Qt::ShiftModifier;
            args.alt = me->modifiers() & Qt::AltModifier;
            const bool press = e->type() == QEvent::MouseButtonPress;
            if (me->button() == Qt::LeftButton)
                model_.userMouse(control_, press ? Event::LeftPressed : Event::LeftReleased, args);
            else if (me->button() == Qt::RightButton && !press)
                model_.userMouse(control_, Event::RightReleased, args);
            break;
        }
        case QEvent::FocusOut: model_.userLostFocus(control_); break;
        default: break;
        }
        return false;
    }

private:
    Model& model_;
    Control& control_;
};

// Where the menu a key asks for stands: set while the key's event runs, taken by the view.
std::optional<QPoint> keyboardPopupPoint;

// The keyboard paths of a control that otherwise answers only the mouse: Space and
// Enter raise its bound mouse release; the Menu key and Shift+F10 its right-button
// release, with the menu at the caret rather than at the mouse pointer.
class KeyRelay : public QObject {
public:
    KeyRelay(Model& model, Control& control, QWidget* widget)
        : QObject(widget), model_(model), control_(control), widget_(widget) {}

    bool pressable() const { return control_.def().keyPath == KeyPath::SpaceEnter; }
    // Runs the control's keyboard path, as a key would.
    void raise() {
        const KeyPath path = control_.def().keyPath;
        if (path == KeyPath::SpaceEnter) {
            raiseRelease(boundRelease());
        } else if (path == KeyPath::MenuKey) {
            const QRect caret = widget_->inputMethodQuery(Qt::ImCursorRectangle).toRect();
            keyboardPopupPoint = widget_->mapToGlobal(caret.isValid() ? caret.bottomLeft() : widget_->rect().center());
            raiseRelease(Event::RightReleased);
            keyboardPopupPoint.reset();
        }
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        const KeyPath path = control_.def().keyPath;
        if (e->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(e);
            const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
            const bool activates =
                path == KeyPath::SpaceEnter && mods == Qt::NoModifier &&
                (k->key() == Qt::Key_Space || k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter);
            const bool menu = path == KeyPath::MenuKey && ((k->key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
                                                           (k->key() == Qt::Key_F10 && mods == Qt::ShiftModifier));
            if (!activates && !menu) return false;
            if (!k->isAutoRepeat()) raise();
            return true;
        }
        // The X11 platform turns the Menu key into a context-menu request before the key
        // itself, which then goes to the menu opened here.
        if (e->type() == QEvent::ContextMenu && path == KeyPath::MenuKey &&
            static_cast<QContextMenuEvent*>(e)->reason() == QContextMenuEvent::Keyboard) {
            raise();
            return true;
        }
        return false;
    }

private:
    Event boundRelease() const {
        for (const BindingDef& b : control_.window().def().bindings)
            if (b.control == control_.name() && (b.event == Event::LeftReleased || b.event == Event::RightReleased))
                return b.event;
        return Event::LeftReleased;
    }
    void raiseRelease(Event release) {
        EventArgs args;
        args.x = widget_->width() / 2;
        args.y = widget_->height() / 2;
        model_.userMouse(control_, release, args);
    }

    Model& model_;
    Control& control_;
    QWidget* widget_;
};

// A control reached by Tab that draws nothing of its own to show the focus.
void DrawFocus(QWidget* w) {
    if (!w->hasFocus()) return;
    QPainter painter(w);
    QStyleOptionFocusRect option;
    option.initFrom(w);
    option.backgroundColor = w->palette().color(QPalette::Window);
    w->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, w);
}

class FocusLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* e) override {
        QLabel::paintEvent(e);
        DrawFocus(this);
    }
};

// What a screen reader makes of a control with a keyboard path of Space and Enter:
// a button whose press action runs it.
class PressableAccessible : public QAccessibleWidget {
public:
    PressableAccessible(QWidget* w, KeyRelay* relay) : QAccessibleWidget(w, QAccessible::Button), relay_(relay) {
        addControllingSignal(QStringLiteral("destroyed()"));
    }
    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString& action) override {
        if (action == pressAction() && relay_ && widget()->isEnabled())
            relay_->raise();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QPointer<KeyRelay> relay_;
};

QAccessibleInterface* PressableFactory(const QString&, QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    QObject* keys = w ? w->findChild<QObject*>(QStringLiteral("keys"), Qt::FindDirectChildrenOnly) : nullptr;
    auto* relay = dynamic_cast<KeyRelay*>(keys);
    if (!relay || !relay->pressable()) return nullptr;
    return new PressableAccessible(w, relay);
}

void SetTextColour(QWidget* w, QPalette::ColorRole role, Colour c) {
    if (c == kDefaultColour) return;
    QPalette p = w->palette();
    p.setColor(role, ToQColor(c));
    w->setPalette(p);
}

class LabelAdapter : public Adapter {
public:
    LabelAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c) {
        label_ = new FocusLabel(FromGbk(c.text()), parent);
        label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label_->setAutoFillBackground(!c.def().transparent && c.def().backColour != kDefaultColour);
        SetTextColour(label_, QPalette::WindowText, c.def().textColour);
        SetTextColour(label_, QPalette::Window, c.def().backColour);
        if (c.def().handCursor) label_->setCursor(Qt::PointingHandCursor);
        adopt(label_);
    }
    void sync(Prop p) override {
        if (p == Prop::Content) label_->setText(FromGbk(control_.text()));
        Adapter::sync(p);
    }

private:
    QLabel* label_;
};

class LineEditAdapter : public Adapter {
public:
    LineEditAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c) {
        edit_ = new QLineEdit(FromGbk(c.text()), parent);
        if (c.def().centred) edit_->setAlignment(Qt::AlignCenter);
        // Without a limit in the table there is none (Qt's default stops at 32767 characters).
        edit_->setMaxLength(c.def().maxLength > 0 ? c.def().maxLength : std::numeric_limits<int>::max());
        edit_->setFrame(c.def().border != Border::None);
        SetTextColour(edit_, QPalette::Text, c.def().textColour);
        SetTextColour(edit_, QPalette::Base, c.def().backColour);
        QObject::connect(edit_, &QLineEdit::textEdited, edit_,
                         [this](const QString& t) { model_.userEditText(control_, ToGbk(t)); });
        QObject::connect(edit_, &QLineEdit::textChanged, edit_, [this] {
            if (!updating_) reconcileSoon();
        });
        adopt(edit_);
    }
    void sync(Prop p) override {
        if (p == Prop::Content) {
            const QString t = FromGbk(control_.text());
            updating_ = true;
            if (t != edit_->text()) edit_->setText(t);
            updating_ = false;
        }
        Adapter::sync(p);
    }

private:
    void reconcile() override {
        const Text t = ToGbk(edit_->text());
        if (t != control_.text()) model_.userEditText(control_, t);
    }
    QLineEdit* edit_;
};

// Multi-line plain edit: line breaks are "\r\n" in the model, '\n' in the widget.
class PlainEditAdapter : public Adapter {
public:
    PlainEditAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c) {
        edit_ = new QPlainTextEdit(parent);
        edit_->setPlainText(toWidget(c.text()));
        edit_->setLineWrapMode(c.def().wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        edit_->setVerticalScrollBarPolicy(c.def().vScroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit_->setTabChangesFocus(true);
        SetTextColour(edit_, QPalette::Text, c.def().textColour);
        SetTextColour(edit_, QPalette::Base, c.def().backColour);
        QObject::connect(edit_, &QPlainTextEdit::textChanged, edit_, [this] {
            if (!updating_) model_.userEditText(control_, fromWidget(edit_->toPlainText()));
        });
        adopt(edit_, edit_->viewport());
    }
    void sync(Prop p) override {
        if (p == Prop::Content) {
            const QString t = toWidget(control_.text());
            if (t != edit_->toPlainText()) {
                updating_ = true;
                edit_->setPlainText(t);
                updating_ = false;
            }
        }
        Adapter::sync(p);
    }

private:
    // Every line end of the text is one in the box (as QTextDocument would take
    // them anyway), by the same rule that cuts the auto-send list into lines.
    static QString toWidget(const std::string& gbk) {
        QString s = FromGbk(codec::WithCrLfLineEnds(gbk));
        s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        return s;
    }
    static std::string fromWidget(QString s) {
        s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
        return ToGbk(s);
    }
    QPlainTextEdit* edit_;
};

class ButtonAdapter : public Adapter {
public:
    ButtonAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c) {
        button_ = new QPushButton(FromGbk(c.text()), parent);
        button_->setAutoDefault(false);
        QObject::connect(button_, &QPushButton::clicked, button_, [this] { model_.userClick(control_); });
        adopt(button_);
    }
    void sync(Prop p) override {
        if (p == Prop::Content) button_->setText(FromGbk(control_.text()));
        Adapter::sync(p);
    }

private:
    QPushButton* button_;
};

// Check boxes and radio buttons: the model decides the checked state of a click
// (a radio button's partner included); the widget only shows it.
class CheckAdapter : public Adapter {
public:
    CheckAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c) {
        if (c.kind() == Kind::RadioButton) {
            auto* radio = new QRadioButton(FromGbk(c.text()), parent);
            radio->setAutoExclusive(false);
            button_ = radio;
        } else {
            button_ = new QCheckBox(FromGbk(c.text()), parent);
        }
        button_->setChecked(c.as<CheckBox>().checked());
        SetTextColour(button_, QPalette::WindowText, c.def().textColour);
        QObject::connect(button_, &QAbstractButton::clicked, button_, [this] {
            model_.userClick(control_);
            showModelState();
        });
        // A toggle without a click (an assistive technology's "toggle" action).
        QObject::connect(button_, &QAbstractButton::toggled, button_, [this] {
            if (!updating_) reconcileSoon();
        });
        adopt(button_);
    }
    void sync(Prop p) override {
        if (p == Prop::Checked) showModelState();
        if (p == Prop::Content) button_->setText(FromGbk(control_.text()));
        Adapter::sync(p);
    }

private:
    void showModelState() {
        updating_ = true;
        button_->setChecked(control_.as<CheckBox>().checked());
        updating_ = false;
    }
    void reconcile() override {
        const bool shown = button_->isChecked();
        const bool held = control_.as<CheckBox>().checked();
        // A radio button can only be checked by the user, as by a click.
        if (shown != held && (control_.kind() == Kind::CheckBox || shown)) model_.userClick(control_);
        showModelState();
    }
    QAbstractButton* button_;
};

// The opened list of a combo box shows each item's note after it, in grey.
class NotedItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int kNoteRole = Qt::UserRole + 1;

protected:
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const QString note = index.data(kNoteRole).toString();
        if (note.isEmpty()) return;
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const int textWidth = opt.fontMetrics.horizontalAdvance(opt.text) + 12;
        painter->save();
        painter->setPen(option.state & QStyle::State_Selected ? option.palette.highlightedText().color()
                                                              : QColor(128, 128, 128));
        painter->drawText(option.rect.adjusted(textWidth, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, note);
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QString note = index.data(kNoteRole).toString();
        if (!note.isEmpty()) size.rwidth() += option.fontMetrics.horizontalAdvance(note) + 16;
        return size;
    }
};

class ComboAdapter : public Adapter {
public:
    ComboAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c) {
        combo_ = new QComboBox(parent);
        combo_->setStyle(CompactComboStyle::instance());
        combo_->setEditable(c.def().editable);
        // An editable box holds exactly what is typed: Qt's inline completion would
        // complete "2" to the item "200" and keep the digits typed after it.
        if (c.def().editable) combo_->setCompleter(nullptr);
        combo_->setInsertPolicy(QComboBox::NoInsert);
        combo_->setMaxVisibleItems(10);
        combo_->setItemDelegate(new NotedItemDelegate(combo_));
        fill();
        if (auto* line = combo_->lineEdit()) {
            line->setMaxLength(c.def().maxLength > 0 ? c.def().maxLength : std::numeric_limits<int>::max());
            QObject::connect(line, &QLineEdit::textEdited, combo_,
                             [this](const QString& t) { model_.userEditText(control_, ToGbk(t)); });
            QObject::connect(line, &QLineEdit::textChanged, combo_, [this] {
                if (!updating_) reconcileSoon();
            });
        }
        QObject::connect(combo_, &QComboBox::activated, combo_, [this](int index) {
            if (!updating_) model_.userSelectItem(control_.as<ComboBox>(), index);
        });
        // A selection without the list being used (an assistive technology's).
        QObject::connect(combo_, &QComboBox::currentIndexChanged, combo_, [this] {
            if (!updating_) reconcileSoon();
        });
        adopt(combo_);
        if (combo_->lineEdit()) combo_->lineEdit()->installEventFilter(combo_->findChild<QObject*>("relay"));
    }
    void sync(Prop p) override {
        if (p == Prop::Items || p == Prop::Selection || p == Prop::Content) fill();
        Adapter::sync(p);
    }

private:
    void fill() {
        updating_ = true;
        if (combo_->count() != int(control_.as<ComboBox>().items().size()) || itemsDiffer()) {
            combo_->clear();
            for (const auto& item : control_.as<ComboBox>().items()) combo_->addItem(FromGbk(item));
        }
        const auto& notes = control_.as<ComboBox>().itemNotes();
        for (int i = 0; i < combo_->count(); ++i) {
            const QString note = i < int(notes.size()) ? FromGbk(notes[i]) : QString();
            combo_->setItemData(i, note, NotedItemDelegate::kNoteRole);
            combo_->setItemData(i, note.isEmpty() ? QVariant() : QVariant(note), Qt::ToolTipRole);
        }
        // The opened list is wide enough for every item (and its note), however
        // narrow the closed box.
        QAbstractItemView* list = combo_->view();
        list->setMinimumWidth(list->sizeHintForColumn(0) + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                              2 * list->frameWidth());
        combo_->setCurrentIndex(control_.as<ComboBox>().selectedIndex());
        if (combo_->isEditable()) {
            const QString t = FromGbk(control_.text());
            if (combo_->currentText() != t) combo_->setEditText(t);
        }
        updating_ = false;
    }
    void reconcile() override {
        auto& model = control_.as<ComboBox>();
        const int shown = combo_->currentIndex();
        if (shown >= 0 && shown != model.selectedIndex()) model_.userSelectItem(model, shown);
        if (combo_->isEditable()) {
            const Text t = ToGbk(combo_->currentText());
            if (t != control_.text()) model_.userEditText(control_, t);
        }
        fill();
    }
    bool itemsDiffer() const {
        for (int i = 0; i < combo_->count(); ++i)
            if (combo_->itemText(i) != FromGbk(control_.as<ComboBox>().items()[i])) return true;
        return false;
    }
    QComboBox* combo_;
};

class GroupAdapter : public Adapter {
public:
    GroupAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c) {
        auto* box = new QGroupBox(FromGbk(c.text()), parent);
        box->setFlat(false);
        // A group box frames the controls around it and lies beneath them all. Where
        // the window's tables let it overlap the display's bottom edge, the display
        // covers it, and repainting the display does not repaint the box as well.
        box->lower();
        adopt(box);
    }
};

// A picture box is a plain container; the logo strip draws the program's mark.
class PictureWidget : public QWidget {
public:
    PictureWidget(bool logo, QWidget* parent) : QWidget(parent), logo_(logo) {
        if (logo) {
            setAutoFillBackground(true);
            QPalette p = palette();
            p.setColor(QPalette::Window, Qt::white);
            setPalette(p);
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!logo_) return;
        QPainter painter(this);
        const int h = height();
        // A thin gradient rule with a blue-to-green accent at the left.
        QLinearGradient g(0, 0, 600, 0);
        g.setColorAt(0.0, QColor(0, 120, 215));
        g.setColorAt(0.5, QColor(0, 170, 120));
        g.setColorAt(1.0, QColor(255, 255, 255));
        painter.fillRect(QRect(0, h / 2 - 2, width(), 4), g);
        for (int x = 4; x < 140; x += 12) painter.fillRect(QRect(x, 1, 6, h - 2), QColor(0, 120, 215, 200 - x));
    }

private:
    bool logo_;
};

class PictureAdapter : public Adapter {
public:
    PictureAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c) {
        adopt(new PictureWidget(c.def().logo, parent));
    }
};

class ShapeWidget : public QWidget {
public:
    ShapeWidget(Control& c, QWidget* parent) : QWidget(parent), control_(c) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 1));
        const Colour fill = control_.as<Shape>().fillColour();
        painter.setBrush(fill == kDefaultColour ? QBrush(Qt::NoBrush) : QBrush(ToQColor(fill)));
        painter.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
        painter.end();
        DrawFocus(this);
    }

private:
    Control& control_;
};

class ShapeAdapter : public Adapter {
public:
    ShapeAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c) { adopt(new ShapeWidget(c, parent)); }
    void sync(Prop p) override {
        if (p == Prop::Fill) widget_->update();
        Adapter::sync(p);
    }
};

// The status bar is docked at the bottom of its window and spans its width.
class StatusBarAdapter : public Adapter {
public:
    StatusBarAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c) {
        auto* bar = new QWidget(parent);
        auto* layout = new QHBoxLayout(bar);
        layout->setContentsMargins(2, 1, 2, 1);
        layout->setSpacing(2);
        for (std::size_t i = 0; i < c.def().panels.size(); ++i) {
            const StatusPanelDef& def = c.def().panels[i];
            auto* panel = new QLabel(FromGbk(c.as<StatusBar>().panelText(int(i))), bar);
            panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            if (!def.fills)
                panel->setFixedSize(def.width, control_.height() - 2);  // fixed: a new count lays nothing out again
            else
                panel->setMinimumWidth(0);
            if (!def.tooltip.empty()) panel->setToolTip(FromGbk(def.tooltip));
            if (def.hiddenWhileEmpty) panel->setVisible(!panel->text().isEmpty());
            layout->addWidget(panel, def.fills ? 1 : 0);
            panels_.push_back(panel);
        }
        adopt(bar);
        windowResized(parent->size());
    }
    void sync(Prop p) override {
        // Counters change with every byte; the panels show them once per frame.
        if (p == Prop::Panel && widget_) FrameClock::instance().request(widget_, [this] { showPanels(); });
        if (p != Prop::Geometry && p != Prop::Panel) Adapter::sync(p);
    }
    void showPanels() {
        const auto& defs = control_.def().panels;
        for (std::size_t i = 0; i < panels_.size(); ++i) {
            QLabel* panel = panels_[i];
            const QString t = FromGbk(control_.as<StatusBar>().panelText(int(i)));
            if (panel->text() == t) continue;
            panel->setText(t);
            // A hidden panel leaves its room to the panel that fills.
            if (defs[i].hiddenWhileEmpty) panel->setVisible(!t.isEmpty());
            if (defs[i].fills) continue;
            // The defined width, wider while a long count would not fit ("RX:20000000").
            const int frame = panel->width() - panel->contentsRect().width();
            const int wanted = std::max(defs[i].width, panel->fontMetrics().horizontalAdvance(t) + frame + 2);
            if (wanted != panel->width()) panel->setFixedWidth(wanted);
        }
    }
    void windowResized(QSize client) override {
        widget_->setGeometry(0, client.height() - control_.height(), client.width(), control_.height());
    }

private:
    std::vector<QLabel*> panels_;
};

class MenuAdapter : public Adapter {
public:
    MenuAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c), menu_(new QMenu(parent)) {
        menu_->setTitle(FromGbk(c.text()));
    }
    ~MenuAdapter() override { delete menu_; }
    QWidget* widget() override { return nullptr; }
    QMenu* menu() { return menu_; }
    void sync(Prop) override {}

private:
    QPointer<QMenu> menu_;
};

class MenuItemAdapter : public Adapter {
public:
    MenuItemAdapter(Model& m, Control& c, QMenu* menu) : Adapter(m, c) {
        if (!menu) return;
        if (c.text().empty()) {
            menu->addSeparator();
            return;
        }
        action_ = menu->addAction(FromGbk(c.text()));
        action_->setEnabled(!c.disabled());
        // Its key works in the whole window, also while the menu is closed.
        if (!c.def().shortcut.empty() && menu->parentWidget()) {
            action_->setShortcut(QKeySequence(QString::fromLatin1(c.def().shortcut.c_str())));
            action_->setShortcutContext(Qt::WindowShortcut);
            menu->parentWidget()->addAction(action_);
        }
        QObject::connect(action_, &QAction::triggered, action_, [this] { model_.userMenuSelect(control_); });
    }
    QWidget* widget() override { return nullptr; }
    void sync(Prop p) override {
        if (action_ && p == Prop::Disabled) action_->setEnabled(!control_.disabled());
    }

private:
    QPointer<QAction> action_;
};

// Timers, the balloon tip and the file dialog have no widget of their own.
class ComponentAdapter : public Adapter {
public:
    using Adapter::Adapter;
    QWidget* widget() override { return nullptr; }
    void sync(Prop) override {}
};

}  // namespace

Adapter::~Adapter() {
    if (widget_) delete widget_.data();
}

static void HideInactiveSelection(QWidget* w) {
    QPalette p = w->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Inactive, QPalette::Base));
    p.setBrush(QPalette::Inactive, QPalette::HighlightedText, QBrush(Qt::NoBrush));  // keep the text's own colour
    w->setPalette(p);
}

// What a screen reader and test tools read. The description is the control's name, so
// every control can be found by it. The name is the one its definition gives, else the
// caption for controls that show one (Qt reads it from the widget, so it follows changes),
// else the text of the label or check box its definition names ("端口号" for the port
// combo, trailing colon dropped), else the control's name. Qt reports a radio button as one only
// when it is exclusive; the flag alone would let Qt uncheck buttons itself, so the radio
// buttons of one container also share a non-exclusive group: the model still decides what
// is checked, and the arrow keys move between them.
static void DescribeForAccessibility(QWidget* w, const Control& c) {
    w->setAccessibleDescription(FromGbk(c.name()));
    if (auto* radio = qobject_cast<QRadioButton*>(w)) {
        QWidget* box = radio->parentWidget();
        auto* group = box->findChild<QButtonGroup*>(QStringLiteral("radios"), Qt::FindDirectChildrenOnly);
        if (!group) {
            group = new QButtonGroup(box);
            group->setObjectName(QStringLiteral("radios"));
            group->setExclusive(false);
        }
        group->addButton(radio);
        radio->setAutoExclusive(true);
    }
    const auto showsCaption = [](const ControlDef& d) {
        return !d.text.empty() && (d.kind == Kind::Label || d.kind == Kind::Button || d.kind == Kind::CheckBox ||
                                   d.kind == Kind::RadioButton || d.kind == Kind::GroupBox);
    };
    if (!c.def().accessibleName.empty()) {
        const QString name = FromGbk(c.def().accessibleName);
        w->setAccessibleName(name);
        // Qt on Linux names a combo box by its current text and hears its label through
        // the labelled-by relation: a combo box with no label beside it gets one that
        // only a screen reader finds.
        if (qobject_cast<QComboBox*>(w) && c.def().labelledBy.empty()) {
            auto* label = new QLabel(name, w->parentWidget());
            label->setObjectName(QStringLiteral("accessibleLabel"));
            label->hide();
            label->setBuddy(w);
        }
        return;
    }
    if (showsCaption(c.def()) && c.def().labelledBy.empty()) return;
    const ControlDef* beside = nullptr;
    for (const ControlDef& d : c.window().def().controls)
        if (!c.def().labelledBy.empty() && d.name == c.def().labelledBy) beside = &d;
    QString name = FromGbk(beside ? beside->text : c.name()).trimmed();
    while (name.endsWith(u'：') || name.endsWith(u':')) name.chop(1);
    // A button that says only what it does ("浏览…") is named with the field it serves.
    if (showsCaption(c.def())) {
        w->setAccessibleName(name + QLatin1Char(' ') + FromGbk(c.def().text));
        return;
    }
    w->setAccessibleName(name);
    // On Linux Qt reports a combo box's current text as its name and its label through the
    // labelled-by relation, which comes from the label's buddy: set it once the window is built.
    if (beside && beside->kind == Kind::Label) {
        QTimer::singleShot(0, w, [w, label = FromGbk(beside->name)] {
            for (auto* l : w->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
                if (l->accessibleDescription() == label) l->setBuddy(w);
        });
    }
}

void Adapter::adopt(QWidget* w, QObject* mouseSource) {
    widget_ = w;
    // Before the accessible name: an interface made for the widget now is kept.
    if (control_.def().keyPath != KeyPath::None) {
        static const bool factory = (QAccessible::installFactory(PressableFactory), true);
        (void)factory;
        auto* keys = new KeyRelay(model_, control_, w);
        keys->setObjectName(QStringLiteral("keys"));
        w->installEventFilter(keys);
        if (control_.def().keyPath == KeyPath::SpaceEnter) {
            w->setFocusPolicy(Qt::TabFocus);
            // A label made its interface when its text was set (with a screen reader
            // listening): it goes, so the next one is made as the button it now is.
            QAccessibleInterface* made = QAccessible::queryAccessibleInterface(w);
            if (made && made->role() != QAccessible::Button)
                QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
        }
    }
    DescribeForAccessibility(w, control_);
    // A selection that is hidden while the control has no focus.
    if (control_.def().hideSelection) HideInactiveSelection(w);
    w->setFont(ToQFont(control_.def().font, w->font()));
    auto* relay = new InputRelay(model_, control_, w);
    relay->setObjectName("relay");
    (mouseSource ? mouseSource : w)->installEventFilter(relay);
    if (mouseSource) w->installEventFilter(relay);
    applyGeometry();
    w->setEnabled(!control_.disabled());
    w->setVisible(control_.visible());
}

void Adapter::reconcileSoon() {
    if (reconcilePending_ || !widget_) return;
    reconcilePending_ = true;
    // The widget is the timer's context: it goes with the adapter.
    QTimer::singleShot(0, widget_.data(), [this] {
        reconcilePending_ = false;
        reconcile();
    });
}

void Adapter::applyGeometry() {
    const Rect& r = control_.rect();
    widget_->setGeometry(r.left, r.top, std::max(r.width, 0), std::max(r.height, 0));
}

void Adapter::sync(Prop prop) {
    if (!widget_) return;
    switch (prop) {
    case Prop::Geometry: applyGeometry(); break;
    case Prop::Visible: widget_->setVisible(control_.visible()); break;
    case Prop::Disabled: widget_->setEnabled(!control_.disabled()); break;
    case Prop::Focus: widget_->setFocus(Qt::OtherFocusReason); break;
    default: break;
    }
}

std::unique_ptr<Adapter> CreateAdapter(Model& model, Control& c, QWidget* parent,
                                       const std::function<QMenu*(const Control&)>& menuOf) {
    switch (c.kind()) {
    case Kind::Label: return std::make_unique<LabelAdapter>(model, c, parent);
    case Kind::Edit:
        if (c.def().multiLine) return std::make_unique<PlainEditAdapter>(model, c, parent);
        return std::make_unique<LineEditAdapter>(model, c, parent);
    case Kind::Button: return std::make_unique<ButtonAdapter>(model, c, parent);
    case Kind::CheckBox:
    case Kind::RadioButton: return std::make_unique<CheckAdapter>(model, c, parent);
    case Kind::ComboBox: return std::make_unique<ComboAdapter>(model, c, parent);
    case Kind::GroupBox: return std::make_unique<GroupAdapter>(model, c, parent);
    case Kind::PictureBox: return std::make_unique<PictureAdapter>(model, c, parent);
    case Kind::Shape: return std::make_unique<ShapeAdapter>(model, c, parent);
    case Kind::RichText: return CreateRichTextAdapter(model, c, parent);
    case Kind::StatusBar: return std::make_unique<StatusBarAdapter>(model, c, parent);
    case Kind::Menu: return std::make_unique<MenuAdapter>(model, c, parent);
    case Kind::MenuItem: return std::make_unique<MenuItemAdapter>(model, c, menuOf(c));
    case Kind::Timer:
    case Kind::BalloonTip:
    case Kind::FileDialog: return std::make_unique<ComponentAdapter>(model, c);
    }
    return std::make_unique<ComponentAdapter>(model, c);
}

std::optional<QPoint> TakeKeyboardPopupPoint() {
    std::optional<QPoint> at = keyboardPopupPoint;
    keyboardPopupPoint.reset();
    return at;
}

QMenu* MenuOfAdapter(Adapter& a) {
    auto* menu = dynamic_cast<MenuAdapter*>(&a);
    return menu ? menu->menu() : nullptr;
}

}  // namespace vorta::ui::qt
