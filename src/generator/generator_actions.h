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

    void OpenGenerator();
    void GeneratorCreated(ui::Window& window);
    void ModuleTypeSelected();
    void SaveChannelCount();
    void FirstAddressChanged();
    void LastAddressChanged();
    void DefaultLayoutClicked();
    void CustomLayoutClicked();
    void GenerateLines();
    void AddToAutoSendList();
    void CloseGenerator();

    // The open generator window, nullptr when closed.
    ui::Window* window() const { return window_; }

private:
    void FillAddressLists(int count);
    void OrderAddresses(bool firstChanged);
    void Write(const char* key, const std::string& value);

    ui::Model& model_;
    const main_window::AppState& state_;
    ui::Window* window_ = nullptr;
};

}  // namespace vorta::generator
