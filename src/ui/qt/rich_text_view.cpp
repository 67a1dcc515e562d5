#include "ui/qt/rich_text_view.h"

#include "codec/hex_text.h"

#include <optional>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include "ui/qt/frame_clock.h"
#include "ui/qt/gbk_qstring.h"
#include "ui/qt/rich_text_clipboard.h"
#include "ui/qt/scroll_bar_style.h"

namespace vorta::ui::qt {
namespace {

constexpr int kMargin = 4;

// The width rows are wrapped to.
qreal TextWidth(const QWidget* viewport) { return std::max<qreal>(1, viewport->width() - 2 * kMargin); }

}  // namespace

RichTextView::RichTextView(RichTextBox& box, QWidget* parent)
    : QAbstractScrollArea(parent), box_(box), layout_(box.rich(), box.def().wordWrap) {
    layout_.setFont(font());
    layout_.setWidth(wrapWidth());
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    // paintEvent fills every pixel it is asked for: nothing beneath needs painting first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // Owned by the scroll bar, so it lives exactly as long as its user.
    auto* barStyle = new CachedScrollBarStyle();
    barStyle->setParent(verticalScrollBar());
    verticalScrollBar()->setStyle(barStyle);
    // Its picture covers it whole: repainting it need not repaint what lies beneath.
    verticalScrollBar()->setAttribute(Qt::WA_OpaquePaintEvent);
    setVerticalScrollBarPolicy(box.def().vScroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
        if (!settingBar_) scrollToUnit(UnitPos(static_cast<std::int64_t>(v) * scale_));
    });
}

void RichTextView::refreshSoon() {
    FrameClock::instance().request(this, [this] { refresh(); });
}

qreal RichTextView::wrapWidth() const {
    const qreal width = TextWidth(viewport());
    return besideShown_ ? std::max<qreal>(1, width * 3 / 4 - kMargin) : width;
}

void RichTextView::drawTextBeside(QPainter& p, const Segment& s, int fromRow, QPointF origin, qreal bottom) {
    const qreal x = kMargin + wrapWidth() + kMargin;
    p.save();
    p.setPen(QColor(128, 128, 128));
    const QString text = s.layout->text();
    for (int i = fromRow; i < s.layout->lineCount(); ++i) {
        const QTextLine line = s.layout->lineAt(i);
        if (origin.y() + line.y() > bottom) break;
        const std::string row = text.mid(line.textStart(), line.textLength()).toLatin1().toStdString();
        const std::string beside = codec::PrintableOfHexCells(row);
        if (!beside.empty()) p.drawText(QPointF(x, origin.y() + line.y() + line.ascent()), QString::fromLatin1(beside));
    }
    p.restore();
}

void RichTextView::refresh() {
    if (box_.textBesideHex() != besideShown_) {
        const UnitPos unit = layout_.unitAt(top_);
        besideShown_ = box_.textBesideHex();
        layout_.setWidth(wrapWidth());
        top_ = layout_.rowOfUnit(unit);
    }
    const RichText::Changes changes = rich().takeChanges();
    if (changes.fromLine < rich().lineCount() || changes.middle) layout_.dropFrom(changes.fromLine, changes.fromUnit);
    adoptModelSelection();
    clampTop();
    if (rich().takeScrollRequest()) top_ = bottomTop();
    updateScrollBar();
    viewport()->update();
}

void RichTextView::adoptModelSelection() {
    const UnitPos start = rich().selectionStart(), end = rich().selectionEnd();
    if (std::min(anchor_, caret_) != start || std::max(anchor_, caret_) != end) {
        anchor_ = start;
        caret_ = end;
    }
}

QString RichTextView::unitText(UnitPos from, UnitPos to) const {
    from = std::clamp(from, UnitPos(0), rich().unitCount());
    to = std::clamp(to, from, rich().unitCount());
    const std::string bytes = rich().bytes(rich().byteOfUnit(from), rich().byteOfUnit(to));
    QString s = UnitsToQString(bytes);
    s.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    return s;
}

void RichTextView::select(UnitPos anchor, UnitPos caret) {
    anchor_ = std::clamp(anchor, UnitPos(0), rich().unitCount());
    caret_ = std::clamp(caret, UnitPos(0), rich().unitCount());
    rich().userSelect(anchor_, caret_);
    viewport()->update();
}

