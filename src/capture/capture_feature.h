#pragma once
// The capture window's behaviour: the continuous capture (started, stopped,
// ended by a failure with a note), with the display's text beside it when
// asked, its options and the display options, all kept under the settings
// file's section "捕获", and sending a file. The capture's size shows in
// status-bar panel 3 while it runs.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "capture/capture_writer.h"
#include "main_window/app_state.h"
#include "transmit/file_send.h"
#include "ui/model.h"

namespace vorta::capture {

class CaptureFeature {
public:
    static constexpr int kCapturePanel = 3;

    // Registers the capture window's actions and the menu item that opens it.
    // The capture's files are made by `makeSink` (files on the disk unless a test says otherwise).
    CaptureFeature(ui::Model& model, main_window::AppState& state, transmit::FileSend::Write write,
                   MakeSink makeSink = DiskFile);
    ~CaptureFeature();

    // Reads the display options; call once the main window exists.
    void attach(ui::Window& main);
    // Every chunk as it crosses the wire, with the time it did.
    void received(std::string_view bytes, std::int64_t micros);
    void sent(std::string_view bytes, std::int64_t micros);
    bool capturing() const { return writer_ != nullptr; }

    void startStop();
    void sendFileStartStop();

private:
    void open();
    void created(ui::Window& window);
    void saveEdited(ui::Control& box);
    void displayOptionClicked(ui::CheckBox& box);
    void browseCaptureFile();
    void browseSendFile();
    // The file dialog, opened in the folder of the field's path, writes the chosen path into the field.
    using FileDialogShow = std::optional<ui::Text> (ui::FileDialog::*)(const ui::Text&, const ui::Text&);
    void browseInto(ui::ControlId<ui::Control> fieldId, FileDialogShow show, const std::string& filter);
    void start();
    void stop(const std::string& note);
    void setDisplayTap(bool on);
    void progress(const CaptureWriter::Progress& p);
    void note(const std::string& text);
    void setCaption(ui::ControlId<ui::Control> id, const char* text);
    std::string setting(const char* key, const std::string& fallback) const;
    void save(const char* key, const std::string& value);

    ui::Model& model_;
    main_window::AppState& state_;
    transmit::FileSend fileSend_;
    MakeSink makeSink_;
    std::unique_ptr<CaptureWriter> writer_;
    std::string capturePath_;  // GBK, as the user wrote it
};

// "12.3 MB", "512 KB": a capture's size in the status bar.
std::string SizeText(std::uint64_t bytes);

}  // namespace vorta::capture
