#pragma once
// The content of a rich text box: GBK bytes, a character format per run,
// a selection and an insertion format. It is the truth the logic reads;
// a view mirrors it by draining the log of edits made since its last update,
// so a thousand small appends reach the screen as one.
//
// Positions seen by the logic and the view are "units", each shown as one
// UTF-16 code unit: a line end "\r\n" (or a lone "\r" or "\n"), a lead byte
// 0x80-0xFF with a trail byte 0x40-0xFF, or any other single byte. Whether a
// unit starts at a byte depends only on that byte and the next, so an edit
// changes the cutting of the text only next to it; the model widens every
// edit to whole units (a "\n" arriving after a "\r" re-sends the "\r") so the
// view can cut exactly the same way. Inside, the model keeps byte offsets and
// converts lazily, since the view may report a selection on every mouse move
// of a huge display.
#include <cstdint>
#include <vector>

#include "ui/char_format.h"

namespace vorta::ui {

// Bytes of the unit that starts at p[0], of the n bytes available.
inline std::size_t UnitLength(const char* p, std::size_t n) {
    if (n < 2) return n;
    const auto b = static_cast<unsigned char>(p[0]), next = static_cast<unsigned char>(p[1]);
    if (b == '\r') return next == '\n' ? 2 : 1;
    return (b >= 0x80 && next >= 0x40) ? 2 : 1;
}
// Units in `n` bytes starting at `p`.
std::int64_t CountUnits(const char* p, std::size_t n);

class RichText {
public:
    struct Edit {
        enum class Kind { Replace, Reformat } kind = Kind::Replace;
        std::int64_t unitPos = 0;
        std::int64_t units = 0;  // Replace: units removed; Reformat: units reformatted
        Text inserted;           // Replace only
        int format = 0;          // index into format()
    };

    RichText();

    // ---- the logic's operations ----
    const Text& text() const { return text_; }
    // Replaces the whole content, in the default format; the caret goes to the end.
    void setText(const Text& text);
    // Selects start … start + length (units). Negative start is 0; negative length selects to the end.
    void setSelection(std::int64_t start, std::int64_t length);
    Text selectedText() const;
    // Replaces the selection (or inserts at the caret) with `text` in the insertion
    // format; afterwards the caret stands right after it.
    void replaceSelection(const Text& text);
    // Sets the format of the selection; with an empty selection, of the next insertion.
    void setInsertionFormat(const CharFormat& format);
    const CharFormat& insertionFormat() const { return formats_[insertion_]; }
    void deleteSelection() { replaceSelection(Text()); }
    void scrollToEnd() { scrollRequested_ = true; }
    void setDefaultFormat(const CharFormat& format);

    // ---- reading back, for tests and tools ----
    std::int64_t unitCount() const { return units_; }
    std::int64_t selectionStart() const { return selStart_; }
    std::int64_t selectionEnd() const { return selEnd_; }
    // The format of the byte at `byteOffset` (the default format past the end).
    const CharFormat& formatAt(std::size_t byteOffset) const;
    const CharFormat& format(int index) const { return formats_[index]; }

    // ---- the view's side ----
    // Turns recording of edits for a view on or off (off: nothing accumulates).
    void setRecording(bool on);
    // Edits since the last call, in order, consecutive appends merged.
    std::vector<Edit> takeEdits();
    bool takeScrollRequest();
    // The user edited the view: apply to the model without logging it back.
    void userReplace(std::int64_t unitPos, std::int64_t unitsRemoved, const Text& inserted);
    void userSelect(std::int64_t unitStart, std::int64_t unitEnd);

private:
    struct Run {
        std::size_t bytes;
        int format;
    };
    int intern(const CharFormat& format);
    std::size_t byteOfUnit(std::int64_t unit) const;
    void resolveSelection() const;
    void replaceBytes(std::size_t from, std::size_t to, const Text& bytes, int format);
    // Replaces units [unit, unit + removed) = bytes [from, to) and widens the change to
    // whole units of the new text. Returns the widened edit (in units), with the caret after it.
    Edit applyReplace(std::int64_t unit, std::int64_t removed, std::size_t from, std::size_t to,
                      const Text& bytes, int format);
    void reformatBytes(std::size_t from, std::size_t to, int format);
    std::size_t splitRunAt(std::size_t byteOffset);
    void record(Edit edit);

    Text text_;
    std::vector<Run> runs_;
    std::vector<CharFormat> formats_;
    int default_ = 0;
    int insertion_ = 0;
    std::int64_t units_ = 0;
    // Selection in units, with its byte offsets resolved on demand.
    std::int64_t selStart_ = 0, selEnd_ = 0;
    mutable bool selBytesValid_ = true;
    mutable std::size_t selStartByte_ = 0, selEndByte_ = 0;
    bool recording_ = false;
    std::vector<Edit> edits_;
    std::int64_t lastEditEnd_ = -1;
    // Byte offset where the last unit starts, kept while the text only grows at its
    // end, so appending never scans the whole text.
    std::size_t lastUnitStart_ = 0;
    bool lastUnitKnown_ = true;  // unit just past the last logged insertion
    bool scrollRequested_ = false;
};

}  // namespace vorta::ui
