#include "receive/display_tools.h"

#include <cerrno>
#include <cstdlib>

#include "store/app_paths.h"
#include "receive/conversion_texts.h"
#include "receive/saved_text.h"
#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

namespace vorta::receive {
namespace {

using namespace ui::main;
namespace action = ui::action;

ui::RichTextBox& Display(ui::Window& main) { return main[kDisplay]; }

// The selection's start as the tools read it, without copying the rest of a large selection.
ReadStart ReadFrom(const ui::TextSnapshot& selection) {
    return [&selection](std::size_t n) { return selection.bytes(n); };
}

// The note of a save that left the file as it was, by what stopped it.
std::string SaveFailureNote(const store::WriteResult& result) {
    static constexpr const char* kFull = "  → 保存失败！磁盘已满，文件未改动。\r\n"_gbk;
    static constexpr const char* kNoPermission = "  → 保存失败！没有写入权限，文件未改动。\r\n"_gbk;
    static constexpr const char* kCannot = "  → 保存失败！无法写入，文件未改动。\r\n"_gbk;
    switch (result.cause) {
    case store::WriteCause::DiskFull: return kFull;
    case store::WriteCause::NoPermission:
    case store::WriteCause::ReadOnlyDisk:
    case store::WriteCause::OthersFile: return kNoPermission;
    // The settings file leaves these alone in silence; a save the user asked
    // for says why: a read-only file or another user's link is a permission.
    case store::WriteCause::Declined: return result.error == EACCES || result.error == EPERM ? kNoPermission : kCannot;
    case store::WriteCause::Failed: return result.error == EFBIG ? kFull : kCannot;
    default: return kCannot;
    }
}

}  // namespace

DisplayTools::DisplayTools(ui::Model& model, ui::Platform& platform, main_window::AppState& state)
    : model_(model), platform_(platform), state_(state), toolJob_(model.loop()), writer_(model.loop()) {
    auto on = [&model](ui::ActionId name, auto handler) {
        model.registerAction(name, [handler](ui::Control& c, const ui::EventArgs&) { handler(c.window()); });
    };
    on(action::kDisplayLeftReleased, [this](ui::Window& w) { showToolText(w, ConversionBalloonTextWithin); });
    on(action::kMergeToDecimal, [this](ui::Window& w) { showToolText(w, MergeToDecimalTextWithin); });
    on(action::kDisplayRightReleased, [this](ui::Window& w) { popupMenu(w); });
    on(action::kClearDisplay, [this](ui::Window& w) { clear(w); });
    on(action::kDeleteSelection, [](ui::Window& w) { Display(w).deleteSelection(); });
    on(action::kSelectAll, [](ui::Window& w) {
        ui::RichTextBox& display = Display(w);
        display.setSelection(ui::UnitPos(0), display.rich().unitCount());
    });
    on(action::kCopySelection, [this](ui::Window& w) { copy(w); });
    on(action::kCutSelection, [this](ui::Window& w) {
        copy(w);
        Display(w).deleteSelection();
    });
    on(action::kPasteClipboard, [this](ui::Window& w) {
        if (auto text = platform_.clipboardText()) Display(w).replaceSelection(*text);
    });
    on(action::kSaveDisplay, [this](ui::Window& w) { save(w); });
}

void DisplayTools::showToolText(ui::Window& main, ToolText toolText) {
    toolJob_.cancel();  // a balloon still being worked out for an earlier click is stale now
    const ui::TextSnapshot selection = Display(main).rich().selectionSnapshot();
    const ui::Point at = platform_.cursorPos();
    auto show = [&main, at](const std::string& text) { main[kBalloon].show(at.x, at.y, text); };
    if (auto text = toolText(selection.size(), ReadFrom(selection), kToolAtOnceBytes, kFirstRead, {})) {
        if (*text) show(**text);
        return;
    }
    toolJob_.run([selection, toolText, show](const std::stop_token& stop) -> base::Worker::Done {
        auto text = toolText(selection.size(), ReadFrom(selection), selection.size(), kFirstRead, stop);
        if (!text || !*text) return nullptr;  // stopped, or nothing to show
        return [show, text = std::move(**text)] { show(text); };
    });
}

void DisplayTools::popupMenu(ui::Window& main) {
    // Read in place: copying a large display's text just to test it would stall the menu.
    const ui::RichText& display = Display(main).rich();
    const bool noSelection = display.selectionStart() == display.selectionEnd();
    const bool empty = display.empty();
    for (auto item : {kCopyItem, kDeleteItem, kCutItem, kMergeToDecimalItem}) main[item].setDisabled(noSelection);
    for (auto item : {kClearItem, kSelectAllItem}) main[item].setDisabled(empty);
    main[kPasteItem].setDisabled(!platform_.clipboardHasText());
    const ui::Point at = platform_.cursorPos();
    main[kMenu].popup(at.x, at.y);
}

void DisplayTools::clear(ui::Window& main) {
    toolJob_.cancel();
    Display(main).setText("");
    state_.txCount = 0;
    state_.rxCount = 0;
    main[kStatusBar].setPanelText(1, "TX:0");
    main[kStatusBar].setPanelText(0, "RX:0");
}

void DisplayTools::copy(ui::Window& main) {
    // A snapshot: the platform converts the bytes only when a program asks for them.
    const ui::TextSnapshot selected = Display(main).rich().selectionSnapshot();
    if (!selected.empty()) platform_.setClipboardSnapshot(selected);
}

void DisplayTools::save(ui::Window& main) {
    // The dialog opens in the user's home folder (the current folder without one).
    const char* home = std::getenv("HOME");
    const std::string initial = home ? codec::Utf8ToGbk(home) : std::string(".");
    const auto path = main[kSaveDialog].showSaveDialog(kSaveFilter, initial);
    if (!path) return;
    // The display as it is at the click, written after any save still under way.
    const ui::RichText& display = Display(main).rich();
    const ui::TextSnapshot text = display.snapshot(ui::BytePos(0), display.byteCount());
    // The window is looked up when the failure is told: it may be gone by then.
    auto noteFailure = [this, window = main.name()](const store::WriteResult& result) {
        ui::Window* w = model_.window(window);
        if (!w) return;
        ui::RichTextBox& box = Display(*w);
        box.append(SaveFailureNote(result), state_.noteFormat);
        box.scrollToEnd();
    };
    writer_.write(
        store::NativeFileName(*path), [text](const store::PieceSink& sink) { ForEachSavedPiece(text, sink); },
        std::move(noteFailure));
    if (text.size() <= kSaveAtOnceBytes) writer_.waitUntilDone();
}

}  // namespace vorta::receive
