#pragma once
// The display as a screen reader or a test tool reads it: its whole text (one
// character per unit, a line end as "\n"), the caret, the selection and the
// colour of each character.

namespace vorta::ui::qt {

// Makes Qt's accessibility ask for it; once is enough, more calls do nothing.
void InstallRichTextAccessibility();

}  // namespace vorta::ui::qt
