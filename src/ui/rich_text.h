#pragma once
// The content of a rich text box, and the only copy of it: exact GBK bytes, a
// character format per run, a selection and an insertion format. The logic
// writes it; a view draws the lines it shows straight from it.
//
// Positions seen by the logic and the view are "units", each shown as one
// UTF-16 code unit (see ui/qt/gbk_qstring.h): a line end "\r\n" (or a lone "\r"
// or "\n"), a lead byte 0x80-0xFF with a trail byte 0x40-0xFF, or any other
// single byte. Units are cut from the start of the text, left to right. A line
// ends with its line-end unit; the line after it starts a new cutting, so a
// line start is always a unit start.
//
// Cost: appending at the end is O(bytes appended), whatever the size of the
// text, the length of its last line or where the selection is: the bytes go
// into fixed-size blocks (no reallocation of what is held), and the line index,
// the unit marks and the format runs grow by appending. Clearing is O(1).
// Finding a unit's byte takes a binary search and a scan of at most
// kMarkBytes. Edits elsewhere (the user's typing) cost a rescan of the edited
// line and a shift of the indexes after it.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/char_format.h"
#include "ui/text_position.h"
#include "ui/text_snapshot.h"

namespace vorta::ui {

// Bytes of the unit that starts at p[0], of the n bytes available.
inline std::size_t UnitLength(const char* p, std::size_t n) {
    if (n < 2) return n;
    const auto b = static_cast<unsigned char>(p[0]), next = static_cast<unsigned char>(p[1]);
    if (b == '\r') return next == '\n' ? 2 : 1;
    return (b >= 0x80 && next >= 0x40) ? 2 : 1;
}
// Units in `n` bytes starting at `p`.
UnitPos CountUnits(const char* p, std::size_t n);

class RichText {
public:
    // A line of the text: its content (without the line end) in bytes and units.
    struct Line {
        BytePos byteStart, byteEnd;  // content [byteStart, byteEnd)
        UnitPos unitStart, units;    // content units; the line end, if any, follows
        bool hasEnd = false;         // ends with a line-end unit
    };
    // A stretch of bytes in one format.
    struct Run {
        BytePos byteStart, byteEnd;
        int format;
    };

    RichText();
    ~RichText();
    RichText(const RichText&) = delete;
    RichText& operator=(const RichText&) = delete;

    // ---- the logic's operations ----
    // A copy of the whole content; prefer byteCount(), bytes() or forEachPiece() on a large text.
    Text text() const;
    BytePos byteCount() const { return size_; }
    bool empty() const { return size_ == BytePos(0); }
    // Replaces the whole content, in the default format; the caret goes to the end.
    void setText(const Text& text);
    // Selects start … start + length (units). Negative start is 0; negative length selects to the end.
    void setSelection(UnitPos start, UnitPos length);
    Text selectedText() const;
    // Replaces the selection (or inserts at the caret) with `text` in the insertion
    // format; afterwards the caret stands right after it.
    void replaceSelection(const Text& text);
    // Appends `text` at the end in the insertion format; the selection stays where it is
    // (a caret at the very end stays at the end).
    void append(const Text& text);
    // The same in `format`, which becomes the insertion format without touching the selection.
    void append(const Text& text, const CharFormat& format) {
        setWriteFormat(format);
        append(text);
    }
    // Makes `format` the insertion format (of program writes and the user's typing)
    // without recolouring the selection.
    void setWriteFormat(const CharFormat& format) { insertion_ = intern(format); }
    // Sets the format of the selection; with an empty selection, of the next insertion.
    void setInsertionFormat(const CharFormat& format);
    const CharFormat& insertionFormat() const { return formats_[static_cast<std::size_t>(insertion_)]; }
    void deleteSelection() { replaceSelection(Text()); }
    void scrollToEnd() { scrollRequested_ = true; }
    void setDefaultFormat(const CharFormat& format);

    // ---- reading back ----
    UnitPos unitCount() const { return units_; }
    UnitPos selectionStart() const { return selStart_; }
    UnitPos selectionEnd() const { return selEnd_; }
    // The format of the byte at `byteOffset` (the default format past the end).
    const CharFormat& formatAt(BytePos byteOffset) const;
    const CharFormat& format(int index) const { return formats_[static_cast<std::size_t>(index)]; }
    // Bytes [from, to), clamped to the text.
    Text bytes(BytePos from, BytePos to) const;
    // Calls f(std::string_view) for consecutive pieces of bytes [from, to), without copying.
    template <class F>
    void forEachPiece(BytePos from, BytePos to, F&& f) const;
    // Bytes [from, to), clamped, as they are now, without copying them (see TextSnapshot).
    TextSnapshot snapshot(BytePos from, BytePos to) const;
    // Bytes [from, to) without the stamps (text in a kStamp format), shared with the
    // box rather than copied: what the tools and a copy to the clipboard read. With
    // `kept`, also the format runs of those bytes, in the snapshot's own offsets.
    TextSnapshot dataSnapshot(BytePos from, BytePos to, std::vector<Run>* kept = nullptr) const;
    // The selection's data: dataSnapshot() of the selected bytes.
    TextSnapshot selectionSnapshot() const;
    BytePos byteOfUnit(UnitPos unit) const;
    UnitPos unitOfByte(BytePos byte) const;  // the unit that starts at or contains `byte`

