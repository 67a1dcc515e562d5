// The capture window: where the continuous capture goes, when it rotates and
// whether the display's text goes beside it, two display options, and a file to send. Opened from the display's menu.
#include "ui/windows/window_defs.h"

#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

// clang-format off
namespace vorta::ui {
namespace {

using namespace capture;

constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kBlack = Rgb(0, 0, 0);

ControlDef Field(ControlId<Control> name, Rect rect, Text labelledBy, Text accessibleName = {}) {
    return {.name = name, .kind = Kind::Edit, .rect = rect, .textColour = kBlack, .backColour = kWhite,
            .border = Border::Sunken, .labelledBy = std::move(labelledBy), .accessibleName = std::move(accessibleName)};
}

// "浏览…" beside a field; a screen reader hears the field's label with it.
ControlDef Browse(ControlId<Control> name, int top, Text labelledBy) {
    return {.name = name, .kind = Kind::Button, .rect = {316, top, 60, 26}, .text = "浏览…"_gbk,
            .labelledBy = std::move(labelledBy)};
}

std::vector<ControlDef> Controls() {
    return {
        {.name = kCaptureFileLabel, .kind = Kind::Label, .rect = {8, 12, 64, 20}, .text = "捕获文件："_gbk},
        Field(kCaptureFile, {74, 10, 236, 22}, kCaptureFileLabel),
        Browse(kBrowseCaptureFile, 8, kCaptureFileLabel),
        {.name = kCaptureStartStop, .kind = Kind::Button, .rect = {382, 8, 76, 26}, .text = "开始捕获"_gbk},
        {.name = kRotateLabel, .kind = Kind::Label, .rect = {8, 42, 64, 20}, .text = "每"_gbk},
        Field(kRotateMegabytes, {74, 40, 50, 22}, kRotateLabel, "每多少 MB 换一个新文件"_gbk),
        {.name = kRotateUnit, .kind = Kind::Label, .rect = {130, 42, 240, 20}, .text = "MB 换一个新文件（0：不换）"_gbk},
        {.name = kShownText, .kind = Kind::CheckBox, .rect = {8, 72, 450, 20}, .text = "同时把显示的文本写入捕获文件名加 .txt 的文件"_gbk},
        {.name = kTimestamps, .kind = Kind::CheckBox, .rect = {8, 102, 150, 20}, .text = "每行前显示时间"_gbk},
        {.name = kHexWithText, .kind = Kind::CheckBox, .rect = {170, 102, 200, 20}, .text = "16进制旁显示文本"_gbk},
        {.name = kSendFileLabel, .kind = Kind::Label, .rect = {8, 136, 64, 20}, .text = "发送文件："_gbk},
        Field(kSendFile, {74, 134, 236, 22}, kSendFileLabel),
        Browse(kBrowseSendFile, 132, kSendFileLabel),
        {.name = kSendFileStartStop, .kind = Kind::Button, .rect = {382, 132, 76, 26}, .text = "发送文件"_gbk},
        {.name = kFileDialog, .kind = Kind::FileDialog},
    };
}

}  // namespace

const WindowDef& CaptureWindowDef() {
    static const WindowDef def{
        .name = Text(capture::kWindowName),
        .title = "捕获与发送文件"_gbk,
        .rect = {0, 0, 476, 204},
        .centred = true,
        .resizable = false,
        .minimiseButton = true,
        .maximiseButton = false,
        .escCloses = true,
        .dragMoves = false,
        .controls = Controls(),
        .bindings = {
            {{}, Event::Created, action::kCaptureCreated},
            {kCaptureFile, Event::ContentChanged, action::kCaptureOptionEdited},
            {kRotateMegabytes, Event::ContentChanged, action::kCaptureOptionEdited},
            {kSendFile, Event::ContentChanged, action::kCaptureOptionEdited},
            {kCaptureStartStop, Event::Clicked, action::kCaptureStartStop},
            {kBrowseCaptureFile, Event::Clicked, action::kBrowseCaptureFile},
            {kShownText, Event::Clicked, action::kDisplayOptionClicked},
            {kTimestamps, Event::Clicked, action::kDisplayOptionClicked},
            {kHexWithText, Event::Clicked, action::kDisplayOptionClicked},
            {kBrowseSendFile, Event::Clicked, action::kBrowseSendFile},
            {kSendFileStartStop, Event::Clicked, action::kSendFileStartStop},
        },
    };
    return def;
}

}  // namespace vorta::ui
// clang-format on
