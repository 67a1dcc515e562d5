#pragma once
// The rich text box on Qt: a scroll area that draws the visible lines straight
// from the model's store (RichText) with QTextLayout. There is no second
// document: the view lays out only what is on screen, caches those layouts,
// and refreshes at most once per frame however many writes came in between.
#include <memory>

#include "ui/qt/adapters.h"

namespace vorta::ui::qt {

std::unique_ptr<Adapter> CreateRichTextAdapter(Model& model, Control& control, QWidget* parent);

}  // namespace vorta::ui::qt
