// The byte calculator window: four identical columns (first byte, byte count,
// the picked bytes, the arithmetic steps, the result, an enable box) under a
// hint line, with row labels at the left. No control has a handler: the main
// window's line break reads them.
#include "ui/windows/window_defs.h"

#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

// The tables are laid out by hand, one control per entry.
// clang-format off
namespace vorta::ui {
namespace {

using namespace calculator;

constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr Colour kRed = Rgb(255, 0, 0);

// The combo boxes' tags are stored with them and not used by the logic.
// Each control of a column is named to a screen reader by its column and row.
Text Named(int column, const char* row) { return "第"_gbk + std::to_string(column) + "列"_gbk + row; }

ControlDef Combo(ControlId<ComboBox> name, Rect rect, const char* tag, Text accessibleName) {
    return {.name = name, .kind = Kind::ComboBox, .rect = rect, .tag = tag, .accessibleName = std::move(accessibleName)};
}
ControlDef Field(ControlId<Control> name, Rect rect, Text accessibleName, Text labelledBy = {}) {
    return {.name = name, .kind = Kind::Edit, .rect = rect, .textColour = kBlack, .backColour = kWhite,
            .border = Border::Sunken, .labelledBy = std::move(labelledBy), .accessibleName = std::move(accessibleName)};
}
// Multi-line without scroll bars; lines wrap and Enter is a line break.
ControlDef Steps(ControlId<Control> name, int left, const char* text, Text accessibleName, Text labelledBy = {}) {
    return {.name = name, .kind = Kind::Edit, .rect = {left, 84, 93, 60}, .text = text, .multiLine = true,
            .wordWrap = true, .labelledBy = std::move(labelledBy), .accessibleName = std::move(accessibleName)};
}
ControlDef Separator(ControlId<Control> name, int left) {
    return {.name = name, .kind = Kind::Label, .rect = {left, 23, 1, 195}, .backColour = kWhite,
            .accessibleName = "分隔线"_gbk};
}
ControlDef Enable(ControlId<CheckBox> name, int left, int column) {
    return {.name = name, .kind = Kind::CheckBox, .rect = {left, 189, 48, 20}, .text = "计算"_gbk,
            .accessibleName = Named(column, "计算"_gbk)};
}

std::vector<ControlDef> Controls() {
    const char* kFirst = "起始字节"_gbk;
    const char* kCount = "字节数"_gbk;
    const char* kHex = "16进制"_gbk;
    const char* kSteps = "运算数据"_gbk;
    const char* kResult = "计算结果"_gbk;
    return {
        {.name = kHint, .kind = Kind::Label, .rect = {17, 1, 451, 17},
         .text = "提示：请选择从第几个字节开始，取几个字节参与运算。"_gbk, .textColour = kRed},
        {.name = kHexRowLabel, .kind = Kind::Label, .rect = {1, 50, 53, 17}, .text = "  16进制："_gbk},
        {.name = kStepsRowLabel, .kind = Kind::Label, .rect = {3, 104, 53, 17}, .text = "运算数据："_gbk},
        {.name = kResultRowLabel, .kind = Kind::Label, .rect = {3, 160, 53, 17}, .text = "计算结果："_gbk},
        Separator(kSeparator1, 161), Separator(kSeparator2, 268), Separator(kSeparator3, 375),
        // First byte of each column.
        Combo(kFirstByte1, {63, 22, 40, 20}, "1", Named(1, kFirst)), Combo(kFirstByte2, {169, 22, 40, 20}, "2", Named(2, kFirst)),
        Combo(kFirstByte3, {276, 22, 40, 20}, "3", Named(3, kFirst)), Combo(kFirstByte4, {385, 23, 40, 20}, "4", Named(4, kFirst)),
        // Byte count of each column.
        Combo(kByteCount1, {116, 21, 40, 20}, "5", Named(1, kCount)), Combo(kByteCount2, {222, 21, 40, 20}, "6", Named(2, kCount)),
        Combo(kByteCount3, {329, 21, 40, 20}, "7", Named(3, kCount)), Combo(kByteCount4, {438, 22, 40, 20}, "8", Named(4, kCount)),
        // The picked bytes as hexadecimal digits.
        Field(kHex1, {62, 47, 93, 24}, Named(1, kHex), kHexRowLabel), Field(kHex2, {168, 47, 93, 24}, Named(2, kHex)),
        Field(kHex3, {275, 47, 93, 24}, Named(3, kHex)), Field(kHex4, {384, 48, 93, 24}, Named(4, kHex)),
        // Arithmetic steps; replaced from the settings when the window is created.
        Steps(kSteps1, 62, "/1000", Named(1, kSteps), kStepsRowLabel), Steps(kSteps2, 168, "", Named(2, kSteps)),
        Steps(kSteps3, 275, "", Named(3, kSteps)),
        Steps(kSteps4, 384, "-100000000\r\n+100000000\r\n*100000000\r\n/100000000", Named(4, kSteps)),
        // Results.
        Field(kResult1, {62, 156, 93, 24}, Named(1, kResult), kResultRowLabel), Field(kResult2, {168, 156, 93, 24}, Named(2, kResult)),
        Field(kResult3, {275, 156, 93, 24}, Named(3, kResult)), Field(kResult4, {384, 156, 93, 24}, Named(4, kResult)),
        Enable(kEnable1, 80, 1), Enable(kEnable2, 189, 2), Enable(kEnable3, 299, 3), Enable(kEnable4, 410, 4),
    };
}

}  // namespace

const WindowDef& CalculatorWindowDef() {
    static const WindowDef def{
        .name = Text(calculator::kWindowName),
        .title = "",
        .rect = {0, 0, 518, 248},  // centred on the screen when created
        .centred = true,
        .resizable = false,
        .minimiseButton = false,
        .maximiseButton = false,
        .escCloses = true,
        .dragMoves = false,
        .accessibleName = "计算窗口"_gbk,
        .controls = Controls(),
        .bindings = {{{}, Event::Created, action::kCalculatorCreated}, {{}, Event::Destroying, action::kCalculatorDestroying}},
    };
    return def;
}

}  // namespace vorta::ui
// clang-format on
