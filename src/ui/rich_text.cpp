#include "ui/rich_text.h"

#include <algorithm>

namespace vorta::ui {
namespace {

// A byte after which every cutting has a unit boundary: it cannot be a trail
// byte (below 0x40), it is a unit of its own (not a lead byte) and it does not
// join the next byte (not "\r").
bool EndsUnitForSure(unsigned char b) { return b < 0x40 && b != '\r'; }

// `b` moved by `delta` bytes (an edit before it inserted or removed bytes).
BytePos Shifted(BytePos b, std::ptrdiff_t delta) {
    return BytePos(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(b.value()) + delta));
}

}  // namespace

UnitPos CountUnits(const char* p, std::size_t n) {
    UnitPos count;
    for (std::size_t i = 0; i < n; ++count) i += UnitLength(p + i, n - i);
    return count;
}

// ============================ Blocks ============================

std::size_t RichText::Blocks::blockOf(std::size_t byte) const {
    const auto it = std::upper_bound(starts_.begin(), starts_.end(), byte);
    return it == starts_.begin() ? 0 : static_cast<std::size_t>(it - starts_.begin() - 1);
}

void RichText::Blocks::renumber(std::size_t fromBlock) {
    starts_.resize(blocks_.size());
    std::size_t start = fromBlock == 0 ? 0 : starts_[fromBlock - 1] + blocks_[fromBlock - 1].bytes->size();
    for (std::size_t b = fromBlock; b < blocks_.size(); ++b) {
        starts_[b] = start;
        start += blocks_[b].bytes->size();
    }
    size_ = start;
}

std::string& RichText::Blocks::own(std::size_t b) {
    Block& block = blocks_[b];
    if (block.lent) {
        auto copy = std::make_shared<std::string>();
        copy->reserve(std::max(kBlock, block.bytes->size()));
        copy->append(*block.bytes);
        block = {std::move(copy), false};
    }
    return *block.bytes;
}

TextSnapshot RichText::Blocks::snapshot(std::size_t from, std::size_t to) const {
    std::vector<TextSnapshot::Piece> pieces;
    to = std::min(to, size_);
    if (from >= to) return {};
    for (std::size_t b = blockOf(from); b < blocks_.size() && from < to; ++b) {
        const std::size_t start = starts_[b], stop = std::min(to, start + blocks_[b].bytes->size());
        if (from < stop) {
            blocks_[b].lent = true;
            pieces.push_back({blocks_[b].bytes, from - start, stop - from});
        }
        from = stop;
    }
    return TextSnapshot(std::move(pieces));
}

void RichText::Blocks::append(std::string_view bytes) {
    while (!bytes.empty()) {
        if (blocks_.empty() || blocks_.back().bytes->size() >= kBlock) {
            starts_.push_back(size_);
            blocks_.push_back({std::make_shared<std::string>()});
            blocks_.back().bytes->reserve(kBlock);
        }
        std::string& last = own(blocks_.size() - 1);
        const std::size_t n = std::min(bytes.size(), kBlock - std::min(kBlock, last.size()));
        const std::size_t take = n == 0 ? bytes.size() : n;
        last.append(bytes.substr(0, take));
        size_ += take;
        bytes.remove_prefix(take);
    }
}

void RichText::Blocks::insert(std::size_t at, std::string_view bytes) {
    if (bytes.empty()) return;
    if (at >= size_) {
        append(bytes);
        return;
    }
    const std::size_t b = blockOf(at);
    std::string& block = own(b);
    block.insert(at - starts_[b], bytes);
    // A block that grew far past its size is cut into blocks of kBlock.
    if (block.size() > 2 * kBlock) {
        std::vector<Block> pieces;
        for (std::size_t i = 0; i < block.size(); i += kBlock)
            pieces.push_back({std::make_shared<std::string>(block.substr(i, kBlock))});
        blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b));
        blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b), pieces.begin(), pieces.end());
    }
    renumber(b);
}

