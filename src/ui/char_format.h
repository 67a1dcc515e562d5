#pragma once
// A character format of the rich text box: face, size, baseline offset,
// effect flags and colour (kDefaultColour = automatic colour).
#include "ui/control_def.h"

namespace vorta::ui {

struct CharFormat {
    Text face;
    int pointSize = 9;
    int offset = 0;   // baseline offset in points
    int effects = 0;  // bit 0 bold, 1 italic, 2 underline, 3 strike-out, 4 protected, 5 stamp
    Colour colour = kDefaultColour;

    bool operator==(const CharFormat&) const = default;
};

// A stamp is text the program puts before a line for the reader only (the time
// it arrived): it is shown and saved, but the selection the tools read skips it.
enum Effect { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8, kProtected = 16, kStamp = 32 };

}  // namespace vorta::ui
