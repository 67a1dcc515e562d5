#pragma once
// The display on Qt: a scroll area that draws the rows of the model's store
// (RichText) as RichTextLayout lays them out, and takes the user's selection,
// scrolling, typing, cutting, copying and pasting. The model keeps the text and
// the selection; the view keeps only the top row and which end is the caret.
#include <QAbstractScrollArea>
#include <QPainter>

#include "ui/model.h"
#include "ui/qt/rich_text_layout.h"

namespace vorta::ui::qt {

class RichTextView : public QAbstractScrollArea {
public:
    RichTextView(RichTextBox& box, QWidget* parent);

    RichText& rich() { return box_.rich(); }
    const RichText& rich() const { return box_.rich(); }

    // Asks for a refresh; it comes at most once per frame.
    void refreshSoon();

    // Brings the view up to the store: drops the layouts of changed lines, follows
    // the end when asked, and repaints.
    void refresh();

    // The model holds the selection; the view keeps only which end is the caret.
    // When the program moved it (or a write carried a caret at the end along), take it over.
    void adoptModelSelection();

    // For accessibility: units [from, to) as text, a line end as "\n".
    QString unitText(UnitPos from, UnitPos to) const;
    UnitPos caret() const { return caret_; }
    void select(UnitPos anchor, UnitPos caret);

protected:
    void paintEvent(QPaintEvent* e) override;

    void resizeEvent(QResizeEvent* e) override;

    void wheelEvent(QWheelEvent* e) override;

    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

    void keyPressEvent(QKeyEvent* e) override;

    void inputMethodEvent(QInputMethodEvent* e) override;
    // The caret's rectangle (Qt::ImCursorRectangle), in the view's coordinates: where an
    // input method's candidates and a menu opened from the keyboard stand.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void changeEvent(QEvent* e) override;

private:
    using Row = RichTextLayout::Row;
    using Segment = RichTextLayout::Segment;
    bool besideShown_ = false;  // the box's text-beside-hex option as the layout has it

    // The width rows wrap to: three quarters of it while the text beside the hex cells shows.
    qreal wrapWidth() const;
    // Calls visit(segment, its first row shown, its origin) for each segment from
    // the top row down to the viewport's bottom, until visit returns false.
    template <class Visit>
    void forEachShownSegment(Visit visit);
    // The printable text of each row's hex cells, right of the rows.
    void drawTextBeside(QPainter& p, const Segment& s, int fromRow, QPointF origin, qreal bottom);
    // The top row that shows the last row at the bottom of the viewport.
    Row bottomTop();
    void clampTop();
    void scrollToUnit(UnitPos unit);
    void moveTop(int rows);
    void ensureVisible(UnitPos unit);
    void updateScrollBar();

    UnitPos hitTest(QPointF pos);
    // The caret among the rows shown, or a caret-high line at the text's top-left when it is scrolled away.
    QRect caretRect();
    UnitPos verticalMove(UnitPos unit, int rows);

    // The user's typing, pasting, cutting and deleting: at the user's selection,
    // in the insertion format; the view redraws from the store right away.
    void userEdit(const QString& text);
    void copy();
    void paste();

    RichTextBox& box_;
    RichTextLayout layout_;
    Row top_;
    UnitPos anchor_, caret_;
    std::int64_t scale_ = 1;
    bool settingBar_ = false;
    bool dragging_ = false;
};

}  // namespace vorta::ui::qt
