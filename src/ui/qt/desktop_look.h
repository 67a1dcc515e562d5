#pragma once
// The program's own look, whatever the desktop's platform theme says: the text
// colours were chosen for light backgrounds (received blue, sent green, notes
// grey on white) and the controls were laid out for a 12-pixel Song face. A dark
// GTK theme would give the display a dark base under the pure blue, a qt6ct font
// would clip the captions.
#include <QFont>
#include <QPalette>

namespace vorta::ui::qt {

// The light palette every window is drawn with (the interface style's classic colours).
QPalette LightPalette();

// The default GUI font of the controls: 宋体 at a character height of 12 pixels.
QFont GuiFont();

// Sets the light palette and the GUI font on the application and sets them again
// whenever something else replaces them later: platform themes apply the
// desktop's palette and font after the windows exist (qt6ct on the first turn of
// the event loop). Needs the application object; the first call does the work.
void KeepProgramLook();

}  // namespace vorta::ui::qt
