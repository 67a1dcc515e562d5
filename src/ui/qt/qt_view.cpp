#include "ui/qt/qt_view.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QWindow>

#include "ui/qt/desktop_look.h"
#include "ui/qt/gbk_qstring.h"
#include "ui/qt/window_widget.h"

namespace vorta::ui::qt {

QtView::QtView(Model& model) : model_(model) {}

QtView::~QtView() {
    adapters_.clear();
    for (auto& [window, widget] : windows_) delete widget;
    delete balloon_.data();
}

void QtView::applyInterfaceStyle(int /*style*/) {
    // One light Fusion look for every window of the program, now and later, with
    // the program's palette and font kept against the desktop's theme.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    KeepProgramLook();
}

void QtView::windowOpened(Window& w) {
    auto* widget = new WindowWidget(model_, w);
    windows_[&w] = widget;
    auto menuOf = [this](const Control& item) -> QMenu* {
        Control* menu = item.parent();
        auto it = menu ? adapters_.find(menu) : adapters_.end();
        return it == adapters_.end() ? nullptr : MenuOfAdapter(*it->second);
    };
    // Containers come before their children in a definition; a child whose
    // container is not made yet would land on the window itself.
    for (auto& c : w.controls()) {
        QWidget* parent = widget;
        if (Control* p = c->parent()) {
            auto it = adapters_.find(p);
            if (it != adapters_.end() && it->second->childParent()) parent = it->second->childParent();
        }
        adapters_[c.get()] = CreateAdapter(model_, *c, parent, menuOf);
    }
    widget->onClientResized = [this, &w](QSize client) {
        for (auto& c : w.controls()) {
            auto it = adapters_.find(c.get());
            if (it != adapters_.end()) it->second->windowResized(client);
        }
    };
    widget->onClientResized(widget->size());
    if (w.modal()) widget->setWindowModality(Qt::ApplicationModal);
    widget->show();
    widget->applyGeometry();  // again, now that a window manager may have framed it
}

void QtView::windowClosed(Window& w) {
    auto it = windows_.find(&w);
    if (it == windows_.end()) return;
    for (auto& c : w.controls()) adapters_.erase(c.get());
    WindowWidget* widget = it->second;
    windows_.erase(it);
    widget->modelClosed = true;
    widget->hide();
    widget->deleteLater();
}

void QtView::windowChanged(Window& w, Prop prop) {
    auto it = windows_.find(&w);
    if (it == windows_.end()) return;
    if (prop == Prop::AlwaysOnTop)
        it->second->applyAlwaysOnTop();
    else if (prop == Prop::Geometry)
        it->second->applyGeometry();
    else if (prop == Prop::Activate)
        it->second->activate();
}

void QtView::controlChanged(Control& c, Prop prop) {
    auto it = adapters_.find(&c);
    if (it != adapters_.end()) it->second->sync(prop);
}

void QtView::showBalloon(Control& c, int x, int y, const Text& text, bool /*flag*/) {
    // A tip in the program's fixed-pitch face, so the columns of a conversion line up.
    if (!balloon_) {
        balloon_ = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
        balloon_->setObjectName(QStringLiteral("balloon"));
        balloon_->setStyleSheet(
            QStringLiteral("QLabel#balloon { background: #ffffe1; color: black; border: 1px solid #767676;"
                           " border-radius: 6px; padding: 6px 8px; }"));
        QFont font(QStringLiteral("宋体"));
        font.setPixelSize(12);
        balloon_->setFont(font);
        balloon_->setTextFormat(Qt::PlainText);
    }
    QString shown = FromGbk(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    balloon_->setText(shown);
    balloon_->adjustSize();
    balloon_->move(x, y);
    balloon_->show();
    // The tip stands at the pointer and must never take the click meant for what
    // lies beneath it. Set on the shown window: Qt's X11 plugin leaves a native
    // window created with the flag open to input.
    if (QWindow* native = balloon_->windowHandle()) native->setFlag(Qt::WindowTransparentForInput);
    balloon_->raise();
    QTimer::singleShot(8000, balloon_.data(), [label = balloon_, shown] {
        if (label && label->text() == shown) label->hide();
    });
    (void)c;
}

void QtView::popupMenu(Control& menu, int x, int y) {
    auto it = adapters_.find(&menu);
    if (it == adapters_.end()) return;
    const std::optional<QPoint> key = TakeKeyboardPopupPoint();
    QMenu* m = MenuOfAdapter(*it->second);
    if (!m) return;
    m->popup(key.value_or(QPoint(x, y)));
    // From the keyboard the first item the user may choose is ready for Enter.
    if (key)
        for (QAction* a : m->actions())
            if (a->isEnabled() && !a->isSeparator()) {
                m->setActiveAction(a);
                break;
            }
}

namespace {

// "desc|pattern|desc|pattern" becomes Qt's "desc (pattern);;desc (pattern)": Qt reads the
// patterns from the parentheses. The program's descriptions already show their pattern
// ("文本文档（*.txt）"), so the dialog hides Qt's copy and shows each description as it is.
QString QtFilters(const Text& filter) {
    const QStringList parts = FromGbk(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    return filters.join(QStringLiteral(";;"));
}

std::optional<Text> ChosenPath(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return ToGbk(path);
}

}  // namespace

std::optional<Text> QtView::showSaveDialog(Control& c, const Text& filter, const Text& initialDir) {
    return runFileDialog(c, filter, initialDir, true);
}

std::optional<Text> QtView::showOpenDialog(Control& c, const Text& filter, const Text& initialDir) {
    return runFileDialog(c, filter, initialDir, false);
}

std::optional<Text> QtView::runFileDialog(Control& c, const Text& filter, const Text& initialDir, bool save) {
    // Made here, not by QFileDialog's static functions, so cancelDialog() can end it.
    // On the heap: should its parent window go first, it takes the dialog with it.
    auto* dialog = new QFileDialog(widgetOf(c.window()), QString(), FromGbk(initialDir), QtFilters(filter));
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog_ = dialog;
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!dialog_) return std::nullopt;
    const QString path = accepted ? dialog->selectedFiles().value(0) : QString();
    delete dialog;
    return ChosenPath(path);
}

void QtView::cancelDialog() {
    if (dialog_) dialog_->reject();
}

QWidget* QtView::widgetOf(Window& w) const {
    auto it = windows_.find(&w);
    return it == windows_.end() ? nullptr : it->second;
}

QWidget* QtView::widgetOf(Control& c) const {
    auto it = adapters_.find(&c);
    return it == adapters_.end() ? nullptr : it->second->widget();
}

}  // namespace vorta::ui::qt
