// The main window: send box and button, logo strip, receive display, port
// settings, display options, auto-send strip, status bar, timers and the
// display's hidden pop-up menu.
#include "ui/windows/window_defs.h"

#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

// The tables are laid out by hand, one control per entry.
// clang-format off
namespace vorta::ui {
namespace {

using namespace main;

constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kGreen = Rgb(0, 128, 0);
constexpr Colour kGrey = Rgb(128, 128, 128);
constexpr Colour kOptionBlue = Rgb(0, 136, 255);

const Text kSendFrame = "01 03 10 00 00 25";

// Port settings, inside 分组框1. Labels keep the default colours: black on the group's background.
std::vector<ControlDef> PortControls() {
    const Text g = kPortGroup;
    return {
        {.name = kPortLabel, .kind = Kind::Label, .parent = g, .rect = {11, 11, 40, 24}, .text = "端口号"_gbk},
        {.name = kPort, .kind = Kind::ComboBox, .parent = g, .rect = {55, 13, 60, 20},
         .items = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
                   "COM9", "COM10", "COM11", "COM12", "COM13", "COM14", "COM15", "COM16"},
         .selectedIndex = 0, .labelledBy = kPortLabel},
        {.name = kBaudLabel, .kind = Kind::Label, .parent = g, .rect = {11, 34, 40, 24}, .text = "波特率"_gbk},
        {.name = kBaud, .kind = Kind::ComboBox, .parent = g, .rect = {55, 36, 60, 20},
         .items = {"300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200",
                   // Faster rates after the first ten, which stored indexes rely on.
                   "230400", "460800", "500000", "576000", "921600", "1000000", "1500000", "2000000",
                   "3000000", "4000000"},
         .selectedIndex = 5, .labelledBy = kBaudLabel},
        {.name = kParityLabel, .kind = Kind::Label, .parent = g, .rect = {11, 57, 40, 24}, .text = "校验位"_gbk},
        {.name = kParity, .kind = Kind::ComboBox, .parent = g, .rect = {55, 59, 60, 20},
         .items = {"N 无"_gbk, "O 奇"_gbk, "E 偶"_gbk, "M 标志"_gbk, "S 空白"_gbk}, .selectedIndex = 0, .labelledBy = kParityLabel},
        {.name = kDataBitsLabel, .kind = Kind::Label, .parent = g, .rect = {11, 80, 40, 24}, .text = "数据位"_gbk},
        {.name = kDataBits, .kind = Kind::ComboBox, .parent = g, .rect = {55, 82, 60, 20},
         .items = {"8", "7", "6"}, .selectedIndex = 0, .labelledBy = kDataBitsLabel},
        {.name = kStopBitsLabel, .kind = Kind::Label, .parent = g, .rect = {11, 103, 40, 24}, .text = "停止位"_gbk},
        {.name = kStopBits, .kind = Kind::ComboBox, .parent = g, .rect = {55, 105, 60, 20},
         .items = {"1", "1.5", "2"}, .selectedIndex = 0, .labelledBy = kStopBitsLabel},
        {.name = kPortLamp, .kind = Kind::Shape, .parent = g, .rect = {21, 137, 20, 20}, .accessibleName = "串口状态指示灯"_gbk},
        {.name = kOpenClose, .kind = Kind::Button, .parent = g, .rect = {55, 133, 60, 29}, .text = "打开串口"_gbk},
    };
}

// Display options, inside 分组框3; each radio pair sits in its own picture box,
// which makes each pair its own exclusive group.
std::vector<ControlDef> DisplayOptionControls() {
    const Text g = kOptionGroup;
    return {
        {.name = kSendModeBox, .kind = Kind::PictureBox, .parent = g, .rect = {3, 9, 121, 50}, .accessibleName = "发送方式"_gbk},
        {.name = kHexSend, .kind = Kind::RadioButton, .parent = kSendModeBox, .rect = {9, 2, 96, 24},
         .text = "16进制发送"_gbk, .checked = true},
        {.name = kTextSend, .kind = Kind::RadioButton, .parent = kSendModeBox, .rect = {9, 24, 96, 24},
         .text = "ASCII码发送"_gbk},
        {.name = kDisplayModeBox, .kind = Kind::PictureBox, .parent = g, .rect = {3, 64, 121, 50}, .accessibleName = "显示方式"_gbk},
        {.name = kHexDisplay, .kind = Kind::RadioButton, .parent = kDisplayModeBox, .rect = {9, 2, 96, 24},
         .text = "16进制显示"_gbk, .checked = true, .textColour = kGrey},
        {.name = kTextDisplay, .kind = Kind::RadioButton, .parent = kDisplayModeBox, .rect = {9, 24, 96, 24},
         .text = "ASCII码显示"_gbk, .textColour = kGrey},
        {.name = kCrc, .kind = Kind::CheckBox, .parent = g, .rect = {13, 121, 88, 16}, .text = "CRC16校验"_gbk,
         .checked = true},
        {.name = kCrcReversed, .kind = Kind::CheckBox, .parent = g, .rect = {91, 121, 30, 16}, .text = "反"_gbk},
        // Unchecked by design; the settings check it by default at start.
        {.name = kAutoLineBreak, .kind = Kind::CheckBox, .parent = g, .rect = {12, 142, 71, 16}, .text = "自动换行"_gbk},
        {.name = kLineBreakInterval, .kind = Kind::Edit, .parent = g, .rect = {90, 141, 30, 16}, .text = "50",
         .border = Border::Sunken, .centred = true, .labelledBy = kAutoLineBreak},
        {.name = kAlwaysOnTop, .kind = Kind::CheckBox, .parent = g, .rect = {12, 167, 100, 16},
         .text = "窗口总在最前"_gbk, .textColour = kOptionBlue},
        {.name = kEnterToSend, .kind = Kind::CheckBox, .parent = g, .rect = {12, 186, 100, 16},
         .text = "按回车键发送"_gbk, .textColour = kOptionBlue},
        {.name = kClear, .kind = Kind::Button, .parent = g, .rect = {11, 210, 52, 28}, .text = "清除"_gbk},
        {.name = kSave, .kind = Kind::Button, .parent = g, .rect = {69, 210, 52, 28}, .text = "保存"_gbk},
    };
}

// Auto-send list and its controls, inside 分组框2. The multi-line list takes
// Enter as a line break.
std::vector<ControlDef> AutoSendControls() {
    const Text g = kAutoSendGroup;
    const Text strip = kAutoSendStrip;
    return {
        {.name = kAutoSendList, .kind = Kind::Edit, .parent = g, .rect = {4, 12, 378, 43},
         .text = kSendFrame + "\r\n01 03 00 64 00 08", .border = Border::Sunken, .multiLine = true,
         .wordWrap = true, .vScroll = true, .accessibleName = "自动发送列表"_gbk},
        {.name = strip, .kind = Kind::PictureBox, .parent = g, .rect = {389, 13, 322, 40}, .accessibleName = "自动发送控制"_gbk},
        // The arrow and the lamp answer Space and Enter as they answer the mouse.
        {.name = kListEcho, .kind = Kind::Label, .parent = strip, .rect = {0, 4, 20, 30}, .text = "↑"_gbk,
         .font = {.pixelHeight = 24}, .transparent = true, .handCursor = true, .accessibleName = "列表回显"_gbk,
         .keyPath = KeyPath::SpaceEnter},
        {.name = kIntervalLabel, .kind = Kind::Label, .parent = strip, .rect = {28, 11, 56, 20}, .text = "间隔毫秒："_gbk},
        // Item 1 by design; the settings select item 3 by default at start.
        {.name = kInterval, .kind = Kind::ComboBox, .parent = strip, .rect = {85, 11, 48, 20},
         .items = {"200", "300", "400", "500", "600", "800", "900"}, .selectedIndex = 1, .editable = true, .labelledBy = kIntervalLabel},
        {.name = kLoop, .kind = Kind::CheckBox, .parent = strip, .rect = {149, 13, 46, 16}, .text = "循环"_gbk},
        {.name = kAutoSendLamp, .kind = Kind::Shape, .parent = strip, .rect = {214, 11, 20, 20},
         .accessibleName = "自动发送指示灯（批量生成）"_gbk, .keyPath = KeyPath::SpaceEnter},
        {.name = kAutoSend, .kind = Kind::Button, .parent = strip, .rect = {244, 5, 77, 32}, .text = "自动发送"_gbk},
    };
}

// The display's pop-up menu: never placed in a menu bar. Each item is named by its caption.
std::vector<ControlDef> MenuControls() {
    std::vector<ControlDef> menu{{.name = kMenu, .kind = Kind::Menu, .text = "菜单"_gbk}};
    for (ControlId<Control> item : {kMergeToDecimalItem, kOpenCalculatorItem, kClearItem, kDeleteItem, kSelectAllItem,
                                    kCutItem, kCopyItem, kPasteItem})
        menu.push_back({.name = item, .kind = Kind::MenuItem, .parent = kMenu, .text = item});
    // The port settings window, after a separator; its key reaches it without the mouse.
    menu.push_back({.name = kPortSettingsSeparator, .kind = Kind::MenuItem, .parent = kMenu});
    menu.push_back({.name = kPortSettingsItem, .kind = Kind::MenuItem, .parent = kMenu, .text = "端口设置…"_gbk,
                    .shortcut = "Ctrl+Shift+P"});
    // The capture window, beside it.
    menu.push_back({.name = kCaptureWindowItem, .kind = Kind::MenuItem, .parent = kMenu, .text = kCaptureWindowItem});
    return menu;
}

std::vector<ControlDef> Controls() {
    std::vector<ControlDef> c = {
        {.name = kSendBox, .kind = Kind::Edit, .rect = {2, 4, 502, 24}, .text = kSendFrame,
         .textColour = kGreen, .backColour = kWhite, .font = {.face = "宋体"_gbk, .pixelHeight = 16},
         .border = Border::Sunken, .hideSelection = true, .accessibleName = "发送区"_gbk},
        {.name = kSend, .kind = Kind::Button, .rect = {531, 4, 52, 24}, .text = "发送"_gbk},
        {.name = kLogo, .kind = Kind::PictureBox, .rect = {2, 32, 2000, 12}, .backColour = kWhite, .logo = true,
         .accessibleName = "Vorta 标志"_gbk},
        {.name = kDisplay, .kind = Kind::RichText, .rect = {1, 45, 583, 379}, .font = {.face = "宋体"_gbk, .pointSize = 9},
         .border = Border::Shallow, .multiLine = true, .wordWrap = true, .vScroll = true, .hideSelection = true,
         .accessibleName = "接收区"_gbk, .keyPath = KeyPath::MenuKey},
        {.name = kPortGroup, .kind = Kind::GroupBox, .rect = {587, 2, 131, 174}, .accessibleName = "串口设置"_gbk},
        {.name = kOptionGroup, .kind = Kind::GroupBox, .rect = {587, 173, 131, 251}, .accessibleName = "收发选项"_gbk},
        {.name = kAutoSendGroup, .kind = Kind::GroupBox, .rect = {2, 427, 718, 61}, .accessibleName = "自动发送"_gbk},
        {.name = kStatusBar, .kind = Kind::StatusBar, .rect = {0, 483, 894, 20},
         .panels = {{60, "RX:0", "接收字节数"_gbk}, {60, "TX:0", "发送字节数"_gbk}, {800, "Vorta 串口调试助手  Linux 版"_gbk, "", true},
                     // The capture, the file being sent and the open port's input lines. Each
                     // takes room only while it shows something, so that the vendor line stays
                     // whole in the first run's 600-pixel window while the port is open.
                     {110, "", "捕获文件大小"_gbk, false, true}, {150, "", "文件发送进度"_gbk, false, true},
                     {150, "", "调制解调器输入线 CTS、DSR、DCD、RI（●接通，○断开）"_gbk, false, true}},
         .accessibleName = "状态栏"_gbk},
    };
    for (auto part : {PortControls(), DisplayOptionControls(), AutoSendControls()})
        c.insert(c.end(), part.begin(), part.end());

    // Non-visual components.
    c.push_back({.name = kAutoSendTimer, .kind = Kind::Timer});
    c.push_back({.name = kLineBreakTimer, .kind = Kind::Timer});
    c.push_back({.name = kSaveDialog, .kind = Kind::FileDialog});
    c.push_back({.name = kBalloon, .kind = Kind::BalloonTip});

    const auto menu = MenuControls();
    c.insert(c.end(), menu.begin(), menu.end());
    return c;
}

std::vector<BindingDef> Bindings() {
    std::vector<BindingDef> b = {
        {{}, Event::Created, action::kMainCreated},
        {{}, Event::SizeChanged, action::kMainSizeChanged},
        {{}, Event::Destroying, action::kMainDestroying},
        {kSend, Event::Clicked, action::kSendOperation},
        {kOpenClose, Event::Clicked, action::kOpenClosePort},
        {kCrcReversed, Event::Clicked, action::kSaveCheckState},
        {kAutoLineBreak, Event::Clicked, action::kSaveCheckState},
        {kLineBreakInterval, Event::ContentChanged, action::kTakeLineBreakInterval},
        {kLineBreakInterval, Event::LeftPressed, action::kShowIntervalHint},
        {kHexSend, Event::Clicked, action::kSendModeClicked},
        {kTextSend, Event::Clicked, action::kSendModeClicked},
        {kHexDisplay, Event::Clicked, action::kDisplayModeClicked},
        {kTextDisplay, Event::Clicked, action::kDisplayModeClicked},
        {kAlwaysOnTop, Event::Clicked, action::kAlwaysOnTop},
        {kEnterToSend, Event::Clicked, action::kEnterToSend},
        {kClear, Event::Clicked, action::kClearDisplay},
        {kSave, Event::Clicked, action::kSaveDisplay},
        {kDisplay, Event::LeftReleased, action::kDisplayLeftReleased},
        {kDisplay, Event::RightReleased, action::kDisplayRightReleased},
        {kLineBreakTimer, Event::TimerTick, action::kOnLineBreakTimer},
        {kAutoSend, Event::Clicked, action::kAutoSendClicked},
        {kAutoSendTimer, Event::TimerTick, action::kAutoSendTick},
        {kListEcho, Event::LeftReleased, action::kListEcho},
        {kAutoSendLamp, Event::RightReleased, action::kOpenGenerator},
        {kMergeToDecimalItem, Event::MenuSelected, action::kMergeToDecimal},
        {kOpenCalculatorItem, Event::MenuSelected, action::kOpenCalculator},
        {kClearItem, Event::MenuSelected, action::kClearDisplay},
        {kDeleteItem, Event::MenuSelected, action::kDeleteSelection},
        {kSelectAllItem, Event::MenuSelected, action::kSelectAll},
        {kCutItem, Event::MenuSelected, action::kCutSelection},
        {kCopyItem, Event::MenuSelected, action::kCopySelection},
        {kPasteItem, Event::MenuSelected, action::kPasteClipboard},
        {kPortSettingsItem, Event::MenuSelected, action::kOpenPortSettings},
        {kCaptureWindowItem, Event::MenuSelected, action::kOpenCaptureWindow},
    };
    for (ControlId<ComboBox> combo : {kPort, kBaud, kParity, kDataBits, kStopBits, kInterval})
        b.push_back({combo, Event::ListItemSelected, action::kSaveComboIndex});
    return b;
}

}  // namespace

const WindowDef& MainWindowDef() {
    static const WindowDef def{
        .name = Text(main::kWindowName),
        .title = "Vorta串口调试v2.35"_gbk,
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
// clang-format on