void RichText::Blocks::erase(std::size_t from, std::size_t to) {
    to = std::min(to, size_);
    if (from >= to) return;
    const std::size_t first = blockOf(from);
    for (std::size_t b = first; b < blocks_.size() && from < to;) {
        const std::size_t start = starts_[b], end = start + blocks_[b].bytes->size();
        const std::size_t stop = std::min(to, end);
        if (from == start && stop == end)
            blocks_[b] = {std::make_shared<std::string>()};  // all of it goes: no copy needed
        else
            own(b).erase(from - start, stop - from);
        to -= stop - from;  // what follows moved down by the bytes just erased
        // starts_ of later blocks are stale until renumber(); shift them as we go.
        for (std::size_t k = b + 1; k < blocks_.size(); ++k) starts_[k] -= stop - from;
        if (blocks_[b].bytes->empty()) {
            blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b));
            starts_.erase(starts_.begin() + static_cast<std::ptrdiff_t>(b));
        } else {
            ++b;
        }
    }
    renumber(first > 0 ? first - 1 : 0);
}

// ============================ RichText ============================

RichText::RichText() : blocks_(std::make_unique<Blocks>()) {
    formats_.push_back(CharFormat{});
    lines_.push_back({BytePos(0), UnitPos(0)});
}

RichText::~RichText() = default;

int RichText::intern(const CharFormat& format) {
    if (formats_[static_cast<std::size_t>(insertion_)] == format) return insertion_;  // the common case
    for (std::size_t i = 0; i < formats_.size(); ++i)
        if (formats_[i] == format) return static_cast<int>(i);
    formats_.push_back(format);
    return static_cast<int>(formats_.size() - 1);
}

void RichText::setDefaultFormat(const CharFormat& format) {
    default_ = intern(format);
    insertion_ = default_;
}

unsigned char RichText::at(BytePos byte) const { return blocks_->at(byte.value()); }

Text RichText::text() const { return bytes(BytePos(0), size_); }

TextSnapshot RichText::snapshot(BytePos from, BytePos to) const { return blocks_->snapshot(from.value(), to.value()); }

TextSnapshot RichText::selectionSnapshot() const {
    if (selStart_ == selEnd_) return {};
    resolveSelectionBytes();
    return dataSnapshot(selStartByte_, selEndByte_);
}

template <class F>
void RichText::forEachDataRun(BytePos from, BytePos to, bool withFormats, F&& f) const {
    to = std::min(to, size_);
    if (from >= to) return;
    bool anyStampFormat = false;
    for (std::size_t i = 0; i < formats_.size(); ++i) anyStampFormat = anyStampFormat || isStamp(static_cast<int>(i));
    if (!anyStampFormat && !withFormats) {
        f(Run{from, to, -1});  // no stamp anywhere: one stretch, without looking at the runs
        return;
    }
    for (const Run& r : runs(from, to))
        if (!isStamp(r.format)) f(r);
}

TextSnapshot RichText::dataSnapshot(BytePos from, BytePos to, std::vector<Run>* kept) const {
    // Neighbouring runs that are kept share one piece of the snapshot.
    TextSnapshot data;
    BytePos keptFrom = from, keptTo = from, at(0);
    forEachDataRun(from, to, kept != nullptr, [&](const Run& r) {
        const BytePos next(at.value() + (r.byteEnd.value() - r.byteStart.value()));
        if (kept) kept->push_back({at, next, r.format});
        at = next;
        if (r.byteStart != keptTo) {
            data.append(snapshot(keptFrom, keptTo));
            keptFrom = r.byteStart;
        }
        keptTo = r.byteEnd;
    });
    data.append(snapshot(keptFrom, keptTo));
    return data;
}

Text RichText::bytes(BytePos from, BytePos to) const {
    Text out;
    to = std::min(to, size_);
    if (from >= to) return out;
    out.reserve((to - from).value());
    blocks_->forEachPiece(from.value(), to.value(), [&out](std::string_view piece) { out.append(piece); });
    return out;
}

RichText::Mark RichText::markBeforeByte(BytePos byte) const {
    auto byByte = [](BytePos b, const Mark& m) { return b < m.byte; };
    auto line = std::upper_bound(lines_.begin(), lines_.end(), byte, byByte);
    Mark best = line == lines_.begin() ? Mark{} : *(line - 1);
    auto mark = std::upper_bound(marks_.begin(), marks_.end(), byte, byByte);
    if (mark != marks_.begin() && (mark - 1)->byte > best.byte) best = *(mark - 1);
    return best;
}