template <class Visit>
void RichTextView::forEachShownSegment(Visit visit) {
    const qreal height = viewport()->height();
    Row r = top_;
    qreal y = kMargin;
    while (y < height && layout_.valid(r)) {
        Segment& s = layout_.segment(r.line, r.seg);
        const QTextLine first = s.layout->lineAt(r.row);
        if (!visit(s, r.row, QPointF(kMargin, y - first.y()))) return;
        y += s.height - first.y();
        r = layout_.next({r.line, r.seg, layout_.rowsOf(s) - 1});
    }
}

void RichTextView::paintEvent(QPaintEvent* e) {
    QPainter p(viewport());
    p.fillRect(e->rect(), palette().brush(QPalette::Base));
    const qreal height = viewport()->height();
    const bool focused = hasFocus();
    const bool showSelection = focused || !box_.def().hideSelection;
    const UnitPos selA = std::min(anchor_, caret_), selB = std::max(anchor_, caret_);
    forEachShownSegment([&](Segment& s, int fromRow, QPointF origin) {
        QList<QTextLayout::FormatRange> selections;
        if (showSelection && selB > selA && selB > s.unitStart && selA < s.unitStart + s.units) {
            QTextLayout::FormatRange range;
            range.start = static_cast<int>((std::max(selA, s.unitStart) - s.unitStart).value());
            range.length =
                static_cast<int>((std::min(selB, s.unitStart + s.units) - s.unitStart).value()) - range.start;
            const QPalette::ColorGroup group = focused ? QPalette::Active : QPalette::Inactive;
            range.format.setBackground(palette().brush(group, QPalette::Highlight));
            const QBrush text = palette().brush(group, QPalette::HighlightedText);
            if (text.style() != Qt::NoBrush) range.format.setForeground(text);
            selections.append(range);
        }
        const qreal y = origin.y() + s.layout->lineAt(fromRow).y();
        s.layout->draw(&p, origin, selections, QRectF(0, y, viewport()->width(), height - y));
        if (besideShown_) drawTextBeside(p, s, fromRow, origin, height);
        if (focused && caret_ >= s.unitStart && caret_ <= s.unitStart + s.units)
            s.layout->drawCursor(&p, origin, static_cast<int>((caret_ - s.unitStart).value()));
        return true;
    });
    layout_.trimCache();
}

void RichTextView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    if (layout_.wraps() && e->size().width() != e->oldSize().width()) {
        const UnitPos unit = layout_.unitAt(top_);
        layout_.setWidth(wrapWidth());
        top_ = layout_.rowOfUnit(unit);
    }
    clampTop();
    updateScrollBar();
}

void RichTextView::wheelEvent(QWheelEvent* e) {
    const int steps = e->angleDelta().y() / 40;  // three rows a notch
    moveTop(-steps);
    updateScrollBar();
    viewport()->update();
    e->accept();
}

void RichTextView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    adoptModelSelection();
    const UnitPos u = hitTest(e->position());
    dragging_ = true;
    select(e->modifiers() & Qt::ShiftModifier ? anchor_ : u, u);
}

void RichTextView::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_) return;
    select(anchor_, hitTest(e->position()));
    ensureVisible(caret_);
}

void RichTextView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) dragging_ = false;
}

void RichTextView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    // The word under the pointer: the run of non-blank characters around it.
    const UnitPos u = hitTest(e->position());
    const RichText::Line line = rich().line(rich().lineOfUnit(u));
    const QString text = unitText(line.unitStart, line.unitStart + line.units);
    auto isWord = [&text](UnitPos i) { return !text[static_cast<qsizetype>(i.value())].isSpace(); };
    UnitPos a = u - line.unitStart, b = a;
    while (a > UnitPos(0) && isWord(a - 1)) --a;
    while (b < line.units && isWord(b)) ++b;
    select(line.unitStart + a, line.unitStart + b);
}

void RichTextView::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
}

void RichTextView::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    viewport()->update();
}

