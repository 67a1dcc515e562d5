#include "shell/main_window_shell.h"

#include <string>

#include "store/app_paths.h"
#include "store/settings_file.h"
#include "codec/gbk_text.h"

namespace vorta::shell {
namespace {

using ui::Control;
using ui::EventArgs;
using ui::Text;
using ui::Window;

// An option held by a control, with where it is kept and its value on a first run.
struct StoredOption {
    const char* control;
    const char* section;
    const char* key;
    const char* fallback;
};

// Every option that is a combo box's selection index.
constexpr StoredOption kIndexOptions[] = {
    {"组合框_端口", "端口", "com", "0"},     {"组合框_波特率", "端口", "波特率", "5"},
    {"组合框_校验位", "端口", "校验位", "0"}, {"组合框_数据位", "端口", "数据位", "0"},
    {"组合框_停止位", "端口", "停止位", "0"}, {"组合框_毫秒", "MoKuai", "毫秒", "3"},
};

// Every option that is a check box, stored as "真" or "假".
constexpr StoredOption kFlagOptions[] = {
    {"选择框_自动换行", "换行", "是否换行", "真"},
    {"CRC反", "CRC", "CRC反", "假"},
};

constexpr const char* kTrue = "真";
constexpr const char* kFalse = "假";

}  // namespace

MainWindowShell::MainWindowShell(ui::Model& model, ui::Platform& platform, state::AppState& state, DiscoverPorts discover)
    : model_(model), platform_(platform), state_(state), discover_(std::move(discover)) {
    model.registerAction("MainCreated", [this](Control& c, const EventArgs&) { created(c.window()); });
    model.registerAction("MainSizeChanged", [](Control& c, const EventArgs&) { Relayout(c.window()); });
    model.registerAction("MainDestroying", [this](Control& c, const EventArgs&) { destroying(c.window()); });
    model.registerAction("SaveComboIndex", [this](Control& c, const EventArgs&) { saveComboIndex(c); });
    model.registerAction("TakeLineBreakInterval", [this](Control& c, const EventArgs&) { takeLineBreakInterval(c); });
    model.registerAction("SaveCheckState", [this](Control& c, const EventArgs&) { saveFlag(c); });
    model.registerAction("ShowIntervalHint", [this](Control& c, const EventArgs&) { showIntervalHint(c.window()); });
    model.registerAction("DisplayModeClicked", [](Control& c, const EventArgs&) {
        // The two display modes exclude each other.
        if (!c.checked()) return;
        Window& w = c.window();
        w[c.name() == "单选框_16显示" ? "单选框_ASCII显示" : "单选框_16显示"].setChecked(false);
    });
    model.registerAction("AlwaysOnTop", [](Control& c, const EventArgs&) { c.window().setAlwaysOnTop(c.checked()); });
}

void MainWindowShell::created(Window& main) {
    if (model_.view()) model_.view()->applyInterfaceStyle(3);

    state_.settingsPath = store::SettingsPath();
    state_.listPath = store::ListFilePath();

    state_.sentFormat = {"宋体", 11, 0, 0, ui::Rgb(0, 128, 0)};
    state_.receivedFormat = {"宋体", 11, 0, 0, ui::Rgb(0, 0, 255)};
    state_.noteFormat = {"宋体", 11, 0, 0, ui::Rgb(128, 128, 128)};

    Control& ports = main["组合框_端口"];
    ports.clearItems();
    std::vector<Text> found;
    if (discover_ && discover_(found))
        for (const Text& port : found) ports.addItem(port);

    loadOptions(main);
}

void MainWindowShell::loadOptions(Window& main) {
    const Text& file = state_.settingsPath;
    for (const StoredOption& o : kIndexOptions)
        main[o.control].setSelectedIndex(codec::TextToInt(store::ReadSetting(file, o.section, o.key, o.fallback)));

    // Writing the box runs its handler, which takes the interval and writes it back.
    Control& interval = main["编辑框1"];
    interval.setText(store::ReadSetting(file, "自动换行", "间隔毫秒", "50"));
    state_.lineBreakInterval = codec::TextToInt(interval.text());

    for (const StoredOption& o : kFlagOptions)
        main[o.control].setChecked(store::ReadSetting(file, o.section, o.key, o.fallback) == kTrue);

    main["编辑框_发送"].setText(store::ReadSetting(file, "发送", "单数据", "01 03 10 00 00 25"));

    const Text list = store::ReadWholeFile(state_.listPath);
    main["编辑框_循环"].setText(list.substr(0, list.find('\0')));

    main.setWidth(std::max(60, codec::TextToInt(store::ReadSetting(file, "大小", "KD", "600"))));
    main.setHeight(std::max(60, codec::TextToInt(store::ReadSetting(file, "大小", "GD", "536"))));

    const ui::Size screen = platform_.screenSize();
    const int top = codec::TextToInt(store::ReadSetting(file, "位置", "DB"));
    if (top > 0 && top < screen.height - 50) main.setTop(top);
    const int left = codec::TextToInt(store::ReadSetting(file, "位置", "ZB"));
    if (left > 0 && left < screen.width - 50) main.setLeft(left);
}

void MainWindowShell::Relayout(Window& w) {
    const int width = w.width(), height = w.height();
    Control& send = w["编辑框_发送"];
    Control& sendButton = w["按钮_发送"];
    Control& logo = w["图片框1"];
    Control& display = w["超级编辑框1"];
    Control& autoGroup = w["分组框2"];
    Control& list = w["编辑框_循环"];

    send.setWidth(width - 220);
    sendButton.setLeft(send.left() + send.width() + 10);
    w["分组框1"].setLeft(sendButton.left() + sendButton.width() + 15);
    w["分组框3"].setLeft(w["分组框1"].left());
    logo.setWidth(send.width() + sendButton.width() + 20);
    display.setWidth(logo.width() + 2);
    display.setHeight(height - autoGroup.height() - 96);
    autoGroup.setTop(display.top() + display.height() - 4);
    autoGroup.setWidth(width - 12);
    list.setWidth(width - 360);
    w["图片框_分组"].setLeft(list.width() + 18);
}

void MainWindowShell::destroying(Window& main) {
    if (main.state() == 3) return;  // maximised: the last normal size and place stay
    const Text& file = state_.settingsPath;
    store::WriteSetting(file, "大小", "KD", std::to_string(main.width()));
    store::WriteSetting(file, "大小", "GD", std::to_string(main.height()));
    store::WriteSetting(file, "位置", "DB", std::to_string(main.top()));
    store::WriteSetting(file, "位置", "ZB", std::to_string(main.left()));
}

void MainWindowShell::saveComboIndex(Control& combo) {
    for (const StoredOption& o : kIndexOptions)
        if (combo.name() == o.control)
            store::WriteSetting(state_.settingsPath, o.section, o.key, std::to_string(combo.selectedIndex()));
}

void MainWindowShell::takeLineBreakInterval(Control& box) {
    state_.lineBreakInterval = codec::TextToInt(box.text());
    store::WriteSetting(state_.settingsPath, "自动换行", "间隔毫秒", box.text());
}

void MainWindowShell::saveFlag(Control& box) {
    for (const StoredOption& o : kFlagOptions)
        if (box.name() == o.control)
            store::WriteSetting(state_.settingsPath, o.section, o.key, box.checked() ? kTrue : kFalse);
}

void MainWindowShell::showIntervalHint(Window& main) {
    Control& group = main["分组框3"];
    Control& box = main["编辑框1"];
    const int x = main.left() + group.left() + box.left() + 15;
    const int y = main.top() + group.top() + box.top() + 30;
    main["气球提示框1"].showBalloon(x, y, "换行间隔：毫秒", -1, true);
}

}  // namespace vorta::shell
