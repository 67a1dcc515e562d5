#pragma once
// The program's three windows as data: every control with its kind, parent,
// geometry, captions, list items, initial state, fonts and colours, and which
// event of which control runs which named action.
//
// The controls are named in control_ids.h, the actions in action_ids.h.
#include "ui/control_def.h"

namespace vorta::ui {

const WindowDef& MainWindowDef();
const WindowDef& GeneratorWindowDef();
const WindowDef& CalculatorWindowDef();
const WindowDef& PortSettingsWindowDef();
// A window of its own for the capture file, the display's extra options and file sending.
const WindowDef& CaptureWindowDef();

}  // namespace vorta::ui
