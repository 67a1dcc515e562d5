// The byte calculator window: four identical columns (first byte, byte count,
// the picked bytes, the arithmetic steps, the result, an enable box) under a
// hint line, with row labels at the left. No control has a handler: the main
// window's line break reads them.
#include "ui/windows/window_defs.h"

namespace vorta::ui {
namespace {

constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr Colour kRed = Rgb(255, 0, 0);

// The combo boxes' tags are stored with them and not used by the logic.
ControlDef Combo(const char* name, Rect rect, const char* tag) {
    return {.name = name, .kind = Kind::ComboBox, .rect = rect, .tag = tag};
}
ControlDef Field(const char* name, Rect rect) {
    return {.name = name, .kind = Kind::Edit, .rect = rect, .textColour = kBlack, .backColour = kWhite,
            .border = Border::Sunken};
}
// Multi-line without scroll bars; lines wrap and Enter is a line break.
ControlDef Steps(const char* name, int left, const char* text) {
    return {.name = name, .kind = Kind::Edit, .rect = {left, 84, 93, 60}, .text = text, .multiLine = true,
            .wordWrap = true};
}
ControlDef Separator(const char* name, int left) {
    return {.name = name, .kind = Kind::Label, .rect = {left, 23, 1, 195}, .backColour = kWhite};
}
ControlDef Enable(const char* name, int left) {
    return {.name = name, .kind = Kind::CheckBox, .rect = {left, 189, 48, 20}, .text = "计算"};
}

std::vector<ControlDef> Controls() {
    return {
        {.name = "标签1", .kind = Kind::Label, .rect = {17, 1, 451, 17},
         .text = "提示：请选择从第几个字节开始，取几个字节参与运算。", .textColour = kRed},
        {.name = "标签6", .kind = Kind::Label, .rect = {1, 50, 53, 17}, .text = "  16进制："},
        {.name = "标签2", .kind = Kind::Label, .rect = {3, 104, 53, 17}, .text = "运算数据："},
        {.name = "标签3", .kind = Kind::Label, .rect = {3, 160, 53, 17}, .text = "计算结果："},
        Separator("标签4", 161), Separator("标签5", 268), Separator("标签7", 375),
        // First byte of each column.
        Combo("组合框_1", {63, 22, 40, 20}, "1"), Combo("组合框_2", {169, 22, 40, 20}, "2"),
        Combo("组合框_3", {276, 22, 40, 20}, "3"), Combo("组合框_4", {385, 23, 40, 20}, "4"),
        // Byte count of each column.
        Combo("组合框_5", {116, 21, 40, 20}, "5"), Combo("组合框_6", {222, 21, 40, 20}, "6"),
        Combo("组合框_7", {329, 21, 40, 20}, "7"), Combo("组合框_8", {438, 22, 40, 20}, "8"),
        // The picked bytes as hexadecimal digits.
        Field("编辑框161", {62, 47, 93, 24}), Field("编辑框162", {168, 47, 93, 24}),
        Field("编辑框163", {275, 47, 93, 24}), Field("编辑框164", {384, 48, 93, 24}),
        // Arithmetic steps; replaced from the settings when the window is created.
        Steps("编辑框3", 62, "/1000"), Steps("编辑框4", 168, ""), Steps("编辑框5", 275, ""),
        Steps("编辑框6", 384, "-100000000\r\n+100000000\r\n*100000000\r\n/100000000"),
        // Results.
        Field("编辑框8", {62, 156, 93, 24}), Field("编辑框10", {168, 156, 93, 24}),
        Field("编辑框11", {275, 156, 93, 24}), Field("编辑框12", {384, 156, 93, 24}),
        Enable("选择框1", 80), Enable("选择框2", 189), Enable("选择框3", 299), Enable("选择框4", 410),
    };
}

}  // namespace

const WindowDef& CalculatorWindowDef() {
    static const WindowDef def{
        .name = "calculator",
        .title = "",
        .rect = {0, 0, 518, 248},  // centred on the screen when created
        .centred = true,
        .resizable = false,
        .minimiseButton = false,
        .maximiseButton = false,
        .escCloses = true,
        .dragMoves = false,
        .controls = Controls(),
        .bindings = {{"", Event::Created, "CalculatorCreated"}, {"", Event::Destroying, "CalculatorDestroying"}},
    };
    return def;
}

}  // namespace vorta::ui
