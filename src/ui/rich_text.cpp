#include "ui/rich_text.h"

#include <algorithm>

namespace vorta::ui {

std::int64_t CountUnits(const char* p, std::size_t n) {
    std::int64_t count = 0;
    for (std::size_t i = 0; i < n; ++count) i += UnitLength(p + i, n - i);
    return count;
}

RichText::RichText() { formats_.push_back(CharFormat{}); }

int RichText::intern(const CharFormat& format) {
    if (formats_[insertion_] == format) return insertion_;  // the common case, once per byte
    for (std::size_t i = 0; i < formats_.size(); ++i)
        if (formats_[i] == format) return static_cast<int>(i);
    formats_.push_back(format);
    return static_cast<int>(formats_.size() - 1);
}

void RichText::setDefaultFormat(const CharFormat& format) {
    default_ = intern(format);
    insertion_ = default_;
}

std::size_t RichText::byteOfUnit(std::int64_t unit) const {
    if (unit <= 0) return 0;
    if (unit >= units_) return text_.size();
    const std::size_t n = text_.size();
    std::size_t i = 0;
    for (std::int64_t u = 0; u < unit && i < n; ++u) i += UnitLength(text_.data() + i, n - i);
    return i;
}

void RichText::resolveSelection() const {
    if (selBytesValid_) return;
    selStartByte_ = byteOfUnit(selStart_);
    selEndByte_ = selEnd_ == selStart_ ? selStartByte_ : byteOfUnit(selEnd_);
    selBytesValid_ = true;
}

void RichText::setText(const Text& text) {
    const std::int64_t oldUnits = units_;
    text_ = text;
    runs_.clear();
    if (!text_.empty()) runs_.push_back({text_.size(), default_});
    units_ = CountUnits(text_.data(), text_.size());
    lastUnitKnown_ = text_.empty();
    lastUnitStart_ = 0;
    selStart_ = selEnd_ = units_;
    selStartByte_ = selEndByte_ = text_.size();
    selBytesValid_ = true;
    record({Edit::Kind::Replace, 0, oldUnits, text_, default_});
}

void RichText::setSelection(std::int64_t start, std::int64_t length) {
    start = std::clamp<std::int64_t>(start, 0, units_);
    const std::int64_t end = length < 0 ? units_ : std::min(units_, start + length);
    userSelect(start, end);
}

Text RichText::selectedText() const {
    if (selStart_ == selEnd_) return Text();
    resolveSelection();
    return text_.substr(selStartByte_, selEndByte_ - selStartByte_);
}

void RichText::replaceSelection(const Text& text) {
    resolveSelection();
    if (selStart_ == selEnd_ && text.empty()) return;
    record(applyReplace(selStart_, selEnd_ - selStart_, selStartByte_, selEndByte_, text, insertion_));
}

RichText::Edit RichText::applyReplace(std::int64_t unit, std::int64_t removed, std::size_t from, std::size_t to,
                                      const Text& bytes, int format) {
    // A single-byte unit just before the change ("\r", or a lead byte without its
    // trail) may join the first new byte: then it belongs to the change.
    std::int64_t startUnit = unit;
    std::size_t start = from;
    if (from > 0 && !bytes.empty()) {
        const auto prev = static_cast<unsigned char>(text_[from - 1]);
        const char pair[2] = {static_cast<char>(prev), bytes[0]};
        const bool atEnd = from == text_.size() && lastUnitKnown_;
        if ((prev == '\r' || prev >= 0x80) && UnitLength(pair, 2) == 2 &&
            (atEnd ? lastUnitStart_ == from - 1 : byteOfUnit(unit - 1) == from - 1)) {
            startUnit = unit - 1;
            start = from - 1;
            ++removed;
        }
    }
    replaceBytes(from, to, bytes, format);
    const std::size_t n = text_.size();
    // Cut the new text from `start`; the old cutting of the tail starts at `tail`.
    // Where the last new unit reaches into the tail, walk both cuttings on until they meet.
    std::size_t pos = start, tail = from + bytes.size(), lastStart = start;
    std::int64_t added = 0;
    while (pos < tail) {
        lastStart = pos;
        pos += UnitLength(text_.data() + pos, n - pos);
        ++added;
    }
    while (pos != tail) {
        if (tail < pos) {
            tail += UnitLength(text_.data() + tail, n - tail);
            ++removed;
        } else {
            lastStart = pos;
            pos += UnitLength(text_.data() + pos, n - pos);
            ++added;
        }
    }
    lastUnitKnown_ = pos == n && added > 0;
    lastUnitStart_ = lastStart;
    units_ += added - removed;
    selStart_ = selEnd_ = startUnit + added;
    selStartByte_ = selEndByte_ = pos;
    selBytesValid_ = true;
    return {Edit::Kind::Replace, startUnit, removed, text_.substr(start, pos - start), format};
}

void RichText::setInsertionFormat(const CharFormat& format) {
    insertion_ = intern(format);
    if (selStart_ == selEnd_) return;
    resolveSelection();
    reformatBytes(selStartByte_, selEndByte_, insertion_);
    record({Edit::Kind::Reformat, selStart_, selEnd_ - selStart_, Text(), insertion_});
}

const CharFormat& RichText::formatAt(std::size_t byteOffset) const {
    std::size_t start = 0;
    for (const Run& run : runs_) {
        if (byteOffset < start + run.bytes) return formats_[run.format];
        start += run.bytes;
    }
    return formats_[default_];
}

std::size_t RichText::splitRunAt(std::size_t byteOffset) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        if (byteOffset == start) return i;
        if (byteOffset < start + runs_[i].bytes) {
            const std::size_t head = byteOffset - start;
            runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(i) + 1, {runs_[i].bytes - head, runs_[i].format});
            runs_[i].bytes = head;
            return i + 1;
        }
        start += runs_[i].bytes;
    }
    return runs_.size();
}

