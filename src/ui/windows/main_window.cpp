// The main window: send box and button, logo strip, receive display, port
// settings, display options, auto-send strip, status bar, timers and the
// display's hidden pop-up menu.
#include "ui/windows/window_defs.h"

namespace vorta::ui {
namespace {

constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kGreen = Rgb(0, 128, 0);
constexpr Colour kGrey = Rgb(128, 128, 128);
constexpr Colour kSilver = Rgb(192, 192, 192);
constexpr Colour kOptionBlue = Rgb(0, 136, 255);

const Text kSendFrame = "01 03 10 00 00 25";

// Port settings, inside 分组框1. Labels keep the default colours: black on the group's background.
std::vector<ControlDef> PortControls() {
    const Text g = "分组框1";
    return {
        {.name = "端口标签", .kind = Kind::Label, .parent = g, .rect = {11, 11, 40, 24}, .text = "端口号"},
        {.name = "组合框_端口", .kind = Kind::ComboBox, .parent = g, .rect = {55, 13, 60, 20},
         .items = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
                   "COM9", "COM10", "COM11", "COM12", "COM13", "COM14", "COM15", "COM16"},
         .selectedIndex = 0},
        {.name = "波特率标签", .kind = Kind::Label, .parent = g, .rect = {11, 34, 40, 24}, .text = "波特率"},
        {.name = "组合框_波特率", .kind = Kind::ComboBox, .parent = g, .rect = {55, 36, 60, 20},
         .items = {"300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"},
         .selectedIndex = 5},
        {.name = "校验位标签", .kind = Kind::Label, .parent = g, .rect = {11, 57, 40, 24}, .text = "校验位"},
        {.name = "组合框_校验位", .kind = Kind::ComboBox, .parent = g, .rect = {55, 59, 60, 20},
         .items = {"N 无", "O 奇", "E 偶", "M 标志", "S 空白"}, .selectedIndex = 0},
        {.name = "数据位标签", .kind = Kind::Label, .parent = g, .rect = {11, 80, 40, 24}, .text = "数据位"},
        {.name = "组合框_数据位", .kind = Kind::ComboBox, .parent = g, .rect = {55, 82, 60, 20},
         .items = {"8", "7", "6"}, .selectedIndex = 0},
        {.name = "停止位标签", .kind = Kind::Label, .parent = g, .rect = {11, 103, 40, 24}, .text = "停止位"},
        {.name = "组合框_停止位", .kind = Kind::ComboBox, .parent = g, .rect = {55, 105, 60, 20},
         .items = {"1", "1.5", "2"}, .selectedIndex = 0},
        {.name = "串口状态外形框", .kind = Kind::Shape, .parent = g, .rect = {21, 137, 20, 20}},
        {.name = "按钮_打开串口", .kind = Kind::Button, .parent = g, .rect = {55, 133, 60, 29}, .text = "打开串口"},
    };
}

// Display options, inside 分组框3; each radio pair sits in its own picture box,
// which makes each pair its own exclusive group.
std::vector<ControlDef> DisplayOptionControls() {
    const Text g = "分组框3";
    return {
        {.name = "图片框2", .kind = Kind::PictureBox, .parent = g, .rect = {3, 9, 121, 50}},
        {.name = "单选框_16发送", .kind = Kind::RadioButton, .parent = "图片框2", .rect = {9, 2, 96, 24},
         .text = "16进制发送", .checked = true},
        {.name = "单选框_ASCII发送", .kind = Kind::RadioButton, .parent = "图片框2", .rect = {9, 24, 96, 24},
         .text = "ASCII码发送"},
        {.name = "图片框3", .kind = Kind::PictureBox, .parent = g, .rect = {3, 64, 121, 50}},
        {.name = "单选框_16显示", .kind = Kind::RadioButton, .parent = "图片框3", .rect = {9, 2, 96, 24},
         .text = "16进制显示", .checked = true, .textColour = kGrey},
        {.name = "单选框_ASCII显示", .kind = Kind::RadioButton, .parent = "图片框3", .rect = {9, 24, 96, 24},
         .text = "ASCII码显示", .textColour = kGrey},
        {.name = "CRC选择框", .kind = Kind::CheckBox, .parent = g, .rect = {13, 121, 88, 16}, .text = "CRC16校验",
         .checked = true},
        {.name = "CRC反", .kind = Kind::CheckBox, .parent = g, .rect = {91, 121, 30, 16}, .text = "反"},
        // Unchecked by design; the settings check it by default at start.
        {.name = "选择框_自动换行", .kind = Kind::CheckBox, .parent = g, .rect = {12, 142, 71, 16}, .text = "自动换行"},
        {.name = "编辑框1", .kind = Kind::Edit, .parent = g, .rect = {90, 141, 30, 16}, .text = "50",
         .border = Border::Sunken, .centred = true},
        {.name = "窗口最前选择框", .kind = Kind::CheckBox, .parent = g, .rect = {12, 167, 100, 16},
         .text = "窗口总在最前", .textColour = kOptionBlue},
        {.name = "回车发送选择框", .kind = Kind::CheckBox, .parent = g, .rect = {12, 186, 100, 16},
         .text = "按回车键发送", .textColour = kOptionBlue},
        {.name = "清除显示按钮", .kind = Kind::Button, .parent = g, .rect = {11, 210, 52, 28}, .text = "清除"},
        {.name = "按钮_保存", .kind = Kind::Button, .parent = g, .rect = {69, 210, 52, 28}, .text = "保存"},
    };
}

// Auto-send list and its controls, inside 分组框2. The multi-line list takes
// Enter as a line break.
std::vector<ControlDef> AutoSendControls() {
    const Text g = "分组框2";
    const Text strip = "图片框_分组";
    return {
        {.name = "编辑框_循环", .kind = Kind::Edit, .parent = g, .rect = {4, 12, 378, 43},
         .text = kSendFrame + "\r\n01 03 00 64 00 08", .border = Border::Sunken, .multiLine = true,
         .wordWrap = true, .vScroll = true},
        {.name = strip, .kind = Kind::PictureBox, .parent = g, .rect = {389, 13, 322, 40}},
        {.name = "透明标签1", .kind = Kind::Label, .parent = strip, .rect = {0, 4, 20, 30}, .text = "↑",
         .font = {.pixelHeight = 24}, .transparent = true, .handCursor = true},
        {.name = "标签_间隔毫秒", .kind = Kind::Label, .parent = strip, .rect = {28, 11, 56, 20}, .text = "间隔毫秒："},
        // Item 1 by design; the settings select item 3 by default at start.
        {.name = "组合框_毫秒", .kind = Kind::ComboBox, .parent = strip, .rect = {85, 11, 48, 20},
         .items = {"200", "300", "400", "500", "600", "800", "900"}, .selectedIndex = 1, .editable = true},
        {.name = "选择框_循环", .kind = Kind::CheckBox, .parent = strip, .rect = {149, 13, 46, 16}, .text = "循环"},
        {.name = "外形框_自动发送", .kind = Kind::Shape, .parent = strip, .rect = {214, 11, 20, 20}},
        {.name = "按钮_自动发送", .kind = Kind::Button, .parent = strip, .rect = {244, 5, 77, 32}, .text = "自动发送"},
    };
}

// The display's pop-up menu: never placed in a menu bar. Each item is named by its caption.
std::vector<ControlDef> MenuControls() {
    std::vector<ControlDef> menu{{.name = "菜单", .kind = Kind::Menu, .text = "菜单"}};
    for (const char* item : {"合并转10进制", "打开计算窗口", "清空", "删除", "全选", "剪切", "复制", "粘贴"})
        menu.push_back({.name = item, .kind = Kind::MenuItem, .parent = "菜单", .text = item});
    return menu;
}

std::vector<ControlDef> Controls() {
    std::vector<ControlDef> c = {
        {.name = "编辑框_发送", .kind = Kind::Edit, .rect = {2, 4, 502, 24}, .text = kSendFrame,
         .textColour = kGreen, .backColour = kWhite, .font = {.face = "宋体", .pixelHeight = 16},
         .border = Border::Sunken, .hideSelection = true},
        {.name = "按钮_发送", .kind = Kind::Button, .rect = {531, 4, 52, 24}, .text = "发送"},
        {.name = "图片框1", .kind = Kind::PictureBox, .rect = {2, 32, 2000, 12}, .backColour = kWhite, .logo = true},
        {.name = "超级编辑框1", .kind = Kind::RichText, .rect = {1, 45, 583, 379}, .font = {.face = "宋体", .pointSize = 9},
         .border = Border::Shallow, .multiLine = true, .wordWrap = true, .vScroll = true, .hideSelection = true},
        {.name = "分组框1", .kind = Kind::GroupBox, .rect = {587, 2, 131, 174}},
        {.name = "分组框3", .kind = Kind::GroupBox, .rect = {587, 173, 131, 251}},
        {.name = "分组框2", .kind = Kind::GroupBox, .rect = {2, 427, 718, 61}},
        {.name = "状态条1", .kind = Kind::StatusBar, .rect = {0, 483, 894, 20},
         .panels = {{60, "RX:0", "接收字节数"}, {60, "TX:0", "发送字节数"}, {800, "Vorta 串口调试助手  Linux 版", ""}}},
    };
    for (auto part : {PortControls(), DisplayOptionControls(), AutoSendControls()})
        c.insert(c.end(), part.begin(), part.end());

    // Non-visual components. 标签 is a hidden label that relays the Enter hot key.
    c.push_back({.name = "时钟Q58发送", .kind = Kind::Timer});
    c.push_back({.name = "时钟_换行", .kind = Kind::Timer});
    c.push_back({.name = "通用对话框1", .kind = Kind::FileDialog});
    c.push_back({.name = "气球提示框1", .kind = Kind::BalloonTip});
    c.push_back({.name = "标签", .kind = Kind::Label, .text = "标签", .visible = false, .backColour = kSilver});

    const auto menu = MenuControls();
    c.insert(c.end(), menu.begin(), menu.end());
    return c;
}

std::vector<BindingDef> Bindings() {
    std::vector<BindingDef> b = {
        {"", Event::Created, "MainCreated"},
        {"", Event::SizeChanged, "MainSizeChanged"},
        {"", Event::Destroying, "MainDestroying"},
        {"按钮_发送", Event::Clicked, "SendOperation"},
        {"标签", Event::Notify, "EnterHotKey"},
        {"按钮_打开串口", Event::Clicked, "OpenClosePort"},
        {"CRC反", Event::Clicked, "SaveCheckState"},
        {"选择框_自动换行", Event::Clicked, "SaveCheckState"},
        {"编辑框1", Event::ContentChanged, "TakeLineBreakInterval"},
        {"编辑框1", Event::LeftPressed, "ShowIntervalHint"},
        {"单选框_16发送", Event::Clicked, "SendModeClicked"},
        {"单选框_ASCII发送", Event::Clicked, "SendModeClicked"},
        {"单选框_16显示", Event::Clicked, "DisplayModeClicked"},
        {"单选框_ASCII显示", Event::Clicked, "DisplayModeClicked"},
        {"窗口最前选择框", Event::Clicked, "AlwaysOnTop"},
        {"回车发送选择框", Event::Clicked, "EnterToSend"},
        {"清除显示按钮", Event::Clicked, "ClearDisplay"},
        {"按钮_保存", Event::Clicked, "SaveDisplay"},
        {"超级编辑框1", Event::LeftReleased, "DisplayLeftReleased"},
        {"超级编辑框1", Event::RightReleased, "DisplayRightReleased"},
        {"时钟_换行", Event::TimerTick, "OnLineBreakTimer"},
        {"按钮_自动发送", Event::Clicked, "AutoSendClicked"},
        {"时钟Q58发送", Event::TimerTick, "AutoSendTick"},
        {"透明标签1", Event::LeftReleased, "ListEcho"},
        {"外形框_自动发送", Event::RightReleased, "OpenGenerator"},
        {"合并转10进制", Event::MenuSelected, "MergeToDecimal"},
        {"打开计算窗口", Event::MenuSelected, "OpenCalculator"},
        {"清空", Event::MenuSelected, "ClearDisplay"},
        {"删除", Event::MenuSelected, "DeleteSelection"},
        {"全选", Event::MenuSelected, "SelectAll"},
        {"剪切", Event::MenuSelected, "CutSelection"},
        {"复制", Event::MenuSelected, "CopySelection"},
        {"粘贴", Event::MenuSelected, "PasteClipboard"},
    };
    for (const char* combo : {"组合框_端口", "组合框_波特率", "组合框_校验位", "组合框_数据位", "组合框_停止位", "组合框_毫秒"})
        b.push_back({combo, Event::ListItemSelected, "SaveComboIndex"});
    return b;
}

}  // namespace

const WindowDef& MainWindowDef() {
    static const WindowDef def{
        .name = "main",
        .title = "Vorta串口调试v2.35",
        .rect = {50, 50, 727, 536},  // width and height are replaced from the settings at start
        .centred = true,
        .resizable = true,
        .minimiseButton = true,
        .maximiseButton = true,
        .escCloses = true,
        .dragMoves = true,
        .controls = Controls(),
        .bindings = Bindings(),
    };
    return def;
}

}  // namespace vorta::ui
