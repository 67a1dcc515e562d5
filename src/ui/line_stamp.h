#pragma once
// The time before a display line: "[14:03:27.118] " in the notes' colour, as a
// stamp (kStamp), so that the tools reading a selection skip it.
#include <cstdint>
#include <string>

#include "ui/model.h"

namespace vorta::ui {

// "[hh:mm:ss.mmm] " of a time in microseconds since 1970 UTC, in local time.
std::string StampText(std::int64_t micros);
// Writes the stamp when the display is empty or its text ends with a line end;
// the caller writes its line after it in its own format.
void StampLineStart(RichTextBox& display, const CharFormat& noteFormat, std::int64_t micros);
// Microseconds since 1970 UTC, now.
std::int64_t NowMicros();

}  // namespace vorta::ui
