#pragma once
// The actions that window bindings name but the program does not have yet. A
// window whose binding names an action that is neither registered nor listed
// here does not open, and a test fails when an action listed here is
// registered: the list shrinks as the features land.
#include <vector>

#include "ui/windows/action_ids.h"

namespace vorta::app {

// Every action is built now; a window binding a new action lists it here until it lands.
inline std::vector<ui::ActionId> NotBuiltActions() { return {}; }

}  // namespace vorta::app