RichText::Mark RichText::markBeforeUnit(UnitPos unit) const {
    auto byUnit = [](UnitPos u, const Mark& m) { return u < m.unit; };
    auto line = std::upper_bound(lines_.begin(), lines_.end(), unit, byUnit);
    Mark best = line == lines_.begin() ? Mark{} : *(line - 1);
    auto mark = std::upper_bound(marks_.begin(), marks_.end(), unit, byUnit);
    if (mark != marks_.begin() && (mark - 1)->unit > best.unit) best = *(mark - 1);
    return best;
}

BytePos RichText::byteOfUnit(UnitPos unit) const {
    if (unit <= UnitPos(0)) return BytePos(0);
    if (unit >= units_) return size_;
    const Mark m = markBeforeUnit(unit);
    // Marks are at most a few kMarkBytes apart: scan a copy of the stretch after the mark.
    UnitPos u = m.unit;
    BytePos pos = m.byte;
    while (u < unit) {
        const Text window = bytes(pos, pos + (4 * kMarkBytes + 1));
        const std::size_t n = window.size();
        std::size_t i = 0;
        while (u < unit && i + 1 < n) {
            i += UnitLength(window.data() + i, n - i);
            ++u;
        }
        if (i + 1 >= n && u < unit && pos + n >= size_) {  // the very last byte
            i += UnitLength(window.data() + i, n - i);
            ++u;
        }
        pos = pos + i;
    }
    return pos;
}

UnitPos RichText::unitOfByte(BytePos byte) const {
    if (byte == BytePos(0)) return UnitPos(0);
    if (byte >= size_) return units_;
    const Mark m = markBeforeByte(byte);
    const Text window = bytes(m.byte, byte + 1);
    UnitPos u = m.unit;
    const std::size_t target = (byte - m.byte).value();
    for (std::size_t i = 0; i < target; ++u) i += UnitLength(window.data() + i, window.size() - i);
    return u;
}

UnitPos RichText::cut(BytePos from, BytePos to, UnitPos unit, BytePos& lastMark, std::vector<Mark>& lines,
                      std::vector<Mark>& marks) const {
    const Text window = bytes(from, to);
    const char* p = window.data();
    const std::size_t n = window.size();
    UnitPos count;
    for (std::size_t i = 0; i < n;) {
        if ((from + i - lastMark).value() >= kMarkBytes) {
            marks.push_back({from + i, unit + count});
            lastMark = from + i;
        }
        const auto b = static_cast<unsigned char>(p[i]);
        i += UnitLength(p + i, n - i);
        ++count;
        if (b == '\r' || b == '\n') {
            lines.push_back({from + i, unit + count});
            lastMark = from + i;
        }
    }
    return count;
}

void RichText::noteChange(std::int64_t line, UnitPos unit, bool middle) {
    changedFromUnit_ = changedFrom_ < 0 ? unit : std::min(changedFromUnit_, unit);
    changedFrom_ = changedFrom_ < 0 ? line : std::min(changedFrom_, line);
    changedMiddle_ = changedMiddle_ || middle;
}

RichText::Changes RichText::takeChanges() {
    const Changes c{changedFrom_ < 0 ? lineCount() : changedFrom_, changedFrom_ < 0 ? units_ : changedFromUnit_,
                    changedMiddle_};
    changedFrom_ = -1;
    changedFromUnit_ = UnitPos();
    changedMiddle_ = false;
    return c;
}

bool RichText::takeScrollRequest() {
    const bool requested = scrollRequested_;
    scrollRequested_ = false;
    return requested;
}

