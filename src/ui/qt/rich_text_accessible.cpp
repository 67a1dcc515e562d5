#include "ui/qt/rich_text_accessible.h"

#include <QAccessibleWidget>

#include "ui/qt/adapters.h"
#include "ui/qt/gbk_qstring.h"
#include "ui/qt/rich_text_view.h"

namespace vorta::ui::qt {
namespace {

// What a screen reader or a test tool reads: the display's whole text (one
// character per unit, a line end as "\n"), the caret, the selection and the
// colour of each character.
class RichTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit RichTextAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.multiLine = true;
        return s;
    }
    QString text(QAccessible::Text t) const override;
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override { setSelection(0, position, position); }
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    RichTextView* view() const;
};

RichTextView* RichTextAccessible::view() const { return static_cast<RichTextView*>(widget()); }

QString RichTextAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) return view()->unitText(UnitPos(0), view()->rich().unitCount());
    return QAccessibleWidget::text(t);
}
void RichTextAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0) return;
    *startOffset = static_cast<int>(view()->rich().selectionStart().value());
    *endOffset = static_cast<int>(view()->rich().selectionEnd().value());
}
int RichTextAccessible::selectionCount() const {
    return view()->rich().selectionStart() == view()->rich().selectionEnd() ? 0 : 1;
}
void RichTextAccessible::removeSelection(int) { view()->select(view()->caret(), view()->caret()); }
void RichTextAccessible::setSelection(int, int startOffset, int endOffset) {
    view()->select(UnitPos(startOffset), UnitPos(endOffset));
}
int RichTextAccessible::cursorPosition() const { return static_cast<int>(view()->caret().value()); }
QString RichTextAccessible::text(int startOffset, int endOffset) const {
    return view()->unitText(UnitPos(startOffset), UnitPos(endOffset));
}
int RichTextAccessible::characterCount() const { return static_cast<int>(view()->rich().unitCount().value()); }
QString RichTextAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    // The run holding the character: its extent and its foreground colour.
    const RichText& rich = view()->rich();
    *startOffset = *endOffset = offset;
    if (offset < 0 || UnitPos(offset) >= rich.unitCount()) return QString();
    const BytePos byte = rich.byteOfUnit(UnitPos(offset));
    const std::vector<RichText::Run> runs = rich.runs(byte, byte + 1);
    if (runs.empty()) return QString();
    const std::vector<RichText::Run> whole =
        rich.runs(byte >= BytePos(65536) ? byte - 65536 : BytePos(0), byte + 65536);
    for (const RichText::Run& r : whole)
        if (r.byteStart <= byte && byte < r.byteEnd) {
            *startOffset = static_cast<int>(rich.unitOfByte(r.byteStart).value());
            *endOffset = static_cast<int>(rich.unitOfByte(r.byteEnd).value());
        }
    const CharFormat& f = rich.format(runs.front().format);
    if (f.colour == kDefaultColour) return QString();
    const QColor c = ToQColor(f.colour);
    return QStringLiteral("color:rgb(%1,%2,%3);").arg(c.red()).arg(c.green()).arg(c.blue());
}

QAccessibleInterface* AccessibleFactory(const QString&, QObject* object) {
    if (auto* view = dynamic_cast<RichTextView*>(object)) return new RichTextAccessible(view);
    return nullptr;
}

}  // namespace

void InstallRichTextAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(AccessibleFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace vorta::ui::qt
