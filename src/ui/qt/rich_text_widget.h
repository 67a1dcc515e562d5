#pragma once
// The rich text box on Qt: a scroll area that draws the visible lines straight
// from the model's store (RichText) with QTextLayout. There is no second
// document: the view lays out only what is on screen, caches those layouts,
// and refreshes at most once per frame however many writes came in between.
#include <memory>

#include "ui/qt/adapters.h"

namespace vorta::ui::qt {

std::unique_ptr<Adapter> CreateRichTextAdapter(Model& model, Control& control, QWidget* parent);

// The shortest time between two refreshes of the display for the program's writes,
// in milliseconds (two frames at 60 Hz). At 115200 baud a repaint every 16 ms cost
// as much as taking the bytes; the user's own edits and selections repaint at once.
inline constexpr int kRichTextFrameMs = 33;

}  // namespace vorta::ui::qt