void RichText::appendBytes(std::string_view bytes, int format) {
    if (bytes.empty()) return;
    // The last unit may join the first new byte (below).
    noteChange(lineCount() - 1, std::max(UnitPos(0), units_ - 1), false);
    const BytePos oldSize = size_;
    std::size_t skip = 0;
    // A lone "\r" or lead byte at the end joins the first new byte into one unit.
    if (oldSize > BytePos(0) && lastUnitStart_ == oldSize - 1) {
        const char pair[2] = {static_cast<char>(at(oldSize - 1)), bytes[0]};
        if (UnitLength(pair, 2) == 2) {
            if (pair[0] == '\r') lines_.back().byte = oldSize + 1;  // the line after "\r" now starts after "\n"
            skip = 1;
        }
    }
    blocks_->append(bytes);
    size_ += BytePos(bytes.size());
    if (runs_.empty() || runs_.back().format != format) runs_.push_back({oldSize, format});

    // Cut the new bytes; the bytes are at hand, so no copy is needed.
    BytePos lastMark = std::max(lines_.back().byte, marks_.empty() ? BytePos(0) : marks_.back().byte);
    const char* p = bytes.data();
    const std::size_t n = bytes.size();
    const BytePos base = oldSize;
    UnitPos unit = units_;
    for (std::size_t i = skip; i < n;) {
        if ((base + i - lastMark).value() >= kMarkBytes) {
            marks_.push_back({base + i, unit});
            lastMark = base + i;
        }
        lastUnitStart_ = base + i;
        const auto b = static_cast<unsigned char>(p[i]);
        i += UnitLength(p + i, n - i);
        ++unit;
        if (b == '\r' || b == '\n') {
            lines_.push_back({base + i, unit});
            lastMark = base + i;
        }
    }
    units_ = unit;
}

void RichText::replaceBytes(BytePos from, BytePos to, std::string_view bytes, int format) {
    if (from == to && from == size_) {
        appendBytes(bytes, format);
        return;
    }
    const BytePos oldSize = size_;
    // Rescan from the last unit start before the change (a "\r" or lead byte just
    // before it may join the first new byte) up to a byte after the change where
    // every cutting has a boundary; past it the old cutting holds, shifted.
    const Mark start = markBeforeByte(from > BytePos(0) ? from - 1 : BytePos(0));
    BytePos endOld = oldSize;
    {
        bool found = false;
        BytePos pos = to;
        blocks_->forEachPiece(to.value(), oldSize.value(), [&](std::string_view piece) {
            if (found) return;
            for (std::size_t i = 0; i < piece.size(); ++i)
                if (EndsUnitForSure(static_cast<unsigned char>(piece[i]))) {
                    endOld = pos + i + 1;
                    found = true;
                    return;
                }
            pos = pos + piece.size();
        });
    }
    const UnitPos unitsAtEndOld = unitOfByte(endOld);
    const std::int64_t changedLine = lineOfUnit(start.unit);
    const auto fmtAfter = to < oldSize ? formatIndexAt(to) : -1;

    blocks_->erase(from.value(), to.value());
    blocks_->insert(from.value(), bytes);
    size_ = BytePos(blocks_->size());
    const std::ptrdiff_t delta =
        static_cast<std::ptrdiff_t>(bytes.size()) - static_cast<std::ptrdiff_t>((to - from).value());
    const BytePos endNew = Shifted(endOld, delta);

    std::vector<Mark> newLines, newMarks;
    BytePos lastMark = start.byte;
    const UnitPos regionUnits = cut(start.byte, endNew, start.unit, lastMark, newLines, newMarks);
    // Negative when units went: UnitPos is signed, so it carries a shift either way.
    const UnitPos unitDelta = start.unit + regionUnits - unitsAtEndOld;

    auto splice = [&](std::vector<Mark>& v, const std::vector<Mark>& fresh) {
        auto first =
            std::upper_bound(v.begin(), v.end(), start.byte, [](BytePos b, const Mark& m) { return b < m.byte; });
        auto last = std::upper_bound(first, v.end(), endOld, [](BytePos b, const Mark& m) { return b < m.byte; });
        for (auto it = last; it != v.end(); ++it) {
            it->byte = Shifted(it->byte, delta);
            it->unit += unitDelta;
        }
        const auto at = v.erase(first, last);
        v.insert(at, fresh.begin(), fresh.end());
    };
    splice(lines_, newLines);
    splice(marks_, newMarks);
    units_ += unitDelta;
    if (endNew >= size_) {
        // The rescan reached the end: find where the last unit starts.
        const Mark m = markBeforeByte(size_ > BytePos(0) ? size_ - 1 : BytePos(0));
        const Text tail = this->bytes(m.byte, size_);
        std::size_t i = 0;
        BytePos lastStart = m.byte;
        while (i < tail.size()) {
            lastStart = m.byte + i;
            i += UnitLength(tail.data() + i, tail.size() - i);
        }
        lastUnitStart_ = lastStart;
    } else {
        lastUnitStart_ = Shifted(lastUnitStart_, delta);
    }

    // Runs: [from, to) goes, the new bytes come in `format`, the rest moves by delta.
    auto firstRun = std::lower_bound(runs_.begin(), runs_.end(), from,
                                     [](const FormatRun& r, BytePos b) { return r.byteStart < b; });
    auto lastRun =
        std::upper_bound(firstRun, runs_.end(), to, [](BytePos b, const FormatRun& r) { return b < r.byteStart; });
    for (auto it = lastRun; it != runs_.end(); ++it) it->byteStart = Shifted(it->byteStart, delta);
    std::vector<FormatRun> fresh;
    if (!bytes.empty()) fresh.push_back({from, format});
    if (fmtAfter >= 0) fresh.push_back({from + bytes.size(), fmtAfter});
    const auto pos = runs_.erase(firstRun, lastRun);
    const auto index = static_cast<std::size_t>(pos - runs_.begin());
    runs_.insert(pos, fresh.begin(), fresh.end());
    mergeRuns(index > 0 ? index - 1 : 0, index + fresh.size() + 1);
    noteChange(changedLine, start.unit, true);
}

