#include "generator/generator_actions.h"

#include <string>

#include "codec/gbk_text.h"
#include "generator/address_order.h"
#include "generator/generator_settings.h"
#include "generator/line_layouts.h"
#include "store/settings_file.h"
#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "ui/windows/window_defs.h"

namespace vorta::generator {

namespace ids = ui::generator;

GeneratorActions::GeneratorActions(ui::Model& model, const main_window::AppState& state)
    : model_(model), state_(state) {
    namespace a = ui::action;
    auto bind = [&model](ui::ActionId id, void (GeneratorActions::*handler)(), GeneratorActions* self) {
        model.registerAction(id, [self, handler](ui::Control&, const ui::EventArgs&) { (self->*handler)(); });
    };
    bind(a::kOpenGenerator, &GeneratorActions::openGenerator, this);
    model.registerAction(a::kGeneratorCreated,
                         [this](ui::Control& source, const ui::EventArgs&) { generatorCreated(source.window()); });
    bind(a::kModuleTypeSelected, &GeneratorActions::moduleTypeSelected, this);
    bind(a::kSaveChannelCount, &GeneratorActions::saveChannelCount, this);
    bind(a::kFirstAddressChanged, &GeneratorActions::firstAddressChanged, this);
    bind(a::kLastAddressChanged, &GeneratorActions::lastAddressChanged, this);
    bind(a::kDefaultLayoutClicked, &GeneratorActions::defaultLayoutClicked, this);
    bind(a::kCustomLayoutClicked, &GeneratorActions::customLayoutClicked, this);
    bind(a::kGenerateLines, &GeneratorActions::generateLines, this);
    bind(a::kAddToAutoSendList, &GeneratorActions::addToAutoSendList, this);
    bind(a::kCloseGenerator, &GeneratorActions::closeGenerator, this);
}

void GeneratorActions::openGenerator() {
    // Modal: the main window takes no input until the generator is closed.
    model_.openWindow(ui::GeneratorWindowDef(), true);
}

void GeneratorActions::generatorCreated(ui::Window& window) {
    window_ = &window;
    window.onWindow(ui::Event::Destroying, [this](ui::Control&, const ui::EventArgs&) { window_ = nullptr; });
    const std::string& file = state_.settingsPath;
    ui::ComboBox& type = window[ids::kModuleType];
    type.setSelectedIndex(codec::TextToInt(store::ReadSetting(file, kSection, kTypeKey, kTypeDefault)));
    window[ids::kChannelCount].setSelectedIndex(
        codec::TextToInt(store::ReadSetting(file, kSection, kChannelsKey, kChannelsDefault)));
    window[ids::kFirstAddress].setText(store::ReadSetting(file, kSection, kFirstKey, kFirstDefault));
    window[ids::kLastAddress].setText(store::ReadSetting(file, kSection, kLastKey, kLastDefault));
    // The index the list shows: a stored index past the list selects its last item.
    if (type.selectedIndex() == 1) {
        window[ids::kChannelCount].setDisabled(true);
        fillAddressLists(kQ20AddressCount);
    } else {
        fillAddressLists(kQ58AddressCount);
    }
}

void GeneratorActions::fillAddressLists(int count) {
    for (ui::ControlId<ui::ComboBox> id : {ids::kFirstAddress, ids::kLastAddress}) {
        ui::ComboBox& combo = (*window_)[id];
        // Emptying the list would empty the edit field too; the address typed stays.
        const ui::Text shown = combo.text();
        combo.clearItems();
        for (int n = 1; n <= count; ++n) combo.addItem(std::to_string(n));
        combo.setText(shown);
    }
}

void GeneratorActions::moduleTypeSelected() {
    if (!window_) return;
    ui::ComboBox& type = (*window_)[ids::kModuleType];
    const bool q58 = type.text() == kQ58Module;
    (*window_)[ids::kChannelCount].setDisabled(!q58);
    fillAddressLists(q58 ? kQ58AddressCount : kQ20AddressCount);
    write(kTypeKey, std::to_string(type.selectedIndex()));
}

void GeneratorActions::saveChannelCount() {
    if (!window_) return;
    write(kChannelsKey, std::to_string((*window_)[ids::kChannelCount].selectedIndex()));
}

void GeneratorActions::firstAddressChanged() { orderAddresses(true); }

void GeneratorActions::lastAddressChanged() { orderAddresses(false); }

void GeneratorActions::orderAddresses(bool firstChanged) {
    if (!window_) return;
    ui::ComboBox& first = (*window_)[ids::kFirstAddress];
    ui::ComboBox& last = (*window_)[ids::kLastAddress];
    const AddressTexts ordered = generator::OrderAddresses({first.text(), last.text()},
                                                           firstChanged ? ChangedAddress::First : ChangedAddress::Last);
    if (ordered.first != first.text()) first.setText(ordered.first);
    if (ordered.last != last.text()) last.setText(ordered.last);
    write(kFirstKey, ordered.first);
    write(kLastKey, ordered.last);
}

void GeneratorActions::defaultLayoutClicked() {
    if (!window_) return;
    (*window_)[ids::kCustomBody].setVisible(false);
    (*window_)[ids::kChannelCount].setVisible(true);
    (*window_)[ids::kModuleType].setVisible(true);
}

void GeneratorActions::customLayoutClicked() {
    if (!window_) return;
    (*window_)[ids::kChannelCount].setVisible(false);
    (*window_)[ids::kModuleType].setVisible(false);
    (*window_)[ids::kCustomBody].setVisible(true);
}

void GeneratorActions::generateLines() {
    if (!window_) return;
    ui::Window* window = window_;
    (*window)[ids::kOutput].setText("");
    // Lets the emptied box show before the lines are built; events run meanwhile,
    // and the window may be closed by one of them.
    model_.loop().delay(1);
    if (window_ != window) return;
    ui::Window& w = *window;
    const Layout layout = LayoutFor(w[ids::kDefaultLayout].checked(), w[ids::kModuleType].text());
    const std::string lines = generator::GenerateLines(
        layout, ChannelCode(w[ids::kChannelCount].text()), AddressValue(w[ids::kFirstAddress].text()),
        AddressValue(w[ids::kLastAddress].text()), w[ids::kCustomBody].text());
    w[ids::kOutput].setText(lines);
}

void GeneratorActions::addToAutoSendList() {
    if (!window_) return;
    ui::Window* main = model_.window(ui::main::kWindowName);
    if (!main) return;
    // Replaces the list; the generated frames carry their CRC already.
    (*main)[ui::main::kAutoSendList].setText((*window_)[ids::kOutput].text());
    (*main)[ui::main::kCrc].setChecked(false);
}

void GeneratorActions::closeGenerator() {
    if (window_) window_->close();
}

void GeneratorActions::write(const char* key, const std::string& value) {
    state_.failureNotes.report(store::WriteSetting(state_.settingsPath, kSection, key, value));
}

}  // namespace vorta::generator