void RichTextView::keyPressEvent(QKeyEvent* e) {
    adoptModelSelection();
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    auto moveTo = [&](UnitPos u) {
        select(shift ? anchor_ : u, u);
        ensureVisible(caret_);
    };
    if (e->matches(QKeySequence::SelectAll)) {
        select(UnitPos(0), rich().unitCount());
    } else if (e->matches(QKeySequence::Copy)) {
        copy();
    } else if (e->matches(QKeySequence::Cut)) {
        copy();
        userEdit(QString());
    } else if (e->matches(QKeySequence::Paste)) {
        paste();
    } else if (e->key() == Qt::Key_Left) {
        moveTo(std::max(UnitPos(0), caret_ - 1));
    } else if (e->key() == Qt::Key_Right) {
        moveTo(std::min(rich().unitCount(), caret_ + 1));
    } else if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) {
        moveTo(verticalMove(caret_, e->key() == Qt::Key_Up ? -1 : 1));
    } else if (e->key() == Qt::Key_PageUp || e->key() == Qt::Key_PageDown) {
        const int rows = std::max(1, static_cast<int>(viewport()->height() / layout_.rowLine(top_).height()) - 1);
        moveTo(verticalMove(caret_, e->key() == Qt::Key_PageUp ? -rows : rows));
    } else if (e->key() == Qt::Key_Home || e->key() == Qt::Key_End) {
        const bool home = e->key() == Qt::Key_Home;
        if (e->modifiers() & Qt::ControlModifier) {
            moveTo(home ? UnitPos(0) : rich().unitCount());
        } else {
            const Row r = layout_.rowOfUnit(caret_);
            Segment& s = layout_.segment(r.line, r.seg);
            const QTextLine tl = s.layout->lineAt(r.row);
            UnitPos u = s.unitStart + (home ? tl.textStart() : tl.textStart() + tl.textLength());
            if (!home && u > s.unitStart + tl.textStart() && u < s.unitStart + s.units) --u;  // before the wrap
            moveTo(u);
        }
    } else if (e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete) {
        if (anchor_ == caret_) {
            const UnitPos other = e->key() == Qt::Key_Backspace ? caret_ - 1 : caret_ + 1;
            if (other < UnitPos(0) || other > rich().unitCount()) return;
            anchor_ = other;
        }
        userEdit(QString());
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        userEdit(QString(QChar(QChar::ParagraphSeparator)));
    } else if (!e->text().isEmpty() && e->text()[0].isPrint()) {
        userEdit(e->text());
    } else {
        QAbstractScrollArea::keyPressEvent(e);
    }
}

void RichTextView::inputMethodEvent(QInputMethodEvent* e) {
    if (!e->commitString().isEmpty()) userEdit(e->commitString());
    e->accept();
}

QVariant RichTextView::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query != Qt::ImCursorRectangle) return QAbstractScrollArea::inputMethodQuery(query);
    // Finding the rows lays them out, which the layout cache keeps.
    return const_cast<RichTextView*>(this)->caretRect();
}

QRect RichTextView::caretRect() {
    const QPoint offset = viewport()->geometry().topLeft();
    const qreal height = viewport()->height();
    std::optional<QRect> found;
    forEachShownSegment([&](Segment& s, int fromRow, QPointF origin) {
        if (caret_ < s.unitStart || caret_ > s.unitStart + s.units) return true;
        const int pos = static_cast<int>((caret_ - s.unitStart).value());
        const QTextLine line = s.layout->lineForTextPosition(pos);
        if (line.isValid() && line.lineNumber() >= fromRow && origin.y() + line.y() < height) {
            const QRectF at(origin.x() + line.cursorToX(pos), origin.y() + line.y(), 1, line.height());
            found = at.toAlignedRect().translated(offset);
            return false;
        }
        return true;
    });
    return found.value_or(QRect(offset + QPoint(kMargin, kMargin), QSize(1, fontMetrics().height())));
}

void RichTextView::clampTop() {
    if (!layout_.valid(top_)) top_ = {rich().lineCount() - 1, 0, 0};
    const std::int64_t segs = layout_.segmentsOf(top_.line);
    if (top_.seg >= segs) top_ = {top_.line, segs - 1, 0};
    top_.row = std::min(top_.row, layout_.rowsOf(layout_.segment(top_.line, top_.seg)) - 1);
    const Row bottom = bottomTop();
    if (bottom < top_) top_ = bottom;
}

void RichTextView::scrollToUnit(UnitPos unit) {
    top_ = layout_.rowOfUnit(unit);
    clampTop();
    viewport()->update();
}

