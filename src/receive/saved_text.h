#pragma once
// The display's text as a saved file holds it: every line end the display shows
// ("\r\n", or a lone "\r" or "\n" as a device sent it) becomes "\r\n".
#include <string_view>

#include "store/atomic_file.h"
#include "ui/text_snapshot.h"

namespace vorta::receive {

// Hands `sink` the saved form of `display` in consecutive pieces, taken from the
// snapshot's own blocks where no line end changes (nothing of the display is
// copied); stops when the sink returns false.
void ForEachSavedPiece(const ui::TextSnapshot& display, const store::PieceSink& sink);

}  // namespace vorta::receive
