#pragma once
// Every control of the three windows, named once. The definitions use these
// identifiers for their controls, the logic reaches controls only through them,
// and a test checks each list against its window's definition (same names,
// matching kinds).
#include <string_view>

#include "ui/model.h"
#include "codec/gbk_literal.h"

namespace vorta::ui {

// One identifier with the kind check of its class, for checking a list against a definition.
struct ControlIdEntry {
    std::string_view name;
    bool (*accepts)(Kind);
};

#define VORTA_DECLARE_CONTROL(id, Class, name) inline constexpr ControlId<Class> id{name};
#define VORTA_LIST_CONTROL(id, Class, name) ControlIdEntry{name, &Class::accepts},

// clang-format off
// ---- main window ("main") ----
#define VORTA_MAIN_CONTROLS(X)                          \
    X(kSendBox, Control, "编辑框_发送"_gbk)                 \
    X(kSend, Control, "按钮_发送"_gbk)                      \
    X(kLogo, Control, "图片框1"_gbk)                        \
    X(kDisplay, RichTextBox, "超级编辑框1"_gbk)             \
    X(kPortGroup, Control, "分组框1"_gbk)                   \
    X(kOptionGroup, Control, "分组框3"_gbk)                 \
    X(kAutoSendGroup, Control, "分组框2"_gbk)               \
    X(kStatusBar, StatusBar, "状态条1"_gbk)                 \
    X(kPortLabel, Control, "端口标签"_gbk)                  \
    X(kPort, ComboBox, "组合框_端口"_gbk)                   \
    X(kBaudLabel, Control, "波特率标签"_gbk)                \
    X(kBaud, ComboBox, "组合框_波特率"_gbk)                 \
    X(kParityLabel, Control, "校验位标签"_gbk)              \
    X(kParity, ComboBox, "组合框_校验位"_gbk)               \
    X(kDataBitsLabel, Control, "数据位标签"_gbk)            \
    X(kDataBits, ComboBox, "组合框_数据位"_gbk)             \
    X(kStopBitsLabel, Control, "停止位标签"_gbk)            \
    X(kStopBits, ComboBox, "组合框_停止位"_gbk)             \
    X(kPortLamp, Shape, "串口状态外形框"_gbk)               \
    X(kOpenClose, Control, "按钮_打开串口"_gbk)             \
    X(kSendModeBox, Control, "图片框2"_gbk)                 \
    X(kHexSend, CheckBox, "单选框_16发送"_gbk)              \
    X(kTextSend, CheckBox, "单选框_ASCII发送"_gbk)          \
    X(kDisplayModeBox, Control, "图片框3"_gbk)              \
    X(kHexDisplay, CheckBox, "单选框_16显示"_gbk)           \
    X(kTextDisplay, CheckBox, "单选框_ASCII显示"_gbk)       \
    X(kCrc, CheckBox, "CRC选择框"_gbk)                      \
    X(kCrcReversed, CheckBox, "CRC反"_gbk)                  \
    X(kAutoLineBreak, CheckBox, "选择框_自动换行"_gbk)      \
    X(kLineBreakInterval, Control, "编辑框1"_gbk)           \
    X(kAlwaysOnTop, CheckBox, "窗口最前选择框"_gbk)         \
    X(kEnterToSend, CheckBox, "回车发送选择框"_gbk)         \
    X(kClear, Control, "清除显示按钮"_gbk)                  \
    X(kSave, Control, "按钮_保存"_gbk)                      \
    X(kAutoSendList, Control, "编辑框_循环"_gbk)            \
    X(kAutoSendStrip, Control, "图片框_分组"_gbk)           \
    X(kListEcho, Control, "透明标签1"_gbk)                  \
    X(kIntervalLabel, Control, "标签_间隔毫秒"_gbk)         \
    X(kInterval, ComboBox, "组合框_毫秒"_gbk)               \
    X(kLoop, CheckBox, "选择框_循环"_gbk)                   \
    X(kAutoSendLamp, Shape, "外形框_自动发送"_gbk)          \
    X(kAutoSend, Control, "按钮_自动发送"_gbk)              \
    X(kAutoSendTimer, Timer, "时钟Q58发送"_gbk)             \
    X(kLineBreakTimer, Timer, "时钟_换行"_gbk)              \
    X(kSaveDialog, FileDialog, "通用对话框1"_gbk)           \
    X(kBalloon, BalloonTip, "气球提示框1"_gbk)              \
    X(kMenu, Menu, "菜单"_gbk)                              \
    X(kMergeToDecimalItem, Control, "合并转10进制"_gbk)     \
    X(kOpenCalculatorItem, Control, "打开计算窗口"_gbk)     \
    X(kClearItem, Control, "清空"_gbk)                      \
    X(kDeleteItem, Control, "删除"_gbk)                     \
    X(kSelectAllItem, Control, "全选"_gbk)                  \
    X(kCutItem, Control, "剪切"_gbk)                        \
    X(kCopyItem, Control, "复制"_gbk)                       \
    X(kPasteItem, Control, "粘贴"_gbk)                      \
    X(kPortSettingsSeparator, Control, "分隔线_端口设置"_gbk) \
    X(kPortSettingsItem, Control, "端口设置…"_gbk) \
    X(kCaptureWindowItem, Control, "捕获与发送文件…"_gbk)

// ---- batch command generator ("generator") ----
#define VORTA_GENERATOR_CONTROLS(X)                     \
    X(kLogo, Control, "图片框1"_gbk)                        \
    X(kOutput, Control, "编辑框1"_gbk)                      \
    X(kDefaultLayout, CheckBox, "单选框_默认数据"_gbk)      \
    X(kCustomLayout, CheckBox, "单选框_自定义数据"_gbk)     \
    X(kGroup, Control, "分组框2"_gbk)                       \
    X(kAddressLabel, Control, "标签_发送地址"_gbk)          \
    X(kFirstAddress, ComboBox, "组合框_地址起"_gbk)         \
    X(kLastAddress, ComboBox, "组合框_地址终"_gbk)          \
    X(kCustomBody, Control, "编辑框_自定义数据"_gbk)        \
    X(kChannelCount, ComboBox, "组合框_路数"_gbk)           \
    X(kModuleType, ComboBox, "组合框_模块类型"_gbk)         \
    X(kGenerate, Control, "按钮_生成"_gbk)                  \
    X(kAdd, Control, "按钮_加入"_gbk)                       \
    X(kClose, Control, "按钮_关闭"_gbk)

// ---- byte calculator ("calculator"): four columns, numbered 1 to 4 ----
#define VORTA_CALCULATOR_CONTROLS(X)                    \
    X(kHint, Control, "标签1"_gbk)                          \
    X(kHexRowLabel, Control, "标签6"_gbk)                   \
    X(kStepsRowLabel, Control, "标签2"_gbk)                 \
    X(kResultRowLabel, Control, "标签3"_gbk)                \
    X(kSeparator1, Control, "标签4"_gbk)                    \
    X(kSeparator2, Control, "标签5"_gbk)                    \
    X(kSeparator3, Control, "标签7"_gbk)                    \
    X(kFirstByte1, ComboBox, "组合框_1"_gbk)                \
    X(kFirstByte2, ComboBox, "组合框_2"_gbk)                \
    X(kFirstByte3, ComboBox, "组合框_3"_gbk)                \
    X(kFirstByte4, ComboBox, "组合框_4"_gbk)                \
    X(kByteCount1, ComboBox, "组合框_5"_gbk)                \
    X(kByteCount2, ComboBox, "组合框_6"_gbk)                \
    X(kByteCount3, ComboBox, "组合框_7"_gbk)                \
    X(kByteCount4, ComboBox, "组合框_8"_gbk)                \
    X(kHex1, Control, "编辑框161"_gbk)                      \
    X(kHex2, Control, "编辑框162"_gbk)                      \
    X(kHex3, Control, "编辑框163"_gbk)                      \
    X(kHex4, Control, "编辑框164"_gbk)                      \
    X(kSteps1, Control, "编辑框3"_gbk)                      \
    X(kSteps2, Control, "编辑框4"_gbk)                      \
    X(kSteps3, Control, "编辑框5"_gbk)                      \
    X(kSteps4, Control, "编辑框6"_gbk)                      \
    X(kResult1, Control, "编辑框8"_gbk)                     \
    X(kResult2, Control, "编辑框10"_gbk)                    \
    X(kResult3, Control, "编辑框11"_gbk)                    \
    X(kResult4, Control, "编辑框12"_gbk)                    \
    X(kEnable1, CheckBox, "选择框1"_gbk)                    \
    X(kEnable2, CheckBox, "选择框2"_gbk)                    \
    X(kEnable3, CheckBox, "选择框3"_gbk)                    \
    X(kEnable4, CheckBox, "选择框4"_gbk)

// ---- port settings ("portSettings") ----
#define VORTA_PORT_SETTINGS_CONTROLS(X)                 \
    X(kFlowLabel, Control, "标签_流控"_gbk)                 \
    X(kFlow, ComboBox, "组合框_流控"_gbk)                   \
    X(kRs485, CheckBox, "选择框_RS485"_gbk)                 \
    X(kRtsHigh, CheckBox, "选择框_发送时RTS高"_gbk)         \
    X(kDelayBeforeLabel, Control, "标签_发送前延时"_gbk)    \
    X(kDelayBefore, Control, "编辑框_发送前延时"_gbk)       \
    X(kDelayAfterLabel, Control, "标签_发送后延时"_gbk)     \
    X(kDelayAfter, Control, "编辑框_发送后延时"_gbk)        \
    X(kOtherBaudLabel, Control, "标签_其他波特率"_gbk)      \
    X(kOtherBaud, Control, "编辑框_其他波特率"_gbk)         \
    X(kUseOtherBaud, Control, "按钮_使用波特率"_gbk)        \
    X(kHint, Control, "标签_端口设置提示"_gbk)              \
    X(kDtr, CheckBox, "选择框_DTR"_gbk)                     \
    X(kRts, CheckBox, "选择框_RTS"_gbk)                     \
    X(kLines, Control, "标签_线路状态"_gbk)                 \
    X(kBreak, Control, "按钮_发送中断"_gbk)                 \
    X(kLinesTimer, Timer, "时钟_线路"_gbk)                  \
    X(kClose, Control, "按钮_关闭设置"_gbk)
// ---- capture and file sending ("capture") ----
#define VORTA_CAPTURE_CONTROLS(X)                       \
    X(kCaptureFileLabel, Control, "标签_捕获文件"_gbk)      \
    X(kCaptureFile, Control, "编辑框_捕获文件"_gbk)         \
    X(kBrowseCaptureFile, Control, "按钮_浏览捕获文件"_gbk) \
    X(kRotateLabel, Control, "标签_分割"_gbk)               \
    X(kRotateMegabytes, Control, "编辑框_分割"_gbk)         \
    X(kRotateUnit, Control, "标签_分割单位"_gbk)            \
    X(kCaptureStartStop, Control, "按钮_捕获"_gbk)          \
    X(kShownText, CheckBox, "选择框_显示文本"_gbk)          \
    X(kTimestamps, CheckBox, "选择框_时间戳"_gbk)           \
    X(kHexWithText, CheckBox, "选择框_旁显文本"_gbk)        \
    X(kSendFileLabel, Control, "标签_发送文件"_gbk)         \
    X(kSendFile, Control, "编辑框_发送文件"_gbk)            \
    X(kBrowseSendFile, Control, "按钮_浏览发送文件"_gbk)    \
    X(kSendFileStartStop, Control, "按钮_发送文件"_gbk)     \
    X(kFileDialog, FileDialog, "通用对话框_捕获"_gbk)

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

namespace port_settings {
inline constexpr std::string_view kWindowName = "portSettings";
VORTA_PORT_SETTINGS_CONTROLS(VORTA_DECLARE_CONTROL)
inline constexpr ControlIdEntry kAll[] = {VORTA_PORT_SETTINGS_CONTROLS(VORTA_LIST_CONTROL)};
}  // namespace port_settings
namespace capture {
inline constexpr std::string_view kWindowName = "capture";
VORTA_CAPTURE_CONTROLS(VORTA_DECLARE_CONTROL)
inline constexpr ControlIdEntry kAll[] = {VORTA_CAPTURE_CONTROLS(VORTA_LIST_CONTROL)};
}  // namespace capture

#undef VORTA_DECLARE_CONTROL
#undef VORTA_LIST_CONTROL

}  // namespace vorta::ui
