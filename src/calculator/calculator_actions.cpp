#include "calculator/calculator_actions.h"

#include "calculator/byte_column.h"
#include "calculator/calculator_settings.h"
#include "calculator/steps.h"
#include "codec/gbk_text.h"
#include "store/settings_file.h"
#include "ui/windows/action_ids.h"
#include "ui/windows/control_ids.h"
#include "ui/windows/window_defs.h"

namespace vorta::calculator {

namespace {

namespace ids = ui::calculator;

// The controls of one column, in column order 1..4.
struct Column {
    ui::ControlId<ui::CheckBox> enable;
    ui::ControlId<ui::ComboBox> firstByte, byteCount;
    ui::ControlId<ui::Control> hex, steps, result;
};

constexpr Column kColumnIds[kColumns] = {
    {ids::kEnable1, ids::kFirstByte1, ids::kByteCount1, ids::kHex1, ids::kSteps1, ids::kResult1},
    {ids::kEnable2, ids::kFirstByte2, ids::kByteCount2, ids::kHex2, ids::kSteps2, ids::kResult2},
    {ids::kEnable3, ids::kFirstByte3, ids::kByteCount3, ids::kHex3, ids::kSteps3, ids::kResult3},
    {ids::kEnable4, ids::kFirstByte4, ids::kByteCount4, ids::kHex4, ids::kSteps4, ids::kResult4},
};

// The last byte a column can take (first byte 29, four bytes) is one the
// receive display still keeps of a line.
static_assert((kFirstByteItems - 1) + (kByteCountItems - 1) - 1 <=
              static_cast<int>(receive::ReceiveDisplay::kLineCellsKept));

}  // namespace

CalculatorActions::CalculatorActions(ui::Model& model, const main_window::AppState& state,
                                     receive::ReceiveDisplay& receive)
    : model_(model), state_(state), receive_(receive) {
    namespace a = ui::action;
    model.registerAction(a::kOpenCalculator, [this](ui::Control&, const ui::EventArgs&) { openCalculator(); });
    model.registerAction(a::kCalculatorCreated,
                         [this](ui::Control& source, const ui::EventArgs&) { calculatorCreated(source.window()); });
    model.registerAction(a::kCalculatorDestroying,
                         [this](ui::Control&, const ui::EventArgs&) { calculatorDestroying(); });
}

void CalculatorActions::attach(ui::Window& main) {
    main.onWindow(ui::Event::Destroying, [this](ui::Control&, const ui::EventArgs&) {
        if (window_) window_->close();
    });
}

void CalculatorActions::openCalculator() {
    // One calculator at a time: a second one would share the open flag and the keys.
    // The open one may be hidden behind the main window: it comes to the front.
    if (window_) {
        window_->activate();
        return;
    }
    model_.openWindow(ui::CalculatorWindowDef(), false);
}

void CalculatorActions::calculatorCreated(ui::Window& window) {
    for (const Column& column : kColumnIds) {
        for (int i = 0; i < kFirstByteItems; ++i) window[column.firstByte].addItem(std::to_string(i));
        for (int i = 0; i < kByteCountItems; ++i) window[column.byteCount].addItem(std::to_string(i));
    }
    window_ = &window;
    receive_.updateCalculator = [this](const std::string& line) { updateCalculator(line); };
    const std::string& file = state_.settingsPath;
    for (int c = 1; c <= kColumns; ++c) {
        const Column& column = kColumnIds[c - 1];
        window[column.firstByte].setSelectedIndex(
            codec::TextToInt(store::ReadSetting(file, kStartSection, FirstByteKey(c))));
        window[column.byteCount].setSelectedIndex(
            codec::TextToInt(store::ReadSetting(file, kStartSection, ByteCountKey(c))));
    }
    for (int c = 1; c <= kColumns; ++c) {
        window[kColumnIds[c - 1].steps].setText(StepsFromStored(store::ReadSetting(file, kStepsSection, StepsKey(c))));
    }
    ui::Control& steps4 = window[ids::kSteps4];
    if (steps4.text().empty()) steps4.setText(kColumn4DefaultSteps);
}

void CalculatorActions::calculatorDestroying() {
    if (!window_) return;
    ui::Window& window = *window_;
    window_ = nullptr;
    // A closed calculator leaves the receive path as if it did not exist.
    receive_.updateCalculator = nullptr;
    const std::string& file = state_.settingsPath;
    const auto save = [this, &file](const char* section, const std::string& key, const std::string& value) {
        state_.failureNotes.report(store::WriteSetting(file, section, key, value));
    };
    for (int c = 1; c <= kColumns; ++c) {
        const Column& column = kColumnIds[c - 1];
        save(kStartSection, FirstByteKey(c), std::to_string(window[column.firstByte].selectedIndex()));
        save(kStartSection, ByteCountKey(c), std::to_string(window[column.byteCount].selectedIndex()));
    }
    for (int c = 1; c <= kColumns; ++c)
        save(kStepsSection, StepsKey(c), StepsToStored(window[kColumnIds[c - 1].steps].text()));
}

void CalculatorActions::updateCalculator(const std::string& line) {
    // An empty line holds no hex data (text display): the columns keep what they show.
    if (!window_ || line.empty()) return;
    ui::Window& window = *window_;
    for (const Column& column : kColumnIds) {
        if (!window[column.enable].checked()) continue;
        const ColumnResult r = EvaluateColumn(line, window[column.firstByte].selectedIndex(),
                                              window[column.byteCount].selectedIndex(), window[column.steps].text());
        window[column.hex].setText(r.hexDigits);
        window[column.result].setText(r.result);
    }
}

}  // namespace vorta::calculator
