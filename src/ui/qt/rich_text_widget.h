#pragma once
// The rich text box on QPlainTextEdit. The model takes every write at once;
// the widget catches up in one batch a few milliseconds later, so a stream of
// single-byte writes costs one document edit and one scroll per batch.
#include <memory>

#include "ui/qt/adapters.h"

namespace vorta::ui::qt {

std::unique_ptr<Adapter> CreateRichTextAdapter(Model& model, Control& control, QWidget* parent);

// The longest the widget lags behind the model, in milliseconds.
inline constexpr int kRichTextBatchMs = 50;

}  // namespace vorta::ui::qt
