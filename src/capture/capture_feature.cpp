#include "capture/capture_feature.h"

#include <cstdio>
#include <cstdlib>

#include "codec/gbk_convert.h"
#include "codec/gbk_text.h"
#include "store/app_paths.h"
#include "store/settings_file.h"
#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "ui/windows/window_defs.h"
#include "codec/gbk_literal.h"

namespace vorta::capture {
namespace {

namespace ids = ui::capture;
constexpr const char* kSection = "捕获"_gbk;
constexpr const char* kTrue = "真"_gbk;
constexpr const char* kFalse = "假"_gbk;

// Each edit box of the window and the key it is kept under.
struct EditOption {
    ui::ControlId<ui::Control> box;
    const char* key;
};
const EditOption kEditOptions[] = {
    {ids::kCaptureFile, "文件"_gbk}, {ids::kRotateMegabytes, "分割MB"_gbk}, {ids::kSendFile, "发送文件"_gbk}};

std::string DefaultCaptureFile() {
    const char* home = std::getenv("HOME");
    return (home ? codec::Utf8ToGbk(home) : std::string(".")) + "/vorta-capture.bin";
}

}  // namespace

std::string SizeText(std::uint64_t bytes) {
    char text[32];
    if (bytes < std::uint64_t{1024} * 1024)
        std::snprintf(text, sizeof text, "%llu KB", static_cast<unsigned long long>(bytes / 1024));
    else
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

CaptureFeature::CaptureFeature(ui::Model& model, main_window::AppState& state, transmit::FileSend::Write write,
                               MakeSink makeSink)
    : model_(model), state_(state), fileSend_(model, state, std::move(write)), makeSink_(std::move(makeSink)) {
    namespace a = ui::action;
    model.registerAction(a::kOpenCaptureWindow, [this](ui::Control&, const ui::EventArgs&) { open(); });
    model.registerAction(a::kCaptureCreated, [this](ui::Control& c, const ui::EventArgs&) { created(c.window()); });
    model.registerAction(a::kCaptureOptionEdited, [this](ui::Control& c, const ui::EventArgs&) { saveEdited(c); });
    model.registerAction(a::kCaptureStartStop, [this](ui::Control&, const ui::EventArgs&) { startStop(); });
    model.registerAction(a::kDisplayOptionClicked,
                         [this](ui::Control& c, const ui::EventArgs&) { displayOptionClicked(c.as<ui::CheckBox>()); });
    model.registerAction(a::kSendFileStartStop, [this](ui::Control&, const ui::EventArgs&) { sendFileStartStop(); });
    model.registerAction(a::kBrowseCaptureFile, [this](ui::Control&, const ui::EventArgs&) { browseCaptureFile(); });
    model.registerAction(a::kBrowseSendFile, [this](ui::Control&, const ui::EventArgs&) { browseSendFile(); });
}

// The writer writes what is left and closes the file; the display no longer reaches it.
CaptureFeature::~CaptureFeature() { setDisplayTap(false); }

void CaptureFeature::attach(ui::Window& main) {
    state_.timestamps = setting("时间戳"_gbk, kFalse) == kTrue;
    main[ui::main::kDisplay].setTextBesideHex(setting("旁显文本"_gbk, kFalse) == kTrue);
    main.onWindow(ui::Event::Destroying, [this](ui::Control&, const ui::EventArgs&) {
        if (ui::Window* w = model_.window(ids::kWindowName)) w->close();
        fileSend_.cancel();
    });
}

void CaptureFeature::received(std::string_view bytes, std::int64_t micros) {
    if (writer_) writer_->add(Direction::Received, micros, bytes);
}

void CaptureFeature::sent(std::string_view bytes, std::int64_t micros) {
    if (writer_) writer_->add(Direction::Sent, micros, bytes);
}

void CaptureFeature::open() {
    if (ui::Window* w = model_.window(ids::kWindowName)) {
        w->activate();
        return;
    }
    model_.openWindow(ui::CaptureWindowDef(), false);
}

void CaptureFeature::created(ui::Window& window) {
    window[ids::kCaptureFile].setText(setting("文件"_gbk, DefaultCaptureFile()));
    window[ids::kRotateMegabytes].setText(setting("分割MB"_gbk, "0"));
    window[ids::kSendFile].setText(setting("发送文件"_gbk, ""));
    window[ids::kTimestamps].setChecked(state_.timestamps);
    window[ids::kHexWithText].setChecked(setting("旁显文本"_gbk, kFalse) == kTrue);
    window[ids::kShownText].setChecked(setting("显示文本"_gbk, kFalse) == kTrue);
    window[ids::kCaptureStartStop].setText(capturing() ? "停止捕获"_gbk : "开始捕获"_gbk);
    window[ids::kSendFileStartStop].setText(fileSend_.running() ? "取消发送"_gbk : "发送文件"_gbk);
}

void CaptureFeature::saveEdited(ui::Control& box) {
    for (const EditOption& o : kEditOptions)
        if (box.name() == o.box.name) save(o.key, box.text());
}

void CaptureFeature::displayOptionClicked(ui::CheckBox& box) {
    if (box.name() == ids::kTimestamps.name) {
        state_.timestamps = box.checked();
        save("时间戳"_gbk, box.checked() ? kTrue : kFalse);
    } else if (box.name() == ids::kShownText.name) {
        save("显示文本"_gbk, box.checked() ? kTrue : kFalse);  // taken by the next capture
    } else {
        if (ui::Window* main = model_.window(ui::main::kWindowName))
            (*main)[ui::main::kDisplay].setTextBesideHex(box.checked());
        save("旁显文本"_gbk, box.checked() ? kTrue : kFalse);
    }
}

void CaptureFeature::startStop() {
    if (capturing())
        stop("  → 捕获已停止："_gbk + capturePath_ + "\r\n");
    else
        start();
}

void CaptureFeature::start() {
    ui::Window* window = model_.window(ids::kWindowName);
    if (!window) return;
    capturePath_ = (*window)[ids::kCaptureFile].text();
    const std::int64_t megabytes = codec::TextToInt((*window)[ids::kRotateMegabytes].text());
    const std::uint64_t rotate = megabytes > 0 ? static_cast<std::uint64_t>(megabytes) << 20 : 0;
    const bool shownText = (*window)[ids::kShownText].checked();
    auto writer = std::make_unique<CaptureWriter>(
        model_.loop(), store::NativeFileName(capturePath_), rotate, shownText,
        [this](const CaptureWriter::Progress& p) { progress(p); }, makeSink_);
    if (const std::string cause = writer->start(); !cause.empty()) {
        note("  → 捕获未能开始：无法写入 "_gbk + capturePath_ + "（"_gbk + cause + "）。\r\n"_gbk);
        return;
    }
    writer_ = std::move(writer);
    setDisplayTap(shownText);
    setCaption(ids::kCaptureStartStop, "停止捕获"_gbk);
    if (ui::Window* main = model_.window(ui::main::kWindowName))
        (*main)[ui::main::kStatusBar].setPanelText(kCapturePanel, "捕获 "_gbk + SizeText(0));
    note("  → 捕获开始："_gbk + capturePath_ + "\r\n");
}

void CaptureFeature::stop(const std::string& text) {
    setDisplayTap(false);
    writer_.reset();
    setCaption(ids::kCaptureStartStop, "开始捕获"_gbk);
    if (ui::Window* main = model_.window(ui::main::kWindowName))
        (*main)[ui::main::kStatusBar].setPanelText(kCapturePanel, "");
    note(text);
}

void CaptureFeature::progress(const CaptureWriter::Progress& p) {
    if (!p.error.empty()) {
        stop("  → 捕获已停止：写入 "_gbk + codec::Utf8ToGbk(p.path) + " 失败（"_gbk + p.error +
             "），文件保留到出错之前。\r\n"_gbk);
        return;
    }
    if (ui::Window* main = model_.window(ui::main::kWindowName))
        (*main)[ui::main::kStatusBar].setPanelText(kCapturePanel, "捕获 "_gbk + SizeText(p.bytesWritten));
}

// Every program write into the display also goes to the text file, from the text
// at hand: the display is not read back, and nothing is added while no capture runs.
void CaptureFeature::setDisplayTap(bool on) {
    ui::Window* main = model_.window(ui::main::kWindowName);
    if (!main) return;
    ui::RichTextBox& display = (*main)[ui::main::kDisplay];
    if (on && writer_)
        display.setAppendTap([writer = writer_.get()](std::string_view text) { writer->addShown(text); });
    else
        display.setAppendTap(nullptr);
}

namespace {

// The folder of a path the user wrote (GBK), for a dialog to open in; home without one.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) return slash == 0 ? "/" : path.substr(0, slash);
    const char* home = std::getenv("HOME");
    return home ? codec::Utf8ToGbk(home) : std::string(".");
}

}  // namespace

void CaptureFeature::browseCaptureFile() {
    browseInto(ids::kCaptureFile, &ui::FileDialog::showSaveDialog, "捕获文件（*.bin）|*.bin|所有文件（*）|*"_gbk);
}

void CaptureFeature::browseSendFile() {
    browseInto(ids::kSendFile, &ui::FileDialog::showOpenDialog, "所有文件（*）|*|文本文档（*.txt）|*.txt"_gbk);
}

void CaptureFeature::browseInto(ui::ControlId<ui::Control> fieldId, FileDialogShow show, const std::string& filter) {
    ui::Window* window = model_.window(ids::kWindowName);
    if (!window) return;
    ui::Control& field = (*window)[fieldId];
    const auto path = ((*window)[ids::kFileDialog].*show)(filter, FolderOf(field.text()));
    if (path) field.setText(*path);  // saved as the user's typing is
}

void CaptureFeature::sendFileStartStop() {
    if (fileSend_.running()) {
        fileSend_.cancel();
        return;
    }
    ui::Window* window = model_.window(ids::kWindowName);
    ui::Window* main = model_.window(ui::main::kWindowName);
    if (!window || !main) return;
    const std::string path = store::NativeFileName((*window)[ids::kSendFile].text());
    if (fileSend_.start(*main, path, [this] { setCaption(ids::kSendFileStartStop, "发送文件"_gbk); }))
        setCaption(ids::kSendFileStartStop, "取消发送"_gbk);
}

void CaptureFeature::note(const std::string& text) {
    if (ui::Window* main = model_.window(ui::main::kWindowName)) {
        ui::RichTextBox& display = (*main)[ui::main::kDisplay];
        display.append(text, state_.noteFormat);
        display.scrollToEnd();
    }
}

void CaptureFeature::setCaption(ui::ControlId<ui::Control> id, const char* text) {
    if (ui::Window* w = model_.window(ids::kWindowName)) (*w)[id].setText(text);
}

std::string CaptureFeature::setting(const char* key, const std::string& fallback) const {
    return store::ReadSetting(state_.settingsPath, kSection, key, fallback);
}

void CaptureFeature::save(const char* key, const std::string& value) {
    state_.failureNotes.report(store::WriteSetting(state_.settingsPath, kSection, key, value));
}

}  // namespace vorta::capture
