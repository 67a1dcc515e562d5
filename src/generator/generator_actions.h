#pragma once
// The batch generator window's behaviour: opened modally from the main
// window's auto-send lamp, it restores its four settings, keeps the address
// range ordered, generates the polling lines and hands them to the main
// window's auto-send list.
#include "main_window/app_state.h"
#include "ui/model.h"

namespace vorta::generator {

class GeneratorActions {
public:
    // Registers OpenGenerator and every action of the generator window.
    GeneratorActions(ui::Model& model, const main_window::AppState& state);

    void openGenerator();
    void generatorCreated(ui::Window& window);
    void moduleTypeSelected();
    void saveChannelCount();
    void firstAddressChanged();
    void lastAddressChanged();
    void defaultLayoutClicked();
    void customLayoutClicked();
    void generateLines();
    void addToAutoSendList();
    void closeGenerator();

    // The open generator window, nullptr when closed.
    ui::Window* window() const { return window_; }

private:
    void fillAddressLists(int count);
    void orderAddresses(bool firstChanged);
    void write(const char* key, const std::string& value);

    ui::Model& model_;
    const main_window::AppState& state_;
    ui::Window* window_ = nullptr;
};

}  // namespace vorta::generator
