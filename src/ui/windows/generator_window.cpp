// The batch command generator window: output box, layout choice and the
// address, channel-count and module-type controls with their buttons.
#include "ui/windows/window_defs.h"

#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

// The tables are laid out by hand, one control per entry.
// clang-format off
namespace vorta::ui {
namespace {

using namespace generator;

constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr Colour kGreen = Rgb(0, 128, 0);

const Text kBody = "03 00 64 00 25";

std::vector<ControlDef> Controls() {
    const Text g = kGroup;
    return {
        {.name = kLogo, .kind = Kind::PictureBox, .rect = {5, 3, 2000, 12}, .backColour = kWhite, .logo = true,
         .accessibleName = "Vorta 标志"_gbk},
        {.name = kOutput, .kind = Kind::Edit, .rect = {4, 16, 608, 376}, .text = kBody, .textColour = kGreen,
         .backColour = kWhite, .font = {.pixelHeight = 16}, .border = Border::Sunken, .multiLine = true,
         .wordWrap = true, .vScroll = true, .accessibleName = "生成的数据"_gbk},
        {.name = kDefaultLayout, .kind = Kind::RadioButton, .rect = {16, 394, 80, 24}, .text = "默认数据"_gbk,
         .checked = true},
        {.name = kCustomLayout, .kind = Kind::RadioButton, .rect = {104, 394, 88, 24}, .text = "自定义数据"_gbk},
        {.name = g, .kind = Kind::GroupBox, .rect = {2, 413, 614, 50}, .accessibleName = "生成设置"_gbk},
        // Ten blanks put "至" between the two address boxes, which lie over the label.
        {.name = kAddressLabel, .kind = Kind::Label, .parent = g, .rect = {12, 17, 141, 20},
         .text = "发送地址：          至"_gbk},
        // The address texts and the list selections are design values; the
        // window's created handler replaces them from the settings.
        {.name = kFirstAddress, .kind = Kind::ComboBox, .parent = g, .rect = {77, 17, 53, 20}, .text = "1",
         .editable = true, .maxLength = 3, .accessibleName = "起始地址"_gbk},
        {.name = kLastAddress, .kind = Kind::ComboBox, .parent = g, .rect = {148, 17, 53, 20}, .text = "0",
         .editable = true, .maxLength = 3, .accessibleName = "结束地址"_gbk},
        // Shown instead of the two lists below while "自定义数据" is chosen.
        {.name = kCustomBody, .kind = Kind::Edit, .parent = g, .rect = {221, 17, 177, 20}, .text = kBody,
         .visible = false, .textColour = kBlack, .backColour = kWhite, .border = Border::Sunken,
         .accessibleName = "自定义数据"_gbk},
        {.name = kChannelCount, .kind = Kind::ComboBox, .parent = g, .rect = {222, 17, 48, 20},
         .items = {"1路"_gbk, "4路"_gbk, "9路"_gbk}, .selectedIndex = 2,
         .accessibleName = "路数"_gbk},
        {.name = kModuleType, .kind = Kind::ComboBox, .parent = g, .rect = {286, 17, 74, 20},
         .items = {"Q58模块"_gbk, "Q20模块"_gbk}, .selectedIndex = 0,
         .accessibleName = "模块类型"_gbk},
        {.name = kGenerate, .kind = Kind::Button, .parent = g, .rect = {410, 12, 77, 32}, .text = "生成数据"_gbk},
        {.name = kAdd, .kind = Kind::Button, .parent = g, .rect = {495, 12, 50, 32}, .text = "加入"_gbk},
        {.name = kClose, .kind = Kind::Button, .parent = g, .rect = {552, 11, 50, 32}, .text = "关闭"_gbk},
    };
}

std::vector<BindingDef> Bindings() {
    return {
        {{}, Event::Created, action::kGeneratorCreated},
        {kModuleType, Event::ListItemSelected, action::kModuleTypeSelected},
        {kChannelCount, Event::ListItemSelected, action::kSaveChannelCount},
        {kFirstAddress, Event::ListItemSelected, action::kFirstAddressChanged},
        {kFirstAddress, Event::EditTextChanged, action::kFirstAddressChanged},
        {kLastAddress, Event::ListItemSelected, action::kLastAddressChanged},
        {kLastAddress, Event::LostFocus, action::kLastAddressChanged},
        {kDefaultLayout, Event::Clicked, action::kDefaultLayoutClicked},
        {kCustomLayout, Event::Clicked, action::kCustomLayoutClicked},
        {kGenerate, Event::Clicked, action::kGenerateLines},
        {kAdd, Event::Clicked, action::kAddToAutoSendList},
        {kClose, Event::Clicked, action::kCloseGenerator},
    };
}

}  // namespace

const WindowDef& GeneratorWindowDef() {
    static const WindowDef def{
        .name = Text(generator::kWindowName),
        .title = "批量发送数据生成窗口"_gbk,
        .rect = {50, 50, 625, 500},  // always centred; the design position is not used
        .centred = true,
        .resizable = false,
        .minimiseButton = false,
        .maximiseButton = false,
        .escCloses = true,
        .dragMoves = false,
        .dialog = true,
        .controls = Controls(),
        .bindings = Bindings(),
    };
    return def;
}

}  // namespace vorta::ui
// clang-format on
