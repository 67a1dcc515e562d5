#pragma once
// The plain text of a copy on the clipboard, made from a snapshot of the
// display's bytes. A copy of up to kConvertAheadBytes is converted the first
// time a program asks for it, so nothing is converted if nobody pastes. A
// larger one starts converting on a thread of its own at the moment of the
// copy: a program that pastes it finds it ready, or waits only for the rest,
// instead of holding the window up for seconds while it is converted.
#include <QString>
#include <functional>
#include <future>
#include <optional>
#include <string>

#include "ui/text_snapshot.h"

namespace vorta::ui::qt {

inline constexpr std::size_t kConvertAheadBytes = 1 << 20;

class ClipboardText {
public:
    using Convert = std::function<QString(const std::string& bytes)>;
    ClipboardText(TextSnapshot bytes, Convert convert);
    // Waits for a conversion still under way (it reads the snapshot).
    ~ClipboardText();
    ClipboardText(const ClipboardText&) = delete;
    ClipboardText& operator=(const ClipboardText&) = delete;

    // The text; waits for a conversion still under way.
    const QString& text();

private:
    TextSnapshot bytes_;
    Convert convert_;
    std::future<QString> ahead_;
    std::optional<QString> text_;
};

}  // namespace vorta::ui::qt
