// Compiled by the tests with CONTROL set to an identifier or to a plain name:
// only a declared identifier may reach a control.
#include "ui/windows/control_ids.h"

vorta::ui::Text Read(vorta::ui::Window& main) { return main[CONTROL].text(); }
