#include "ui/qt/rich_text_widget.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QTimer>
#include <map>

#include "ui/qt/adapters.h"
#include "ui/qt/clipboard_text.h"
#include "ui/qt/frame_clock.h"
#include "ui/qt/gbk_qstring.h"
#include "ui/qt/scroll_bar_style.h"

namespace vorta::ui::qt {
namespace {

// A line longer than this many units is laid out in pieces of about this size,
// each starting a new row, so a line of any length costs one piece to show.
constexpr std::int64_t kSegmentUnits = 4095;
// A piece ends after the last blank within this many units before its nominal
// end (a multiple of kSegmentUnits), so it cuts neither a word nor a hex cell
// ("0A "), whatever text comes before them on the line.
constexpr std::int64_t kSegmentSlack = 64;
constexpr int kMargin = 4;
// Units of layouts kept beyond those in use (see trimCache).
constexpr std::int64_t kCachedUnits = 16384;

// The display's fonts carry no typographic features worth shaping for (kerning,
// ligatures); skipping the shaping step makes laying out a line several times cheaper.
constexpr QFont::StyleStrategy kTextStrategy = QFont::PreferNoShaping;

QTextCharFormat ToQtFormat(const CharFormat& f) {
    QTextCharFormat q;
    if (!f.face.empty()) q.setFontFamilies({FromGbk(f.face)});
    if (f.pointSize > 0) q.setFontPointSize(f.pointSize);
    q.setFontWeight(f.effects & kBold ? QFont::Bold : QFont::Normal);
    q.setFontItalic(f.effects & kItalic);
    q.setFontUnderline(f.effects & kUnderline);
    q.setFontStrikeOut(f.effects & kStrikeOut);
    if (f.colour != kDefaultColour) q.setForeground(ToQColor(f.colour));
    q.setFontStyleStrategy(kTextStrategy);
    return q;
}

// Units of `bytes` (no line ends) converted with UnitsToQString, and the unit
// offset of each byte offset in `at` (sorted), in one pass.
std::vector<int> UnitOffsets(const std::string& bytes, std::vector<std::size_t> at) {
    std::vector<int> out;
    std::size_t i = 0, k = 0;
    int unit = 0;
    for (; k < at.size(); ++k) {
        while (i < at[k] && i < bytes.size()) {
            i += UnitLength(bytes.data() + i, bytes.size() - i);
            ++unit;
        }
        out.push_back(unit);
    }
    return out;
}

class RichTextView;

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

// What a copy puts on the clipboard: a snapshot of the selected bytes (shared
// with the display, not copied) and their colours, taken at once. The plain
// text is made as ClipboardText says; the HTML with colours only when a program
// asks for it, and only for a copy of up to kHtmlBytes: a coloured page of a
// whole large display would take seconds to build and serves no program.
class ClipboardData : public QMimeData {
public:
    struct ColourRun {
        std::size_t end;  // byte offset in the selection where the run ends
        Colour colour;
    };
    static constexpr std::size_t kHtmlBytes = 1 << 20;
    ClipboardData(const TextSnapshot& bytes, std::vector<ColourRun> runs)
        : plain_(bytes, PlainText), runs_(std::move(runs)) {
        if (bytes.size() <= kHtmlBytes) forHtml_ = bytes;
    }
    QStringList formats() const override {
        if (forHtml_.empty()) return {QStringLiteral("text/plain")};
        return {QStringLiteral("text/plain"), QStringLiteral("text/html")};
    }
    bool hasFormat(const QString& mimeType) const override { return formats().contains(mimeType); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType) const override {
        if (mimeType == QLatin1String("text/plain")) return plain_.text();
        if (mimeType != QLatin1String("text/html") || forHtml_.empty()) return {};
        const std::string selected = forHtml_.bytes();
        QString html = QStringLiteral("<pre>");
        std::size_t start = 0;
        for (const ColourRun& run : runs_) {
            // Line ends become <br> between spans, so each span holds the text of one line.
            const QStringList lines =
                UnitsToQString(selected.substr(start, run.end - start)).split(QChar(QChar::ParagraphSeparator));
            start = run.end;
            for (qsizetype i = 0; i < lines.size(); ++i) {
                if (i > 0) html += QStringLiteral("<br>");
                if (lines[i].isEmpty()) continue;
                const QString text = lines[i].toHtmlEscaped();
                html +=
                    run.colour == kDefaultColour
                        ? text
                        : QStringLiteral("<span style=\"color:%1;\">%2</span>").arg(ToQColor(run.colour).name(), text);
            }
        }
        return html + QStringLiteral("</pre>");
    }

private:
    // Units as text, a line end as "\n".
    static QString PlainText(const std::string& bytes) {
        QString plain = UnitsToQString(bytes);
        plain.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
        return plain;
    }
    mutable ClipboardText plain_;
    std::vector<ColourRun> runs_;
    TextSnapshot forHtml_;  // empty beyond kHtmlBytes
};

class RichTextView : public QAbstractScrollArea {
public:
    RichTextView(RichTextBox& box, QWidget* parent) : QAbstractScrollArea(parent), box_(box) {
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
        wrap_ = box.def().wordWrap;
        setVerticalScrollBarPolicy(box.def().vScroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
            if (!settingBar_) scrollToUnit(static_cast<std::int64_t>(v) * scale_);
        });
    }