void RichTextView::moveTop(int rows) {
    for (; rows > 0; --rows) {
        const Row n = layout_.next(top_);
        if (!layout_.valid(n)) break;
        top_ = n;
    }
    for (; rows < 0; ++rows)
        if (!layout_.prev(top_)) break;
    clampTop();
}

void RichTextView::ensureVisible(UnitPos unit) {
    const Row target = layout_.rowOfUnit(unit);
    if (target < top_) {
        top_ = target;
    } else {
        qreal y = kMargin;
        const qreal bottom = viewport()->height() - kMargin;
        for (Row r = top_; layout_.valid(r) && y < bottom; r = layout_.next(r)) {
            y += layout_.segment(r.line, r.seg).layout->lineAt(r.row).height();
            if (r == target) {
                if (y > bottom) break;
                updateScrollBar();
                viewport()->update();
                return;
            }
        }
        // Below the view: the target becomes the last row shown.
        Row r = target;
        qreal used = layout_.segment(r.line, r.seg).layout->lineAt(r.row).height();
        for (Row p = r; layout_.prev(p);) {
            used += layout_.segment(p.line, p.seg).layout->lineAt(p.row).height();
            if (used > bottom - kMargin) break;
            r = p;
        }
        top_ = r;
    }
    clampTop();
    updateScrollBar();
    viewport()->update();
}

void RichTextView::updateScrollBar() {
    const std::int64_t max = layout_.unitAt(bottomTop()).value();
    scale_ = std::max<std::int64_t>(1, max / 0x3FFFFFFF + 1);
    settingBar_ = true;
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, static_cast<int>(max / scale_));
    bar->setPageStep(static_cast<int>(std::max<std::int64_t>(1, 2000 / scale_)));
    bar->setSingleStep(static_cast<int>(std::max<std::int64_t>(1, 80 / scale_)));
    bar->setValue(static_cast<int>(layout_.unitAt(top_).value() / scale_));
    settingBar_ = false;
}

UnitPos RichTextView::hitTest(QPointF pos) {
    Row r = top_;
    qreal y = kMargin;
    Row last = r;
    while (layout_.valid(r)) {
        Segment& s = layout_.segment(r.line, r.seg);
        const QTextLine tl = s.layout->lineAt(r.row);
        last = r;
        if (pos.y() < y + tl.height()) return s.unitStart + tl.xToCursor(pos.x() - kMargin);
        y += tl.height();
        if (y > viewport()->height()) break;
        r = layout_.next(r);
    }
    Segment& s = layout_.segment(last.line, last.seg);
    return s.unitStart + s.layout->lineAt(last.row).xToCursor(pos.x() - kMargin);
}

UnitPos RichTextView::verticalMove(UnitPos unit, int rows) {
    Row r = layout_.rowOfUnit(unit);
    Segment& from = layout_.segment(r.line, r.seg);
    const qreal x = from.layout->lineAt(r.row).cursorToX(static_cast<int>((unit - from.unitStart).value()));
    for (; rows < 0; ++rows)
        if (!layout_.prev(r)) return UnitPos(0);
    for (; rows > 0; --rows) {
        const Row n = layout_.next(r);
        if (!layout_.valid(n)) return rich().unitCount();
        r = n;
    }
    Segment& to = layout_.segment(r.line, r.seg);
    return to.unitStart + to.layout->lineAt(r.row).xToCursor(x);
}

void RichTextView::userEdit(const QString& text) {
    const UnitPos a = std::min(anchor_, caret_), b = std::max(anchor_, caret_);
    rich().userReplace(a, b - a, QStringToUnits(text));
    anchor_ = caret_ = rich().selectionEnd();
    refresh();
    ensureVisible(caret_);
}

void RichTextView::copy() {
    if (anchor_ == caret_) return;
    const RichText& r = rich();
    const BytePos from = r.byteOfUnit(std::min(anchor_, caret_)), to = r.byteOfUnit(std::max(anchor_, caret_));
    QGuiApplication::clipboard()->setMimeData(MakeClipboardData(r, from, to));
}

void RichTextView::paste() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime || !mime->hasText()) return;
    QString text = mime->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    userEdit(text);
}

RichTextLayout::Row RichTextView::bottomTop() {
    return layout_.topShowingLastRowIn(viewport()->height() - 2 * kMargin);
}

void RichTextView::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        layout_.setFont(font());
        refresh();
    }
}

}  // namespace vorta::ui::qt
