#pragma once
// Windows and their controls as data. A window definition lists every control
// with its kind, parent, geometry, caption, items and initial state, the menus
// it owns and which event of which control runs which named action.
// All texts are GBK bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "ui/control_id.h"

namespace vorta::ui {

using Colour = std::uint32_t;                         // 0x00BBGGRR
inline constexpr Colour kDefaultColour = 0xFF000000;  // default colour; "no fill" for shapes
constexpr Colour Rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

enum class Kind {
    Label,  // static text; `transparent` draws no background
    Edit,   // single- or multi-line edit box (`multiLine`)
    Button,
    CheckBox,
    RadioButton,  // exclusive with the radio buttons of the same parent when the user clicks
    ComboBox,     // drop-down list, or editable drop-down combo (`editable`)
    GroupBox,     // container
    PictureBox,   // container; `logo` draws the program's logo strip
    Shape,        // circle with an outline and an optional fill colour
    RichText,     // multi-line rich text with character formats per run
    StatusBar,    // docked at the bottom; `panels`
    Timer,        // non-visual
    BalloonTip,   // non-visual: shows a tip at a screen point
    FileDialog,   // non-visual: the common save (or open) dialog
    Menu,         // non-visual pop-up menu; its items are MenuItem controls with it as parent
    MenuItem,
};

enum class Event {
    Created,           // window: all controls exist
    SizeChanged,       // window: outer size changed
    Destroying,        // window: about to be destroyed, controls still exist
    Clicked,           // button, check box, radio button (mouse or keyboard)
    ListItemSelected,  // combo box: the user ended a selection in the list
    EditTextChanged,   // editable combo box: the user typed into its edit field
    ContentChanged,    // edit box: text changed by the user or written by the program
    LeftPressed,
    LeftReleased,
    RightReleased,
    LostFocus,
    TimerTick,
    MenuSelected,  // menu item chosen
};

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

struct FontDef {
    Text face;            // empty: the platform's default face
    int pointSize = 0;    // 0: use pixelHeight or the default size
    int pixelHeight = 0;  // character height in pixels; 0: unset
    bool bold = false;
};

struct StatusPanelDef {
    int width = 0;
    Text text;
    Text tooltip;
    bool fills = false;             // takes the room the fixed panels leave
    bool hiddenWhileEmpty = false;  // takes no room while its text is empty
};

enum class Border { None, Sunken, Shallow };

// A keyboard path to what otherwise only a mouse release on the control does.
enum class KeyPath {
    None,
    SpaceEnter,  // takes the focus with Tab; Space and Enter raise the mouse release bound to it
    MenuKey,     // the Menu key and Shift+F10 raise its right-button release
};

struct ControlDef {
    Text name;
    Kind kind = Kind::Label;
    Text parent;  // empty: the window itself; else a container (GroupBox, PictureBox) or a Menu
    Rect rect;
    Text text;  // caption, content or item caption
    std::vector<Text> items;
    int selectedIndex = -1;
    bool checked = false;
    bool visible = true;
    bool disabled = false;
    Colour textColour = kDefaultColour;
    Colour backColour = kDefaultColour;
    Colour fillColour = kDefaultColour;
    FontDef font;
    Border border = Border::None;
    bool multiLine = false;      // Edit
    bool editable = false;       // ComboBox: the user may type
    bool wordWrap = false;       // Edit (multi-line), RichText
    bool vScroll = false;        // Edit (multi-line), RichText
    bool hideSelection = false;  // selection hidden while the control has no focus
    bool centred = false;        // Edit: text centred
    bool transparent = false;    // Label
    bool handCursor = false;
    bool logo = false;  // PictureBox: draws the logo strip
    int maxLength = 0;  // Edit, editable ComboBox: most characters it holds, typed or written; 0 = no limit
    Text tag;
    std::vector<StatusPanelDef> panels;  // StatusBar
    Text labelledBy;  // the label or check box beside it that names it to a screen reader (a button: its row's label)
    Text accessibleName;  // what a screen reader calls it where no caption or label beside it does
    KeyPath keyPath = KeyPath::None;
    Text shortcut;  // MenuItem: a key that chooses it from its window ("Ctrl+Shift+P"); empty text: a separator
};

// Which event of which control runs which named action. An empty control name means the window.
struct BindingDef {
    Text control;
    Event event;
    Text action;
};

struct WindowDef {
    Text name;  // how the logic addresses the window ("main", "generator", "calculator")
    Text title;
    Rect rect;            // outer rectangle on the screen
    bool centred = true;  // centred on the screen when created
    bool resizable = false;
    bool minimiseButton = false;
    bool maximiseButton = false;
    bool escCloses = true;
    bool dragMoves = false;  // dragging the background moves the window
    bool dialog = false;     // a screen reader hears it as a dialog, else as a frame
    Text accessibleName;     // what a screen reader calls it where it has no title
    std::vector<ControlDef> controls;
    std::vector<BindingDef> bindings;
};

}  // namespace vorta::ui