int RichText::formatIndexAt(BytePos byte) const {
    auto it = std::upper_bound(runs_.begin(), runs_.end(), byte,
                               [](BytePos b, const FormatRun& r) { return b < r.byteStart; });
    return it == runs_.begin() ? default_ : (it - 1)->format;
}

void RichText::mergeRuns(std::size_t from, std::size_t to) {
    // Drops runs that hold no bytes or continue the format of the run before them.
    for (std::size_t i = from; i < runs_.size() && i <= to;) {
        const bool empty =
            i + 1 < runs_.size() ? runs_[i + 1].byteStart == runs_[i].byteStart : runs_[i].byteStart >= size_;
        const bool same = i > 0 && runs_[i - 1].format == runs_[i].format;
        if (empty || same) {
            runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(i));
            if (i > from) --i;
        } else {
            ++i;
        }
    }
}

void RichText::reformatBytes(BytePos from, BytePos to, int format) {
    if (from >= to) return;
    const int fmtAfter = to < size_ ? formatIndexAt(to) : -1;
    auto firstRun = std::lower_bound(runs_.begin(), runs_.end(), from,
                                     [](const FormatRun& r, BytePos b) { return r.byteStart < b; });
    auto lastRun =
        std::upper_bound(firstRun, runs_.end(), to, [](BytePos b, const FormatRun& r) { return b < r.byteStart; });
    std::vector<FormatRun> fresh{{from, format}};
    if (fmtAfter >= 0) fresh.push_back({to, fmtAfter});
    const auto pos = runs_.erase(firstRun, lastRun);
    const auto index = static_cast<std::size_t>(pos - runs_.begin());
    runs_.insert(pos, fresh.begin(), fresh.end());
    mergeRuns(index > 0 ? index - 1 : 0, index + fresh.size() + 1);
    const UnitPos changedUnit = unitOfByte(from);
    noteChange(lineOfUnit(changedUnit), changedUnit, true);
}

const CharFormat& RichText::formatAt(BytePos byteOffset) const {
    if (byteOffset >= size_) return formats_[static_cast<std::size_t>(default_)];
    return formats_[static_cast<std::size_t>(formatIndexAt(byteOffset))];
}

std::vector<RichText::Run> RichText::runs(BytePos from, BytePos to) const {
    std::vector<Run> out;
    to = std::min(to, size_);
    if (from >= to) return out;
    auto it = std::upper_bound(runs_.begin(), runs_.end(), from,
                               [](BytePos b, const FormatRun& r) { return b < r.byteStart; });
    if (it != runs_.begin()) --it;
    for (; it != runs_.end() && it->byteStart < to; ++it) {
        const BytePos end = it + 1 != runs_.end() ? (it + 1)->byteStart : size_;
        const BytePos a = std::max(from, it->byteStart), b = std::min(to, end);
        if (a < b) out.push_back({a, b, it->format});
    }
    return out;
}

