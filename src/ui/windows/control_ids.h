#pragma once
// Every control of the three windows, named once. The definitions use these
// identifiers for their controls, the logic reaches controls only through them,
// and a test checks each list against its window's definition (same names,
// matching kinds).
#include <string_view>

#include "ui/model.h"

namespace vorta::ui {

// One identifier with the kind check of its class, for checking a list against a definition.
struct ControlIdEntry {
    std::string_view name;
    bool (*accepts)(Kind);
};

#define VORTA_DECLARE_CONTROL(id, Class, name) inline constexpr ControlId<Class> id{name};
#define VORTA_LIST_CONTROL(id, Class, name) ControlIdEntry{name, &Class::Accepts},

// clang-format off
// ---- main window ("main") ----
#define VORTA_MAIN_CONTROLS(X)                          \
    X(kSendBox, Control, "编辑框_发送")                 \
    X(kSend, Control, "按钮_发送")                      \
    X(kLogo, Control, "图片框1")                        \
    X(kDisplay, RichTextBox, "超级编辑框1")             \
    X(kPortGroup, Control, "分组框1")                   \
    X(kOptionGroup, Control, "分组框3")                 \
    X(kAutoSendGroup, Control, "分组框2")               \
    X(kStatusBar, StatusBar, "状态条1")                 \
    X(kPortLabel, Control, "端口标签")                  \
    X(kPort, ComboBox, "组合框_端口")                   \
    X(kBaudLabel, Control, "波特率标签")                \
    X(kBaud, ComboBox, "组合框_波特率")                 \
    X(kParityLabel, Control, "校验位标签")              \
    X(kParity, ComboBox, "组合框_校验位")               \
    X(kDataBitsLabel, Control, "数据位标签")            \
    X(kDataBits, ComboBox, "组合框_数据位")             \
    X(kStopBitsLabel, Control, "停止位标签")            \
    X(kStopBits, ComboBox, "组合框_停止位")             \
    X(kPortLamp, Shape, "串口状态外形框")               \
    X(kOpenClose, Control, "按钮_打开串口")             \
    X(kSendModeBox, Control, "图片框2")                 \
    X(kHexSend, CheckBox, "单选框_16发送")              \
    X(kTextSend, CheckBox, "单选框_ASCII发送")          \
    X(kDisplayModeBox, Control, "图片框3")              \
    X(kHexDisplay, CheckBox, "单选框_16显示")           \
    X(kTextDisplay, CheckBox, "单选框_ASCII显示")       \
    X(kCrc, CheckBox, "CRC选择框")                      \
    X(kCrcReversed, CheckBox, "CRC反")                  \
    X(kAutoLineBreak, CheckBox, "选择框_自动换行")      \
    X(kLineBreakInterval, Control, "编辑框1")           \
    X(kAlwaysOnTop, CheckBox, "窗口最前选择框")         \
    X(kEnterToSend, CheckBox, "回车发送选择框")         \
    X(kClear, Control, "清除显示按钮")                  \
    X(kSave, Control, "按钮_保存")                      \
    X(kAutoSendList, Control, "编辑框_循环")            \
    X(kAutoSendStrip, Control, "图片框_分组")           \
    X(kListEcho, Control, "透明标签1")                  \
    X(kIntervalLabel, Control, "标签_间隔毫秒")         \
    X(kInterval, ComboBox, "组合框_毫秒")               \
    X(kLoop, CheckBox, "选择框_循环")                   \
    X(kAutoSendLamp, Shape, "外形框_自动发送")          \
    X(kAutoSend, Control, "按钮_自动发送")              \
    X(kAutoSendTimer, Timer, "时钟Q58发送")             \
    X(kLineBreakTimer, Timer, "时钟_换行")              \
    X(kSaveDialog, FileDialog, "通用对话框1")           \
    X(kBalloon, BalloonTip, "气球提示框1")              \
    X(kMenu, Menu, "菜单")                              \
    X(kMergeToDecimalItem, Control, "合并转10进制")     \
    X(kOpenCalculatorItem, Control, "打开计算窗口")     \
    X(kClearItem, Control, "清空")                      \
    X(kDeleteItem, Control, "删除")                     \
    X(kSelectAllItem, Control, "全选")                  \
    X(kCutItem, Control, "剪切")                        \
    X(kCopyItem, Control, "复制")                       \
    X(kPasteItem, Control, "粘贴")

// ---- batch command generator ("generator") ----
#define VORTA_GENERATOR_CONTROLS(X)                     \
    X(kLogo, Control, "图片框1")                        \
    X(kOutput, Control, "编辑框1")                      \
    X(kDefaultLayout, CheckBox, "单选框_默认数据")      \
    X(kCustomLayout, CheckBox, "单选框_自定义数据")     \
    X(kGroup, Control, "分组框2")                       \
    X(kAddressLabel, Control, "标签_发送地址")          \
    X(kFirstAddress, ComboBox, "组合框_地址起")         \
    X(kLastAddress, ComboBox, "组合框_地址终")          \
    X(kCustomBody, Control, "编辑框_自定义数据")        \
    X(kChannelCount, ComboBox, "组合框_路数")           \
    X(kModuleType, ComboBox, "组合框_模块类型")         \
    X(kGenerate, Control, "按钮_生成")                  \
    X(kAdd, Control, "按钮_加入")                       \
    X(kClose, Control, "按钮_关闭")

// ---- byte calculator ("calculator"): four columns, numbered 1 to 4 ----
#define VORTA_CALCULATOR_CONTROLS(X)                    \
    X(kHint, Control, "标签1")                          \
    X(kHexRowLabel, Control, "标签6")                   \
    X(kStepsRowLabel, Control, "标签2")                 \
    X(kResultRowLabel, Control, "标签3")                \
    X(kSeparator1, Control, "标签4")                    \
    X(kSeparator2, Control, "标签5")                    \
    X(kSeparator3, Control, "标签7")                    \
    X(kFirstByte1, ComboBox, "组合框_1")                \
    X(kFirstByte2, ComboBox, "组合框_2")                \
    X(kFirstByte3, ComboBox, "组合框_3")                \
    X(kFirstByte4, ComboBox, "组合框_4")                \
    X(kByteCount1, ComboBox, "组合框_5")                \
    X(kByteCount2, ComboBox, "组合框_6")                \
    X(kByteCount3, ComboBox, "组合框_7")                \
    X(kByteCount4, ComboBox, "组合框_8")                \
    X(kHex1, Control, "编辑框161")                      \
    X(kHex2, Control, "编辑框162")                      \
    X(kHex3, Control, "编辑框163")                      \
    X(kHex4, Control, "编辑框164")                      \
    X(kSteps1, Control, "编辑框3")                      \
    X(kSteps2, Control, "编辑框4")                      \
    X(kSteps3, Control, "编辑框5")                      \
    X(kSteps4, Control, "编辑框6")                      \
    X(kResult1, Control, "编辑框8")                     \
    X(kResult2, Control, "编辑框10")                    \
    X(kResult3, Control, "编辑框11")                    \
    X(kResult4, Control, "编辑框12")                    \
    X(kEnable1, CheckBox, "选择框1")                    \
    X(kEnable2, CheckBox, "选择框2")                    \
    X(kEnable3, CheckBox, "选择框3")                    \
    X(kEnable4, CheckBox, "选择框4")

// clang-format on

namespace main {
inline constexpr std::string_view kWindowName = "main";
VORTA_MAIN_CONTROLS(VORTA_DECLARE_CONTROL)
inline constexpr ControlIdEntry kAll[] = {VORTA_MAIN_CONTROLS(VORTA_LIST_CONTROL)};
}  // namespace main

namespace generator {
inline constexpr std::string_view kWindowName = "generator";
VORTA_GENERATOR_CONTROLS(VORTA_DECLARE_CONTROL)
inline constexpr ControlIdEntry kAll[] = {VORTA_GENERATOR_CONTROLS(VORTA_LIST_CONTROL)};
}  // namespace generator

namespace calculator {
inline constexpr std::string_view kWindowName = "calculator";
VORTA_CALCULATOR_CONTROLS(VORTA_DECLARE_CONTROL)
inline constexpr ControlIdEntry kAll[] = {VORTA_CALCULATOR_CONTROLS(VORTA_LIST_CONTROL)};
}  // namespace calculator

#undef VORTA_DECLARE_CONTROL
#undef VORTA_LIST_CONTROL

}  // namespace vorta::ui
