#pragma once
// The byte calculator window's behaviour: opened from the display's menu
// without blocking the main window, it restores its columns' choices, and
// while it is open every automatic line break of hex data is evaluated in
// its checked columns. Closing it, or closing the program with it open,
// stores the choices.
#include <string>

#include "receive/receive_display.h"
#include "main_window/app_state.h"
#include "ui/model.h"

namespace vorta::calculator {

class CalculatorActions {
public:
    // Registers OpenCalculator, CalculatorCreated and CalculatorDestroying.
    CalculatorActions(ui::Model& model, const main_window::AppState& state, receive::ReceiveDisplay& receive);

    // Closes the calculator together with the main window; call once it exists.
    void attach(ui::Window& main);

    void openCalculator();
    void calculatorCreated(ui::Window& window);
    void calculatorDestroying();
    // Evaluates the checked columns on the hex text of the line just ended.
    void updateCalculator(const std::string& line);

    // The open calculator window (the window-open flag), nullptr when closed.
    ui::Window* window() const { return window_; }

private:
    ui::Model& model_;
    const main_window::AppState& state_;
    receive::ReceiveDisplay& receive_;
    ui::Window* window_ = nullptr;
};

}  // namespace vorta::calculator