    RichText& rich() { return box_.rich(); }
    const RichText& rich() const { return box_.rich(); }

    // Asks for a refresh; it comes at most once per frame.
    void refreshSoon() {
        FrameClock::instance().request(this, [this] { refresh(); });
    }

    // Brings the view up to the store: drops the layouts of changed lines, follows
    // the end when asked, and repaints.
    void refresh() {
        const RichText::Changes changes = rich().takeChanges();
        if (changes.fromLine < rich().lineCount() || changes.middle) dropFrom(changes.fromLine, changes.fromUnit);
        adoptModelSelection();
        clampTop();
        if (rich().takeScrollRequest()) top_ = bottomTop();
        updateScrollBar();
        viewport()->update();
    }

    // The model holds the selection; the view keeps only which end is the caret.
    // When the program moved it (or a write carried a caret at the end along), take it over.
    void adoptModelSelection() {
        const std::int64_t start = rich().selectionStart(), end = rich().selectionEnd();
        if (std::min(anchor_, caret_) != start || std::max(anchor_, caret_) != end) {
            anchor_ = start;
            caret_ = end;
        }
    }

    // For accessibility: units [from, to) as text, a line end as "\n".
    QString unitText(std::int64_t from, std::int64_t to) const {
        from = std::clamp<std::int64_t>(from, 0, rich().unitCount());
        to = std::clamp<std::int64_t>(to, from, rich().unitCount());
        const std::string bytes = rich().bytes(rich().byteOfUnit(from), rich().byteOfUnit(to));
        QString s = UnitsToQString(bytes);
        s.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
        return s;
    }
    std::int64_t caret() const { return caret_; }
    void select(std::int64_t anchor, std::int64_t caret) {
        anchor_ = std::clamp<std::int64_t>(anchor, 0, rich().unitCount());
        caret_ = std::clamp<std::int64_t>(caret, 0, rich().unitCount());
        rich().userSelect(anchor_, caret_);
        viewport()->update();
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(viewport());
        p.fillRect(e->rect(), palette().brush(QPalette::Base));
        const qreal height = viewport()->height();
        const bool focused = hasFocus();
        const bool showSelection = focused || !box_.def().hideSelection;
        const std::int64_t selA = std::min(anchor_, caret_), selB = std::max(anchor_, caret_);
        Row r = top_;
        qreal y = kMargin;
        while (y < height && valid(r)) {
            Segment& s = segment(r.line, r.seg);
            const QTextLine first = s.layout->lineAt(r.row);
            const QPointF origin(kMargin, y - first.y());
            QList<QTextLayout::FormatRange> selections;
            if (showSelection && selB > selA && selB > s.unitStart && selA < s.unitStart + s.units) {
                QTextLayout::FormatRange range;
                range.start = static_cast<int>(std::max(selA, s.unitStart) - s.unitStart);
                range.length = static_cast<int>(std::min(selB, s.unitStart + s.units) - s.unitStart) - range.start;
                const QPalette::ColorGroup group = focused ? QPalette::Active : QPalette::Inactive;
                range.format.setBackground(palette().brush(group, QPalette::Highlight));
                const QBrush text = palette().brush(group, QPalette::HighlightedText);
                if (text.style() != Qt::NoBrush) range.format.setForeground(text);
                selections.append(range);
            }
            s.layout->draw(&p, origin, selections, QRectF(0, y, viewport()->width(), height - y));
            if (focused && caret_ >= s.unitStart && caret_ <= s.unitStart + s.units && caretIn(s, r))
                s.layout->drawCursor(&p, origin, static_cast<int>(caret_ - s.unitStart));
            y += s.height - first.y();
            r = {r.line, r.seg, rowsOf(s) - 1};
            r = next(r);
        }
        trimCache();
    }