RichText::Line RichText::line(std::int64_t index) const {
    const auto i = static_cast<std::size_t>(std::clamp<std::int64_t>(index, 0, lineCount() - 1));
    Line l;
    l.byteStart = lines_[i].byte;
    l.unitStart = lines_[i].unit;
    if (i + 1 < lines_.size()) {
        const Mark next = lines_[i + 1];
        const bool crlf = next.byte >= l.byteStart + 2 && at(next.byte - 1) == '\n' && at(next.byte - 2) == '\r';
        l.byteEnd = next.byte - (crlf ? 2 : 1);
        l.units = next.unit - 1 - l.unitStart;
        l.hasEnd = true;
    } else {
        l.byteEnd = size_;
        l.units = units_ - l.unitStart;
    }
    return l;
}

std::int64_t RichText::lineOfUnit(UnitPos unit) const {
    auto it = std::upper_bound(lines_.begin(), lines_.end(), unit, [](UnitPos u, const Mark& m) { return u < m.unit; });
    return it == lines_.begin() ? 0 : static_cast<std::int64_t>(it - lines_.begin()) - 1;
}

void RichText::setCaret(UnitPos unit, BytePos byte) {
    selStart_ = selEnd_ = unit;
    selStartByte_ = selEndByte_ = byte;
    selBytesValid_ = true;
}

void RichText::setText(const Text& text) {
    blocks_->clear();
    size_ = BytePos(0);
    units_ = UnitPos(0);
    lines_.assign(1, Mark{});
    marks_.clear();
    runs_.clear();
    lastUnitStart_ = BytePos(0);
    noteChange(0, UnitPos(0), true);
    appendBytes(text, default_);
    setCaret(units_, size_);
}

void RichText::setSelection(UnitPos start, UnitPos length) {
    start = std::clamp(start, UnitPos(0), units_);
    const UnitPos end = length < UnitPos(0) ? units_ : std::min(units_, start + length);
    userSelect(start, end);
}

void RichText::resolveSelectionBytes() const {
    if (selBytesValid_) return;
    selStartByte_ = byteOfUnit(selStart_);
    selEndByte_ = selEnd_ == selStart_ ? selStartByte_ : byteOfUnit(selEnd_);
    selBytesValid_ = true;
}

Text RichText::selectedText() const {
    if (selStart_ == selEnd_) return Text();
    resolveSelectionBytes();
    // Copied rather than snapshot: a snapshot would make the box copy its last block at the next write.
    Text data;
    forEachDataRun(selStartByte_, selEndByte_, false, [&](const Run& r) { data += bytes(r.byteStart, r.byteEnd); });
    return data;
}

void RichText::replaceSelection(const Text& text) {
    if (selStart_ == selEnd_ && text.empty()) return;
    resolveSelectionBytes();
    const BytePos from = selStartByte_, to = selEndByte_;
    replaceBytes(from, to, text, insertion_);
    const BytePos after = from + text.size();
    const UnitPos unit = unitOfByte(after);
    // A last byte that joined the byte after it: the caret goes after that unit.
    setCaret(unit, byteOfUnit(unit));
}

void RichText::append(const Text& text) {
    const bool caretAtEnd = selStart_ == units_ && selEnd_ == units_;
    appendBytes(text, insertion_);
    // A caret at the end stays at the end; any other selection keeps its units.
    if (caretAtEnd) setCaret(units_, size_);
}

void RichText::setInsertionFormat(const CharFormat& format) {
    insertion_ = intern(format);
    if (selStart_ == selEnd_) return;
    reformatBytes(byteOfUnit(selStart_), byteOfUnit(selEnd_), insertion_);
}

void RichText::userReplace(UnitPos unitPos, UnitPos unitsRemoved, const Text& inserted) {
    unitPos = std::clamp(unitPos, UnitPos(0), units_);
    unitsRemoved = std::clamp(unitsRemoved, UnitPos(0), units_ - unitPos);
    selStart_ = unitPos;
    selEnd_ = unitPos + unitsRemoved;
    selBytesValid_ = false;
    replaceSelection(inserted);
}

void RichText::userSelect(UnitPos unitStart, UnitPos unitEnd) {
    unitStart = std::clamp(unitStart, UnitPos(0), units_);
    unitEnd = std::clamp(unitEnd, UnitPos(0), units_);
    if (unitEnd < unitStart) std::swap(unitStart, unitEnd);
    if (unitStart == selStart_ && unitEnd == selEnd_) return;
    selStart_ = unitStart;
    selEnd_ = unitEnd;
    selBytesValid_ = false;
}

}  // namespace vorta::ui
