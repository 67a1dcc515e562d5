// The batch command generator window: output box, layout choice and the
// address, channel-count and module-type controls with their buttons.
#include "ui/windows/window_defs.h"

namespace vorta::ui {
namespace {

constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr Colour kGreen = Rgb(0, 128, 0);

const Text kBody = "03 00 64 00 25";

std::vector<ControlDef> Controls() {
    const Text g = "分组框2";
    return {
        {.name = "图片框1", .kind = Kind::PictureBox, .rect = {5, 3, 2000, 12}, .backColour = kWhite, .logo = true},
        {.name = "编辑框1", .kind = Kind::Edit, .rect = {4, 16, 608, 376}, .text = kBody, .textColour = kGreen,
         .backColour = kWhite, .font = {.pixelHeight = 16}, .border = Border::Sunken, .multiLine = true,
         .wordWrap = true, .vScroll = true},
        {.name = "单选框_默认数据", .kind = Kind::RadioButton, .rect = {16, 394, 80, 24}, .text = "默认数据",
         .checked = true},
        {.name = "单选框_自定义数据", .kind = Kind::RadioButton, .rect = {104, 394, 88, 24}, .text = "自定义数据"},
        {.name = g, .kind = Kind::GroupBox, .rect = {2, 413, 614, 50}},
        // Ten blanks put "至" between the two address boxes, which lie over the label.
        {.name = "标签_发送地址", .kind = Kind::Label, .parent = g, .rect = {12, 17, 141, 20},
         .text = "发送地址：          至"},
        // The address texts and the list selections are design values; the
        // window's created handler replaces them from the settings.
        {.name = "组合框_地址起", .kind = Kind::ComboBox, .parent = g, .rect = {77, 17, 53, 20}, .text = "1",
         .editable = true, .maxLength = 3},
        {.name = "组合框_地址终", .kind = Kind::ComboBox, .parent = g, .rect = {148, 17, 53, 20}, .text = "0",
         .editable = true, .maxLength = 3},
        // Shown instead of the two lists below while "自定义数据" is chosen.
        {.name = "编辑框_自定义数据", .kind = Kind::Edit, .parent = g, .rect = {221, 17, 177, 20}, .text = kBody,
         .visible = false, .textColour = kBlack, .backColour = kWhite, .border = Border::Sunken},
        {.name = "组合框_路数", .kind = Kind::ComboBox, .parent = g, .rect = {222, 17, 48, 20},
         .items = {"1路", "4路", "9路"}, .selectedIndex = 2},
        {.name = "组合框_模块类型", .kind = Kind::ComboBox, .parent = g, .rect = {286, 17, 74, 20},
         .items = {"Q58模块", "Q20模块"}, .selectedIndex = 0},
        {.name = "按钮_生成", .kind = Kind::Button, .parent = g, .rect = {410, 12, 77, 32}, .text = "生成数据"},
        {.name = "按钮_加入", .kind = Kind::Button, .parent = g, .rect = {495, 12, 50, 32}, .text = "加入"},
        {.name = "按钮_关闭", .kind = Kind::Button, .parent = g, .rect = {552, 11, 50, 32}, .text = "关闭"},
    };
}

std::vector<BindingDef> Bindings() {
    return {
        {"", Event::Created, "GeneratorCreated"},
        {"组合框_模块类型", Event::ListItemSelected, "ModuleTypeSelected"},
        {"组合框_路数", Event::ListItemSelected, "SaveChannelCount"},
        {"组合框_地址起", Event::ListItemSelected, "FirstAddressChanged"},
        {"组合框_地址起", Event::EditTextChanged, "FirstAddressChanged"},
        {"组合框_地址终", Event::ListItemSelected, "LastAddressChanged"},
        {"组合框_地址终", Event::LostFocus, "LastAddressChanged"},
        {"单选框_默认数据", Event::Clicked, "DefaultLayoutClicked"},
        {"单选框_自定义数据", Event::Clicked, "CustomLayoutClicked"},
        {"按钮_生成", Event::Clicked, "GenerateLines"},
        {"按钮_加入", Event::Clicked, "AddToAutoSendList"},
        {"按钮_关闭", Event::Clicked, "CloseGenerator"},
    };
}

}  // namespace

const WindowDef& GeneratorWindowDef() {
    static const WindowDef def{
        .name = "generator",
        .title = "批量发送数据生成窗口",
        .rect = {50, 50, 625, 500},  // always centred; the design position is not used
        .centred = true,
        .resizable = false,
        .minimiseButton = false,
        .maximiseButton = false,
        .escCloses = true,
        .dragMoves = false,
        .controls = Controls(),
        .bindings = Bindings(),
    };
    return def;
}

}  // namespace vorta::ui