void RichText::replaceBytes(std::size_t from, std::size_t to, const Text& bytes, int format) {
    if (from == to && from == text_.size()) {  // the common case: appending at the end
        text_ += bytes;
        if (!runs_.empty() && runs_.back().format == format)
            runs_.back().bytes += bytes.size();
        else if (!bytes.empty())
            runs_.push_back({bytes.size(), format});
        return;
    }
    const std::size_t first = splitRunAt(from);
    const std::size_t last = splitRunAt(to);
    runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(first), runs_.begin() + static_cast<std::ptrdiff_t>(last));
    if (!bytes.empty()) runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(first), {bytes.size(), format});
    text_.replace(from, to - from, bytes);
    // Neighbours that now share a format become one run.
    for (std::size_t i = first > 0 ? first - 1 : 0; i + 1 < runs_.size() && i <= first + 1;) {
        if (runs_[i].format == runs_[i + 1].format) {
            runs_[i].bytes += runs_[i + 1].bytes;
            runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        } else {
            ++i;
        }
    }
}

void RichText::reformatBytes(std::size_t from, std::size_t to, int format) {
    const Text bytes = text_.substr(from, to - from);
    replaceBytes(from, to, bytes, format);
}

void RichText::setRecording(bool on) {
    recording_ = on;
    if (!on) edits_.clear();
}

void RichText::record(Edit edit) {
    if (!recording_) return;
    if (edit.kind == Edit::Kind::Replace && edit.units == 0 && !edits_.empty()) {
        Edit& last = edits_.back();
        if (last.kind == Edit::Kind::Replace && last.format == edit.format &&
            lastEditEnd_ == edit.unitPos) {
            last.inserted += edit.inserted;
            lastEditEnd_ += CountUnits(edit.inserted.data(), edit.inserted.size());
            return;
        }
    }
    lastEditEnd_ = edit.kind == Edit::Kind::Replace
                       ? edit.unitPos + CountUnits(edit.inserted.data(), edit.inserted.size())
                       : -1;
    edits_.push_back(std::move(edit));
}

std::vector<RichText::Edit> RichText::takeEdits() {
    std::vector<Edit> out;
    out.swap(edits_);
    return out;
}

bool RichText::takeScrollRequest() {
    const bool requested = scrollRequested_;
    scrollRequested_ = false;
    return requested;
}

void RichText::userReplace(std::int64_t unitPos, std::int64_t unitsRemoved, const Text& inserted) {
    unitPos = std::clamp<std::int64_t>(unitPos, 0, units_);
    unitsRemoved = std::clamp<std::int64_t>(unitsRemoved, 0, units_ - unitPos);
    const std::size_t from = byteOfUnit(unitPos);
    const std::size_t to = byteOfUnit(unitPos + unitsRemoved);
    Edit edit = applyReplace(unitPos, unitsRemoved, from, to, inserted, insertion_);
    // The view already shows what the user did; it needs telling only when the
    // change had to be widened to whole units.
    if (edit.unitPos != unitPos || edit.units != unitsRemoved || edit.inserted != inserted) record(std::move(edit));
}

void RichText::userSelect(std::int64_t unitStart, std::int64_t unitEnd) {
    unitStart = std::clamp<std::int64_t>(unitStart, 0, units_);
    unitEnd = std::clamp<std::int64_t>(unitEnd, 0, units_);
    if (unitEnd < unitStart) std::swap(unitStart, unitEnd);
    if (unitStart == selStart_ && unitEnd == selEnd_) return;
    selStart_ = unitStart;
    selEnd_ = unitEnd;
    selBytesValid_ = false;
}

}  // namespace vorta::ui
