#pragma once
// The receive display as the user's workbench: the conversion balloon on
// releasing the left button, the context menu (merge to decimal, clear,
// delete, select all, cut, copy, paste), and the clear and save buttons.
#include "base/worker.h"
#include "receive/background_file_writer.h"
#include "receive/conversion_texts.h"
#include "main_window/app_state.h"
#include "ui/model.h"
#include "ui/platform.h"
#include "codec/gbk_literal.h"

namespace vorta::receive {

class DisplayTools {
public:
    // Registers "DisplayLeftReleased", "DisplayRightReleased", "MergeToDecimal",
    // "ClearDisplay", "DeleteSelection", "SelectAll", "CutSelection",
    // "CopySelection", "PasteClipboard" and "SaveDisplay".
    DisplayTools(ui::Model& model, ui::Platform& platform, main_window::AppState& state);

    static constexpr const char* kSaveFilter = "文本文档（*.txt）|*.txt|word文档（*.doc）|*.doc"_gbk;
    // A display up to this size is saved before the click returns; a larger one
    // is written on a thread of its own from a snapshot taken at the click.
    static constexpr std::size_t kSaveAtOnceBytes = 1 << 20;
    // Returns when every file saved so far is complete (a failure's note is then
    // posted). The program's exit calls it: destroying the tools abandons a save.
    void waitForSaves() { writer_.waitUntilDone(); }
    // A selection whose balloon needs more than this many bytes read (one piece
    // longer than that, which only its whole decides) is worked out on a thread of
    // its own, and the balloon appears where the click was once it is ready. A
    // later click, a clear or the tools' end stop it.
    static constexpr std::size_t kToolAtOnceBytes = 1 << 20;

private:
    // ConversionBalloonTextWithin or MergeToDecimalTextWithin.
    using ToolText = std::optional<std::optional<std::string>> (*)(std::size_t, const ReadStart&, std::size_t,
                                                                   std::size_t, const std::stop_token&);
    void showToolText(ui::Window& main, ToolText toolText);
    void popupMenu(ui::Window& main);
    void clear(ui::Window& main);
    void copy(ui::Window& main);
    void save(ui::Window& main);

    ui::Model& model_;
    ui::Platform& platform_;
    main_window::AppState& state_;
    base::Worker toolJob_;  // the balloon of a long selection; only the latest click's counts
    BackgroundFileWriter writer_;
};

}  // namespace vorta::receive
