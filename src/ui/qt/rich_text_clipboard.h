#pragma once
// What a copy of the display puts on the clipboard: its plain text for every
// program, and HTML with each run's colour for those that take rich text (a
// word processor, or a test reading the colours).
#include <QMimeData>

#include "ui/rich_text.h"

namespace vorta::ui::qt {

// Bytes [from, to) of `rich` less the stamps, shared with the display rather than copied, and their colours.
QMimeData* MakeClipboardData(const RichText& rich, BytePos from, BytePos to);

}  // namespace vorta::ui::qt
