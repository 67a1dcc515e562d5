#include "ui/qt/clipboard_text.h"

#include <system_error>

namespace vorta::ui::qt {

ClipboardText::ClipboardText(TextSnapshot bytes, Convert convert)
    : bytes_(std::move(bytes)), convert_(std::move(convert)) {
    if (bytes_.size() <= kConvertAheadBytes) return;
    try {
        // The thread gets its own copy of the snapshot (shared blocks, no bytes copied).
        ahead_ =
            std::async(std::launch::async, [bytes = bytes_, convert = convert_] { return convert(bytes.bytes()); });
        bytes_ = {};
    } catch (const std::system_error&) {
        // No thread to be had: converted when asked, as a small copy is.
    }
}

ClipboardText::~ClipboardText() {
    if (ahead_.valid()) ahead_.wait();
}

const QString& ClipboardText::text() {
    if (!text_) {
        text_ = ahead_.valid() ? ahead_.get() : convert_(bytes_.bytes());
        bytes_ = {};  // the display's blocks are no longer needed
    }
    return *text_;
}

}  // namespace vorta::ui::qt
