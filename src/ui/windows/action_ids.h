#pragma once
// The named behaviours that the window definitions bind events to; the logic
// registers a handler under each (Model::registerAction). What each does:
//
// Main window ("main")
//   MainCreated            window created: start-up sequence, load every option
//   MainSizeChanged        window resized: relayout
//   MainDestroying         window about to be destroyed: save size and position
//   SendOperation          按钮_发送 clicked
//   OpenClosePort          按钮_打开串口 clicked
//   SaveComboIndex         组合框_端口/波特率/校验位/数据位/停止位/毫秒 list item selected:
//                          store the source box's selection index under its key
//   SaveCheckState         CRC反 and 选择框_自动换行 clicked: store "真"/"假" under the box's key
//   TakeLineBreakInterval  编辑框1 content changed: line-break interval from the text, saved
//   ShowIntervalHint       编辑框1 left button pressed: the line-break hint balloon
//   SendModeClicked        单选框_16发送, 单选框_ASCII发送 clicked
//   DisplayModeClicked     单选框_16显示, 单选框_ASCII显示 clicked: keep the pair exclusive
//   AlwaysOnTop            窗口最前选择框 clicked
//   EnterToSend            回车发送选择框 clicked: register or release the Enter hot key
//   ClearDisplay           清除显示按钮 clicked; menu item "清空"
//   SaveDisplay            按钮_保存 clicked
//   DisplayLeftReleased    超级编辑框1 left button released: radix balloon of the selection
//   DisplayRightReleased   超级编辑框1 right button released: enable items, pop up "菜单"
//   OnLineBreakTimer       时钟_换行 tick: auto line break
//   AutoSendClicked        按钮_自动发送 clicked: start or stop auto send
//   AutoSendTick           时钟Q58发送 tick: send the next list line
//   ListEcho               透明标签1 left button released
//   OpenGenerator          外形框_自动发送 right button released: generator window, modal
//   MergeToDecimal         menu item "合并转10进制"
//   OpenCalculator         menu item "打开计算窗口"
//   DeleteSelection        menu item "删除"
//   SelectAll              menu item "全选"
//   CutSelection           menu item "剪切"
//   CopySelection          menu item "复制"
//   PasteClipboard         menu item "粘贴"
//   OpenPortSettings       menu item "端口设置…" (or its key): the port settings window, not modal
//   OpenCaptureWindow      menu item "捕获与发送文件…"
//   (The serial channel's data-arrived event is not a control event here: the
//    logic owns the channel and calls its receive handler itself.)
//
// Generator window ("generator")
//   GeneratorCreated       window created: restore settings, fill the address lists
//   ModuleTypeSelected     组合框_模块类型 list item selected
//   SaveChannelCount       组合框_路数 list item selected
//   FirstAddressChanged    组合框_地址起 list item selected or edit text changed
//   LastAddressChanged     组合框_地址终 list item selected or lost focus
//   DefaultLayoutClicked   单选框_默认数据 clicked
//   CustomLayoutClicked    单选框_自定义数据 clicked
//   GenerateLines          按钮_生成 clicked
//   AddToAutoSendList      按钮_加入 clicked
//   CloseGenerator         按钮_关闭 clicked
//
// Calculator window ("calculator")
//   CalculatorCreated      window created: fill the combo boxes, set the open flag, restore settings
//   CalculatorDestroying   window about to be destroyed: clear the open flag, save settings
//
// Port settings ("portSettings")
//   PortSettingsCreated    window created: show the stored options
//   SavePortOption         组合框_流控 selected, a check box clicked, a delay or the typed rate changed:
//                          the option taken and stored under its key
//   UseOtherBaud           按钮_使用波特率 clicked: the typed rate becomes the baud rate box's choice
//   OutputLineClicked      选择框_DTR, 选择框_RTS clicked: stored, and switched at once on an open port
//   ShowModemLines         时钟_线路 tick: CTS, DSR, DCD and RI of the open port
//   SendBreak              按钮_发送中断 clicked: a break of a quarter second on the open port
//   ClosePortSettings      按钮_关闭设置 clicked
// Capture window ("capture")
//   CaptureCreated         window created: restore its options
//   CaptureOptionEdited    编辑框_捕获文件, 编辑框_分割, 编辑框_发送文件 content changed: saved
//   CaptureStartStop       按钮_捕获 clicked: start or stop the capture
//   DisplayOptionClicked   选择框_时间戳, 选择框_旁显文本, 选择框_显示文本 clicked: applied and saved
//   BrowseCaptureFile      按钮_浏览捕获文件 clicked: the save dialog chooses the capture file
//   BrowseSendFile         按钮_浏览发送文件 clicked: the open dialog chooses the file to send
//   SendFileStartStop      按钮_发送文件 clicked: start or cancel sending the file
#include "ui/control_id.h"

