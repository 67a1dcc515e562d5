#include "main_window/main_window.h"

#include <algorithm>
#include <string>

#include "store/app_paths.h"
#include "store/settings_file.h"
#include "codec/gbk_text.h"
#include "codec/line_ends.h"
#include "main_window/port_options.h"
#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

namespace vorta::main_window {
namespace {

using ui::CheckBox;
using ui::ComboBox;
using ui::Control;
using ui::EventArgs;
using ui::Text;
using ui::Window;
namespace action = ui::action;
using namespace ui::main;

// An option held by a control, with where it is kept and its value on a first run.
template <class K>
struct StoredOption {
    ui::ControlId<K> control;
    const char* section;
    const char* key;
    const char* fallback;
};

// Every option that is a combo box's selection index.
constexpr StoredOption<ComboBox> kIndexOptions[] = {
    {kPort, "端口"_gbk, "com", "0"},
    {kBaud, "端口"_gbk, "波特率"_gbk, "5"},
    {kParity, "端口"_gbk, "校验位"_gbk, "0"},
    {kDataBits, "端口"_gbk, "数据位"_gbk, "0"},
    {kStopBits, "端口"_gbk, "停止位"_gbk, "0"},
    {kInterval, "MoKuai", "毫秒"_gbk, "3"},
};

// Every option that is a check box, stored as "真" or "假".
constexpr StoredOption<CheckBox> kFlagOptions[] = {
    {kAutoLineBreak, "换行"_gbk, "是否换行"_gbk, "真"_gbk},
    {kCrcReversed, "CRC", "CRC反"_gbk, "假"_gbk},
};

constexpr const char* kTrue = "真"_gbk;
constexpr const char* kFalse = "假"_gbk;

}  // namespace

MainWindow::MainWindow(ui::Model& model, ui::Platform& platform, main_window::AppState& state, DiscoverPorts discover)
    : model_(model), platform_(platform), state_(state), discover_(std::move(discover)) {
    model.registerAction(action::kMainCreated, [this](Control& c, const EventArgs&) { created(c.window()); });
    model.registerAction(action::kMainSizeChanged, [](Control& c, const EventArgs&) { relayout(c.window()); });
    model.registerAction(action::kMainDestroying, [this](Control& c, const EventArgs&) { destroying(c.window()); });
    model.registerAction(action::kSaveComboIndex,
                         [this](Control& c, const EventArgs&) { saveComboIndex(c.as<ComboBox>()); });
    model.registerAction(action::kTakeLineBreakInterval,
                         [this](Control& c, const EventArgs&) { takeLineBreakInterval(c); });
    model.registerAction(action::kSaveCheckState, [this](Control& c, const EventArgs&) { saveFlag(c.as<CheckBox>()); });
    model.registerAction(action::kShowIntervalHint,
                         [this](Control& c, const EventArgs&) { showIntervalHint(c.window()); });
    model.registerAction(action::kDisplayModeClicked, [](Control& c, const EventArgs&) {
        // The two display modes exclude each other.
        if (!c.as<CheckBox>().checked()) return;
        Window& w = c.window();
        w[c.name() == kHexDisplay.name ? kTextDisplay : kHexDisplay].setChecked(false);
    });
    model.registerAction(action::kAlwaysOnTop,
                         [](Control& c, const EventArgs&) { c.window().setAlwaysOnTop(c.as<CheckBox>().checked()); });
}

void MainWindow::created(Window& main) {
    if (model_.view()) model_.view()->applyInterfaceStyle(3);

    state_.settingsPath = store::SettingsPath();
    state_.listPath = store::ListFilePath();

    state_.sentFormat = {"宋体"_gbk, 11, 0, 0, ui::Rgb(0, 128, 0)};
    state_.receivedFormat = {"宋体"_gbk, 11, 0, 0, ui::Rgb(0, 0, 255)};
    state_.noteFormat = {"宋体"_gbk, 11, 0, 0, ui::Rgb(128, 128, 128)};
    // Failures are noted at the display's end, whatever the user has selected.
    state_.failureNotes.setSink([this](const Text& note) {
        Window* w = model_.window(kWindowName);
        if (!w) return false;
        (*w)[kDisplay].append(note, state_.noteFormat);
        return true;
    });

    ComboBox& ports = main[kPort];
    ports.clearItems();
    std::vector<Text> found;
    if (discover_ && discover_(found))
        for (const Text& port : found) ports.addItem(port);

    loadOptions(main);
}

void MainWindow::loadOptions(Window& main) {
    const Text& file = state_.settingsPath;
    // A rate typed in the port settings is the baud rate box's last item, so its stored index finds it.
    const Text otherBaud =
        port_options::BaudItem(store::ReadSetting(file, port_options::kSection, port_options::kOtherBaudKey));
    const auto& listed = main[kBaud].items();
    if (!otherBaud.empty() && std::find(listed.begin(), listed.end(), otherBaud) == listed.end())
        main[kBaud].addItem(otherBaud);
    state_.portOptions = port_options::Load(file);
    for (const auto& o : kIndexOptions)
        main[o.control].setSelectedIndex(codec::TextToInt(store::ReadSetting(file, o.section, o.key, o.fallback)));

    // Writing the box runs its handler, which takes the interval and writes it back.
    Control& interval = main[kLineBreakInterval];
    interval.setText(store::ReadSetting(file, "自动换行"_gbk, "间隔毫秒"_gbk, "50"));
    state_.lineBreakInterval = codec::TextToInt(interval.text());

    for (const auto& o : kFlagOptions)
        main[o.control].setChecked(store::ReadSetting(file, o.section, o.key, o.fallback) == kTrue);

    main[kSendBox].setText(store::ReadSetting(file, "发送"_gbk, "单数据"_gbk, "01 03 10 00 00 25"));

    const Text list = store::ReadWholeFile(state_.listPath);
    // Lines as the box shows them: a file saved elsewhere with lone LFs is sent
    // and saved again with the program's own "\r\n".
    main[kAutoSendList].setText(codec::WithCrLfLineEnds(list.substr(0, list.find('\0'))));

    // At least 60 pixels, and at most what the screen has room for: a huge stored
    // size would otherwise make a window of gigabytes, and be saved again.
    const ui::Size room = platform_.availableScreenSize();
    const auto fit = [](int stored, int available) {
        const int size = std::max(60, stored);
        return available >= 60 ? std::min(size, available) : size;
    };
    main.setWidth(fit(codec::TextToInt(store::ReadSetting(file, "大小"_gbk, "KD", "600")), room.width));
    main.setHeight(fit(codec::TextToInt(store::ReadSetting(file, "大小"_gbk, "GD", "536")), room.height));

    const ui::Size screen = platform_.screenSize();
    const int top = codec::TextToInt(store::ReadSetting(file, "位置"_gbk, "DB"));
    if (top > 0 && top < screen.height - 50) main.setTop(top);
    const int left = codec::TextToInt(store::ReadSetting(file, "位置"_gbk, "ZB"));
    if (left > 0 && left < screen.width - 50) main.setLeft(left);
}

void MainWindow::relayout(Window& w) {
    const int width = w.width(), height = w.height();
    Control& send = w[kSendBox];
    Control& sendButton = w[kSend];
    Control& logo = w[kLogo];
    Control& display = w[kDisplay];
    Control& autoGroup = w[kAutoSendGroup];
    Control& list = w[kAutoSendList];

    send.setWidth(width - 220);
    sendButton.setLeft(send.left() + send.width() + 10);
    w[kPortGroup].setLeft(sendButton.left() + sendButton.width() + 15);
    w[kOptionGroup].setLeft(w[kPortGroup].left());
    logo.setWidth(send.width() + sendButton.width() + 20);
    display.setWidth(logo.width() + 2);
    display.setHeight(height - autoGroup.height() - 96);
    autoGroup.setTop(display.top() + display.height() - 4);
    autoGroup.setWidth(width - 12);
    list.setWidth(width - 360);
    w[kAutoSendStrip].setLeft(list.width() + 18);
}

void MainWindow::destroying(Window& main) {
    if (main.state() == ui::WindowState::Maximised) return;  // maximised: the last normal size and place stay
    save("大小"_gbk, "KD", std::to_string(main.width()));
    save("大小"_gbk, "GD", std::to_string(main.height()));
    save("位置"_gbk, "DB", std::to_string(main.top()));
    save("位置"_gbk, "ZB", std::to_string(main.left()));
}

void MainWindow::save(const char* section, const char* key, const Text& value) {
    state_.failureNotes.report(store::WriteSetting(state_.settingsPath, section, key, value));
}

void MainWindow::saveComboIndex(ComboBox& combo) {
    for (const auto& o : kIndexOptions)
        if (combo.name() == o.control.name) save(o.section, o.key, std::to_string(combo.selectedIndex()));
}

void MainWindow::takeLineBreakInterval(Control& box) {
    state_.lineBreakInterval = codec::TextToInt(box.text());
    save("自动换行"_gbk, "间隔毫秒"_gbk, box.text());
}

void MainWindow::saveFlag(CheckBox& box) {
    for (const auto& o : kFlagOptions)
        if (box.name() == o.control.name) save(o.section, o.key, box.checked() ? kTrue : kFalse);
}

void MainWindow::showIntervalHint(Window& main) {
    Control& group = main[kOptionGroup];
    Control& box = main[kLineBreakInterval];
    const int x = main.left() + group.left() + box.left() + 15;
    const int y = main.top() + group.top() + box.top() + 30;
    main[kBalloon].show(x, y, "换行间隔：毫秒"_gbk, true);
}

}  // namespace vorta::main_window
