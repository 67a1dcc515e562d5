#pragma once
// The plain text of a copy on the clipboard, made from a snapshot of the
// display's bytes. A copy of up to kConvertAheadBytes is converted the first
// time a program asks for it, so nothing is converted if nobody pastes. A
// larger one starts converting off the UI thread (base::Worker) at the moment
// of the copy: a program that pastes it finds it ready, or waits only for the
// rest, instead of holding the window up for seconds while it is converted. A
// copy replaced before anybody pasted it stops its conversion instead of
// waiting for it.
#include <QString>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

#include "base/worker.h"
#include "ui/text_snapshot.h"

namespace vorta::ui::qt {

inline constexpr std::size_t kConvertAheadBytes = 1 << 20;

class ClipboardText {
public:
    using Convert = std::function<QString(const std::string& bytes)>;
    ClipboardText(TextSnapshot bytes, Convert convert);
    ClipboardText(const ClipboardText&) = delete;
    ClipboardText& operator=(const ClipboardText&) = delete;

    // The text; waits for a conversion still under way.
    const QString& text();

private:
    TextSnapshot bytes_;
    Convert convert_;
    std::optional<QString> text_;
    bool convertingAhead_ = false;
    std::optional<QString> ahead_;  // the conversion's result, read once it has ended
    base::Worker worker_;           // last: stopped and joined before the rest goes
};

// `convert` applied to pieces of `bytes` of about `piece` bytes, joined: each piece
// ends where no character and no "\r\n" is cut, so the text is the one `convert`
// makes of the whole. Looks at `stop` before each piece; nullopt once it is requested.
std::optional<QString> ConvertInPieces(const std::string& bytes, const ClipboardText::Convert& convert,
                                       const std::stop_token& stop, std::size_t piece = kConvertAheadBytes);

}  // namespace vorta::ui::qt
