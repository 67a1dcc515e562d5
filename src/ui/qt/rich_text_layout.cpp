#include "ui/qt/rich_text_layout.h"

#include "ui/qt/adapters.h"
#include "ui/qt/gbk_qstring.h"

namespace vorta::ui::qt {
namespace {

// A line longer than this many units is laid out in pieces of about this size,
// each starting a new row, so a line of any length costs one piece to show.
constexpr std::int64_t kSegmentUnits = 4095;
// A piece ends after the last blank within this many units before its nominal
// end (a multiple of kSegmentUnits), so it cuts neither a word nor a hex cell
// ("0A "), whatever text comes before them on the line.
constexpr std::int64_t kSegmentSlack = 64;
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
std::vector<int> UnitOffsets(const std::string& bytes, const std::vector<std::size_t>& at) {
    std::vector<int> out;
    std::size_t i = 0;
    int unit = 0;
    for (const std::size_t offset : at) {
        while (i < offset && i < bytes.size()) {
            i += UnitLength(bytes.data() + i, bytes.size() - i);
            ++unit;
        }
        out.push_back(unit);
    }
    return out;
}

}  // namespace

void RichTextLayout::setFont(const QFont& font) {
    font_ = font;
    font_.setStyleStrategy(kTextStrategy);
    cache_.clear();
}

void RichTextLayout::setWidth(qreal width) {
    if (wrap_ && width != width_) cache_.clear();
    width_ = width;
}

std::int64_t RichTextLayout::segmentsOf(std::int64_t line) const {
    const std::int64_t units = rich_.line(line).units.value();
    return units == 0 ? 1 : (units + kSegmentUnits - 1) / kSegmentUnits;
}

// Where piece `seg` of line `l` starts, in units from the line's start (the
// line's length past its last piece). Pieces start at most kSegmentSlack
// before their nominal start, so they stay in order and never empty.
UnitPos RichTextLayout::segmentStart(const RichText::Line& l, std::int64_t seg) const {
    const UnitPos nominal(seg * kSegmentUnits);
    if (seg <= 0 || nominal >= l.units) return std::clamp(nominal, UnitPos(0), l.units);
    const UnitPos from = nominal - kSegmentSlack;
    const std::string bytes =
        rich_.bytes(rich_.byteOfUnit(l.unitStart + from), rich_.byteOfUnit(l.unitStart + nominal));
    // A space byte is a unit of its own (it is never the second byte of a character).
    const std::size_t space = bytes.rfind(' ');
    return space == std::string::npos ? nominal : from + CountUnits(bytes.data(), space + 1);
}

RichTextLayout::Segment& RichTextLayout::segment(std::int64_t line, std::int64_t seg) {
    Segment& s = cache_[{line, seg}];
    s.used = true;
    if (s.layout) return s;
    const RichText::Line l = rich_.line(line);
    const UnitPos u0 = segmentStart(l, seg), u1 = segmentStart(l, seg + 1);
    const BytePos b0 = seg == 0 ? l.byteStart : rich_.byteOfUnit(l.unitStart + u0);
    const BytePos b1 = u1 == l.units ? l.byteEnd : rich_.byteOfUnit(l.unitStart + u1);
    const std::string bytes = rich_.bytes(b0, b1);
    s.unitStart = l.unitStart + u0;
    s.units = u1 - u0;
    s.layout = std::make_unique<QTextLayout>(UnitsToQString(bytes), font_);
    s.layout->setCacheEnabled(true);
    QTextOption option;
    option.setWrapMode(wrap_ ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    s.layout->setTextOption(option);
    const std::vector<RichText::Run> runs = rich_.runs(b0, b1);
    std::vector<std::size_t> cuts;
    for (const RichText::Run& run : runs) {
        cuts.push_back((run.byteStart - b0).value());
        cuts.push_back((run.byteEnd - b0).value());
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
    const qreal width = wrap_ ? std::max<qreal>(1, width_) : 1e9;
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

const QTextCharFormat& RichTextLayout::qtFormat(int index) {
    while (static_cast<int>(formats_.size()) <= index)
        formats_.push_back(ToQtFormat(rich_.format(static_cast<int>(formats_.size()))));
    return formats_[static_cast<std::size_t>(index)];
}

// Every line after `line` goes, and the pieces of `line` that reach `unit`. A
// growing line keeps its finished pieces, whose cuts depend only on the text
// before them, so receiving lays out only the last one.
void RichTextLayout::dropFrom(std::int64_t line, UnitPos unit) {
    auto it = cache_.lower_bound({line, 0});
    while (it != cache_.end() && it->first.first == line && it->second.unitStart + it->second.units < unit) ++it;
    cache_.erase(it, cache_.end());
}

// A layout keeps tens of bytes per unit, and laying out into memory freed here
// costs far less than into fresh pages.
void RichTextLayout::trimCache() {
    std::int64_t units = 0;
    for (const auto& [key, s] : cache_) units += s.units.value();
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

RichTextLayout::Row RichTextLayout::next(Row r) {
    Segment& s = segment(r.line, r.seg);
    if (r.row + 1 < rowsOf(s)) return {r.line, r.seg, r.row + 1};
    if (r.seg + 1 < segmentsOf(r.line)) return {r.line, r.seg + 1, 0};
    return {r.line + 1, 0, 0};  // past the end when r.line is the last line
}

bool RichTextLayout::prev(Row& r) {
    if (r.row > 0) {
        --r.row;
    } else if (r.seg > 0) {
        --r.seg;
        r.row = rowsOf(segment(r.line, r.seg)) - 1;
    } else if (r.line > 0) {
        --r.line;
        r.seg = segmentsOf(r.line) - 1;
        r.row = rowsOf(segment(r.line, r.seg)) - 1;
    } else {
        return false;
    }
    return true;
}

RichTextLayout::Row RichTextLayout::lastRow() {
    const std::int64_t line = rich_.lineCount() - 1;
    const std::int64_t seg = segmentsOf(line) - 1;
    return {line, seg, rowsOf(segment(line, seg)) - 1};
}

RichTextLayout::Row RichTextLayout::topShowingLastRowIn(qreal room) {
    Row r = lastRow();
    qreal used = rowLine(r).height();
    for (Row p = r; prev(p);) {
        used += rowLine(p).height();
        if (used > room) break;
        r = p;
    }
    return r;
}

UnitPos RichTextLayout::unitAt(Row r) {
    if (!valid(r)) return rich_.unitCount();
    Segment& s = segment(r.line, r.seg);
    return s.unitStart + s.layout->lineAt(std::min(r.row, rowsOf(s) - 1)).textStart();
}

RichTextLayout::Row RichTextLayout::rowOfUnit(UnitPos unit) {
    const std::int64_t line = rich_.lineOfUnit(unit);
    const RichText::Line l = rich_.line(line);
    const UnitPos rel = std::clamp(unit - l.unitStart, UnitPos(0), l.units);
    const std::int64_t segs = segmentsOf(line);
    std::int64_t seg = std::min(rel.value() / kSegmentUnits, segs - 1);
    if (seg + 1 < segs && rel >= segmentStart(l, seg + 1)) ++seg;  // its start moved back
    Segment& s = segment(line, seg);
    const int pos = static_cast<int>((unit - s.unitStart).value());
    int row = 0;
    for (int i = 0; i < s.layout->lineCount(); ++i)
        if (s.layout->lineAt(i).textStart() <= pos) row = i;
    return {line, seg, row};
}

}  // namespace vorta::ui::qt
