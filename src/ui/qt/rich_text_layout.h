#pragma once
// The rows of a rich text store as QTextLayout lays them out: each line of the
// store in pieces of about kSegmentUnits units, each piece wrapped to the width
// into rows. Only the pieces asked for are laid out; they stay cached until the
// text they show changes or the cache outgrows kCachedUnits.
#include <QFont>
#include <QTextCharFormat>
#include <QTextLayout>
#include <map>
#include <memory>
#include <vector>

#include "ui/rich_text.h"

namespace vorta::ui::qt {

class RichTextLayout {
public:
    // A piece of a line, laid out.
    struct Segment {
        std::unique_ptr<QTextLayout> layout;
        UnitPos unitStart, units;  // absolute units shown
        qreal height = 0;
        bool used = false;
    };
    // A row: a line of the store, a segment of it, a row (QTextLine) of that segment.
    struct Row {
        std::int64_t line = 0, seg = 0;
        int row = 0;
        // NOLINTNEXTLINE(modernize-use-nullptr): a false hit on the defaulted comparison (clang-tidy 14)
        auto operator<=>(const Row&) const = default;
    };

    RichTextLayout(const RichText& rich, bool wrap) : rich_(rich), wrap_(wrap) {}

    // What the rows are laid out with; a change drops every layout.
    void setFont(const QFont& font);
    void setWidth(qreal width);
    bool wraps() const { return wrap_; }

    Segment& segment(std::int64_t line, std::int64_t seg);
    const QTextLine rowLine(const Row& r) { return segment(r.line, r.seg).layout->lineAt(r.row); }
    int rowsOf(Segment& s) const { return std::max(1, s.layout->lineCount()); }
    bool valid(const Row& r) const { return r.line >= 0 && r.line < rich_.lineCount(); }
    std::int64_t segmentsOf(std::int64_t line) const;

    // The row after `r` (past the end after the last row), the row before it (false at the first).
    Row next(Row r);
    bool prev(Row& r);
    Row lastRow();
    // The first row of the rows that fill `room` pixels down to the last row.
    Row topShowingLastRowIn(qreal room);
    // The first unit a row shows (the unit count past the end).
    UnitPos unitAt(Row r);
    Row rowOfUnit(UnitPos unit);

    // Drops the layouts that may show changed text (see RichText::takeChanges).
    void dropFrom(std::int64_t line, UnitPos unit);
    // After a paint: forgets the layouts not used since the last one, once the cache is large.
    void trimCache();

private:
    UnitPos segmentStart(const RichText::Line& l, std::int64_t seg) const;
    const QTextCharFormat& qtFormat(int index);

    const RichText& rich_;
    const bool wrap_;
    QFont font_;
    qreal width_ = 1;
    std::map<std::pair<std::int64_t, std::int64_t>, Segment> cache_;
    std::vector<QTextCharFormat> formats_;
};

}  // namespace vorta::ui::qt