    // ---- lines and runs, for a view ----
    std::int64_t lineCount() const { return static_cast<std::int64_t>(lines_.size()); }
    Line line(std::int64_t index) const;
    // The line holding unit position `unit` (a position at a line's end belongs to that line).
    std::int64_t lineOfUnit(UnitPos unit) const;
    // The runs that overlap bytes [from, to), cut to that range.
    std::vector<Run> runs(BytePos from, BytePos to) const;
    // The first line whose content changed since the last call (lineCount() when none),
    // the first unit that may have changed (everything before it is as it was), and
    // whether any line before the end was touched (so lines after it may have moved).
    struct Changes {
        std::int64_t fromLine;
        UnitPos fromUnit;
        bool middle;
    };
    Changes takeChanges();
    bool takeScrollRequest();

    // ---- the user's edits, from the view ----
    // Replaces units [unitPos, unitPos + unitsRemoved) with `inserted` in the insertion
    // format; the caret stands after it.
    void userReplace(UnitPos unitPos, UnitPos unitsRemoved, const Text& inserted);
    void userSelect(UnitPos unitStart, UnitPos unitEnd);

    // Bytes between two unit marks at most (a unit lookup scans no more).
    static constexpr std::size_t kMarkBytes = 4096;

private:
    class Blocks;
    struct Mark {
        BytePos byte;
        UnitPos unit;
    };
    struct FormatRun {
        BytePos byteStart;
        int format;
    };
    int intern(const CharFormat& format);
    bool isStamp(int format) const { return (formats_[static_cast<std::size_t>(format)].effects & kStamp) != 0; }
    // Calls f(const Run&) for each run of [from, to) that is not a stamp, in order;
    // without `withFormats`, a stretch may span runs and its format is -1.
    template <class F>
    void forEachDataRun(BytePos from, BytePos to, bool withFormats, F&& f) const;
    unsigned char at(BytePos byte) const;
    int formatIndexAt(BytePos byte) const;
    // Drops runs in [from, to] that hold no bytes or repeat the format before them.
    void mergeRuns(std::size_t from, std::size_t to);
    // Cuts bytes [from, to) into units (from is a unit start) and appends the line starts
    // and marks found to the given vectors; returns the units. `lastMark` is the byte of
    // the last mark or line start before `from`.
    UnitPos cut(BytePos from, BytePos to, UnitPos unit, BytePos& lastMark, std::vector<Mark>& lines,
                std::vector<Mark>& marks) const;
    void appendBytes(std::string_view bytes, int format);
    void replaceBytes(BytePos from, BytePos to, std::string_view bytes, int format);
    void reformatBytes(BytePos from, BytePos to, int format);
    // The nearest mark or line start at or before `unit` / `byte`.
    Mark markBeforeUnit(UnitPos unit) const;
    Mark markBeforeByte(BytePos byte) const;
    void noteChange(std::int64_t line, UnitPos unit, bool middle);
    // Fills selStartByte_ and selEndByte_ from the selection's units when they are stale.
    void resolveSelectionBytes() const;
    void setCaret(UnitPos unit, BytePos byte);

    std::unique_ptr<Blocks> blocks_;
    BytePos size_;
    UnitPos units_;
    // Line starts (line 0 at 0) and extra marks at unit starts, at most kMarkBytes apart.
    std::vector<Mark> lines_;
    std::vector<Mark> marks_;
    // Where the last unit starts: a lone "\r" or lead byte there may join the next byte.
    BytePos lastUnitStart_;
    std::vector<FormatRun> runs_;
    std::vector<CharFormat> formats_;
    int default_ = 0;
    int insertion_ = 0;
    // Selection in units, with its byte offsets resolved on demand.
    UnitPos selStart_, selEnd_;
    mutable bool selBytesValid_ = true;
    mutable BytePos selStartByte_, selEndByte_;
    std::int64_t changedFrom_ = -1;  // -1: nothing changed (changedFromUnit_ unset too)
    UnitPos changedFromUnit_;
    bool changedMiddle_ = false;
    bool scrollRequested_ = false;
};

// The bytes in fixed-size blocks: appending never moves what is held. A block
// handed to a snapshot is never written again (the box goes on in a copy of it):
// whether a snapshot still reads it, perhaps on another thread, is never asked.
class RichText::Blocks {
public:
    static constexpr std::size_t kBlock = 1 << 20;
    std::size_t size() const { return size_; }
    void clear() {
        blocks_.clear();
        starts_.clear();
        size_ = 0;
    }
    void append(std::string_view bytes);
    void insert(std::size_t at, std::string_view bytes);
    void erase(std::size_t from, std::size_t to);
    unsigned char at(std::size_t byte) const {
        const std::size_t b = blockOf(byte);
        return static_cast<unsigned char>((*blocks_[b].bytes)[byte - starts_[b]]);
    }
    template <class F>
    void forEachPiece(std::size_t from, std::size_t to, F&& f) const {
        if (from >= to) return;
        for (std::size_t b = blockOf(from); b < blocks_.size() && from < to; ++b) {
            const std::size_t start = starts_[b], end = start + blocks_[b].bytes->size();
            const std::size_t stop = to < end ? to : end;
            if (from < stop) f(std::string_view(*blocks_[b].bytes).substr(from - start, stop - from));
            from = stop;
        }
    }
    TextSnapshot snapshot(std::size_t from, std::size_t to) const;

private:
    struct Block {
        std::shared_ptr<std::string> bytes;
        mutable bool lent = false;  // handed to a snapshot: read-only from then on
    };
    std::size_t blockOf(std::size_t byte) const;
    void renumber(std::size_t fromBlock);
    // Block b, ready to be changed: a copy of its own once it was lent to a snapshot.
    std::string& own(std::size_t b);
    std::vector<Block> blocks_;
    std::vector<std::size_t> starts_;
    std::size_t size_ = 0;
};

template <class F>
void RichText::forEachPiece(BytePos from, BytePos to, F&& f) const {
    blocks_->forEachPiece(from.value(), (to < size_ ? to : size_).value(), f);
}

}  // namespace vorta::ui
