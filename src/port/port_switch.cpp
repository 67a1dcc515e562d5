#include "port/port_switch.h"

#include "store/settings_file.h"
#include "codec/gbk_text.h"

namespace vorta::port {
namespace {

constexpr ui::Colour kOpenFill = 0x00FF00;
const char* const kPortCombos[] = {"组合框_端口", "组合框_波特率", "组合框_数据位", "组合框_停止位", "组合框_校验位"};

// The text of the item at the combo box's selection, or "" with none.
std::string SelectedItem(ui::Control& combo) {
    const int i = combo.selectedIndex();
    return i >= 0 && i < int(combo.items().size()) ? combo.items()[i] : std::string();
}

// The text without its first three characters ("COM7" gives "7").
std::string DropThreeCharacters(const std::string& text) {
    std::size_t pos = 0;
    for (int i = 0; i < 3 && pos < text.size(); ++i) pos += codec::GbkCharLength(text, pos);
    return text.substr(pos);
}

}  // namespace

PortSwitch::PortSwitch(ui::Model& model, serial::SerialChannel& channel, Files files)
    : model_(model), channel_(channel), files_(files) {
    model.registerAction("OpenClosePort", [this](ui::Control& c, const ui::EventArgs&) { toggle(c.window()); });
}

bool PortSwitch::IsOpen(ui::Window& main) { return main["串口状态外形框"].fillColour() != ui::kDefaultColour; }

void PortSwitch::copySettings(ui::Window& main) {
    channel_.setPortNumber(codec::TextToInt(DropThreeCharacters(main["组合框_端口"].text())));
    channel_.setBaudRate(codec::TextToInt(SelectedItem(main["组合框_波特率"])));
    channel_.setDataBits(codec::TextToInt(SelectedItem(main["组合框_数据位"])));
    channel_.setStopBitsCode(main["组合框_停止位"].selectedIndex() + 1);
    channel_.setParityCode(main["组合框_校验位"].selectedIndex());
}

void PortSwitch::toggle(ui::Window& main) {
    store::WriteSetting(files_.settingsPath, "发送", "单数据", main["编辑框_发送"].text());
    store::WriteWholeFile(files_.listPath, main["编辑框_循环"].text());
    copySettings(main);
    channel_.close();

    ui::Control& button = main["按钮_打开串口"];
    ui::Control& lamp = main["串口状态外形框"];
    if (button.text() == "打开串口") {
        if (!channel_.open()) {
            main["超级编辑框1"].replaceSelection("  → 端口打开失败！可能被其他程序占用。\r\n");
            return;
        }
        for (const char* name : kPortCombos) main[name].setDisabled(true);
        lamp.setFillColour(kOpenFill);
        button.setText("关闭串口");
    } else {
        channel_.close();
        for (const char* name : kPortCombos) main[name].setDisabled(false);
        button.setText("打开串口");
        lamp.setFillColour(ui::kDefaultColour);
    }
}

}  // namespace vorta::port