namespace vorta::ui::action {

inline constexpr ActionId kMainCreated{"MainCreated"};
inline constexpr ActionId kMainSizeChanged{"MainSizeChanged"};
inline constexpr ActionId kMainDestroying{"MainDestroying"};
inline constexpr ActionId kSendOperation{"SendOperation"};
inline constexpr ActionId kOpenClosePort{"OpenClosePort"};
inline constexpr ActionId kSaveComboIndex{"SaveComboIndex"};
inline constexpr ActionId kSaveCheckState{"SaveCheckState"};
inline constexpr ActionId kTakeLineBreakInterval{"TakeLineBreakInterval"};
inline constexpr ActionId kShowIntervalHint{"ShowIntervalHint"};
inline constexpr ActionId kSendModeClicked{"SendModeClicked"};
inline constexpr ActionId kDisplayModeClicked{"DisplayModeClicked"};
inline constexpr ActionId kAlwaysOnTop{"AlwaysOnTop"};
inline constexpr ActionId kEnterToSend{"EnterToSend"};
inline constexpr ActionId kClearDisplay{"ClearDisplay"};
inline constexpr ActionId kSaveDisplay{"SaveDisplay"};
inline constexpr ActionId kDisplayLeftReleased{"DisplayLeftReleased"};
inline constexpr ActionId kDisplayRightReleased{"DisplayRightReleased"};
inline constexpr ActionId kOnLineBreakTimer{"OnLineBreakTimer"};
inline constexpr ActionId kAutoSendClicked{"AutoSendClicked"};
inline constexpr ActionId kAutoSendTick{"AutoSendTick"};
inline constexpr ActionId kListEcho{"ListEcho"};
inline constexpr ActionId kOpenGenerator{"OpenGenerator"};
inline constexpr ActionId kMergeToDecimal{"MergeToDecimal"};
inline constexpr ActionId kOpenCalculator{"OpenCalculator"};
inline constexpr ActionId kDeleteSelection{"DeleteSelection"};
inline constexpr ActionId kSelectAll{"SelectAll"};
inline constexpr ActionId kCutSelection{"CutSelection"};
inline constexpr ActionId kCopySelection{"CopySelection"};
inline constexpr ActionId kPasteClipboard{"PasteClipboard"};

inline constexpr ActionId kGeneratorCreated{"GeneratorCreated"};
inline constexpr ActionId kModuleTypeSelected{"ModuleTypeSelected"};
inline constexpr ActionId kSaveChannelCount{"SaveChannelCount"};
inline constexpr ActionId kFirstAddressChanged{"FirstAddressChanged"};
inline constexpr ActionId kLastAddressChanged{"LastAddressChanged"};
inline constexpr ActionId kDefaultLayoutClicked{"DefaultLayoutClicked"};
inline constexpr ActionId kCustomLayoutClicked{"CustomLayoutClicked"};
inline constexpr ActionId kGenerateLines{"GenerateLines"};
inline constexpr ActionId kAddToAutoSendList{"AddToAutoSendList"};
inline constexpr ActionId kCloseGenerator{"CloseGenerator"};

inline constexpr ActionId kCalculatorCreated{"CalculatorCreated"};
inline constexpr ActionId kCalculatorDestroying{"CalculatorDestroying"};
inline constexpr ActionId kOpenPortSettings{"OpenPortSettings"};
inline constexpr ActionId kPortSettingsCreated{"PortSettingsCreated"};
inline constexpr ActionId kSavePortOption{"SavePortOption"};
inline constexpr ActionId kUseOtherBaud{"UseOtherBaud"};
inline constexpr ActionId kClosePortSettings{"ClosePortSettings"};
inline constexpr ActionId kOutputLineClicked{"OutputLineClicked"};
inline constexpr ActionId kShowModemLines{"ShowModemLines"};
inline constexpr ActionId kSendBreak{"SendBreak"};

inline constexpr ActionId kOpenCaptureWindow{"OpenCaptureWindow"};
inline constexpr ActionId kCaptureCreated{"CaptureCreated"};
inline constexpr ActionId kCaptureOptionEdited{"CaptureOptionEdited"};
inline constexpr ActionId kCaptureStartStop{"CaptureStartStop"};
inline constexpr ActionId kDisplayOptionClicked{"DisplayOptionClicked"};
inline constexpr ActionId kSendFileStartStop{"SendFileStartStop"};
inline constexpr ActionId kBrowseCaptureFile{"BrowseCaptureFile"};
inline constexpr ActionId kBrowseSendFile{"BrowseSendFile"};

}  // namespace vorta::ui::action
