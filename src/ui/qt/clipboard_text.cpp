#include "ui/qt/clipboard_text.h"

namespace vorta::ui::qt {
namespace {

// Whether `s` may be cut before byte i (0 < i < size) with each side converted
// alone: after a line feed (never part of a two-byte character), or before a
// byte below 0x40 other than a line feed that follows a byte below 0x80. Such a
// byte never continues a character, and a byte below 0x80 never begins one of
// two bytes or more.
bool CutsCleanly(const std::string& s, std::size_t i) {
    const auto before = static_cast<unsigned char>(s[i - 1]), at = static_cast<unsigned char>(s[i]);
    return before == '\n' || (before < 0x80 && at < 0x40 && at != '\n');
}

}  // namespace

std::optional<QString> ConvertInPieces(const std::string& bytes, const ClipboardText::Convert& convert,
                                       const std::stop_token& stop, std::size_t piece) {
    QString text;
    for (std::size_t start = 0; start < bytes.size();) {
        if (stop.stop_requested()) return std::nullopt;
        std::size_t end = std::min(bytes.size(), start + std::max<std::size_t>(piece, 1));
        while (end < bytes.size() && !CutsCleanly(bytes, end)) ++end;
        text += convert(bytes.substr(start, end - start));
        start = end;
    }
    return text;
}

ClipboardText::ClipboardText(TextSnapshot bytes, Convert convert)
    : bytes_(std::move(bytes)), convert_(std::move(convert)) {
    if (bytes_.size() <= kConvertAheadBytes) return;
    convertingAhead_ = true;
    // The job gets its own copy of the snapshot (shared blocks, no bytes copied).
    worker_.run([this, bytes = std::move(bytes_), convert = convert_](const std::stop_token& stop) {
        ahead_ = ConvertInPieces(bytes.bytes(), convert, stop);
        return base::Worker::Done();
    });
    bytes_ = {};
}

const QString& ClipboardText::text() {
    if (!text_) {
        if (convertingAhead_) {
            worker_.waitUntilIdle();
            text_ = std::move(ahead_).value_or(QString());  // only the destructor stops the conversion
        } else {
            text_ = convert_(bytes_.bytes());
        }
        bytes_ = {};  // the display's blocks are no longer needed
    }
    return *text_;
}

}  // namespace vorta::ui::qt
