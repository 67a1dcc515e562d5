#pragma once
// The main window's own life: what it does when created (settings path,
// formats, port list, every option loaded in a fixed order), how it lays its
// controls out when resized, what it saves before it is destroyed, and the
// handlers that write each option back the moment it changes.
#include <functional>
#include <vector>

#include "main_window/app_state.h"
#include "ui/model.h"
#include "ui/platform.h"

namespace vorta::main_window {

class MainWindow {
public:
    // Fills `ports` with "COM<n>" texts; returns false when the system's list
    // of ports could not be read (the port list then stays empty).
    using DiscoverPorts = std::function<bool(std::vector<ui::Text>& ports)>;

    MainWindow(ui::Model& model, ui::Platform& platform, main_window::AppState& state, DiscoverPorts discover);

    // The relayout for an outer window size; public for the view's tests.
    static void relayout(ui::Window& main);

private:
    void created(ui::Window& main);
    void loadOptions(ui::Window& main);
    void destroying(ui::Window& main);
    // Writes one option; a failure goes to the failure notes.
    void save(const char* section, const char* key, const ui::Text& value);
    void saveComboIndex(ui::ComboBox& combo);
    void takeLineBreakInterval(ui::Control& box);
    void saveFlag(ui::CheckBox& box);
    void showIntervalHint(ui::Window& main);

    ui::Model& model_;
    ui::Platform& platform_;
    main_window::AppState& state_;
    DiscoverPorts discover_;
};

}  // namespace vorta::main_window