    void resizeEvent(QResizeEvent* e) override {
        QAbstractScrollArea::resizeEvent(e);
        if (wrap_ && e->size().width() != e->oldSize().width()) {
            const std::int64_t unit = unitAt(top_);
            cache_.clear();
            top_ = rowOfUnit(unit);
        }
        clampTop();
        updateScrollBar();
    }

    void wheelEvent(QWheelEvent* e) override {
        const int steps = e->angleDelta().y() / 40;  // three rows a notch
        moveTop(-steps);
        updateScrollBar();
        viewport()->update();
        e->accept();
    }

    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        adoptModelSelection();
        const std::int64_t u = hitTest(e->position());
        dragging_ = true;
        select(e->modifiers() & Qt::ShiftModifier ? anchor_ : u, u);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!dragging_) return;
        select(anchor_, hitTest(e->position()));
        ensureVisible(caret_);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) dragging_ = false;
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        // The word under the pointer: the run of non-blank characters around it.
        const std::int64_t u = hitTest(e->position());
        const RichText::Line line = rich().line(rich().lineOfUnit(u));
        const QString text = unitText(line.unitStart, line.unitStart + line.units);
        auto isWord = [&text](std::int64_t i) { return !text[static_cast<qsizetype>(i)].isSpace(); };
        std::int64_t a = u - line.unitStart, b = a;
        while (a > 0 && isWord(a - 1)) --a;
        while (b < line.units && isWord(b)) ++b;
        select(line.unitStart + a, line.unitStart + b);
    }

    void focusInEvent(QFocusEvent* e) override {
        QAbstractScrollArea::focusInEvent(e);
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* e) override {
        QAbstractScrollArea::focusOutEvent(e);
        viewport()->update();
    }

    void keyPressEvent(QKeyEvent* e) override {
        adoptModelSelection();
        const bool shift = e->modifiers() & Qt::ShiftModifier;
        auto moveTo = [&](std::int64_t u) {
            select(shift ? anchor_ : u, u);
            ensureVisible(caret_);
        };
        if (e->matches(QKeySequence::SelectAll)) {
            select(0, rich().unitCount());
        } else if (e->matches(QKeySequence::Copy)) {
            copy();
        } else if (e->matches(QKeySequence::Cut)) {
            copy();
            userEdit(QString());
        } else if (e->matches(QKeySequence::Paste)) {
            paste();
        } else if (e->key() == Qt::Key_Left) {
            moveTo(std::max<std::int64_t>(0, caret_ - 1));
        } else if (e->key() == Qt::Key_Right) {
            moveTo(std::min(rich().unitCount(), caret_ + 1));
        } else if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) {
            moveTo(verticalMove(caret_, e->key() == Qt::Key_Up ? -1 : 1));
        } else if (e->key() == Qt::Key_PageUp || e->key() == Qt::Key_PageDown) {
            const int rows = std::max(1, static_cast<int>(viewport()->height() / rowHeight()) - 1);
            moveTo(verticalMove(caret_, e->key() == Qt::Key_PageUp ? -rows : rows));
        } else if (e->key() == Qt::Key_Home || e->key() == Qt::Key_End) {
            const bool home = e->key() == Qt::Key_Home;
            if (e->modifiers() & Qt::ControlModifier) {
                moveTo(home ? 0 : rich().unitCount());
            } else {
                const Row r = rowOfUnit(caret_);
                Segment& s = segment(r.line, r.seg);
                const QTextLine tl = s.layout->lineAt(r.row);
                std::int64_t u = s.unitStart + (home ? tl.textStart() : tl.textStart() + tl.textLength());
                if (!home && u > s.unitStart + tl.textStart() && u < s.unitStart + s.units) --u;  // before the wrap
                moveTo(u);
            }
        } else if (e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete) {
            if (anchor_ == caret_) {
                const std::int64_t other = e->key() == Qt::Key_Backspace ? caret_ - 1 : caret_ + 1;
                if (other < 0 || other > rich().unitCount()) return;
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

    void inputMethodEvent(QInputMethodEvent* e) override {
        if (!e->commitString().isEmpty()) userEdit(e->commitString());
        e->accept();
    }

private:
    struct Segment {
        std::unique_ptr<QTextLayout> layout;
        std::int64_t unitStart = 0, units = 0;  // absolute units shown
        qreal height = 0;
        bool used = false;
    };
    // A row: a line of the store, a segment of it, a row (QTextLine) of that segment.
    struct Row {
        std::int64_t line = 0, seg = 0;
        int row = 0;
        auto operator<=>(const Row&) const = default;
    };

    static std::int64_t SegmentsOf(const RichText::Line& l) {
        return l.units == 0 ? 1 : (l.units + kSegmentUnits - 1) / kSegmentUnits;
    }
    // Where piece `seg` of line `l` starts, in units from the line's start (the
    // line's length past its last piece). Pieces start at most kSegmentSlack
    // before their nominal start, so they stay in order and never empty.
    std::int64_t segmentStart(const RichText::Line& l, std::int64_t seg) const {
        const std::int64_t nominal = seg * kSegmentUnits;
        if (seg <= 0 || nominal >= l.units) return std::clamp<std::int64_t>(nominal, 0, l.units);
        const std::int64_t from = nominal - kSegmentSlack;
        const std::string bytes =
            rich().bytes(rich().byteOfUnit(l.unitStart + from), rich().byteOfUnit(l.unitStart + nominal));
        // A space byte is a unit of its own (it is never the second byte of a character).
        const std::size_t space = bytes.rfind(' ');
        return space == std::string::npos ? nominal : from + CountUnits(bytes.data(), space + 1);
    }
    qreal rowHeight() { return segment(top_.line, top_.seg).layout->lineAt(0).height(); }
    bool valid(const Row& r) const { return r.line >= 0 && r.line < rich().lineCount(); }
    int rowsOf(Segment& s) const { return std::max(1, s.layout->lineCount()); }

    Segment& segment(std::int64_t line, std::int64_t seg) {
        Segment& s = cache_[{line, seg}];
        s.used = true;
        if (s.layout) return s;
        const RichText::Line l = rich().line(line);
        const std::int64_t u0 = segmentStart(l, seg), u1 = segmentStart(l, seg + 1);
        const std::size_t b0 = seg == 0 ? l.byteStart : rich().byteOfUnit(l.unitStart + u0);
        const std::size_t b1 = u1 == l.units ? l.byteEnd : rich().byteOfUnit(l.unitStart + u1);
        const std::string bytes = rich().bytes(b0, b1);
        s.unitStart = l.unitStart + u0;
        s.units = u1 - u0;
        QFont base = font();
        base.setStyleStrategy(kTextStrategy);
        s.layout = std::make_unique<QTextLayout>(UnitsToQString(bytes), base);
        s.layout->setCacheEnabled(true);
        QTextOption option;
        option.setWrapMode(wrap_ ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
        s.layout->setTextOption(option);
        const std::vector<RichText::Run> runs = rich().runs(b0, b1);
        std::vector<std::size_t> cuts;
        for (const RichText::Run& run : runs) {
            cuts.push_back(run.byteStart - b0);
            cuts.push_back(run.byteEnd - b0);
        }
        const std::vector<int> units = UnitOffsets(bytes, cuts);
        QList<QTextLayout::FormatRange> formats;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            QTextLayout::FormatRange f;
            f.start = units[2 * i];
            f.length = units[2 * i + 1] - units[2 * i];
            f.format = qtFormat(runs[i].format);
            if (f.length > 0) formats.append(f);
        }
        s.layout->setFormats(formats);
        const qreal width = wrap_ ? std::max<qreal>(1, viewport()->width() - 2 * kMargin) : 1e9;
        s.layout->beginLayout();
        qreal y = 0;
        for (QTextLine tl = s.layout->createLine(); tl.isValid(); tl = s.layout->createLine()) {
            tl.setLineWidth(width);
            tl.setPosition(QPointF(0, y));
            y += tl.height();
        }
        s.layout->endLayout();
        s.height = y;
        return s;
    }

    const QTextCharFormat& qtFormat(int index) {
        while (static_cast<int>(formats_.size()) <= index)
            formats_.push_back(ToQtFormat(rich().format(static_cast<int>(formats_.size()))));
        return formats_[static_cast<std::size_t>(index)];
    }

    // Drops the layouts that may show changed text: every line after `line`, and the
    // pieces of `line` that reach `unit`. A growing line keeps its finished pieces, whose
    // cuts depend only on the text before them, so receiving lays out only the last one.
    void dropFrom(std::int64_t line, std::int64_t unit) {
        auto it = cache_.lower_bound({line, 0});
        while (it != cache_.end() && it->first.first == line && it->second.unitStart + it->second.units < unit) ++it;
        cache_.erase(it, cache_.end());
    }
    // After a paint: forgets the layouts not used since the last one once the cache
    // holds more than kCachedUnits. A layout keeps tens of bytes per unit, and laying
    // out into memory freed here costs far less than into fresh pages.
    void trimCache() {
        std::int64_t units = 0;
        for (const auto& [key, s] : cache_) units += s.units;
        if (units <= kCachedUnits) {
            for (auto& [key, s] : cache_) s.used = false;
            return;
        }
        for (auto it = cache_.begin(); it != cache_.end();) {
            if (!it->second.used)
                it = cache_.erase(it);
            else
                (it++)->second.used = false;
        }
    }

    bool caretIn(Segment& s, const Row&) const { return s.units >= 0; }

    Row next(Row r) {
        Segment& s = segment(r.line, r.seg);
        if (r.row + 1 < rowsOf(s)) return {r.line, r.seg, r.row + 1};
        if (r.seg + 1 < SegmentsOf(rich().line(r.line))) return {r.line, r.seg + 1, 0};
        return {r.line + 1, 0, 0};  // past the end when r.line is the last line
    }
    bool prev(Row& r) {
        if (r.row > 0) {
            --r.row;
        } else if (r.seg > 0) {
            --r.seg;
            r.row = rowsOf(segment(r.line, r.seg)) - 1;
        } else if (r.line > 0) {
            --r.line;
            r.seg = SegmentsOf(rich().line(r.line)) - 1;
            r.row = rowsOf(segment(r.line, r.seg)) - 1;
        } else {
            return false;
        }
        return true;
    }
    Row lastRow() {
        const std::int64_t line = rich().lineCount() - 1;
        const std::int64_t seg = SegmentsOf(rich().line(line)) - 1;
        return {line, seg, rowsOf(segment(line, seg)) - 1};
    }
    // The top row that shows the last row at the bottom of the viewport.
    Row bottomTop() {
        Row r = lastRow();
        qreal used = segment(r.line, r.seg).layout->lineAt(r.row).height();
        const qreal room = viewport()->height() - 2 * kMargin;
        for (Row p = r; prev(p);) {
            used += segment(p.line, p.seg).layout->lineAt(p.row).height();
            if (used > room) break;
            r = p;
        }
        return r;
    }
    void clampTop() {
        if (!valid(top_)) top_ = {rich().lineCount() - 1, 0, 0};
        const std::int64_t segs = SegmentsOf(rich().line(top_.line));
        if (top_.seg >= segs) top_ = {top_.line, segs - 1, 0};
        top_.row = std::min(top_.row, rowsOf(segment(top_.line, top_.seg)) - 1);
        const Row bottom = bottomTop();
        if (bottom < top_) top_ = bottom;
    }
    std::int64_t unitAt(Row r) {
        if (!valid(r)) return rich().unitCount();
        Segment& s = segment(r.line, r.seg);
        return s.unitStart + s.layout->lineAt(std::min(r.row, rowsOf(s) - 1)).textStart();
    }
    Row rowOfUnit(std::int64_t unit) {
        const std::int64_t line = rich().lineOfUnit(unit);
        const RichText::Line l = rich().line(line);
        const std::int64_t rel = std::clamp<std::int64_t>(unit - l.unitStart, 0, l.units);
        std::int64_t seg = std::min(rel / kSegmentUnits, SegmentsOf(l) - 1);
        if (seg + 1 < SegmentsOf(l) && rel >= segmentStart(l, seg + 1)) ++seg;  // its start moved back
        Segment& s = segment(line, seg);
        const int pos = static_cast<int>(unit - s.unitStart);
        int row = 0;
        for (int i = 0; i < s.layout->lineCount(); ++i)
            if (s.layout->lineAt(i).textStart() <= pos) row = i;
        return {line, seg, row};
    }
    void scrollToUnit(std::int64_t unit) {
        top_ = rowOfUnit(unit);
        clampTop();
        viewport()->update();
    }
    void moveTop(int rows) {
        for (; rows > 0; --rows) {
            const Row n = next(top_);
            if (!valid(n)) break;
            top_ = n;
        }
        for (; rows < 0; ++rows)
            if (!prev(top_)) break;
        clampTop();
    }
    void ensureVisible(std::int64_t unit) {
        const Row target = rowOfUnit(unit);
        if (target < top_) {
            top_ = target;
        } else {
            qreal y = kMargin;
            const qreal bottom = viewport()->height() - kMargin;
            for (Row r = top_; valid(r) && y < bottom; r = next(r)) {
                y += segment(r.line, r.seg).layout->lineAt(r.row).height();
                if (r == target) {
                    if (y > bottom) break;
                    updateScrollBar();
                    viewport()->update();
                    return;
                }
            }
            // Below the view: the target becomes the last row shown.
            Row r = target;
            qreal used = segment(r.line, r.seg).layout->lineAt(r.row).height();
            for (Row p = r; prev(p);) {
                used += segment(p.line, p.seg).layout->lineAt(p.row).height();
                if (used > bottom - kMargin) break;
                r = p;
            }
            top_ = r;
        }
        clampTop();
        updateScrollBar();
        viewport()->update();
    }
    void updateScrollBar() {
        const std::int64_t max = unitAt(bottomTop());
        scale_ = std::max<std::int64_t>(1, max / 0x3FFFFFFF + 1);
        settingBar_ = true;
        QScrollBar* bar = verticalScrollBar();
        bar->setRange(0, static_cast<int>(max / scale_));
        bar->setPageStep(static_cast<int>(std::max<std::int64_t>(1, 2000 / scale_)));
        bar->setSingleStep(static_cast<int>(std::max<std::int64_t>(1, 80 / scale_)));
        bar->setValue(static_cast<int>(unitAt(top_) / scale_));
        settingBar_ = false;
    }

    std::int64_t hitTest(QPointF pos) {
        Row r = top_;
        qreal y = kMargin;
        Row last = r;
        while (valid(r)) {
            Segment& s = segment(r.line, r.seg);
            const QTextLine tl = s.layout->lineAt(r.row);
            last = r;
            if (pos.y() < y + tl.height()) return s.unitStart + tl.xToCursor(pos.x() - kMargin);
            y += tl.height();
            if (y > viewport()->height()) break;
            r = next(r);
        }
        Segment& s = segment(last.line, last.seg);
        return s.unitStart + s.layout->lineAt(last.row).xToCursor(pos.x() - kMargin);
    }
    std::int64_t verticalMove(std::int64_t unit, int rows) {
        Row r = rowOfUnit(unit);
        Segment& from = segment(r.line, r.seg);
        const qreal x = from.layout->lineAt(r.row).cursorToX(static_cast<int>(unit - from.unitStart));
        for (; rows < 0; ++rows)
            if (!prev(r)) return 0;
        for (; rows > 0; --rows) {
            const Row n = next(r);
            if (!valid(n)) return rich().unitCount();
            r = n;
        }
        Segment& to = segment(r.line, r.seg);
        return to.unitStart + to.layout->lineAt(r.row).xToCursor(x);
    }

    // The user's typing, pasting, cutting and deleting: at the user's selection,
    // in the insertion format; the view redraws from the store right away.
    void userEdit(const QString& text) {
        const std::int64_t a = std::min(anchor_, caret_), b = std::max(anchor_, caret_);
        rich().userReplace(a, b - a, QStringToUnits(text));
        anchor_ = caret_ = rich().selectionEnd();
        refresh();
        ensureVisible(caret_);
    }
    // Plain text for every program, and HTML with each run's colour for those
    // that take rich text (a word processor, or a test reading the colours).
    void copy() {
        if (anchor_ == caret_) return;
        const RichText& r = rich();
        const std::size_t from = r.byteOfUnit(std::min(anchor_, caret_)), to = r.byteOfUnit(std::max(anchor_, caret_));
        std::vector<ClipboardData::ColourRun> colours;
        for (const RichText::Run& run : r.runs(from, to))
            colours.push_back({run.byteEnd - from, r.format(run.format).colour});
        QGuiApplication::clipboard()->setMimeData(new ClipboardData(r.snapshot(from, to), std::move(colours)));
    }
    void paste() {
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        if (!mime || !mime->hasText()) return;
        QString text = mime->text();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        userEdit(text);
    }

    RichTextBox& box_;
    bool wrap_ = true;
    std::map<std::pair<std::int64_t, std::int64_t>, Segment> cache_;
    std::vector<QTextCharFormat> formats_;
    Row top_;
    std::int64_t anchor_ = 0, caret_ = 0;
    std::int64_t scale_ = 1;
    bool settingBar_ = false;
    bool dragging_ = false;
};

RichTextView* RichTextAccessible::view() const { return static_cast<RichTextView*>(widget()); }

QString RichTextAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) return view()->unitText(0, view()->rich().unitCount());
    return QAccessibleWidget::text(t);
}
void RichTextAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0) return;
    *startOffset = static_cast<int>(view()->rich().selectionStart());
    *endOffset = static_cast<int>(view()->rich().selectionEnd());
}
int RichTextAccessible::selectionCount() const {
    return view()->rich().selectionStart() == view()->rich().selectionEnd() ? 0 : 1;
}
void RichTextAccessible::removeSelection(int) { view()->select(view()->caret(), view()->caret()); }
void RichTextAccessible::setSelection(int, int startOffset, int endOffset) { view()->select(startOffset, endOffset); }
int RichTextAccessible::cursorPosition() const { return static_cast<int>(view()->caret()); }
QString RichTextAccessible::text(int startOffset, int endOffset) const {
    return view()->unitText(startOffset, endOffset);
}
int RichTextAccessible::characterCount() const { return static_cast<int>(view()->rich().unitCount()); }
QString RichTextAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    // The run holding the character: its extent and its foreground colour.
    const RichText& rich = view()->rich();
    *startOffset = *endOffset = offset;
    if (offset < 0 || offset >= rich.unitCount()) return QString();
    const std::size_t byte = rich.byteOfUnit(offset);
    const std::vector<RichText::Run> runs = rich.runs(byte, byte + 1);
    if (runs.empty()) return QString();
    const std::vector<RichText::Run> whole = rich.runs(byte >= 65536 ? byte - 65536 : 0, byte + 65536);
    for (const RichText::Run& r : whole)
        if (r.byteStart <= byte && byte < r.byteEnd) {
            *startOffset = static_cast<int>(rich.unitOfByte(r.byteStart));
            *endOffset = static_cast<int>(rich.unitOfByte(r.byteEnd));
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

class RichTextAdapter : public Adapter {
public:
    RichTextAdapter(Model& m, Control& c, QWidget* parent) : Adapter(m, c) {
        static const bool installed = [] {
            QAccessible::installFactory(AccessibleFactory);
            return true;
        }();
        (void)installed;
        view_ = new RichTextView(c.as<RichTextBox>(), parent);
        adopt(view_, view_->viewport());
        view_->refresh();
    }

    void sync(Prop p) override {
        if (p == Prop::RichText || p == Prop::Selection) {
            view_->refreshSoon();
            return;
        }
        Adapter::sync(p);
    }

private:
    RichTextView* view_;
};

}  // namespace

std::unique_ptr<Adapter> CreateRichTextAdapter(Model& model, Control& control, QWidget* parent) {
    return std::make_unique<RichTextAdapter>(model, control, parent);
}

}  // namespace vorta::ui::qt
