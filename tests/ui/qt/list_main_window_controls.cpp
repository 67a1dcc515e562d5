// Prints every control of the main window that has a widget, one a line: its kind,
// its name and what a screen reader should call it, its own accessible name or its
// caption (GBK, tab-separated), for the accessibility bus test. A control that
// answers Space and Enter is "pressable".
#include <cstdio>

#include "ui/windows/window_defs.h"

int main() {
    using vorta::ui::Kind;
    for (const vorta::ui::ControlDef& c : vorta::ui::MainWindowDef().controls) {
        const char* kind = nullptr;
        switch (c.kind) {
        case Kind::Label: kind = "label"; break;
        case Kind::Edit: kind = "edit"; break;
        case Kind::Button: kind = "button"; break;
        case Kind::CheckBox: kind = "check"; break;
        case Kind::RadioButton: kind = "radio"; break;
        case Kind::ComboBox: kind = "combo"; break;
        case Kind::GroupBox:
        case Kind::PictureBox:
        case Kind::Shape:
        case Kind::StatusBar: kind = "box"; break;
        case Kind::RichText: kind = "display"; break;
        case Kind::Timer:
        case Kind::BalloonTip:
        case Kind::FileDialog:
        case Kind::Menu:
        case Kind::MenuItem: break;  // no widget of their own
        }
        if (!kind) continue;
        if (c.keyPath == vorta::ui::KeyPath::SpaceEnter) kind = "pressable";
        // Only these kinds show their text as a caption; an edit box's text is its content.
        const bool caption =
            c.kind == Kind::Label || c.kind == Kind::Button || c.kind == Kind::CheckBox || c.kind == Kind::RadioButton;
        const char* heard = !c.accessibleName.empty() ? c.accessibleName.c_str() : caption ? c.text.c_str() : "";
        std::printf("%s\t%s\t%s\n", kind, c.name.c_str(), heard);
    }
    return 0;
}
