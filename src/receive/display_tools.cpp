#include "receive/display_tools.h"

#include <cstdlib>
#include <fstream>

#include "store/gbk_convert.h"
#include "receive/conversion_texts.h"

namespace vorta::receive {
namespace {

ui::Control& Display(ui::Window& main) { return main["超级编辑框1"]; }

}  // namespace

DisplayTools::DisplayTools(ui::Model& model, ui::Platform& platform, state::AppState& state)
    : platform_(platform), state_(state) {
    auto on = [&model](const char* action, auto handler) {
        model.registerAction(action, [handler](ui::Control& c, const ui::EventArgs&) { handler(c.window()); });
    };
    on("DisplayLeftReleased", [this](ui::Window& w) {
        if (auto text = ConversionBalloonText(Display(w).selectedText())) balloonAtCursor(w, *text);
    });
    on("MergeToDecimal", [this](ui::Window& w) {
        if (auto text = MergeToDecimalText(Display(w).selectedText())) balloonAtCursor(w, *text);
    });
    on("DisplayRightReleased", [this](ui::Window& w) { popupMenu(w); });
    on("ClearDisplay", [this](ui::Window& w) { clear(w); });
    on("DeleteSelection", [](ui::Window& w) { Display(w).deleteSelection(); });
    on("SelectAll", [](ui::Window& w) {
        ui::Control& display = Display(w);
        display.setSelection(0, static_cast<std::int64_t>(display.rich().text().size()));
    });
    on("CopySelection", [this](ui::Window& w) { copy(w); });
    on("CutSelection", [this](ui::Window& w) {
        copy(w);
        Display(w).deleteSelection();
    });
    on("PasteClipboard", [this](ui::Window& w) {
        if (auto text = platform_.clipboardText()) Display(w).replaceSelection(*text);
    });
    on("SaveDisplay", [this](ui::Window& w) { save(w); });
}

void DisplayTools::balloonAtCursor(ui::Window& main, const std::string& text) {
    const ui::Point at = platform_.cursorPos();
    main["气球提示框1"].showBalloon(at.x, at.y, text);
}

void DisplayTools::popupMenu(ui::Window& main) {
    // Read in place: copying a large display's text just to test it would stall the menu.
    const ui::RichText& display = Display(main).rich();
    const bool noSelection = display.selectionStart() == display.selectionEnd();
    const bool empty = display.text().empty();
    for (const char* item : {"复制", "删除", "剪切", "合并转10进制"}) main[item].setDisabled(noSelection);
    for (const char* item : {"清空", "全选"}) main[item].setDisabled(empty);
    main["粘贴"].setDisabled(!platform_.clipboardText().has_value());
    const ui::Point at = platform_.cursorPos();
    main["菜单"].popup(at.x, at.y);
}

void DisplayTools::clear(ui::Window& main) {
    Display(main).setText("");
    state_.txCount = 0;
    state_.rxCount = 0;
    main["状态条1"].setPanelText(1, "TX:0");
    main["状态条1"].setPanelText(0, "RX:0");
}

void DisplayTools::copy(ui::Window& main) {
    const std::string selected = Display(main).selectedText();
    if (!selected.empty()) platform_.setClipboardText(selected);
}

void DisplayTools::save(ui::Window& main) {
    // The dialog opens in the user's home folder (the current folder without one).
    const char* home = std::getenv("HOME");
    const std::string initial = home ? store::Utf8ToGbk(home) : std::string(".");
    const auto path = main["通用对话框1"].showSaveDialog(kSaveFilter, initial);
    if (!path) return;
    const std::string text = Display(main).text();
    std::ofstream out(store::NativeFileName(*path), std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace vorta::receive
